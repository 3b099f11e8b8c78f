// Dialog.h - CDialog, a dialog from an .rc template, modal or modeless.
// Modal runs go through RunModalLoop (MessageLoop.h), so PreTranslateMessage
// sees every message of the thread while the dialog runs; the owner is
// disabled meanwhile. OnInitDialog, OnOK/OnCancel (IDOK/IDCANCEL), EndDialog
// with a result, and the background colour set by CWinApp::SetDialogBkColor
// (except on property pages that the theme paints with its tab texture: their
// controls take that texture, as the page does).
// Handlers follow CWnd's one dispatch path; Default() in a dialog means "not
// handled" (the dialog manager's own processing).
// Deliberately not: data exchange macros; dialogs read and set their controls.
#pragma once

#include <windows.h>

#include "Window.h"

// Registers the common-control classes (list views, ComboBoxEx, tabs, ...)
// once per process; dialogs and sheets call it before they are created.
void QvInitCommonControls();

// True when the theme paints this dialog's background with the tab-body
// texture (a property page under an active theme).
bool QvPaintsThemedTabPage(HWND dialog);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDialog() override;

    // IDOK, IDCANCEL or the EndDialog value; -1 when the template is missing.
    virtual INT_PTR DoModal();
    // Modeless: created (and shown when the template is visible) now.
    BOOL Create(UINT templateId = 0, HWND parent = nullptr);
    void EndDialog(INT_PTR result);
    bool IsModalRunning() const { return m_modal && !m_ended; }

    UINT m_templateId;
    HWND m_parentHwnd;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The dialog procedure of dialogs and property pages: binds the object at
    // WM_INITDIALOG and turns results into what the dialog manager expects.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR DispatchDialog(UINT msg, WPARAM wParam, LPARAM lParam);

    bool m_modal = false;
    bool m_ended = false;
    INT_PTR m_result = -1;

private:
    bool* m_defaulted = nullptr;
};
