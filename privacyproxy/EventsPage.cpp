#include "Pages.h"
#include "TextTable.h"

namespace {

CSortOrder g_eventsOrder = {2, 1};

// Compares the page's own copies of the rows, so that sorting never waits
// for the connection threads' lock.
int CALLBACK CompareEvents(LPARAM left, LPARAM right, LPARAM rows) {
    const auto& shown = *reinterpret_cast<const std::vector<CEventRow>*>(rows);
    const int a = int(left), b = int(right);
    if (a < 0 || b < 0 || a >= int(shown.size()) || b >= int(shown.size())) return 0;
    int result = 0;
    switch (g_eventsOrder.column) {
    case 0: result = shown[size_t(a)].site.CompareNoCase(shown[size_t(b)].site); break;
    case 1: result = shown[size_t(a)].type - shown[size_t(b)].type; break;
    case 2: result = a - b; break;
    default: break;
    }
    result = g_eventsOrder.Apply(result);
    return result ? result : a - b;
}

const CString& TypeText(int type) { return g_Texts[26 + (type >= 0 && type <= 4 ? type : 0)]; }

}  // namespace

BOOL CEventsPage::OnInitDialog() {
    CVeilrunPage::OnInitDialog();
    m_list.SubclassDlgItem(IDC_EVENTS_LIST, m_hWnd);
    m_list.SetUpReport(true);
    m_list.SetCommands(IDR_EVENT_MENU, ID_EVENT_INFO, ID_EVENT_DELETE);
    const int widths[] = {130, 130, 75};
    for (int i = 0; i < 3; ++i) m_list.InsertColumn(i, "", LVCFMT_LEFT, widths[i]);
    SetTimer(EVENTS_TIMER, 3000);
    return TRUE;
}

void CEventsPage::OnLanguageChanged() {
    SetDlgItemText(IDC_CLEAR_EVENTS, g_Texts[23]);
    m_list.SetColumnText(0, g_Texts[13]);
    m_list.SetColumnText(1, g_Texts[24]);
    m_list.SetColumnText(2, g_Texts[25]);
    // Only the texts change: the rows stay where they are, in their order.
    const time_t now = time(nullptr);
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        const size_t index = size_t(m_list.GetItemData(row));
        if (index >= m_rows.size()) continue;
        m_list.SetItemText(row, 1, TypeText(m_rows[index].type));
        m_list.SetItemText(row, 2, FormatRecordTime(m_rows[index].when, now));
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

void CEventsPage::OnTimer(UINT_PTR) { Refresh(); }

void CEventsPage::Refresh() {
    std::vector<CEventRow> added;
    {
        // Only copies are taken under the lock; the list is filled after it.
        CCriticalSectionLock lock(g_csLists);
        if (!g_bEventsChanged) return;
        g_bEventsChanged = 0;
        if (g_nEventsDropped != m_nDroppedSeen || int(m_rows.size()) > g_Events.GetSize()) m_bRebuild = true;
        if (m_bRebuild) m_rows.clear();
        m_nDroppedSeen = g_nEventsDropped;
        for (int i = int(m_rows.size()); i < g_Events.GetSize(); ++i) {
            const CEventRecord& event = *g_Events[i];
            added.push_back({event.m_strSite, event.m_nType, event.m_timeWhen});
        }
    }
    m_list.SendMessage(WM_SETREDRAW, FALSE, 0);
    if (m_bRebuild) m_list.DeleteAllItems();
    m_bRebuild = false;
    const time_t now = time(nullptr);
    for (CEventRow& event : added) {
        const int index = int(m_rows.size());
        m_rows.push_back(event);
        const int row = m_list.InsertItem(m_list.GetItemCount(), event.site, LPARAM(index));
        m_list.SetItemText(row, 1, TypeText(event.type));
        m_list.SetItemText(row, 2, FormatRecordTime(event.when, now));
    }
    Sort();
    m_list.SendMessage(WM_SETREDRAW, TRUE, 0);
    m_list.Invalidate(TRUE);
}

void CEventsPage::Sort() { m_list.SortItems(CompareEvents, LPARAM(&m_rows)); }

void CEventsPage::OnColumnClick(int column) {
    g_eventsOrder.Click(column);
    Sort();
}

// The event a row shows, as an index into g_Events now (the log may have
// dropped its oldest since the row was filled); -1 when it is gone. The
// caller holds g_csLists.
int CEventsPage::EventIndexOf(int row) const {
    if (row < 0) return -1;
    const int index = int(m_list.GetItemData(row)) - (g_nEventsDropped - m_nDroppedSeen);
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
