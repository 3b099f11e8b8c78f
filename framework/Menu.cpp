#include "Menu.h"

#include "App.h"

namespace {
TrackPopupHook g_trackHook = nullptr;
}

BOOL CMenu::LoadMenu(UINT id) {
    DestroyMenu();
    m_menu = ::LoadMenuA(QvResourceInstance(), MAKEINTRESOURCEA(id));
    m_owned = m_menu != nullptr;
    return m_owned;
}

BOOL CMenu::CreatePopupMenu() {
    DestroyMenu();
    m_menu = ::CreatePopupMenu();
    m_owned = m_menu != nullptr;
    return m_owned;
}

void CMenu::DestroyMenu() {
    if (m_menu && m_owned) ::DestroyMenu(m_menu);
    m_menu = nullptr;
    m_owned = false;
}

void SetTrackPopupHook(TrackPopupHook hook) { g_trackHook = hook; }

BOOL QvTrackPopupMenu(HMENU popup, UINT flags, int x, int y, HWND owner) {
    if (g_trackHook) return g_trackHook(popup, flags, x, y, owner);
    return ::TrackPopupMenu(popup, flags, x, y, 0, owner, nullptr);
}

BOOL TrackTrayMenu(HMENU popup, HWND owner, UINT flags) {
    POINT cursor{};
    GetCursorPos(&cursor);
    // Without the foreground switch the menu stays open after a click elsewhere.
    SetForegroundWindow(owner);
    BOOL result = QvTrackPopupMenu(popup, flags, cursor.x, cursor.y, owner);
    PostMessageA(owner, WM_NULL, 0, 0);
    return result;
}
