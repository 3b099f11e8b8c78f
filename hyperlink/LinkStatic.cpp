#include "LinkStatic.h"

#include "Seams.h"

namespace {
// The hand cursor of the Windows help program: every Windows since 3.1 ships
// it there, while IDC_HAND only exists from Windows 98/2000 on.
HCURSOR LoadHelpHandCursor() {
    char folder[MAX_PATH] = "";
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (!length || length >= sizeof folder) return nullptr;
    CString path = CString(folder) + "\\Winhlp32.exe";
    // As a data file: the program's code is never mapped to run.
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return nullptr;
    HCURSOR cursor = nullptr;
    if (HCURSOR shared = LoadCursorA(module, MAKEINTRESOURCEA(CLinkStatic::kHandCursorId)))
        cursor = CopyCursor(shared);
    FreeLibrary(module);
    return cursor;
}
}  // namespace

CLinkStatic::~CLinkStatic() {
    // The control may outlive this object: it must not keep drawing with a deleted font.
    if (m_hWnd && ::IsWindow(m_hWnd) && m_underlinedFont.Get())
        SendMessage(WM_SETFONT, WPARAM(m_originalFont), FALSE);
    if (m_handCursor) DestroyCursor(m_handCursor);
}

bool CLinkStatic::SubclassWindow(HWND hwnd) {
    if (!CWnd::SubclassWindow(hwnd)) return false;
    PreSubclassWindow();
    return true;
}

bool CLinkStatic::SubclassDlgItem(UINT id, HWND parent) {
    HWND item = ::GetDlgItem(parent, int(id));
    return item && SubclassWindow(item);
}

void CLinkStatic::PreSubclassWindow() {
    ModifyStyle(0, SS_NOTIFY);

    m_originalFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    m_underlinedFont.Attach(CopyFontWithUnderline(m_originalFont, true));
    if (m_underlinedFont.Get()) SendMessage(WM_SETFONT, WPARAM(m_underlinedFont.Get()), TRUE);

    m_handCursor = LoadHelpHandCursor();

    if (m_toolTip.Create(m_hWnd, TTS_ALWAYSTIP)) {
        RECT client = GetClientRect();
        m_toolTip.AddTool(m_hWnd, "", &client, kToolId);
        m_toolTip.ShowWindow(SW_HIDE);
    }
}

void CLinkStatic::SetToolTipText(const char* text) {
    if (!m_toolTipEnabled || !m_toolTip.m_hWnd) return;
    m_toolTip.UpdateTipText(text ? text : "", m_hWnd, kToolId);
}

void CLinkStatic::SetTipBkColor(COLORREF colour) {
    if (m_toolTip.m_hWnd) m_toolTip.SendMessage(TTM_SETTIPBKCOLOR, WPARAM(colour));
}

void CLinkStatic::SetTipTextColor(COLORREF colour) {
    if (m_toolTip.m_hWnd) m_toolTip.SendMessage(TTM_SETTIPTEXTCOLOR, WPARAM(colour));
}

bool CLinkStatic::GotoURL(const char* url) {
    HINSTANCE result = QvShellExecute(nullptr, "open", url, nullptr, nullptr, SW_SHOWMINIMIZED);
    return INT_PTR(result) >= 32;
}

COLORREF CLinkStatic::CurrentTextColour() const {
    if (m_visited) return m_visitedColour;
    return m_hover ? m_hoverColour : m_normalColour;
}

BOOL CLinkStatic::PreTranslateMessage(MSG* msg) {
    if (m_toolTip.m_hWnd) m_toolTip.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

void CLinkStatic::Redraw() { ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

void CLinkStatic::OnMouseMove(LPARAM point) {
    if (!m_hover) {
        m_hover = true;
        Redraw();
        ::SetCapture(m_hWnd);
        return;
    }
    POINT at{short(LOWORD(point)), short(HIWORD(point))};
    RECT client = GetClientRect();
    if (PtInRect(&client, at)) return;
    m_hover = false;
    ::ReleaseCapture();
    Redraw();
}

void CLinkStatic::OnClicked() {
    if (m_notifyParent)
        ::SendMessageA(GetParent(), WM_LINKCLICKED, WPARAM(::GetDlgCtrlID(m_hWnd)), 0);
    else
        GotoURL(m_url);
    m_visited = true;
    Invalidate(TRUE);
}

bool CLinkStatic::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_MOUSEMOVE:
        result = Default();
        OnMouseMove(lParam);
        return true;
    case WM_SETCURSOR:
        // Without the help program's cursor the default one stays; a null
        // SetCursor would hide the pointer altogether.
        if (!m_handCursor) return false;
        ::SetCursor(m_handCursor);
        result = TRUE;
        return true;
    case WM_CAPTURECHANGED:
        // Another window took the mouse (a menu, a drag, the opened browser):
        // no mouse-move out will come, so the hover colour would stick.
        result = Default();
        if (m_hover && HWND(lParam) != m_hWnd) {
            m_hover = false;
            Redraw();
        }
        return true;
    default:
        return false;
    }
}

bool CLinkStatic::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) != STN_CLICKED) return false;
        OnClicked();
        result = 0;
        return true;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, CurrentTextColour());
        ::SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    }
    default:
        return false;
    }
}
