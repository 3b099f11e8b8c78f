#include "PopupDlg.h"

#include "BlokkumDialogSupport.h"
#include "MainPage.h"
#include "PopupBlockerApp.h"
#include "Seams.h"
#include "SetupWizard.h"
#include "resource.h"

namespace {
CBlokkumSettings& Settings() { return BlokkumApp()->m_settings; }
}  // namespace

CPopupDlg::CPopupDlg() : CPropertyPage(IDD_POPUPS_PAGE), m_cleaner(BlokkumApp()->m_settings) {}

BOOL CPopupDlg::OnInitDialog() {
    CPopupBlockerApp* app = BlokkumApp();
    app->ReadProxyFlags();
    CPropertyPage::OnInitDialog();
    SetTexts();
    RestoreControls();
    CSkinObject& skin = app->m_dialogSkin;
    TakeDialogSkinControl(skin);
    skin.LoadSkinFile(TitleSkinFile(app->m_settings));
    skin.SkinWindow(GetSheetHwnd());
    skin.SkinWindow(m_hWnd);
    if (app->m_nRunWizard) {
        // Asked for once at start-up; a later page never runs it again.
        app->m_nRunWizard = 0;
        RunWizard(1);
    }
    m_bSkipConfigurationCheck = false;
    return TRUE;
}

void CPopupDlg::RunWizard(int setMode) {
    CPopupBlockerApp* app = BlokkumApp();
    CProxySettingSheet wizard(app->m_settings, app->m_dialogSkin, this, app->m_env.system);
    wizard.m_nSetMode = setMode;
    wizard.DoModal();
}

void CPopupDlg::OnSetProxy() {
    CPopupBlockerApp* app = BlokkumApp();
    app->ReadProxyFlags();
    const bool before = app->AnyBrowserConfigured();
    RunWizard(1);
    if (Ending() || m_nBlinkState == -1) return;
    app->ReadProxyFlags();
    if (!app->AnyBrowserConfigured()) return;
    StopNotice();
    if (before) return;
    CBlokkumSettings& s = app->m_settings;
    if (QvMessageBox(m_hWnd, app->Text("2254", "Catching Pop-Ups is currently disabled, Do you want to enable it?"),
                     BlokkumCaption(), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    s.m_ini.PopupCatching = true;
    CheckDlgButton(IDC_CATCHING, BST_CHECKED);
    EnableDlgItem(IDC_SOUND, TRUE);
    NotifySheet(WM_CATCHINGCHANGED);
}

void CPopupDlg::OnResetProxy() {
    RunWizard(0);
    if (Ending()) return;
    const CBlokkumSettings& s = Settings();
    if (s.m_dwLanConfigured || s.m_dwDialUpConfigured || s.m_dwNetscapeConfigured || s.m_dwOpera6Configured ||
        s.m_dwOpera7Configured)
        return;
    SwitchOffUnconfigured();
}

void CPopupDlg::SetTexts() {
    if (!m_hWnd) return;
    static const char* const kDefaults[] = {"Notify Me With Sound Alert", "Enable Banner Blocking",
                                            "Your browser's proxy setting isn't configured so you can't use this feature.",
                                            "Set Proxy", "Reset Proxy", "Configure your browser"};
    static const int kIds[] = {IDC_SOUND, IDC_BANNERS, IDC_NOT_CONFIGURED, IDC_SET_PROXY, IDC_RESET_PROXY,
                               IDC_CONFIGURE_GROUP};
    const CBlokkumLanguage& language = Settings().Language();
    language.SetDlgItemLangText("1001", IDC_CATCHING, "Enable Catch Pop-Ups", m_hWnd);
    language.SetDlgItemLangTexts(m_hWnd, kDefaults, 1004, kIds, 6);
}

void CPopupDlg::RestoreControls() {
    if (!m_hWnd) return;
    const CBlokkumSettings& s = Settings();
    // Both boxes follow the settings either way, and catching goes through
    // the click's own path (8008 to the sheet included) without a cleaner run.
    CheckDlgButton(IDC_CATCHING, s.m_ini.PopupCatching ? BST_CHECKED : BST_UNCHECKED);
    m_bSkipCleaner = true;
    OnCatchingClicked();
    CheckDlgButton(IDC_BANNERS, s.m_ini.BannerBlock == 1 ? BST_CHECKED : BST_UNCHECKED);
    EnableDlgItem(IDC_SOUND, s.m_ini.PopupCatching);
    CheckDlgButton(IDC_SOUND, s.m_ini.PlayWave ? BST_CHECKED : BST_UNCHECKED);
    if (s.m_bLanguageChanged) SetTexts();
}

bool CPopupDlg::Ending() const {
    const CMainPage* sheet = dynamic_cast<const CMainPage*>(GetSheet());
    return sheet && sheet->m_bEnding;
}

void CPopupDlg::MarkModified() {
    SetModified();
    if (CMainPage* sheet = dynamic_cast<CMainPage*>(GetSheet())) sheet->m_bPopupsModified = true;
}

void CPopupDlg::NotifySheet(UINT msg) { ::PostMessageA(GetSheetHwnd(), msg, 0, 0); }

void CPopupDlg::StartNotice() {
    if (m_nBlinkState != -1) return;
    m_nBlinkState = 0;
    SetTimer(kNoticeTimerId, kNoticeBlinkMs);
}

void CPopupDlg::StopNotice() {
    if (m_nBlinkState == -1) return;
    KillTimer(kNoticeTimerId);
    ShowDlgItem(IDC_NOT_CONFIGURED, SW_HIDE);
    m_nBlinkState = -1;
}

void CPopupDlg::SwitchOffUnconfigured() {
    CBlokkumSettings& s = Settings();
    StartNotice();
    if (s.m_ini.PopupCatching) {
        QvMessageBox(m_hWnd, BlokkumApp()->Text("2253", "Catching Pop-Ups is disabled as there's not any configured browser."),
                     BlokkumCaption(), MB_ICONINFORMATION);
        CheckDlgButton(IDC_CATCHING, BST_UNCHECKED);
        EnableDlgItem(IDC_SOUND, FALSE);
        NotifySheet(WM_CATCHINGCHANGED);
    }
    s.m_ini.PopupCatching = false;
}

void CPopupDlg::OnCatchingClicked() {
    CPopupBlockerApp* app = BlokkumApp();
    CBlokkumSettings& s = app->m_settings;
    // Taken by this click even when it is refused, so it never eats a later one.
    const bool skipCleaner = m_bSkipCleaner;
    m_bSkipCleaner = false;
    app->ReadProxyFlags();
    if (app->AnyBrowserConfigured()) {
        StopNotice();
    } else {
        s.m_ini.PopupCatching = false;
        StartNotice();
        if (IsDlgButtonChecked(IDC_CATCHING) == BST_CHECKED && !m_bSkipConfigurationCheck) {
            CheckDlgButton(IDC_CATCHING, BST_UNCHECKED);
            QvMessageBox(m_hWnd,
                         app->Text("2252", "You can't enable Catching Pop-Ups as you didn't configure your browser(s).\n"
                                           "Please go to Popups page to configure your browser(s)."),
                         BlokkumCaption(), MB_ICONINFORMATION);
            return;
        }
    }
    s.m_ini.PopupCatching = IsDlgButtonChecked(IDC_CATCHING) == BST_CHECKED;
    EnableDlgItem(IDC_SOUND, s.m_ini.PopupCatching);
    if (!skipCleaner) StartCleanerWorker(m_cleaner);
    MarkModified();
    NotifySheet(WM_CATCHINGCHANGED);
}

BOOL CPopupDlg::OnSetActive() {
    CPopupBlockerApp* app = BlokkumApp();
    app->ReadProxyFlags();
    SetTexts();
    if (!app->AnyBrowserConfigured()) SwitchOffUnconfigured();
    return CPropertyPage::OnSetActive();
}

BOOL CPopupDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CPropertyPage::OnCommand(wParam, lParam);
    CBlokkumSettings& s = Settings();
    switch (LOWORD(wParam)) {
    case IDC_CATCHING:
        OnCatchingClicked();
        return TRUE;
    case IDC_SET_PROXY:
        OnSetProxy();
        return TRUE;
    case IDC_RESET_PROXY:
        OnResetProxy();
        return TRUE;
    case IDC_SOUND:
        s.m_ini.PlayWave = s.m_ini.PlayWave ? 0 : 1;
        BlokkumApp()->PublishEngineSettings();
        MarkModified();
        return TRUE;
    case IDC_BANNERS:
        switch (BlokkumApp()->SwitchBannerBlocking(m_hWnd, IsDlgButtonChecked(IDC_BANNERS) == BST_CHECKED)) {
        case CPopupBlockerApp::BannerSwitch::NoHostsFile:
            // Without a HOSTS file the program ends, saved and with its tray icon removed.
            if (CMainPage* sheet = dynamic_cast<CMainPage*>(GetSheet())) sheet->EndProgram();
            return TRUE;
        case CPopupBlockerApp::BannerSwitch::Failed:
            CheckDlgButton(IDC_BANNERS, s.m_ini.BannerBlock ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        case CPopupBlockerApp::BannerSwitch::Switched: break;
        }
        MarkModified();
        NotifySheet(WM_BANNERBLOCKCHANGED);
        return TRUE;
    default:
        return CPropertyPage::OnCommand(wParam, lParam);
    }
}

void CPopupDlg::OnTimer(UINT_PTR id) {
    if (id != kNoticeTimerId) return;
    if (BlokkumApp()->AnyBrowserConfigured()) {
        ShowDlgItem(IDC_NOT_CONFIGURED, SW_HIDE);
        return;
    }
    if (m_nBlinkState < 0) {
        ShowDlgItem(IDC_NOT_CONFIGURED, SW_HIDE);
        m_nBlinkState = 0;
        return;
    }
    ShowDlgItem(IDC_NOT_CONFIGURED, m_nBlinkState == 0 ? SW_SHOW : SW_HIDE);
    m_nBlinkState = (m_nBlinkState + 1) % 2;
}
