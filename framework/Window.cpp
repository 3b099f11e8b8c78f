#include "Window.h"

#include <map>
#include <mutex>

namespace {
std::mutex g_mapLock;
std::map<HWND, CWnd*>& HandleMap() {
    static std::map<HWND, CWnd*> map;
    return map;
}
// The object whose window is being created on this thread (bound at the
// first message the new window receives).
thread_local CWnd* t_creating = nullptr;
}  // namespace

const char* QvWindowClassName() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = CWnd::StaticWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QvWindow";
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        return "QvWindow";
    }();
    return name;
}

CWnd::~CWnd() {
    if (m_oldProc && m_hWnd && ::IsWindow(m_hWnd)) UnsubclassWindow();
    Unbind();
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    std::lock_guard<std::mutex> lock(g_mapLock);
    auto it = HandleMap().find(hwnd);
    return it == HandleMap().end() ? nullptr : it->second;
}

void CWnd::Bind(HWND hwnd) {
    m_hWnd = hwnd;
    std::lock_guard<std::mutex> lock(g_mapLock);
    HandleMap()[hwnd] = this;
}

void CWnd::Unbind() {
    if (!m_hWnd) return;
    {
        std::lock_guard<std::mutex> lock(g_mapLock);
        auto it = HandleMap().find(m_hWnd);
        if (it != HandleMap().end() && it->second == this) HandleMap().erase(it);
    }
    m_hWnd = nullptr;
}

void CWnd::ForgetDestroyedWindows() {
    std::lock_guard<std::mutex> lock(g_mapLock);
    auto& map = HandleMap();
    for (auto it = map.begin(); it != map.end();) {
        if (!::IsWindow(it->first)) {
            if (it->second->m_hWnd == it->first) it->second->m_hWnd = nullptr;
            it = map.erase(it);
        } else {
            ++it;
        }
    }
}

bool CWnd::Attach(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandle(hwnd)) return false;
    Bind(hwnd);
    return true;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    Unbind();
    return hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!Attach(hwnd)) return false;
    m_oldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWindowProc)));
    if (!m_oldProc) {
        Unbind();
        return false;
    }
    PreSubclassWindow();
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent) {
    HWND item = ::GetDlgItem(parent, int(id));
    return item && SubclassWindow(item);
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (hwnd && m_oldProc) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
    m_oldProc = nullptr;
    Unbind();
    return hwnd;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, const RECT& rect,
                    HWND parent, UINT idOrMenu) {
    if (m_hWnd) return false;
    CWnd* previous = t_creating;
    t_creating = this;
    HWND hwnd = CreateWindowExA(exStyle, className ? className : QvWindowClassName(), title, style, rect.left,
                                rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(UINT_PTR(idOrMenu)), GetModuleHandleA(nullptr), nullptr);
    t_creating = previous;
    if (hwnd && !m_hWnd) Bind(hwnd);
    return hwnd != nullptr;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandle(hwnd);
    if (!wnd && t_creating && !t_creating->m_hWnd) {
        wnd = t_creating;
        wnd->Bind(hwnd);
    }
    if (!wnd) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    LRESULT result = wnd->Dispatch(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        if (wnd->m_oldProc) wnd->UnsubclassWindow();
        wnd->Unbind();
        ForgetDestroyedWindows();
        wnd->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    CurrentMessage saved = m_current;
    m_current = {msg, wParam, lParam};
    LRESULT result = WindowProc(msg, wParam, lParam);
    m_current = saved;
    return result;
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.msg, m_current.wParam, m_current.lParam); }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_oldProc) return CallWindowProcA(m_oldProc, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

bool CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        if (lParam) child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (draw && draw->CtlType != ODT_MENU) child = draw->hwndItem;
        break;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        child = reinterpret_cast<HWND>(lParam);
        break;
    default:
        return false;
    }
    // Only a real child reflects: a property page gets WM_NOTIFY from its sheet.
    if (!child || child == m_hWnd || ::GetParent(child) != m_hWnd) return false;
    CWnd* wnd = FromHandle(child);
    return wnd && wnd->OnReflectedMessage(msg, wParam, lParam, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectToChild(msg, wParam, lParam, result)) return result;
    if (OnMessage(msg, wParam, lParam, result)) return result;
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) return 0;
        break;
    case WM_NOTIFY:
        if (OnNotify(wParam, lParam, &result)) return result;
        break;
    case WM_TIMER:
        OnTimer(UINT_PTR(wParam));
        return 0;
    default:
        break;
    }
    return DefWindowProc(msg, wParam, lParam);
}

bool CWnd::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
bool CWnd::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }
BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
void CWnd::OnTimer(UINT_PTR) { Default(); }

CString CWnd::GetWindowTextOf(HWND hwnd) {
    CString text;
    int length = ::GetWindowTextLengthA(hwnd);
    if (length <= 0) return text;
    int got = ::GetWindowTextA(hwnd, text.GetBuffer(length + 1), length + 1);
    text.ReleaseBuffer(got > 0 ? got : 0);
    return text;
}

void CWnd::ModifyStyle(DWORD remove, DWORD add) {
    DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, LONG(style));
}

void CWnd::ModifyStyleEx(DWORD remove, DWORD add) {
    DWORD style = (GetExStyle() & ~remove) | add;
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, LONG(style));
}

void CWnd::CenterWindow(HWND alternate) {
    HWND against = alternate ? alternate : ::GetParent(m_hWnd);
    RECT area{};
    if (against && ::IsWindowVisible(against))
        ::GetWindowRect(against, &area);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT own = GetWindowRect();
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
