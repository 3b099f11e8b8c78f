#include "SortListCtrl.h"

#include <algorithm>

#include "Menu.h"
#include "VeilrunIds.h"

COLORREF RowColour(int row) {
    static const COLORREF colours[6] = {0xFFEBFF, 0xEBFFFF, 0xEBEBFF, 0xFFFFEB, 0xFFEBEB, 0xEBFFEB};
    return colours[row % 6];
}

void CSortListCtrl::SetUpReport(bool headerDragDrop) {
    ModifyStyle(LVS_TYPEMASK, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    SetExtendedStyle(GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT |
                     (headerDragDrop ? LVS_EX_HEADERDRAGDROP : 0));
}

void CSortListCtrl::SelectRow(int row) {
    SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CSortListCtrl::SetRowCount(int count) {
    SendMessage(LVM_SETITEMCOUNT, WPARAM(count), LVSICF_NOSCROLL);
    Invalidate(FALSE);
}

// Typing a row's first letters selects it, as in a list that holds its rows.
// (Wine hands a list of the page's rows the typed text in wide characters
// under the narrow notification, so the list's own search cannot serve.)
void CSortListCtrl::FindTyped(char typed) {
    const DWORD now = GetTickCount();
    if (now - m_lastTyped > 1000) m_typed.Empty();
    m_lastTyped = now;
    m_typed += typed;
    const int count = GetItemCount();
    // A new search starts below the selected row, a longer one at it.
    const int start = m_typed.GetLength() == 1 ? GetSelectedItem() + 1 : std::max(GetSelectedItem(), 0);
    for (int i = 0; i < count; ++i) {
        const int row = (start + i) % count;
        if (m_rowText(row, 0).Left(m_typed.GetLength()).CompareNoCase(m_typed) == 0) {
            SelectRow(row);
            SendMessage(LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
            return;
        }
    }
}

bool CSortListCtrl::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_KEYDOWN && wParam == VK_DELETE) {
        if (m_delete) ::SendMessageA(GetParent(), WM_COMMAND, m_delete, 0);
        result = Default();
        return true;
    }
    if (msg == WM_CHAR && m_rowText && wParam >= ' ') {
        FindTyped(char(wParam));
        result = 0;
        return true;
    }
    if (msg == WM_CONTEXTMENU) {
        if (GetSelectedItem() < 0) {
            result = Default();
            return true;
        }
        result = 0;
        if (!m_menuId) return true;
        CMenu menu;
        if (menu.LoadMenu(m_menuId)) {
            m_bMenuOpen = true;
            QvTrackPopupMenu(menu.GetSubMenu(0), TPM_RIGHTBUTTON, short(LOWORD(lParam)), short(HIWORD(lParam)),
                             GetParent());
            m_bMenuOpen = false;
        }
        return true;
    }
    return false;
}

bool CSortListCtrl::OnReflectedMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    switch (header->code) {
    case LVN_COLUMNCLICK:
        ::SendMessageA(GetParent(), WM_LISTCOLUMNCLICK, WPARAM(reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem), 0);
        result = 0;
        return true;
    case LVN_GETDISPINFOA: {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lParam)->item;
        if (m_rowText && (item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
            lstrcpynA(item.pszText, m_rowText(item.iItem, item.iSubItem), item.cchTextMax);
        result = 0;
        return true;
    }
    case LVN_GETDISPINFOW: {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if (m_rowText && (item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            item.pszText[0] = 0;
            MultiByteToWideChar(CP_ACP, 0, m_rowText(item.iItem, item.iSubItem), -1, item.pszText, item.cchTextMax);
            item.pszText[item.cchTextMax - 1] = 0;
        }
        result = 0;
        return true;
    }
    case NM_DBLCLK:
        if (m_doubleClick) ::SendMessageA(GetParent(), WM_COMMAND, m_doubleClick, 0);
        result = 0;
        return true;
    case NM_CUSTOMDRAW: {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            draw->clrTextBk = RowColour(int(draw->nmcd.dwItemSpec));
            result = CDRF_DODEFAULT;
        } else {
            result = CDRF_DODEFAULT;
        }
        return true;
    }
    default:
        return false;
    }
}
