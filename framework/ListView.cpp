#include "ListView.h"

int CListCtrl::InsertColumn(int index, const char* heading, int format, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_FMT;
    column.fmt = format;
    column.pszText = const_cast<char*>(heading);
    if (width >= 0) {
        column.mask |= LVCF_WIDTH;
        column.cx = width;
    }
    return int(SendMessage(LVM_INSERTCOLUMNA, WPARAM(index), LPARAM(&column)));
}

BOOL CListCtrl::SetColumnText(int index, const char* heading) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = const_cast<char*>(heading);
    return BOOL(SendMessage(LVM_SETCOLUMNA, WPARAM(index), LPARAM(&column)));
}

int CListCtrl::InsertItem(int index, const char* text, LPARAM data) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.lParam = data;
    return int(SendMessage(LVM_INSERTITEMA, 0, LPARAM(&item)));
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text) {
    LVITEMA lv{};
    lv.iSubItem = subItem;
    lv.pszText = const_cast<char*>(text);
    return BOOL(SendMessage(LVM_SETITEMTEXTA, WPARAM(item), LPARAM(&lv)));
}

CString CListCtrl::GetItemText(int item, int subItem) const {
    char buffer[1024] = "";
    LVITEMA lv{};
    lv.iSubItem = subItem;
    lv.pszText = buffer;
    lv.cchTextMax = sizeof buffer;
    int length = int(SendMessage(LVM_GETITEMTEXTA, WPARAM(item), LPARAM(&lv)));
    return CString(buffer, length > 0 ? length : 0);
}

LPARAM CListCtrl::GetItemData(int item) const {
    LVITEMA lv{};
    lv.mask = LVIF_PARAM;
    lv.iItem = item;
    return SendMessage(LVM_GETITEMA, 0, LPARAM(&lv)) ? lv.lParam : 0;
}

BOOL CListCtrl::SetItemData(int item, LPARAM data) {
    LVITEMA lv{};
    lv.mask = LVIF_PARAM;
    lv.iItem = item;
    lv.lParam = data;
    return BOOL(SendMessage(LVM_SETITEMA, 0, LPARAM(&lv)));
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
    LVITEMA lv{};
    lv.state = state;
    lv.stateMask = mask;
    return BOOL(SendMessage(LVM_SETITEMSTATE, WPARAM(item), LPARAM(&lv)));
}

BOOL CListCtrl::GetItemRect(int item, RECT* rect, UINT code) const {
    rect->left = LONG(code);
    return BOOL(SendMessage(LVM_GETITEMRECT, WPARAM(item), LPARAM(rect)));
}

int CListCtrl::HitTest(POINT point, UINT* flags) const {
    LVHITTESTINFO info{};
    info.pt = point;
    int item = int(SendMessage(LVM_HITTEST, 0, LPARAM(&info)));
    if (flags) *flags = info.flags;
    return item;
}
