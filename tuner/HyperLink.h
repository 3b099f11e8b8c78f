// HyperLink.h - CHyperLink, Swiftlane's hyperlink: a subclassed static that
// shows an address in link colours (visited, focus, hover), with a hand
// cursor and a tooltip, and opens it on click or Space through the shell,
// falling back to the command registered for ".htm".
#pragma once

#include <windows.h>

#include "Controls.h"
#include "Gdi.h"
#include "Strings.h"

class CHyperLink : public CStatic {
public:
    enum Style : DWORD {
        StyleUnderline = 0x01,
        StyleHover = 0x02,
        StyleAutoSize = 0x04,
        StyleDownClick = 0x08,
        StyleGetFocusOnClick = 0x10,
        StyleNoHandCursor = 0x20,
        StyleNoActiveColour = 0x40,
    };
    static constexpr COLORREF kLinkColour = RGB(255, 0, 0);
    static constexpr COLORREF kVisitedColour = RGB(128, 0, 128);
    static constexpr COLORREF kFocusColour = RGB(0, 128, 128);
    static constexpr COLORREF kHoverColour = RGB(255, 0, 0);

    CHyperLink() = default;
    ~CHyperLink() override;

    void SetURL(const char* url);
    const CString& GetURL() const { return m_url; }
    // FALSE when a bit is in both masks.
    BOOL SetLinkStyle(DWORD remove, DWORD add, BOOL redraw = TRUE);
    DWORD GetLinkStyle() const { return m_style; }
    void SetFont(HFONT font);
    bool IsVisited() const { return m_visited; }
    COLORREF CurrentTextColour() const;
    // ShellExecute "open", then the ".htm" command; the shell's result (> 32: opened).
    static HINSTANCE GotoURL(const char* url, int show);

    // Where the hand cursor comes from (the Windows help program's cursor 106
    // unless a test names another module); the one cursor shared by all links.
    static void SetHandCursorSource(const char* modulePath, UINT cursorId);
    static HCURSOR HandCursor();
    // Where GotoURL looks up ".htm" (HKEY_CLASSES_ROOT unless a test names a key).
    static void SetClassesRoot(HKEY root);

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Open();
    void BuildFont();
    void PositionWindow();
    void AcquireCursor();
    void ReleaseCursor();

    CString m_url;
    DWORD m_style = StyleUnderline | StyleAutoSize | StyleGetFocusOnClick;
    bool m_over = false;
    bool m_hasFocus = false;
    bool m_visited = false;
    bool m_openSuppressed = false;
    bool m_holdsCursor = false;
    CFont m_font;
    CToolTipCtrl m_tip;
};
