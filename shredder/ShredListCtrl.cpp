#include "ShredListCtrl.h"

namespace {
const int kColumnMargin = 15;
}

int CShredListCtrl::ColumnCount() const {
    HWND header = HWND(SendMessage(LVM_GETHEADER));
    return header ? int(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

CString CShredListCtrl::ColumnText(int column) const {
    char buffer[100] = "";
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT;
    info.pszText = buffer;
    info.cchTextMax = sizeof buffer;
    SendMessage(LVM_GETCOLUMNA, WPARAM(column), LPARAM(&info));
    return buffer;
}

void CShredListCtrl::AutoSizeColumn(int column, int excludedRow) {
    int width = TextWidth(ColumnText(column));
    const int count = GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (row == excludedRow) continue;
        const int cell = TextWidth(GetItemText(row, column));
        if (cell > width) width = cell;
    }
    SendMessage(LVM_SETCOLUMNWIDTH, WPARAM(column), MAKELPARAM(width + kColumnMargin, 0));
}

int CShredListCtrl::FindExact(const char* text) const {
    const int count = GetItemCount();
    for (int row = 0; row < count; ++row)
        if (GetItemText(row, 0) == text) return row;
    return -1;
}

bool CShredListCtrl::OnReflectedMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    const NMLISTVIEW* item = reinterpret_cast<const NMLISTVIEW*>(lParam);
    switch (header->code) {
    case LVN_INSERTITEM: {
        const int width = TextWidth(GetItemText(item->iItem, 0)) + kColumnMargin;
        if (width > int(SendMessage(LVM_GETCOLUMNWIDTH, 0))) SendMessage(LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(width, 0));
        return false;
    }
    case LVN_DELETEITEM:
        for (int column = 0, n = ColumnCount(); column < n; ++column) AutoSizeColumn(column, item->iItem);
        return false;
    case LVN_DELETEALLITEMS:
        for (int column = 0, n = ColumnCount(); column < n; ++column)
            SendMessage(LVM_SETCOLUMNWIDTH, WPARAM(column),
                        MAKELPARAM(TextWidth(ColumnText(column)) + kColumnMargin, 0));
        result = TRUE;
        return true;
    default:
        return false;
    }
}
