// PropertySheet.h - CPropertySheet and CPropertyPage, tabbed sheets and wizards.
// A sheet is always created with PSH_MODELESS; DoModal runs it through the
// suite's one modal loop (so PreTranslateMessage sees every thread message)
// until the sheet closes itself (OK/Cancel/Finish) or EndDialog is called.
// Pages get OnSetActive/OnKillActive/OnApply/OnReset/OnQueryCancel and, in
// wizard mode, OnWizardBack/OnWizardNext (0: neighbour, -1: stay, a template
// id: that page) and OnWizardFinish. SetModified drives the Apply button.
// Deliberately not: Unicode pages, Aero wizards, page reordering.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <vector>

#include "Dialog.h"

class CPropertySheet;

// Wizard button ids and PSM_SETWIZBUTTONS masks, as the sheet defines them.
enum : UINT { ID_WIZBACK = 0x3023, ID_WIZNEXT = 0x3024, ID_WIZFINISH = 0x3025, ID_APPLY_NOW = 0x3021 };

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId, UINT captionId = 0);

    CPropertySheet* GetSheet() const { return m_sheet; }
    HWND GetSheetHwnd() const { return m_hWnd ? ::GetParent(m_hWnd) : nullptr; }
    void SetModified(BOOL changed = TRUE);
    // Posted to the sheet, so it may be called from the page's own notifications.
    void SetWizardButtons(DWORD flags) { ::PostMessageA(GetSheetHwnd(), PSM_SETWIZBUTTONS, 0, LPARAM(flags)); }

    PROPSHEETPAGEA m_psp;

protected:
    virtual BOOL OnSetActive() { return TRUE; }
    // FALSE keeps the page (a value the user must correct).
    virtual BOOL OnKillActive() { return TRUE; }
    // FALSE refuses the apply and keeps the page.
    virtual BOOL OnApply() { return TRUE; }
    virtual void OnReset() {}
    // FALSE refuses the cancel.
    virtual BOOL OnQueryCancel() { return TRUE; }
    virtual LRESULT OnWizardBack() { return 0; }
    virtual LRESULT OnWizardNext() { return 0; }
    // FALSE keeps the wizard open.
    virtual BOOL OnWizardFinish() { return TRUE; }
    virtual void OnHelp() {}

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Pages are ended by their sheet, never by IDOK/IDCANCEL of their own.
    void OnOK() override {}
    void OnCancel() override {}

private:
    friend class CPropertySheet;
    CPropertySheet* m_sheet = nullptr;
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

class CPropertySheet : public CWnd {
public:
    explicit CPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT startPage = 0);
    explicit CPropertySheet(const char* caption, CWnd* parent = nullptr, UINT startPage = 0);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return int(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    int GetActiveIndex() const;
    CPropertyPage* GetActivePage() const;
    BOOL SetActivePage(int index);
    BOOL SetActivePage(CPropertyPage* page);
    int GetPageIndex(const CPropertyPage* page) const;

    void SetWizardMode() { m_psh.dwFlags |= PSH_WIZARD; }
    bool IsWizard() const { return (m_psh.dwFlags & PSH_WIZARD) != 0; }
    // Posted, so a page may call it from its own notification.
    void SetWizardButtons(DWORD flags) { PostMessage(PSM_SETWIZBUTTONS, 0, LPARAM(flags)); }
    void PressButton(int button) { PostMessage(PSM_PRESSBUTTON, WPARAM(button), 0); }
    HWND GetTabControl() const { return HWND(::SendMessageA(m_hWnd, PSM_GETTABCONTROL, 0, 0)); }
    BOOL SetTabText(int index, const char* text);
    void SetTitle(const char* title);

    // IDOK (applied), ID_WIZFINISH (finished), IDCANCEL, or the EndDialog value.
    virtual INT_PTR DoModal();
    // Modeless: the sheet stays until it closes itself (HasClosed; its owner
    // then destroys it) or is destroyed.
    BOOL Create(HWND parent = nullptr);
    bool HasClosed() const { return SheetClosed(); }
    void EndDialog(INT_PTR result);
    bool IsModalRunning() const { return m_modal && !m_ended; }

    PROPSHEETHEADERA m_psh;

protected:
    // Runs once the sheet and its first page stand, before it is shown.
    virtual BOOL OnInitDialog() { return TRUE; }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Set false in OnInitDialog to keep the sheet hidden when it starts.
    bool m_showOnStart = true;

private:
    friend class CPropertyPage;
    bool CreateSheet(HWND parent);
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lParam);
    bool SheetClosed() const;

    std::vector<CPropertyPage*> m_pages;
    std::vector<HPROPSHEETPAGE> m_handles;
    CString m_caption;
    HWND m_parentHwnd;
    bool m_modal = false;
    bool m_ended = false;
    INT_PTR m_result = IDCANCEL;
};
