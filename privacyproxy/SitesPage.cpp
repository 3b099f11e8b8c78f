#include "Pages.h"
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

int CALLBACK CompareSites(LPARAM left, LPARAM right, LPARAM) {
    if (left < 0 || right < 0 || left >= g_Sites.GetSize() || right >= g_Sites.GetSize()) return 0;
    const CSiteRecord& a = *g_Sites[int(left)];
    const CSiteRecord& b = *g_Sites[int(right)];
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

// Removes every site the test picks, walking back so that none is skipped.
template <typename Pick>
void RemoveSites(Pick pick) {
    CCriticalSectionLock lock(g_csLists);
    for (int i = g_Sites.GetSize() - 1; i >= 0; --i)
        if (pick(*g_Sites[i])) g_Sites.RemoveAt(i);
}

template <typename Change>
void ChangeSites(Change change) {
    CCriticalSectionLock lock(g_csLists);
    for (int i = 0; i < g_Sites.GetSize(); ++i) change(*g_Sites[i]);
}

}  // namespace

BOOL CSitesPage::OnInitDialog() {
    CVeilrunPage::OnInitDialog();
    m_list.SubclassDlgItem(IDC_SITES_LIST, m_hWnd);
    m_list.SetUpReport(true);
    m_list.SetCommands(IDR_SITE_MENU, ID_SITE_OPTIONS, ID_SITE_DELETE);
    const int widths[] = {115, 40, 75, 120};
    for (int i = 0; i < 4; ++i) m_list.InsertColumn(i, "", LVCFMT_LEFT, widths[i]);
    SetTimer(SITES_TIMER, 3000);
    return TRUE;
}

void CSitesPage::OnLanguageChanged() {
    const UINT buttons[] = {IDC_SHOW_ALL_SITES, IDC_HIDE_ALL_SITES, IDC_HIDE_DEFAULT_SITES, IDC_REMOVE_ALL_SITES,
                            IDC_REMOVE_DEFAULT_SITES};
    for (int i = 0; i < 5; ++i) SetDlgItemText(buttons[i], g_Texts[8 + i]);
    for (int i = 0; i < 4; ++i) m_list.SetColumnText(i, g_Texts[13 + i]);
    {
        CCriticalSectionLock lock(g_csLists);
        g_bSitesChanged = 1;
    }
    Refresh();
}

void CSitesPage::OnTimer(UINT_PTR) { Refresh(); }

void CSitesPage::Refresh() {
    // While the page's menu or dialog is open the rows stay as the user saw
    // them; the refresh waits for the next tick.
    if (m_list.IsMenuOpen() || m_bDialogOpen) return;
    CCriticalSectionLock lock(g_csLists);
    if (!g_bSitesChanged) return;
    g_bSitesChanged = 0;
    const int selected = m_list.GetSelectedItem();
    const CString selectedHost = selected < 0 ? CString() : m_list.GetItemText(selected, 0);
    m_list.DeleteAllItems();
    const time_t now = time(nullptr);
    for (int i = 0; i < g_Sites.GetSize(); ++i) {
        const CSiteRecord& site = *g_Sites[i];
        if (site.m_bHidden) continue;
        const int row = m_list.InsertItem(m_list.GetItemCount(), site.m_strHost, LPARAM(i));
        m_list.SetItemText(row, 1, IntToString(site.m_nHits));
        m_list.SetItemText(row, 2, FormatRecordTime(site.m_timeLastAccess, now));
        m_list.SetItemText(row, 3, BlockedItemsText(site));
    }
    Sort();
    if (selectedHost.IsEmpty()) return;
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (m_list.GetItemText(row, 0) == selectedHost) {
            m_list.SelectRow(row);
            break;
        }
}

void CSitesPage::Sort() {
    CCriticalSectionLock lock(g_csLists);
    m_list.SortItems(CompareSites, 0);
}

void CSitesPage::OnColumnClick(int column) {
    g_sitesOrder.Click(column);
    Sort();
}

// The selected site's index in g_Sites, found by its host when the array
// changed since the row was filled; -1 when it is gone.
int CSitesPage::SelectedSite() const {
    const int row = m_list.GetSelectedItem();
    if (row < 0) return -1;
    const CString host = m_list.GetItemText(row, 0);
    const int index = int(m_list.GetItemData(row));
    CCriticalSectionLock lock(g_csLists);
    if (index < g_Sites.GetSize() && g_Sites[index]->m_strHost == host) return index;
    for (int i = 0; i < g_Sites.GetSize(); ++i)
        if (g_Sites[i]->m_strHost == host) return i;
    return -1;
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
            if (site < g_Sites.GetSize()) g_Sites[site]->m_bHidden = 1;
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
    case IDC_REMOVE_ALL_SITES:
        RemoveSites([](const CSiteRecord&) { return true; });
        break;
    case IDC_REMOVE_DEFAULT_SITES:
        RemoveSites([](const CSiteRecord& s) { return s.m_bDefaultOptions != 0; });
        break;
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
