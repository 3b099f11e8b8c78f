// LinkStatic.h - CLinkStatic, a static text control of a dialog turned into
// a hyperlink: underlined text in link colours (normal, hovered, visited), a
// hand cursor, a tooltip, and a click that opens the URL with the shell
// (QvShellExecute) or, with m_notifyParent, tells the parent instead.
// Bind it with SubclassDlgItem/SubclassWindow, then set URL, tooltip and colours.
// Deliberately not: keyboard focus or activation; the link is a mouse target.
#pragma once

#include <windows.h>

#include "Controls.h"
#include "Gdi.h"
#include "Strings.h"

// Sent to the parent (wParam: control id) instead of opening the URL.
const UINT WM_LINKCLICKED = WM_USER + 101;

class CLinkStatic : public CStatic {
public:
    enum { kToolId = 1001, kHandCursorId = 106 };

    CLinkStatic() = default;
    ~CLinkStatic() override;

    // Call these on the CLinkStatic itself: they run PreSubclassWindow once the
    // window is bound (CWnd's own SubclassWindow would skip it).
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(UINT id, HWND parent);

    void SetURL(const char* url) { m_url = url ? url : ""; }
    const CString& GetURL() const { return m_url; }
    void EnableToolTip(bool enable) { m_toolTipEnabled = enable; }
    void SetToolTipText(const char* text);
    void SetTipBkColor(COLORREF colour);
    void SetTipTextColor(COLORREF colour);
    void SetVisitedColor(COLORREF colour) { m_visitedColour = colour; }
    // Opens url minimised; true when the shell reports success.
    bool GotoURL(const char* url);

    HCURSOR HandCursor() const { return m_handCursor; }
    HWND ToolTipWindow() const { return m_toolTip.m_hWnd; }
    // The text colour the control draws with now.
    COLORREF CurrentTextColour() const;

    BOOL PreTranslateMessage(MSG* msg) override;

    bool m_notifyParent = false;

protected:
    virtual void PreSubclassWindow();
    virtual void OnClicked();
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnMouseMove(LPARAM point);
    void Redraw();

    HCURSOR m_handCursor = nullptr;
    bool m_toolTipEnabled = false;
    bool m_hover = false;
    bool m_visited = false;
    CFont m_underlinedFont;
    HFONT m_originalFont = nullptr;
    CToolTipCtrl m_toolTip;
    CString m_url;
    COLORREF m_hoverColour = RGB(0xFF, 0x00, 0x00);
    COLORREF m_normalColour = RGB(0x00, 0x00, 0xFF);
    COLORREF m_visitedColour = RGB(0x05, 0x22, 0x8F);
};
