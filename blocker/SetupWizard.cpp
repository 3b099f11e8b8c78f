#include "SetupWizard.h"

#include "App.h"
#include "BlokkumDialogSupport.h"
#include "BlokkumShared.h"
#include "OperaProxySettings.h"
#include "Registry.h"
#include "Seams.h"

namespace {
const COLORREF kGreyedText = RGB(192, 192, 192);
const int kColumnWidth = 200;

bool IsChecked(HWND page, UINT id) { return ::IsDlgButtonChecked(page, int(id)) == BST_CHECKED; }

CString WizardCaption() {
    CString caption = LoadResourceString(IDS_WIZARD_CAPTION);
    return caption.IsEmpty() ? CString("Property Sheet") : caption;
}
}  // namespace

// ---- common page behaviour

CWizardPage::CWizardPage(UINT templateId) : CPropertyPage(templateId) {
    m_psp.dwFlags |= PSP_HASHELP;
}

CProxySettingSheet& CWizardPage::Wizard() const { return *static_cast<CProxySettingSheet*>(GetSheet()); }

void CWizardPage::LangText(const char* key, UINT id, const char* defaultText) {
    Wizard().m_settings.Language().SetDlgItemLangText(key, int(id), defaultText, m_hWnd);
}

BOOL CWizardPage::OnInitDialog() {
    CSkinObject& skin = Wizard().m_skin;
    TakeDialogSkinControl(skin);
    if (m_templateId == IDD_WIZARD_BROWSERS) {
        skin.LoadSkinFile(TitleSkinFile(Wizard().m_settings));
        skin.SkinWindow(GetSheetHwnd());
    }
    skin.SkinWindow(m_hWnd);
    return TRUE;
}

BOOL CWizardPage::OnSetActive() {
    RefreshMainWindowSkin(Wizard().m_skin);
    return TRUE;
}

BOOL CWizardPage::OnQueryCancel() {
    // The next start asks the wizard question again.
    Wizard().m_settings.m_strWizardMessage = "A";
    return TRUE;
}

void CWizardPage::OnHelp() { ShowBlokkumHelp(GetSheetHwnd(), Wizard().m_settings); }

bool CWizardPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_HELP) {
        OnHelp();
        result = TRUE;
        return true;
    }
    return CPropertyPage::OnMessage(msg, wParam, lParam, result);
}

// ---- check-list

bool CCheckListCtrl::OnReflectedMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NOTIFY || !m_page) return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    switch (header->code) {
    case NM_CUSTOMDRAW: {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && m_page->IsRowGreyed(int(draw->nmcd.dwItemSpec))) {
            draw->nmcd.uItemState |= CDIS_DISABLED;
            draw->clrText = kGreyedText;
            result = CDRF_NEWFONT;
        } else {
            result = CDRF_DODEFAULT;
        }
        return true;
    }
    case LVN_ITEMCHANGING: {
        // Refused here, a greyed row stays clear whether the mouse, the space
        // bar or Check All tries it, whenever the control toggles.
        auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
        const bool checking = (change->uChanged & LVIF_STATE) &&
                              (change->uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
        result = checking && change->iItem >= 0 && m_page->IsRowGreyed(change->iItem) ? TRUE : FALSE;
        return true;
    }
    case LVN_ITEMCHANGED: {
        auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
        if ((change->uChanged & LVIF_STATE) &&
            ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK))
            m_page->RecountChecked();
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

void CCheckListPage::RecountChecked() {
    int count = 0;
    for (int i = 0; i < m_list.GetItemCount(); ++i)
        if (m_list.GetCheck(i)) ++count;
    m_nCheckedCount = count;
    if (m_bActive) UpdateButtons();
}

void CCheckListPage::PrepareList(const char* columnKey, const char* columnDefault) {
    m_list.SubclassDlgItem(m_listId, m_hWnd);
    m_list.m_page = this;
    m_list.SetExtendedStyle(LVS_EX_CHECKBOXES);
    m_list.InsertColumn(0, Wizard().m_settings.Language().LoadLangString(columnKey, columnDefault), LVCFMT_LEFT,
                        kColumnWidth);
}

void CCheckListPage::CheckAll() {
    for (int i = 0; i < m_list.GetItemCount(); ++i)
        if (!IsRowGreyed(i)) m_list.SetCheck(i, TRUE);
    RecountChecked();
}

void CCheckListPage::UncheckAll() {
    for (int i = 0; i < m_list.GetItemCount(); ++i) m_list.SetCheck(i, FALSE);
    RecountChecked();
}

BOOL CCheckListPage::OnSetActive() {
    m_bActive = true;
    return CWizardPage::OnSetActive();
}

BOOL CCheckListPage::OnKillActive() {
    m_bActive = false;
    return CWizardPage::OnKillActive();
}

// ---- page 1: the browsers

CMyPropertyPage1::CMyPropertyPage1() : CWizardPage(IDD_WIZARD_BROWSERS) {}

BOOL CMyPropertyPage1::OnInitDialog() {
    CProxySettingSheet& w = Wizard();
    CBlokkumSettings& s = w.m_settings;
    s.ClearAbsentBrowserFlags();
    const bool setMode = w.m_nSetMode != 0;
    const bool ie = s.m_dwLanConfigured || s.m_dwDialUpConfigured || w.m_nIEProxyPresent;
    const bool netscape = s.m_bMozillaInstalled && s.m_dwNetscapeConfigured;
    const bool opera6 = s.m_bOpera6Installed && s.m_dwOpera6Configured;
    const bool opera7 = s.m_bOpera7Installed && s.m_dwOpera7Configured;
    if (setMode) {
        LangText("2901", IDC_WIZ_INSTRUCTION, "Choose the browsers you want to set their proxy server.");
        LangText("2905", IDC_WIZ_NOTE,
                 "The disabled browsers are either not installed in your system or their proxy settings were set "
                 "before.");
        EnableDlgItem(IDC_WIZ_IE, !ie);
        EnableDlgItem(IDC_WIZ_NETSCAPE, s.m_bMozillaInstalled && !s.m_dwNetscapeConfigured);
        EnableDlgItem(IDC_WIZ_OPERA, (s.m_bOpera6Installed && !s.m_dwOpera6Configured) ||
                                         (s.m_bOpera7Installed && !s.m_dwOpera7Configured));
    } else {
        const bool anything = ie || s.m_dwNetscapeConfigured || s.m_dwOpera6Configured || s.m_dwOpera7Configured;
        if (anything) {
            LangText("2906", IDC_WIZ_INSTRUCTION, "Choose the browsers you want to reset their proxy server.");
        } else {
            LangText("2907", IDC_WIZ_INSTRUCTION, "You haven't any configured browser to reset it.");
            m_bFinishOnly = true;
            Buttons(PSWIZB_FINISH);
        }
        LangText("2908", IDC_WIZ_NOTE,
                 "The disabled browsers are either not installed in your system or their proxy settings aren't set.");
        EnableDlgItem(IDC_WIZ_IE, ie);
        EnableDlgItem(IDC_WIZ_NETSCAPE, netscape);
        EnableDlgItem(IDC_WIZ_OPERA, opera6 || opera7);
    }
    for (UINT id : {IDC_WIZ_IE, IDC_WIZ_NETSCAPE, IDC_WIZ_OPERA})
        if (!::IsWindowEnabled(GetDlgItem(id))) ShowDlgItem(IDC_WIZ_NOTE, SW_SHOW);
    return CWizardPage::OnInitDialog();
}

void CMyPropertyPage1::UpdateButtons() {
    if (m_bFinishOnly) {
        Buttons(PSWIZB_FINISH);
        return;
    }
    const CProxySettingSheet& w = Wizard();
    Buttons(w.m_nIEChosen || w.m_nOperaChosen || w.m_nNetscapeChosen ? PSWIZB_NEXT : 0);
}

BOOL CMyPropertyPage1::OnSetActive() {
    UpdateButtons();
    LangText("2902", IDC_WIZ_NETSCAPE, "&Netscape 7.0 or higher.");
    LangText("2903", IDC_WIZ_OPERA, "&Opera.");
    LangText("2904", IDC_WIZ_IE, "&Internet Explorer or AOL or Both.");
    return CWizardPage::OnSetActive();
}

BOOL CMyPropertyPage1::OnKillActive() {
    Buttons(PSWIZB_BACK | PSWIZB_NEXT);
    return CWizardPage::OnKillActive();
}

BOOL CMyPropertyPage1::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        CProxySettingSheet& w = Wizard();
        int* flag = nullptr;
        switch (LOWORD(wParam)) {
        case IDC_WIZ_IE: flag = &w.m_nIEChosen; break;
        case IDC_WIZ_NETSCAPE: flag = &w.m_nNetscapeChosen; break;
        case IDC_WIZ_OPERA: flag = &w.m_nOperaChosen; break;
        default: break;
        }
        if (flag) {
            *flag = IsChecked(m_hWnd, LOWORD(wParam));
            UpdateButtons();
            return TRUE;
        }
    }
    return CWizardPage::OnCommand(wParam, lParam);
}

LRESULT CMyPropertyPage1::OnWizardNext() {
    const CProxySettingSheet& w = Wizard();
    return w.m_nIEChosen || w.m_nOperaChosen ? 0 : LRESULT(IDD_WIZARD_PROFILES);
}

// ---- page 2: Opera versions and Internet Explorer connections

CMyPropertyPage2::CMyPropertyPage2() : CCheckListPage(IDD_WIZARD_CONNECTIONS, IDC_WIZ_CONNECTIONS) {}

bool CMyPropertyPage2::IsRowGreyed(int row) const {
    const CIEProxySettings& ie = *Wizard().m_pIE;
    return row >= 0 && row < ie.m_connections.GetSize() && ie.m_connections[row].greyed;
}

BOOL CMyPropertyPage2::OnInitDialog() {
    CProxySettingSheet& w = Wizard();
    PrepareList("3013", "Connection Name");
    w.m_pIE->ListDialUpConnections(w.m_nSetMode != 0);
    for (int i = 0; i < w.m_pIE->m_connections.GetSize(); ++i) m_list.InsertItem(i, w.m_pIE->m_connections[i].name);
    if (w.m_nSetMode) {
        LangText("3007", IDC_WIZ_INSTRUCTION, "The gray dial up connections were set before, so you can't select them.");
        LangText("3010", IDC_WIZ_NOTE,
                 "The disabled items are either not installed in your system or were configured before.");
    } else {
        LangText("3011", IDC_WIZ_INSTRUCTION, "The gray dial up connections aren't set, so you can't select them.");
        LangText("3012", IDC_WIZ_NOTE,
                 "The disabled browsers are either not installed in your system or their proxy settings aren't set.");
    }
    return CWizardPage::OnInitDialog();
}

BOOL CMyPropertyPage2::OnSetActive() {
    CProxySettingSheet& w = Wizard();
    const CBlokkumSettings& s = w.m_settings;
    LangText("3001", IDC_WIZ_OPERA_GROUP, "Choose your Opera version");
    LangText("3002", IDC_WIZ_OPERA6, "Opera 6.05");
    LangText("3003", IDC_WIZ_OPERA7, "Opera 7.11");
    LangText("3004", IDC_WIZ_CONNECTION_GROUP, "Choose your connection type");
    LangText("3005", IDC_WIZ_LAN, "LAN");
    LangText("3006", IDC_WIZ_DIALUP, "Dial-up Connection");
    LangText("3008", IDC_WIZ_CHECK_ALL, "&Check All");
    LangText("3009", IDC_WIZ_UNCHECK_ALL, "&Uncheck All");

    const int operaShow = w.m_nOperaChosen ? SW_SHOW : SW_HIDE;
    for (UINT id : {IDC_WIZ_OPERA_GROUP, IDC_WIZ_OPERA6, IDC_WIZ_OPERA7}) ShowDlgItem(id, operaShow);
    if (w.m_nOperaChosen) {
        // Set mode offers what is not configured yet, reset mode what is.
        const bool setMode = w.m_nSetMode != 0;
        EnableDlgItem(IDC_WIZ_OPERA6, s.m_bOpera6Installed && (s.m_dwOpera6Configured != 0) != setMode);
        EnableDlgItem(IDC_WIZ_OPERA7, s.m_bOpera7Installed && (s.m_dwOpera7Configured != 0) != setMode);
    }
    const CIEProxySettings& ie = *w.m_pIE;
    if (w.m_nIEChosen) {
        for (UINT id : {IDC_WIZ_CONNECTION_GROUP, IDC_WIZ_CONNECTIONS, IDC_WIZ_CHECK_ALL, IDC_WIZ_UNCHECK_ALL,
                        IDC_WIZ_LAN, IDC_WIZ_DIALUP})
            ShowDlgItem(id, SW_SHOW);
        if (ie.m_greyedCount > 0) ShowDlgItem(IDC_WIZ_INSTRUCTION, SW_SHOW);
        EnableDlgItem(IDC_WIZ_DIALUP, ie.m_greyedCount < ie.m_connectionCount);
    } else {
        for (UINT id : {IDC_WIZ_CONNECTION_GROUP, IDC_WIZ_LAN, IDC_WIZ_DIALUP, IDC_WIZ_CONNECTIONS, IDC_WIZ_CHECK_ALL,
                        IDC_WIZ_UNCHECK_ALL, IDC_WIZ_INSTRUCTION})
            ShowDlgItem(id, SW_HIDE);
    }
    for (UINT id : {IDC_WIZ_OPERA6, IDC_WIZ_OPERA7, IDC_WIZ_DIALUP})
        if (!::IsWindowEnabled(GetDlgItem(id))) ShowDlgItem(IDC_WIZ_NOTE, SW_SHOW);
    const BOOL result = CCheckListPage::OnSetActive();
    UpdateButtons();
    return result;
}

void CMyPropertyPage2::UpdateButtons() {
    const CProxySettingSheet& w = Wizard();
    bool next = w.m_nIEChosen || w.m_nOperaChosen;
    if (w.m_nIEChosen) next = next && (w.m_nLanChosen || (w.m_nDialUpChosen && m_nCheckedCount > 0));
    if (w.m_nOperaChosen) next = next && (w.m_nOpera6Chosen || w.m_nOpera7Chosen);
    Buttons(PSWIZB_BACK | (next ? PSWIZB_NEXT : 0));
}

BOOL CMyPropertyPage2::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CWizardPage::OnCommand(wParam, lParam);
    CProxySettingSheet& w = Wizard();
    const UINT id = LOWORD(wParam);
    switch (id) {
    case IDC_WIZ_LAN: w.m_nLanChosen = IsChecked(m_hWnd, id); break;
    case IDC_WIZ_DIALUP:
        w.m_nDialUpChosen = IsChecked(m_hWnd, id);
        for (UINT c : {IDC_WIZ_CONNECTIONS, IDC_WIZ_CHECK_ALL, IDC_WIZ_UNCHECK_ALL, IDC_WIZ_INSTRUCTION})
            EnableDlgItem(c, w.m_nDialUpChosen);
        break;
    case IDC_WIZ_OPERA6: w.m_nOpera6Chosen = IsChecked(m_hWnd, id); break;
    case IDC_WIZ_OPERA7: w.m_nOpera7Chosen = IsChecked(m_hWnd, id); break;
    case IDC_WIZ_CHECK_ALL: CheckAll(); break;
    case IDC_WIZ_UNCHECK_ALL: UncheckAll(); break;
    default: return CWizardPage::OnCommand(wParam, lParam);
    }
    UpdateButtons();
    return TRUE;
}

LRESULT CMyPropertyPage2::OnWizardNext() {
    CProxySettingSheet& w = Wizard();
    CIEProxySettings& ie = *w.m_pIE;
    for (int i = 0; i < m_list.GetItemCount() && i < ie.m_connections.GetSize(); ++i) {
        ie.m_connections[i].name = m_list.GetItemText(i, 0);
        ie.m_connections[i].checked = m_list.GetCheck(i) ? 1 : 0;
    }
    return w.m_nNetscapeChosen ? 0 : LRESULT(IDD_WIZARD_FINISH);
}

// ---- page 3: Netscape/Mozilla profiles

CMyPropertyPage3::CMyPropertyPage3() : CCheckListPage(IDD_WIZARD_PROFILES, IDC_WIZ_PROFILES) {}

bool CMyPropertyPage3::IsRowGreyed(int row) const {
    const CNetscapeProxySettings& ns = *Wizard().m_pNetscape;
    return row >= 0 && row < ns.m_profiles.GetSize() && ns.m_profiles[row].greyed;
}

BOOL CMyPropertyPage3::OnInitDialog() {
    CProxySettingSheet& w = Wizard();
    PrepareList("3104", "Profile Name");
    CNetscapeProxySettings& ns = *w.m_pNetscape;
    ns.ListNetscapeProfiles(w.m_nSetMode != 0);
    int greyed = 0;
    for (int i = 0; i < ns.m_profiles.GetSize(); ++i) {
        m_list.InsertItem(i, ns.m_profiles[i].name);
        if (ns.m_profiles[i].greyed) ++greyed;
    }
    m_bFinishOnly = greyed == ns.m_profiles.GetSize();
    if (m_bFinishOnly) Buttons(PSWIZB_FINISH);
    if (w.m_nSetMode)
        LangText("3102", IDC_WIZ_PROFILE_NOTE, "The gray Profiles were set before, so you can't select them.");
    else
        LangText("3103", IDC_WIZ_PROFILE_NOTE, "The gray Profiles aren't set, so you can't select them.");
    return CWizardPage::OnInitDialog();
}

BOOL CMyPropertyPage3::OnSetActive() {
    LangText("3101", IDC_WIZ_PROFILE_GROUP, "Choose your profile(s)");
    LangText("3105", IDC_WIZ_CHECK_ALL, "&Check All");
    LangText("3106", IDC_WIZ_UNCHECK_ALL, "&Uncheck All");
    const CNetscapeProxySettings& ns = *Wizard().m_pNetscape;
    for (int i = 0; i < ns.m_profiles.GetSize(); ++i)
        if (ns.m_profiles[i].greyed) ShowDlgItem(IDC_WIZ_PROFILE_NOTE, SW_SHOW);
    const BOOL result = CCheckListPage::OnSetActive();
    UpdateButtons();
    return result;
}

void CMyPropertyPage3::UpdateButtons() {
    if (m_bFinishOnly)
        Buttons(PSWIZB_FINISH);
    else
        Buttons(PSWIZB_BACK | (m_nCheckedCount > 0 ? PSWIZB_NEXT : 0));
}

BOOL CMyPropertyPage3::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_WIZ_CHECK_ALL) {
        CheckAll();
        return TRUE;
    }
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_WIZ_UNCHECK_ALL) {
        UncheckAll();
        return TRUE;
    }
    return CWizardPage::OnCommand(wParam, lParam);
}

LRESULT CMyPropertyPage3::OnWizardNext() {
    CNetscapeProxySettings& ns = *Wizard().m_pNetscape;
    for (int i = 0; i < m_list.GetItemCount() && i < ns.m_profiles.GetSize(); ++i)
        ns.m_profiles[i].checked = m_list.GetCheck(i) ? 1 : 0;
    return 0;
}

LRESULT CMyPropertyPage3::OnWizardBack() {
    const CProxySettingSheet& w = Wizard();
    return w.m_nIEChosen || w.m_nOperaChosen ? 0 : LRESULT(IDD_WIZARD_BROWSERS);
}

BOOL CMyPropertyPage3::OnWizardFinish() {
    // Only offered when no profile can be chosen; the Internet Explorer and
    // Opera choices of page 2 are applied all the same, not dropped.
    Wizard().ApplyChoices();
    return TRUE;
}

// ---- page 4: Finish

CMyPropertyPage4::CMyPropertyPage4() : CWizardPage(IDD_WIZARD_FINISH) {}

BOOL CMyPropertyPage4::OnSetActive() {
    LangText("3201", IDC_WIZ_FINISH_TEXT, "Press Finish to complete your browser(s) configuration.");
    Buttons(PSWIZB_BACK | PSWIZB_FINISH);
    return CWizardPage::OnSetActive();
}

BOOL CMyPropertyPage4::OnKillActive() {
    Buttons(PSWIZB_BACK | PSWIZB_NEXT);
    return CWizardPage::OnKillActive();
}

LRESULT CMyPropertyPage4::OnWizardBack() {
    return Wizard().m_nNetscapeChosen ? 0 : LRESULT(IDD_WIZARD_CONNECTIONS);
}

BOOL CMyPropertyPage4::OnWizardFinish() {
    Wizard().ApplyChoices();
    return TRUE;
}

// ---- the sheet

CProxySettingSheet::CProxySettingSheet(CBlokkumSettings& settings, CSkinObject& skin, CWnd* parent,
                                       const CBrowserSystem& system)
    : CPropertySheet(WizardCaption(), parent), m_settings(settings), m_skin(skin), m_context(settings, system),
      m_pIE(new CIEProxySettings(m_context)), m_pNetscape(new CNetscapeProxySettings(m_context)) {
    AddPage(&m_page1);
    AddPage(&m_page2);
    AddPage(&m_page3);
    AddPage(&m_page4);
    m_psh.dwFlags |= PSH_HASHELP;
    SetWizardMode();
    // The pages grey Internet Explorer by the flags: they must say what it uses.
    m_pIE->CorrectFlags();
    m_nIEProxyPresent = m_pIE->IsProxySet() ? 1 : 0;
}

CProxySettingSheet::~CProxySettingSheet() = default;

BOOL CProxySettingSheet::OnInitDialog() {
    const CBlokkumLanguage& language = m_settings.Language();
    for (int i = 0; i < GetPageCount(); ++i) {
        CString key;
        key.Format("%d", 2900 + 100 * i);
        const CString title = language.LoadLangString(key, "Error");
        if (title != "Error") SetTabText(i, title);
    }
    language.SetDlgItemLangText("2603", ID_WIZBACK, "< Back", m_hWnd);
    language.SetDlgItemLangText("2604", ID_WIZNEXT, "Next >", m_hWnd);
    language.SetDlgItemLangText("2103", IDCANCEL, "Cancel", m_hWnd);
    language.SetDlgItemLangText("2602", IDHELP, "Help", m_hWnd);
    return TRUE;
}

void CProxySettingSheet::ApplyChoices() {
    CRegKey flags;
    flags.Create(m_context.Root(), m_settings.Locations().ProxySettingKey(), KEY_ALL_ACCESS);
    const bool setMode = m_nSetMode != 0;
    if (m_nIEChosen) {
        if (setMode)
            SetIEProxy(*m_pIE, m_nLanChosen != 0, m_nDialUpChosen != 0);
        else
            ResetIEProxy(*m_pIE, m_nLanChosen != 0, m_nDialUpChosen != 0);
    }
    if (m_nNetscapeChosen) {
        m_pNetscape->m_setDone = 0;
        if (setMode)
            m_pNetscape->SetNetscapeProxy();
        else
            m_pNetscape->ResetNetscapeProxy();
        const CBlokkumLanguage& language = m_settings.Language();
        if (m_pNetscape->m_setDone && m_settings.m_dwNetscapeConfigured) {
            QvMessageBox(m_hWnd,
                         language.LoadLangString("2240",
                                                 "Netscape proxy has been set successfully. Settings Will take effect "
                                                 "from the second launch for Netscape."),
                         language.LoadLangString("2239", "Netscape Proxy Setting"), MB_OK | MB_ICONINFORMATION);
        } else if (m_pNetscape->m_setDone) {
            QvMessageBox(m_hWnd,
                         language.LoadLangString("2257", "Netscape settings will take effect from the second launch"),
                         language.LoadLangString("2258", "Reset Netscape Proxy Settings"), MB_OK);
        }
    }
    if (m_nOperaChosen) {
        OperaIniPaths paths(m_nOpera6Chosen, m_nOpera7Chosen);
        if (setMode)
            SetOperaProxy(m_context, paths);
        else
            ResetOperaProxy(m_context, paths);
    }
}
