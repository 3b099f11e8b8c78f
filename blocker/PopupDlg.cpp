#include "PopupDlg.h"

#include "PopupBlockerApp.h"
#include "resource.h"

CPopupDlg::CPopupDlg() : CPropertyPage(IDD_POPUPS_PAGE) {}

BOOL CPopupDlg::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    SetTexts();
    RestoreControls();
    m_bSkipConfigurationCheck = false;
    return TRUE;
}

void CPopupDlg::SetTexts() {
    CPopupBlockerApp* app = BlokkumApp();
    if (app && m_hWnd) {
        static const char* const kDefaults[] = {"Notify Me With Sound Alert", "Enable Banner Blocking",
                                                "Your browser's proxy setting isn't configured so you can't use this feature.",
                                                "Set Proxy", "Reset Proxy", "Configure your browser"};
        static const int kIds[] = {IDC_SOUND, IDC_BANNERS, IDC_NOT_CONFIGURED, IDC_SET_PROXY, IDC_RESET_PROXY,
                                   IDC_CONFIGURE_GROUP};
        const CBlokkumLanguage& language = app->m_settings.Language();
        language.SetDlgItemLangText("1001", IDC_CATCHING, "Enable Catch Pop-Ups", m_hWnd);
        language.SetDlgItemLangTexts(m_hWnd, kDefaults, 1004, kIds, 6);
    }
}

void CPopupDlg::RestoreControls() {
    CPopupBlockerApp* app = BlokkumApp();
    if (!app || !m_hWnd) return;
    const CBlokkumIniSettings& ini = app->m_settings.m_ini;
    CheckDlgButton(IDC_CATCHING, ini.PopupCatching ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_BANNERS, ini.BannerBlock == 1 ? BST_CHECKED : BST_UNCHECKED);
    EnableDlgItem(IDC_SOUND, ini.PopupCatching);
    if (ini.PlayWave) CheckDlgButton(IDC_SOUND, BST_CHECKED);
}
