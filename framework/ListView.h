// ListView.h - CListCtrl, a list view (mostly report view with check boxes):
// columns, items with sub-item texts and item data, check and state images,
// selection, sorting through a callback and hit tests. One message per call.
// Deliberately not: virtual lists, groups, tiles.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "Strings.h"
#include "Window.h"

class CListCtrl : public CWnd {
public:
    DWORD GetExtendedStyle() const { return DWORD(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    DWORD SetExtendedStyle(DWORD style) { return DWORD(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(style))); }
    int InsertColumn(int index, const char* heading, int format = LVCFMT_LEFT, int width = -1);
    BOOL SetColumnText(int index, const char* heading);

    int GetItemCount() const { return int(SendMessage(LVM_GETITEMCOUNT)); }
    int InsertItem(int index, const char* text, LPARAM data = 0);
    BOOL SetItemText(int item, int subItem, const char* text);
    CString GetItemText(int item, int subItem) const;
    BOOL DeleteItem(int item) { return BOOL(SendMessage(LVM_DELETEITEM, WPARAM(item))); }
    BOOL DeleteAllItems() { return BOOL(SendMessage(LVM_DELETEALLITEMS)); }
    LPARAM GetItemData(int item) const;
    BOOL SetItemData(int item, LPARAM data);

    UINT GetItemState(int item, UINT mask) const { return UINT(SendMessage(LVM_GETITEMSTATE, WPARAM(item), LPARAM(mask))); }
    BOOL SetItemState(int item, UINT state, UINT mask);
    // Check boxes are state images 1 (clear) and 2 (checked).
    BOOL GetCheck(int item) const { return ((GetItemState(item, LVIS_STATEIMAGEMASK) >> 12) - 1) > 0; }
    BOOL SetCheck(int item, BOOL check = TRUE) { return SetItemState(item, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), LVIS_STATEIMAGEMASK); }
    int GetNextItem(int start, UINT flags) const { return int(SendMessage(LVM_GETNEXTITEM, WPARAM(start), LPARAM(flags))); }
    int GetSelectedItem() const { return GetNextItem(-1, LVNI_SELECTED); }
    int GetSelectionMark() const { return int(SendMessage(LVM_GETSELECTIONMARK)); }
    BOOL GetItemRect(int item, RECT* rect, UINT code) const;

    int HitTest(POINT point, UINT* flags = nullptr) const;
    int SubItemHitTest(LVHITTESTINFO* info) const { return int(SendMessage(LVM_SUBITEMHITTEST, 0, LPARAM(info))); }
    // The callback gets the item data of two rows.
    BOOL SortItems(PFNLVCOMPARE compare, LPARAM data) { return BOOL(SendMessage(LVM_SORTITEMS, WPARAM(data), LPARAM(compare))); }
    HIMAGELIST SetImageList(HIMAGELIST list, int which) { return HIMAGELIST(SendMessage(LVM_SETIMAGELIST, WPARAM(which), LPARAM(list))); }
};
