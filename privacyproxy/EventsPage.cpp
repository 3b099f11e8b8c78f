#include "Pages.h"
#include "TextTable.h"

namespace {

CSortOrder g_eventsOrder = {2, 1};

int CALLBACK CompareEvents(LPARAM left, LPARAM right, LPARAM) {
    const int a = int(left), b = int(right);
    if (a < 0 || b < 0 || a >= g_Events.GetSize() || b >= g_Events.GetSize()) return 0;
    int result = 0;
    switch (g_eventsOrder.column) {
    case 0: result = g_Events[a]->m_strSite.CompareNoCase(g_Events[b]->m_strSite); break;
    case 1: result = g_Events[a]->m_nType - g_Events[b]->m_nType; break;
    case 2: result = a - b; break;
    default: break;
    }
    result = g_eventsOrder.Apply(result);
    return result ? result : a - b;
}

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
    Rebuild();
}

void CEventsPage::Rebuild() {
    m_nShown = 0;
    {
        CCriticalSectionLock lock(g_csLists);
        g_bEventsChanged = 1;
    }
    Refresh();
}

void CEventsPage::OnTimer(UINT_PTR) { Refresh(); }

void CEventsPage::Refresh() {
    CCriticalSectionLock lock(g_csLists);
    if (!g_bEventsChanged) return;
    g_bEventsChanged = 0;
    if (m_nShown == 0) m_list.DeleteAllItems();
    const time_t now = time(nullptr);
    for (int i = m_nShown; i < g_Events.GetSize(); ++i) {
        const CEventRecord& event = *g_Events[i];
        const int row = m_list.InsertItem(m_list.GetItemCount(), event.m_strSite, LPARAM(i));
        const int type = event.m_nType >= 0 && event.m_nType <= 4 ? event.m_nType : 0;
        m_list.SetItemText(row, 1, g_Texts[26 + type]);
        m_list.SetItemText(row, 2, FormatRecordTime(event.m_timeWhen, now));
    }
    m_nShown = g_Events.GetSize();
    Sort();
}

void CEventsPage::Sort() {
    CCriticalSectionLock lock(g_csLists);
    m_list.SortItems(CompareEvents, 0);
}

void CEventsPage::OnColumnClick(int column) {
    g_eventsOrder.Click(column);
    Sort();
}

BOOL CEventsPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int row = m_list.GetSelectedItem();
    const int index = row < 0 ? -1 : int(m_list.GetItemData(row));
    switch (LOWORD(wParam)) {
    case IDC_CLEAR_EVENTS: {
        CCriticalSectionLock lock(g_csLists);
        g_Events.RemoveAll();
    }
        Rebuild();
        return TRUE;
    case ID_EVENT_DELETE:
        if (index < 0) return TRUE;
        {
            CCriticalSectionLock lock(g_csLists);
            if (index < g_Events.GetSize()) g_Events.RemoveAt(index);
        }
        Rebuild();
        return TRUE;
    case ID_EVENT_INFO: {
        if (index < 0) return TRUE;
        int type = 0;
        CString site, command, before, after;
        {
            CCriticalSectionLock lock(g_csLists);
            if (index >= g_Events.GetSize()) return TRUE;
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
