#include "HyperLink.h"

#include "Files.h"
#include "Registry.h"
#include "Seams.h"

namespace {
HCURSOR g_handCursor = nullptr;
int g_cursorUsers = 0;
CString g_cursorModule;
UINT g_cursorId = 106;
bool g_cursorSourceSet = false;
HKEY g_classesRoot = HKEY_CLASSES_ROOT;

CString CursorModule() {
    if (g_cursorSourceSet) return g_cursorModule;
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    return JoinPath(windows, "winhlp32.exe");
}
}  // namespace

void CHyperLink::SetHandCursorSource(const char* modulePath, UINT cursorId) {
    g_cursorModule = modulePath ? modulePath : "";
    g_cursorId = cursorId;
    g_cursorSourceSet = modulePath != nullptr;
}

HCURSOR CHyperLink::HandCursor() { return g_handCursor; }

void CHyperLink::SetClassesRoot(HKEY root) { g_classesRoot = root ? root : HKEY_CLASSES_ROOT; }

void CHyperLink::AcquireCursor() {
    if (m_holdsCursor) return;
    m_holdsCursor = true;
    if (g_cursorUsers++ > 0 && g_handCursor) return;
    HMODULE module = LoadLibraryA(CursorModule());
    if (!module) return;
    HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(g_cursorId));
    if (cursor) g_handCursor = CopyCursor(cursor);
    FreeLibrary(module);
}

void CHyperLink::ReleaseCursor() {
    if (!m_holdsCursor) return;
    m_holdsCursor = false;
    // Shared by every link: destroyed only with the last one that uses it.
    if (--g_cursorUsers == 0 && g_handCursor) {
        DestroyCursor(g_handCursor);
        g_handCursor = nullptr;
    }
}

CHyperLink::~CHyperLink() { ReleaseCursor(); }

void CHyperLink::PreSubclassWindow() {
    if (m_url.IsEmpty()) m_url = GetWindowText();
    if (GetWindowText().IsEmpty()) SetWindowText(m_url);
    HFONT font = HFONT(SendMessage(WM_GETFONT));
    if (font) {
        m_font.Attach(CopyFontWithUnderline(font, (m_style & StyleUnderline) != 0));
        SendMessage(WM_SETFONT, WPARAM(m_font.Get()), TRUE);
    } else {
        m_style &= ~DWORD(StyleAutoSize);
    }
    PositionWindow();
    if (!(m_style & StyleNoHandCursor)) AcquireCursor();
    m_tip.Create(m_hWnd);
    RECT client = GetClientRect();
    m_tip.AddTool(m_hWnd, m_url, &client, 1);
}

void CHyperLink::SetURL(const char* url) {
    m_url = url ? url : "";
    if (!IsWindow()) return;
    ShowWindow(SW_HIDE);
    PositionWindow();
    if (m_tip.IsWindow()) m_tip.UpdateTipText(m_url, m_hWnd, 1);
    ShowWindow(SW_SHOW);
}

BOOL CHyperLink::SetLinkStyle(DWORD remove, DWORD add, BOOL redraw) {
    if (remove & add) return FALSE;
    DWORD old = m_style;
    m_style = (m_style & ~remove) | add;
    if (redraw && IsWindow()) {
        if ((old ^ m_style) & StyleUnderline) BuildFont();
        if (add & StyleAutoSize) PositionWindow();
        if (remove & StyleHover) Invalidate();
    }
    return TRUE;
}

void CHyperLink::SetFont(HFONT font) {
    if (!font) return;
    m_font.Attach(CopyFontWithUnderline(font, (m_style & StyleUnderline) != 0));
    if (!IsWindow()) return;
    SendMessage(WM_SETFONT, WPARAM(m_font.Get()), TRUE);
    PositionWindow();
    ShowWindow(SW_SHOW);
}

void CHyperLink::BuildFont() {
    HFONT current = m_font.Get() ? m_font.Get() : HFONT(SendMessage(WM_GETFONT));
    if (!current) return;
    CFont rebuilt(CopyFontWithUnderline(current, (m_style & StyleUnderline) != 0));
    SendMessage(WM_SETFONT, WPARAM(rebuilt.Get()), TRUE);
    m_font = std::move(rebuilt);
    Invalidate();
}

void CHyperLink::PositionWindow() {
    if (!IsWindow() || !(m_style & StyleAutoSize)) return;
    CString text = GetWindowText();
    RECT window = GetWindowRect();
    RECT client = GetClientRect();
    HWND parent = GetParent();
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    SIZE extent{};
    {
        CClientDC dc(m_hWnd);
        CSelectObject select(dc, m_font.Get());
        GetTextExtentPoint32A(dc, text, text.GetLength(), &extent);
    }
    // The border difference stays: only the client part follows the text.
    int borderX = (window.right - window.left) - (client.right - client.left);
    int borderY = (window.bottom - window.top) - (client.bottom - client.top);
    int width = extent.cx + borderX, height = extent.cy + borderY;
    int oldWidth = window.right - window.left, oldHeight = window.bottom - window.top;
    DWORD style = GetStyle();
    int x = window.left, y = window.top;
    if (style & SS_CENTERIMAGE) y = window.top + (oldHeight - height) / 2;
    if ((style & SS_TYPEMASK) == SS_CENTER)
        x = window.left + (oldWidth - width) / 2;
    else if ((style & SS_TYPEMASK) == SS_RIGHT)
        x = window.right - width;
    SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_tip.IsWindow()) {
        RECT rect = GetClientRect();
        m_tip.SetToolRect(m_hWnd, 1, rect);
    }
}

COLORREF CHyperLink::CurrentTextColour() const {
    if (m_over && (m_style & StyleHover)) return kHoverColour;
    if (m_hasFocus && !(m_style & StyleNoActiveColour)) return kFocusColour;
    return m_visited ? kVisitedColour : kLinkColour;
}

HINSTANCE CHyperLink::GotoURL(const char* url, int show) {
    HINSTANCE result = QvShellExecute(nullptr, "open", url, nullptr, nullptr, show);
    if (reinterpret_cast<INT_PTR>(result) > 32) return result;
    CRegKey extension;
    CString fileType;
    if (extension.Open(g_classesRoot, ".htm") != ERROR_SUCCESS || extension.QueryString(nullptr, fileType) != ERROR_SUCCESS)
        return result;
    if (fileType.GetLength() > MAX_PATH) fileType = fileType.Left(MAX_PATH);
    CRegKey command;
    CString commandLine;
    if (command.Open(g_classesRoot, fileType + "\\shell\\open\\command") != ERROR_SUCCESS ||
        command.QueryString(nullptr, commandLine) != ERROR_SUCCESS)
        return result;
    int cut = commandLine.Find("\"%1\"");
    if (cut < 0) cut = commandLine.Find("%1");
    if (cut >= 0) commandLine = commandLine.Left(cut);
    commandLine.TrimRight(" ");
    commandLine += " ";
    commandLine += url;
    return reinterpret_cast<HINSTANCE>(INT_PTR(QvWinExec(commandLine, UINT(show))));
}

void CHyperLink::Open() {
    if (m_openSuppressed) return;
    if (reinterpret_cast<INT_PTR>(GotoURL(m_url, SW_SHOW)) > 32) {
        m_visited = true;
        Invalidate();
    } else {
        MessageBeep(MB_ICONEXCLAMATION);
    }
}

LRESULT CHyperLink::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_tip.IsWindow() && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
        MSG relay{m_hWnd, msg, wParam, lParam, DWORD(GetMessageTime()), {}};
        DWORD pos = GetMessagePos();
        relay.pt = POINT{short(LOWORD(pos)), short(HIWORD(pos))};
        m_tip.RelayEvent(&relay);
    }
    return CStatic::WindowProc(msg, wParam, lParam);
}

bool CHyperLink::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_CTLCOLORSTATIC) return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, CurrentTextColour());
    result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    return true;
}

bool CHyperLink::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCHITTEST:
        result = HTCLIENT;
        return true;
    case WM_SETCURSOR:
        if (!g_handCursor) return false;
        SetCursor(g_handCursor);
        result = TRUE;
        return true;
    case WM_MOUSEMOVE: {
        POINT point{short(LOWORD(lParam)), short(HIWORD(lParam))};
        RECT client = GetClientRect();
        if (!m_over) {
            m_over = true;
            SetCapture(m_hWnd);
            Invalidate();
        } else if (!PtInRect(&client, point)) {
            m_over = false;
            ReleaseCapture();
            Invalidate();
        }
        result = 0;
        return true;
    }
    case WM_LBUTTONDOWN:
        if (m_style & StyleGetFocusOnClick) SetFocus();
        if (m_style & StyleDownClick) Open();
        m_hasFocus = true;
        result = 0;
        return true;
    case WM_LBUTTONUP:
        if (m_hasFocus && !(m_style & StyleDownClick)) Open();
        result = 0;
        return true;
    case WM_SETFOCUS:
        m_hasFocus = true;
        Invalidate();
        result = 0;
        return true;
    case WM_KILLFOCUS:
        m_over = false;
        m_hasFocus = false;
        Invalidate();
        result = 0;
        return true;
    case WM_KEYDOWN:
        if (wParam != VK_SPACE) return false;
        Open();
        result = 0;
        return true;
    case WM_DESTROY:
        ReleaseCursor();
        return false;
    default:
        return false;
    }
}
