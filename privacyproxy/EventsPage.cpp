#include "Pages.h"

#include <algorithm>

#include "TextTable.h"

namespace {

CSortOrder g_eventsOrder = {2, 1};

const CString& TypeText(int type) { return g_Texts[26 + (type >= 0 && type <= 4 ? type : 0)]; }

}  // namespace

BOOL CEventsPage::OnInitDialog() {
    CVeilrunPage::OnInitDialog();
    m_list.SubclassDlgItem(IDC_EVENTS_LIST, m_hWnd);
    m_list.SetUpReport(true);
    m_list.SetCommands(IDR_EVENT_MENU, ID_EVENT_INFO, ID_EVENT_DELETE);
    m_list.SetRowText([this](int row, int column) { return RowText(row, column); });
    const int widths[] = {130, 130, 75};
    for (int i = 0; i < 3; ++i) m_list.InsertColumn(i, "", LVCFMT_LEFT, widths[i]);
    SetTimer(EVENTS_TIMER, 3000);
    return TRUE;
}

// Only the texts change: the rows take them from the table as they are drawn.
void CEventsPage::OnLanguageChanged() {
    SetDlgItemText(IDC_CLEAR_EVENTS, g_Texts[23]);
    m_list.SetColumnText(0, g_Texts[13]);
    m_list.SetColumnText(1, g_Texts[24]);
    m_list.SetColumnText(2, g_Texts[25]);
    m_list.Invalidate(FALSE);
}

CString CEventsPage::RowText(int row, int column) const {
    if (row < 0 || row >= int(m_order.size())) return CString();
    const CEventRow& event = m_rows[size_t(m_order[size_t(row)])];
    switch (column) {
    case 0: return event.site;
    case 1: return TypeText(event.type);
    case 2: return FormatRecordTime(event.when, time(nullptr));
    default: return CString();
    }
}

void CEventsPage::Rebuild() {
    m_bRebuild = true;
    {
        CCriticalSectionLock lock(g_csLists);
        g_bEventsChanged = 1;
    }
    Refresh();
}

// Hidden in the tray the page copies nothing; shown again, it takes what
// came meanwhile.
void CEventsPage::OnTimer(UINT_PTR) {
    if (IsWindowVisible()) Refresh();
}

void CEventsPage::OnShown() { Refresh(); }

void CEventsPage::Refresh() {
    std::vector<CEventRow> added;
    int selected = SelectedEvent();
    {
        // Only copies are taken under the lock; the list is filled after it.
        CCriticalSectionLock lock(g_csLists);
        if (!g_bEventsChanged) return;
        g_bEventsChanged = 0;
        // The oldest the log dropped leave the front of the copies too.
        const size_t dropped = size_t(g_nEventsDropped - m_nDroppedSeen);
        if (!m_bRebuild && dropped > 0) {
            if (dropped >= m_rows.size()) m_bRebuild = true;
            else m_rows.erase(m_rows.begin(), m_rows.begin() + long(dropped));
            selected -= int(dropped);
        }
        if (int(m_rows.size()) > g_Events.GetSize()) m_bRebuild = true;
        if (m_bRebuild) m_rows.clear();
        m_nDroppedSeen = g_nEventsDropped;
        for (int i = int(m_rows.size()); i < g_Events.GetSize(); ++i) {
            const CEventRecord& event = *g_Events[i];
            added.push_back({event.m_strSite, event.m_nType, event.m_timeWhen});
        }
    }
    if (m_bRebuild || selected < 0) selected = -1;
    m_bRebuild = false;
    m_rows.insert(m_rows.end(), added.begin(), added.end());
    ShowRows(selected);
}

// Sorts the copies' order and shows it, the event at `selected` (an index
// into the copies, -1 for none) still selected.
void CEventsPage::ShowRows(int selected) {
    m_order.resize(m_rows.size());
    for (size_t i = 0; i < m_order.size(); ++i) m_order[i] = int(i);
    const std::vector<CEventRow>& rows = m_rows;
    std::stable_sort(m_order.begin(), m_order.end(), [&rows](int a, int b) {
        int result = 0;
        switch (g_eventsOrder.column) {
        case 0: result = rows[size_t(a)].site.CompareNoCase(rows[size_t(b)].site); break;
        case 1: result = rows[size_t(a)].type - rows[size_t(b)].type; break;
        case 2: result = a - b; break;
        default: break;
        }
        result = g_eventsOrder.Apply(result);
        return (result ? result : a - b) < 0;
    });
    m_list.SetRowCount(int(m_order.size()));
    int row = -1;
    for (size_t i = 0; selected >= 0 && i < m_order.size(); ++i)
        if (m_order[i] == selected) row = int(i);
    m_list.SelectRow(row);
}

// The selected row's event, as an index into the copies; -1 for none.
int CEventsPage::SelectedEvent() const {
    const int row = m_list.GetSelectedItem();
    return row >= 0 && row < int(m_order.size()) ? m_order[size_t(row)] : -1;
}

void CEventsPage::OnColumnClick(int column) {
    g_eventsOrder.Click(column);
    ShowRows(SelectedEvent());
}

// The event a row shows, as an index into g_Events now (the log may have
// dropped its oldest since the row was filled); -1 when it is gone. The
// caller holds g_csLists.
int CEventsPage::EventIndexOf(int row) const {
    if (row < 0 || row >= int(m_order.size())) return -1;
    const int index = m_order[size_t(row)] - (g_nEventsDropped - m_nDroppedSeen);
    return index >= 0 && index < g_Events.GetSize() ? index : -1;
}

BOOL CEventsPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int row = m_list.GetSelectedItem();
    switch (LOWORD(wParam)) {
    case IDC_CLEAR_EVENTS: {
        CCriticalSectionLock lock(g_csLists);
        g_Events.RemoveAll();
    }
        Rebuild();
        return TRUE;
    case ID_EVENT_DELETE: {
        {
            CCriticalSectionLock lock(g_csLists);
            const int index = EventIndexOf(row);
            if (index < 0) return TRUE;
            g_Events.RemoveAt(index);
        }
        Rebuild();
        return TRUE;
    }
    case ID_EVENT_INFO: {
        int type = 0;
        CString site, command, before, after;
        {
            CCriticalSectionLock lock(g_csLists);
            const int index = EventIndexOf(row);
            if (index < 0) return TRUE;
            const CEventRecord& event = *g_Events[index];
            type = event.m_nType;
            site = event.m_strSite;
            command = event.m_strCommand;
            before = event.m_strBefore;
            after = event.m_strAfter;
        }
        CEventInfoDlg dialog(type == EVT_USERINFO_BLOCKED ? IDD_HEADER_INFO : IDD_EVENT_INFO, this);
        dialog.m_strUrl = site;
        dialog.m_strCommand = command;
        dialog.m_strBefore = before;
        dialog.m_strAfter = after;
        dialog.DoModal();
        return TRUE;
    }
    default:
        return CVeilrunPage::OnCommand(wParam, lParam);
    }
}

BOOL CEventInfoDlg::OnInitDialog() {
    SkinLayout(false);
    SetWindowText(g_Texts[59]);
    SetDlgItemText(IDC_INFO_URL_LABEL, g_Texts[13]);
    SetDlgItemText(IDC_INFO_COMMAND_LABEL, g_Texts[61]);
    SetDlgItemText(IDOK, g_Texts[67]);
    SetDlgItemText(IDCANCEL, g_Texts[68]);
    SetDlgItemText(IDC_INFO_URL, m_strUrl);
    SetDlgItemText(IDC_INFO_COMMAND, m_strCommand);
    if (m_templateId == IDD_HEADER_INFO) {
        SetDlgItemText(IDC_INFO_BEFORE_LABEL, g_Texts[63]);
        SetDlgItemText(IDC_INFO_AFTER_LABEL, g_Texts[62]);
        // The edits want CR LF; the engine keeps the header lines as they came.
        CString before = m_strBefore, after = m_strAfter;
        before.Replace("\r\n", "\n");
        before.Replace("\n", "\r\n");
        after.Replace("\r\n", "\n");
        after.Replace("\n", "\r\n");
        SetDlgItemText(IDC_INFO_BEFORE, before);
        SetDlgItemText(IDC_INFO_AFTER, after);
    }
    return TRUE;
}
