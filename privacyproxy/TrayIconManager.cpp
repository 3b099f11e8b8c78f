#include "TrayIconManager.h"

#include <shellapi.h>

#include <cstddef>

#include <utility>

#include "Tray.h"
#include "VeilrunGlobals.h"
#include "VeilrunIds.h"

namespace {

std::vector<std::pair<UINT, TrayCallback>> g_callbacks;
std::vector<std::pair<HWND, CTrayIconManager*>> g_windows;

// The record as the shells the program targets know it (balloon fields, no
// GUID): newer shells take it too, older ones refuse today's larger size.
const DWORD kIconDataSize = DWORD(offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD));

const UINT kClickTimer = 0;
const UINT kAnimationTimer = 1;

TrayCallback FindCallback(UINT mouseMessage) {
    for (auto& entry : g_callbacks)
        if (entry.first == mouseMessage) return entry.second;
    return nullptr;
}

}  // namespace

CTrayIconManager::CTrayIconManager(HINSTANCE instance, int setCount, int framesPerSet, HWND window)
    : m_sets(size_t(setCount > 0 ? setCount : 1)), m_nFrames(framesPerSet == 1 ? 2 : framesPerSet),
      m_hInstance(instance), m_hWnd(window) {
    for (CIconSet& set : m_sets) set.frames.resize(size_t(m_nFrames > 0 ? m_nFrames : 2));
    if (m_hWnd) return;
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = "SS_Wnd";
        registered = RegisterClassA(&wc) != 0;
    }
    m_hWnd = CreateWindowExA(0, "SS_Wnd", "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    m_bOwnsWindow = m_hWnd != nullptr;
    if (m_hWnd) g_windows.emplace_back(m_hWnd, this);
}

CTrayIconManager::~CTrayIconManager() {
    Hide();
    for (auto it = g_windows.begin(); it != g_windows.end(); ++it)
        if (it->second == this) {
            g_windows.erase(it);
            break;
        }
    if (m_bOwnsWindow && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    if (m_hBlank) DestroyIcon(m_hBlank);
}

HICON CTrayIconManager::BlankIcon() {
    if (!m_hBlank) {
        BYTE andMask[32 * 32 / 8], xorMask[32 * 32 / 8];
        memset(andMask, 0xFF, sizeof andMask);
        memset(xorMask, 0, sizeof xorMask);
        m_hBlank = CreateIcon(m_hInstance, 32, 32, 1, 1, andMask, xorMask);
    }
    return m_hBlank;
}

HICON CTrayIconManager::SetFrame(int set, int frame, int iconId, int delay) {
    if (set < 0 || set >= int(m_sets.size()) || frame < 0 || frame >= m_nFrames) return nullptr;
    CFrame& f = m_sets[size_t(set)].frames[size_t(frame)];
    f.icon = iconId == -1 ? BlankIcon() : LoadIconA(m_hInstance, MAKEINTRESOURCEA(iconId));
    f.delay = delay;
    int& highest = m_sets[size_t(set)].highest;
    if (frame > highest) highest = frame;
    return f.icon;
}

void CTrayIconManager::SetMode(int set, int mode) {
    if (set < 0 || set >= int(m_sets.size())) return;
    CIconSet& s = m_sets[size_t(set)];
    s.mode = mode;
    if (mode == 3) {
        s.frames[1].icon = BlankIcon();
        s.frames[1].delay = s.frames[0].delay;
        s.highest = 1;
    }
}

BOOL CTrayIconManager::Show(int set, int mode) {
    if (set >= 0 && set < int(m_sets.size())) m_nCurrentSet = set;
    if (mode) SetMode(m_nCurrentSet, mode);
    CIconSet& s = m_sets[size_t(m_nCurrentSet)];
    const DWORD command = s.mode == 2 ? NIM_DELETE : (m_bShown ? NIM_MODIFY : NIM_ADD);
    NOTIFYICONDATAA data = {};
    data.cbSize = kIconDataSize;
    data.hWnd = m_hWnd;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    data.hIcon = s.frames[size_t(s.current)].icon;
    lstrcpynA(data.szTip, kProgramTitle, sizeof data.szTip);
    // The welcome balloon comes once, with the first add: not with every
    // animation frame, nor when a restarted taskbar gets the icon again.
    if (command == NIM_ADD && !m_bWelcomed) {
        data.uFlags |= NIF_INFO;
        lstrcpynA(data.szInfoTitle, kProgramTitle, sizeof data.szInfoTitle);
        lstrcpynA(data.szInfo, "Welcome to Quorvane Veilrun...", sizeof data.szInfo);
        m_bWelcomed = true;
    }
    BOOL result = QvShellNotifyIcon(command, &data);
    m_bShown = s.mode != 2;
    if (s.mode == 3 || s.mode == 4) SetTimer(m_hWnd, kAnimationTimer, UINT(s.frames[size_t(s.current)].delay), nullptr);
    return result;
}

BOOL CTrayIconManager::Hide() {
    if (!m_bShown) return 0;
    KillTimer(m_hWnd, kAnimationTimer);
    NOTIFYICONDATAA data = {};
    data.cbSize = kIconDataSize;
    data.hWnd = m_hWnd;
    data.uID = 1;
    m_bShown = false;
    return QvShellNotifyIcon(NIM_DELETE, &data);
}

void CTrayIconManager::AddCallback(UINT mouseMessage, TrayCallback callback) {
    g_callbacks.emplace_back(mouseMessage, callback);
}

void CTrayIconManager::ClearCallbacks() { g_callbacks.clear(); }

LRESULT CTrayIconManager::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == TaskbarCreatedMessage()) {
        // A new taskbar (Explorer restarted) has no icons: add ours again.
        if (m_bShown) {
            m_bShown = false;
            Show(-1, 0);
        }
        return 0;
    }
    if (msg == WM_TRAYNOTIFY) {
        if (lParam == WM_LBUTTONDOWN) {
            m_clickId = wParam;
            m_clickMessage = lParam;
            SetTimer(m_hWnd, kClickTimer, GetDoubleClickTime() + 25, nullptr);
            return 0;
        }
        if (lParam == WM_LBUTTONDBLCLK) KillTimer(m_hWnd, kClickTimer);
        if (TrayCallback callback = FindCallback(UINT(lParam))) callback(wParam, lParam);
    } else if (msg == WM_TIMER && wParam == kClickTimer) {
        KillTimer(m_hWnd, kClickTimer);
        if (TrayCallback callback = FindCallback(WM_LBUTTONDOWN)) callback(m_clickId, m_clickMessage);
        return 0;
    } else if (msg == WM_TIMER && wParam == kAnimationTimer) {
        KillTimer(m_hWnd, kAnimationTimer);
        CIconSet& s = m_sets[size_t(m_nCurrentSet)];
        if (++s.current > s.highest || s.current >= m_nFrames) s.current = 0;
        Show(-1, 0);
        return 0;
    }
    return DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CTrayIconManager::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    for (auto& entry : g_windows)
        if (entry.first == hwnd) return entry.second->OnMessage(msg, wParam, lParam);
    // Messages before the window is in the table (creation) get the default.
    if (msg == WM_NCCREATE || msg == WM_CREATE || msg == WM_NCCALCSIZE) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return 1;
}
