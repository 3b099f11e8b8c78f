// Menu.h - CMenu, a menu handle with the operations the tray and system menus
// use: load from resources, create, sub menu, default item, modify, check,
// enable, insert and append, and the tray-menu tracking ritual
// (SetForegroundWindow first, WM_NULL after, or the menu does not close).
// A loaded or created menu is destroyed with the object; a sub menu or a
// window's menu is only borrowed.
// Deliberately not: owner-drawn menus, menu bars of frames.
#pragma once

#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL LoadMenu(UINT id);
    BOOL CreatePopupMenu();
    void DestroyMenu();
    // Borrows a menu handle (not destroyed by this object).
    void Borrow(HMENU menu) { DestroyMenu(); m_menu = menu; m_owned = false; }
    HMENU GetSafeHmenu() const { return m_menu; }
    operator HMENU() const { return m_menu; }

    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_menu, position); }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_menu); }
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr) { return ::AppendMenuA(m_menu, flags, id, text); }
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, const char* text = nullptr) {
        return ::InsertMenuA(m_menu, position, flags, id, text);
    }
    BOOL ModifyMenu(UINT item, UINT flags, UINT_PTR newId, const char* text) {
        return ::ModifyMenuA(m_menu, item, flags, newId, text);
    }
    BOOL DeleteMenu(UINT item, UINT flags) { return ::DeleteMenu(m_menu, item, flags); }
    DWORD CheckMenuItem(UINT item, UINT flags) { return ::CheckMenuItem(m_menu, item, flags); }
    BOOL EnableMenuItem(UINT item, UINT flags) { return ::EnableMenuItem(m_menu, item, flags); }
    BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE) { return ::SetMenuDefaultItem(m_menu, item, byPosition); }
    UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_menu, item, flags); }
    int GetMenuString(UINT item, char* buffer, int size, UINT flags) const {
        return ::GetMenuStringA(m_menu, item, buffer, size, flags);
    }

private:
    HMENU m_menu = nullptr;
    bool m_owned = false;
};

// Shows a popup menu at the cursor for a tray icon: commands go to owner.
BOOL TrackTrayMenu(HMENU popup, HWND owner, UINT flags = TPM_LEFTALIGN | TPM_RIGHTBUTTON);
// Menu seam: tests replace the blocking TrackPopupMenu (empty: the real call).
using TrackPopupHook = BOOL (*)(HMENU, UINT, int, int, HWND);
void SetTrackPopupHook(TrackPopupHook hook);
BOOL QvTrackPopupMenu(HMENU popup, UINT flags, int x, int y, HWND owner);
