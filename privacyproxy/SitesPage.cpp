#include "Pages.h"

#include <algorithm>
#include <unordered_map>

#include "VeilrunGlobals.h"
#include "TextTable.h"
#include "UrlCacheWalker.h"

namespace {

CSortOrder g_sitesOrder = {2, 1};

int CSiteRecord::*const kSiteOptions[6] = {&CSiteRecord::m_bDefaultOptions, &CSiteRecord::m_bBlockSite,
                                           &CSiteRecord::m_bBlockImages,    &CSiteRecord::m_bBlockPopups,
                                           &CSiteRecord::m_bBlockUserInfo,  &CSiteRecord::m_bUseHub};
int CSiteOptionsDlg::*const kDialogOptions[6] = {
    &CSiteOptionsDlg::m_bDefaultOptions, &CSiteOptionsDlg::m_bBlockSite,     &CSiteOptionsDlg::m_bBlockImages,
    &CSiteOptionsDlg::m_bBlockPopups,    &CSiteOptionsDlg::m_bBlockUserInfo, &CSiteOptionsDlg::m_bUseHub};

int OptionCount(const CSiteRecord& s) {
    return s.m_bBlockSite + s.m_bBlockImages + s.m_bBlockPopups + s.m_bBlockUserInfo + s.m_bUseHub;
}

int CompareTimes(time_t a, time_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

int CompareSites(const CSiteRecord& a, const CSiteRecord& b) {
    int result = 0;
    switch (g_sitesOrder.column) {
    case 0: result = a.m_strHost.CompareNoCase(b.m_strHost); break;
    case 1: result = a.m_nHits - b.m_nHits; break;
    case 2: result = CompareTimes(a.m_timeLastAccess, b.m_timeLastAccess); break;
    case 3: result = OptionCount(a) - OptionCount(b); break;
    default: break;
    }
    result = g_sitesOrder.Apply(result);
    return result ? result : CompareTimes(a.m_timeLastAccess, b.m_timeLastAccess);
}

// Changes every site, each counted as changed for the next copy.
template <typename Change>
void ChangeSites(Change change) {
    CCriticalSectionLock lock(g_csLists);
    for (int i = 0; i < g_Sites.GetSize(); ++i) {
        change(*g_Sites[i]);
        g_Sites.Touch(g_Sites[i]);
    }
}

}  // namespace

BOOL CSitesPage::OnInitDialog() {
    CVeilrunPage::OnInitDialog();
    m_list.SubclassDlgItem(IDC_SITES_LIST, m_hWnd);
    m_list.SetUpReport(true);
    m_list.SetCommands(IDR_SITE_MENU, ID_SITE_OPTIONS, ID_SITE_DELETE);
    m_list.SetRowText([this](int row, int column) { return RowText(row, column); });
    const int widths[] = {115, 40, 75, 120};
    for (int i = 0; i < 4; ++i) m_list.InsertColumn(i, "", LVCFMT_LEFT, widths[i]);
    SetTimer(SITES_TIMER, 3000);
    return TRUE;
}

// The rows take their words from the text table as they are drawn, so a new
// language needs no new copy of the sites.
void CSitesPage::OnLanguageChanged() {
    const UINT buttons[] = {IDC_SHOW_ALL_SITES, IDC_HIDE_ALL_SITES, IDC_HIDE_DEFAULT_SITES, IDC_REMOVE_ALL_SITES,
                            IDC_REMOVE_DEFAULT_SITES};
    for (int i = 0; i < 5; ++i) SetDlgItemText(buttons[i], g_Texts[8 + i]);
    for (int i = 0; i < 4; ++i) m_list.SetColumnText(i, g_Texts[13 + i]);
    m_list.Invalidate(FALSE);
}

// Hidden in the tray the page copies nothing: the engine's requests then
// never wait on it, and it catches up when it is shown again.
void CSitesPage::OnTimer(UINT_PTR) {
    if (IsWindowVisible()) Refresh();
}

void CSitesPage::OnShown() { Refresh(); }

CString CSitesPage::RowText(int row, int column) const {
    if (row < 0 || row >= int(m_rows.size())) return CString();
    const CSiteRecord& site = m_rows[size_t(row)].site;
    switch (column) {
    case 0: return site.m_strHost;
    case 1: return IntToString(site.m_nHits);
    case 2: return FormatRecordTime(site.m_timeLastAccess, time(nullptr));
    case 3: return BlockedItemsText(site);
    default: return CString();
    }
}

void CSitesPage::Refresh() {
    // While the page's menu or dialog is open the rows stay as the user saw
    // them; the refresh waits for the next tick.
    if (m_list.IsMenuOpen() || m_bDialogOpen) return;
    std::vector<CSiteRow> changed;
    bool anew = false;
    {
        // Only copies of the records changed since the last look are taken
        // under the lock; the rows are built after it.
        CCriticalSectionLock lock(g_csLists);
        if (!g_bSitesChanged) return;
        g_bSitesChanged = 0;
        anew = !m_bCopied || g_Sites.Removals() != m_nSeenRemovals;
        for (int i = 0; i < g_Sites.GetSize(); ++i) {
            const CSiteRecord* site = g_Sites[i];
            if (anew || site->m_nChange > m_nSeenChange) changed.push_back({site, *site});
        }
        m_nSeenChange = g_Sites.LastChange();
        m_nSeenRemovals = g_Sites.Removals();
        m_bCopied = true;
    }
    const CSiteRow* selected = SelectedRow();
    const CSiteRow keep = selected ? *selected : CSiteRow{};
    if (anew) m_rows.clear();
    std::unordered_map<const CSiteRecord*, size_t> where;
    for (size_t i = 0; i < m_rows.size(); ++i) where[m_rows[i].key] = i;
    for (CSiteRow& row : changed) {
        const auto found = where.find(row.key);
        if (found == where.end()) {
            if (!row.site.m_bHidden) m_rows.push_back(std::move(row));
        } else {
            m_rows[found->second] = std::move(row);
        }
    }
    m_rows.erase(std::remove_if(m_rows.begin(), m_rows.end(), [](const CSiteRow& r) { return r.site.m_bHidden; }),
                 m_rows.end());
    ShowRows(keep);
}

void CSitesPage::ShowRows(const CSiteRow& selected) {
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const CSiteRow& a, const CSiteRow& b) { return CompareSites(a.site, b.site) < 0; });
    m_list.SetRowCount(int(m_rows.size()));
    int row = -1;
    if (selected.key)
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].key == selected.key && m_rows[i].site.m_strHost == selected.site.m_strHost) {
                row = int(i);
                break;
            }
    m_list.SelectRow(row);
}

const CSiteRow* CSitesPage::SelectedRow() const {
    const int row = m_list.GetSelectedItem();
    return row >= 0 && row < int(m_rows.size()) ? &m_rows[size_t(row)] : nullptr;
}

void CSitesPage::OnColumnClick(int column) {
    g_sitesOrder.Click(column);
    const CSiteRow* selected = SelectedRow();
    ShowRows(selected ? *selected : CSiteRow{});
}

// The selected site's index in g_Sites; -1 when it is gone.
int CSitesPage::SelectedSite() const {
    const CSiteRow* row = SelectedRow();
    if (!row) return -1;
    CCriticalSectionLock lock(g_csLists);
    const int index = g_Sites.IndexOf(row->key);
    // A record removed and a new one made at the same address is another site.
    return index >= 0 && g_Sites[index]->m_strHost == row->site.m_strHost ? index : -1;
}

void CSitesPage::OpenOptions(int index) {
    CSiteOptionsDlg dialog(this);
    CString host;
    {
        CCriticalSectionLock lock(g_csLists);
        if (index < 0 || index >= g_Sites.GetSize()) return;
        const CSiteRecord& site = *g_Sites[index];
        for (int i = 0; i < 6; ++i) dialog.*kDialogOptions[i] = site.*kSiteOptions[i];
        host = site.m_strHost;
    }
    m_bDialogOpen = true;
    const INT_PTR result = dialog.DoModal();
    m_bDialogOpen = false;
    if (result != IDOK) return;
    {
        // Found again by host: the array may have changed while the dialog was open.
        CCriticalSectionLock lock(g_csLists);
        for (int i = 0; i < g_Sites.GetSize(); ++i) {
            CSiteRecord& site = *g_Sites[i];
            if (site.m_strHost != host) continue;
            for (int j = 0; j < 6; ++j) site.*kSiteOptions[j] = dialog.*kDialogOptions[j];
            g_Sites.Touch(&site);
            break;
        }
    }
    if (dialog.m_bBlockSite || dialog.m_bBlockPopups || dialog.m_bBlockImages) DeleteTemporaryFilesOf(host);
}

BOOL CSitesPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int site = SelectedSite();
    switch (LOWORD(wParam)) {
    case ID_SITE_OPTIONS:
        if (site < 0) return TRUE;
        OpenOptions(site);
        break;
    case ID_SITE_HIDE:
        if (site < 0) return TRUE;
        {
            CCriticalSectionLock lock(g_csLists);
            if (site < g_Sites.GetSize()) {
                g_Sites[site]->m_bHidden = 1;
                g_Sites.Touch(g_Sites[site]);
            }
        }
        break;
    case ID_SITE_DELETE:
        if (site < 0) return TRUE;
        {
            CCriticalSectionLock lock(g_csLists);
            if (site < g_Sites.GetSize()) g_Sites.RemoveAt(site);
        }
        break;
    case IDC_SHOW_ALL_SITES:
        ChangeSites([](CSiteRecord& s) { s.m_bHidden = 0; });
        break;
    case IDC_HIDE_ALL_SITES:
        ChangeSites([](CSiteRecord& s) { s.m_bHidden = 1; });
        break;
    case IDC_HIDE_DEFAULT_SITES:
        ChangeSites([](CSiteRecord& s) {
            if (s.m_bDefaultOptions) s.m_bHidden = 1;
        });
        break;
    case IDC_REMOVE_ALL_SITES: {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.RemoveAll();
        break;
    }
    case IDC_REMOVE_DEFAULT_SITES: {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.RemoveIf([](const CSiteRecord& s) { return s.m_bDefaultOptions != 0; });
        break;
    }
    default:
        return CVeilrunPage::OnCommand(wParam, lParam);
    }
    {
        CCriticalSectionLock lock(g_csLists);
        g_bSitesChanged = 1;
    }
    Refresh();
    return TRUE;
}

BOOL CSiteOptionsDlg::OnInitDialog() {
    SkinLayout(false);
    SetWindowText(g_Texts[60]);
    SetDlgItemText(IDOK, g_Texts[67]);
    SetDlgItemText(IDCANCEL, g_Texts[68]);
    SetDlgItemText(IDC_OPT_DEFAULT, g_Texts[64]);
    SetDlgItemText(IDC_OPT_CUSTOM_LABEL, g_Texts[65]);
    SetDlgItemText(IDC_OPT_BLOCK_SITE, g_Texts[66]);
    for (int i = 0; i < 4; ++i) SetDlgItemText(IDC_OPT_BLOCK_IMAGES + i, g_Texts[46 + i]);
    for (int i = 0; i < 6; ++i) CheckDlgButton(IDC_OPT_DEFAULT + i, this->*kDialogOptions[i] ? BST_CHECKED : BST_UNCHECKED);
    ApplyEnabling();
    return TRUE;
}

void CSiteOptionsDlg::ApplyEnabling() {
    EnableDlgItem(IDC_OPT_BLOCK_SITE, !m_bDefaultOptions);
    EnableDlgItem(IDC_OPT_CUSTOM_LABEL, !m_bDefaultOptions);
    for (UINT id = IDC_OPT_BLOCK_IMAGES; id <= IDC_OPT_USE_HUB; ++id)
        EnableDlgItem(id, !m_bDefaultOptions && !m_bBlockSite);
}

BOOL CSiteOptionsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && id >= IDC_OPT_DEFAULT && id <= IDC_OPT_USE_HUB) {
        this->*kDialogOptions[id - IDC_OPT_DEFAULT] = IsDlgButtonChecked(id) == BST_CHECKED;
        if (id <= IDC_OPT_BLOCK_SITE) ApplyEnabling();
        return TRUE;
    }
    return CDialogSkin1::OnCommand(wParam, lParam);
}

void CSiteOptionsDlg::OnOK() { EndDialog(IDOK); }
