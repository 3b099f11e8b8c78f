#include "Pages.h"
#include "Seams.h"
#include "TextTable.h"
#include "TraceItems.h"
#include "UrlCacheWalker.h"

CTraceItemArray g_TraceItems;
CTraceGroupArray g_TraceGroups;

CString TraceSiteOf(int kind, const CString& url) {
    CString site;
    if (kind == 1) {
        const int at = url.Find('@');
        site = at < 0 ? CString() : url.Mid(at + 1);
    } else {
        const char* marker = kind == 0 ? "@http://" : "http://";
        const int at = url.FindNoCase(marker);
        site = at < 0 ? CString() : url.Mid(at + lstrlenA(marker));
    }
    const int slash = site.Find('/');
    return slash < 0 ? site : site.Left(slash);
}

namespace {

void AddTraceItem(int traceKind, const INTERNET_CACHE_ENTRY_INFOA& entry) {
    const CString url = entry.lpszSourceUrlName;
    const CString site = TraceSiteOf(traceKind, url);
    if (site.IsEmpty()) return;
    auto* item = new CTraceItem;
    item->m_nKind = traceKind;
    item->m_strUrl = url;
    if (traceKind != 0 && entry.lpszLocalFileName) item->m_strFile = entry.lpszLocalFileName;
    const int index = g_TraceItems.Add(item);
    int group = -1;
    for (int g = 0; g < g_TraceGroups.GetSize() && group < 0; ++g)
        if (g_TraceGroups[g]->m_strSite.CompareNoCase(site) == 0) group = g;
    if (group < 0) {
        auto* created = new CTraceGroup;
        created->m_strSite = site;
        group = g_TraceGroups.Add(created);
    }
    g_TraceGroups[group]->m_items.Add(index);
}

}  // namespace

// Three walks as the Wipe page makes them: on Windows the walk without a
// pattern returns cached files only, so cookies and history need their own.
// Each walk keeps only its own kind, so that a cache that returns everything
// to the first walk (Wine's) lists no entry twice.
void CollectTraceItems() {
    g_TraceItems.RemoveAll();
    g_TraceGroups.RemoveAll();
    const struct {
        INTERNET_CACHE_ENTRY_INFOA* (CUrlCacheWalker::*first)();
        UrlEntryKind kind;
        int traceKind;
    } walks[] = {{&CUrlCacheWalker::FirstFile, kTempFileEntry, 2},
                 {&CUrlCacheWalker::FirstCookie, kCookieEntry, 1},
                 {&CUrlCacheWalker::FirstVisited, kHistoryEntry, 0}};
    for (const auto& walk : walks) {
        CUrlCacheWalker walker;
        for (auto* e = (walker.*walk.first)(); e; e = walker.Next())
            if (e->lpszSourceUrlName && KindOfEntry(e) == walk.kind) AddTraceItem(walk.traceKind, *e);
    }
}

namespace {

int g_nTraceSortColumn = 0;

CCacheEntryName CacheEntryOf(const CTraceItem& item) {
    CCacheEntryName entry;
    entry.url = item.m_strUrl;
    entry.file = item.m_strFile;
    return entry;
}

int CALLBACK CompareTraceSites(LPARAM a, LPARAM b, LPARAM) {
    if (a < 0 || b < 0 || a >= g_TraceGroups.GetSize() || b >= g_TraceGroups.GetSize()) return 0;
    return g_TraceGroups[int(a)]->m_strSite.CompareNoCase(g_TraceGroups[int(b)]->m_strSite);
}

int CALLBACK CompareTraceItems(LPARAM a, LPARAM b, LPARAM) {
    if (a < 0 || b < 0 || a >= g_TraceItems.GetSize() || b >= g_TraceItems.GetSize()) return 0;
    const CTraceItem& x = *g_TraceItems[int(a)];
    const CTraceItem& y = *g_TraceItems[int(b)];
    if (g_nTraceSortColumn == 0) {
        const int kind = x.m_nKind - y.m_nKind;
        return kind ? kind : x.m_strUrl.CompareNoCase(y.m_strUrl);
    }
    return g_nTraceSortColumn == 1 ? x.m_strUrl.CompareNoCase(y.m_strUrl) : 0;
}

}  // namespace

BOOL CTracePage::OnInitDialog() {
    CVeilrunPage::OnInitDialog();
    m_sites.SubclassDlgItem(IDC_TRACE_SITES, m_hWnd);
    m_sites.SetUpReport(false);
    m_sites.InsertColumn(0, "", LVCFMT_LEFT, 80);
    m_items.SubclassDlgItem(IDC_TRACE_ITEMS, m_hWnd);
    m_items.SetUpReport(true);
    m_items.SetCommands(IDR_TRACE_MENU, ID_TRACE_OPEN, ID_TRACE_DELETE);
    m_items.InsertColumn(0, "", LVCFMT_LEFT, 50);
    m_items.InsertColumn(1, "", LVCFMT_LEFT, 300);
    m_nSortColumn = 0;
    Refresh();
    return TRUE;
}

void CTracePage::OnLanguageChanged() {
    SetDlgItemText(IDC_TRACE_REFRESH, g_Texts[34]);
    m_items.SetColumnText(0, g_Texts[24]);
    m_items.SetColumnText(1, g_Texts[35]);
    m_sites.SetColumnText(0, g_Texts[36]);
    Refresh();
}

void CTracePage::Refresh() {
    m_sites.DeleteAllItems();
    m_items.DeleteAllItems();
    CollectTraceItems();
    for (int g = 0; g < g_TraceGroups.GetSize(); ++g)
        m_sites.InsertItem(m_sites.GetItemCount(), g_TraceGroups[g]->m_strSite, LPARAM(g));
    m_sites.SortItems(CompareTraceSites, 0);
}

void CTracePage::ShowGroup(int group) {
    m_items.DeleteAllItems();
    if (group < 0 || group >= g_TraceGroups.GetSize()) return;
    for (int index : g_TraceGroups[group]->m_items) {
        const CTraceItem& item = *g_TraceItems[index];
        const int row = m_items.InsertItem(m_items.GetItemCount(), g_Texts[31 + item.m_nKind], LPARAM(index));
        m_items.SetItemText(row, 1, item.m_strUrl);
    }
    g_nTraceSortColumn = m_nSortColumn;
    m_items.SortItems(CompareTraceItems, 0);
}

void CTracePage::OnColumnClick(int column) {
    m_nSortColumn = column;
    g_nTraceSortColumn = column;
    m_items.SortItems(CompareTraceItems, 0);
}

BOOL CTracePage::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    auto* header = reinterpret_cast<NMLISTVIEW*>(lParam);
    if (header->hdr.hwndFrom == m_sites.m_hWnd && header->hdr.code == LVN_ITEMCHANGED &&
        (header->uNewState & LVIS_SELECTED) && !(header->uOldState & LVIS_SELECTED)) {
        ShowGroup(int(m_sites.GetItemData(header->iItem)));
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

BOOL CTracePage::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int row = m_items.GetSelectedItem();
    const int index = row < 0 ? -1 : int(m_items.GetItemData(row));
    switch (LOWORD(wParam)) {
    case IDC_TRACE_REFRESH:
        Refresh();
        return TRUE;
    case ID_TRACE_OPEN:
        if (index >= 0 && index < g_TraceItems.GetSize() && !g_TraceItems[index]->m_strFile.IsEmpty())
            QvShellExecute(nullptr, "open", g_TraceItems[index]->m_strFile, nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
    case ID_TRACE_DELETE: {
        if (index < 0 || index >= g_TraceItems.GetSize()) return TRUE;
        CArray<CCacheEntryName> entry;
        entry.Add(CacheEntryOf(*g_TraceItems[index]));
        CStringArray notWiped;
        if (DeleteCacheEntries(entry, &notWiped)) m_items.DeleteItem(row);
        ReportNotWiped(m_hWnd, notWiped);
        return TRUE;
    }
    case ID_TRACE_DELETE_ALL: {
        const int siteRow = m_sites.GetSelectedItem();
        if (siteRow < 0) return TRUE;
        const int group = int(m_sites.GetItemData(siteRow));
        if (group < 0 || group >= g_TraceGroups.GetSize()) return TRUE;
        CArray<CCacheEntryName> entries;
        for (int item : g_TraceGroups[group]->m_items) entries.Add(CacheEntryOf(*g_TraceItems[item]));
        CStringArray notWiped;
        DeleteCacheEntries(entries, &notWiped);
        Refresh();
        ReportNotWiped(m_hWnd, notWiped);
        return TRUE;
    }
    default:
        return CVeilrunPage::OnCommand(wParam, lParam);
    }
}
