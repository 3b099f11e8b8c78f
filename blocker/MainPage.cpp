#include "MainPage.h"

#include <cstring>
#include <vector>

#include "AboutDlg.h"
#include "BlokkumDialogSupport.h"
#include "BlokkumShared.h"
#include "Files.h"
#include "PopupBlockerApp.h"
#include "PopupCountDlg.h"
#include "Seams.h"
#include "resource.h"

namespace {
const UINT kApplyCommand = ID_APPLY_NOW;

CBlokkumSettings& Settings() { return BlokkumApp()->m_settings; }
CString Text(const char* key, const char* defaultText) { return BlokkumApp()->Text(key, defaultText); }
CPopupCountDlg* Counter() { return BlokkumApp()->m_pCounter.get(); }
}  // namespace

CMainPage::CMainPage()
    : CPropertySheet(BLOKKUM_CAPTION),
      m_webZone(Settings(), BlokkumApp()->m_dialogSkin, BlokkumApp()->m_env.where.root, BlokkumApp()->m_env.zonesKey) {
    m_hIcon = HICON(LoadImageA(QvResourceInstance(), MAKEINTRESOURCEA(IDI_BLOKKUM), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    AddPage(&m_popups);
    AddPage(&m_webZone);
    AddPage(&m_options);
}

CMainPage::~CMainPage() { DeleteTrayIcon(); }

BOOL CMainPage::OnInitDialog() {
    BOOL result = CPropertySheet::OnInitDialog();
    m_showOnStart = false;
    ModifyStyle(WS_VISIBLE, WS_MINIMIZEBOX);
    CPopupBlockerApp* app = BlokkumApp();
    if (app->HiddenWindow()) SetParent(app->HiddenWindow());
    m_options.m_hSheet = m_hWnd;
    PostMessage(TaskbarCreatedMessage());
    m_bShown = false;

    CMenu system;
    system.Borrow(GetSystemMenu());
    system.InsertMenu(0, MF_BYPOSITION | MF_STRING | MF_GRAYED, SC_RESTORE, "Restore");
    system.InsertMenu(2, MF_BYPOSITION | MF_STRING | MF_GRAYED, SC_SIZE, "Size");
    system.InsertMenu(3, MF_BYPOSITION | MF_STRING, SC_MINIMIZE, "Minimize");
    system.InsertMenu(4, MF_BYPOSITION | MF_STRING | MF_GRAYED, SC_MAXIMIZE, "Maximize");
    system.InsertMenu(5, MF_BYPOSITION | MF_SEPARATOR);
    const CString about = LoadResourceString(IDS_ABOUTBOX);
    if (!about.IsEmpty()) {
        system.AppendMenu(MF_SEPARATOR);
        system.AppendMenu(MF_STRING, kAboutCommand, about);
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_menu.LoadMenu(IDR_TRAY_MENU);
    m_trayMenu = m_menu.GetSubMenu(0);
    SetMenuDefaultItem(m_trayMenu, 0, TRUE);
    SetTimer(kPopupScanTimerId, kPopupScanMs);

    CBlokkumSettings& s = Settings();
    if (Counter() && Counter()->CreateHidden() && s.m_ini.PopupCatching && s.m_strBlockedPopups != "0" &&
        !app->m_bFirstRun)
        Counter()->ShowWindow(SW_SHOW);
    m_strSavedLanguage = s.m_strLanguage;
    LoadTrayTips();
    RelabelTrayMenu();
    RelabelSheet();
    m_bEndingOnBrowserClose = false;
    // Whether the port could be taken is not shown: the failure went to the
    // error reporter.
    app->m_proxy.Start();
    if (app->m_bLastBrowserClosed) PostMessage(WM_LASTBROWSERCLOSED);
    return result;
}

BOOL CMainPage::PreTranslateMessage(MSG* msg) {
    // Only what is posted to the sheet: a control's own message may carry the
    // same number, and the hidden window's procedure passes its one on.
    if (msg->hwnd == m_hWnd && OnPrivateMessage(msg->message)) return TRUE;
    return CPropertySheet::PreTranslateMessage(msg);
}

bool CMainPage::OnPrivateMessage(UINT msg) {
    CBlokkumSettings& s = Settings();
    switch (msg) {
    case WM_CATCHINGCHANGED:
        // Connections read the switch from the engine's snapshot.
        BlokkumApp()->PublishEngineSettings();
        RelabelTrayMenu();
        ModifyTrayIcon();
        if (m_popups.m_hWnd) m_popups.EnableDlgItem(IDC_SOUND, s.m_ini.PopupCatching);
        return true;
    case WM_LANGPACKCHANGED:
        RelabelSheet();
        m_popups.SetTexts();
        if (m_options.m_hWnd) m_options.SetTexts();
        LoadTrayTips();
        RelabelTrayMenu();
        return true;
    case WM_TOPMOSTCHANGED:
        SetWindowPos(s.m_ini.DisplayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return true;
    case WM_BANNERBLOCKCHANGED:
        m_menu.CheckMenuItem(ID_TRAY_BANNERS, MF_BYCOMMAND | (s.m_ini.BannerBlock ? MF_CHECKED : MF_UNCHECKED));
        return true;
    case WM_LASTBROWSERCLOSED:
        m_bEndingOnBrowserClose = true;
        ExitProgram();
        return true;
    default:
        return false;
    }
}

bool CMainPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == TaskbarCreatedMessage()) {
        OnTaskbarCreated(msg);
        result = 0;
        return true;
    }
    if (msg == TaskbarMsgMessage()) {
        OnTrayNotify(UINT(lParam));
        result = 0;
        return true;
    }
    if (OnPrivateMessage(msg)) {
        result = 0;
        return true;
    }
    if (msg == WM_SYSCOMMAND) {
        SaveAll();
        if (OnSysCommand(UINT(wParam))) {
            result = 0;
            return true;
        }
    }
    if (msg == WM_HELP) OnHelp();
    return CPropertySheet::OnMessage(msg, wParam, lParam, result);
}

bool CMainPage::OnSysCommand(UINT command) {
    if ((command & 0xFFF0) == kAboutCommand) {
        ShowAbout();
        return true;
    }
    switch (command & 0xFFF0) {
    case SC_CLOSE:
    case SC_MINIMIZE:
        HideSheet();
        return true;
    default:
        return false;
    }
}

BOOL CMainPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case ID_TRAY_SHOWHIDE: ShowHideSheet(); return TRUE;
    case ID_TRAY_CATCHING: ToggleCatching(); return TRUE;
    case ID_TRAY_EXIT: ExitProgram(); return TRUE;
    case ID_TRAY_SHOW_COUNTER:
        if (Counter()) Counter()->Present();
        return TRUE;
    case ID_TRAY_CLEAR_COUNTER: ClearCounter(); return TRUE;
    case ID_TRAY_BANNERS: ToggleBannerBlock(); return TRUE;
    case ID_TRAY_ABOUT: ShowAbout(); return TRUE;
    case ID_TRAY_HELP: OnHelp(); return TRUE;
    case kApplyCommand: SaveAll(); return TRUE;
    case IDOK:
        SaveAll();
        HideSheet();
        return TRUE;
    case IDCANCEL: OnCancelCommand(); return TRUE;
    default: return CPropertySheet::OnCommand(wParam, lParam);
    }
}

void CMainPage::OnTimer(UINT_PTR id) {
    if (id != kPopupScanTimerId) return;
    CBlokkumSettings& s = Settings();
    if (m_scan.Step(s, s.AlertSound()) && Counter()) Counter()->Present();
}

void CMainPage::OnTaskbarCreated(UINT msg) {
    ShowWindow(BlokkumApp()->m_bFirstRun ? SW_SHOW : SW_HIDE);
    SetParent(nullptr);
    m_tray.OnTaskbarCreated(msg);
    AddTrayIcon();
}

void CMainPage::OnTrayNotify(UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_MOUSEMOVE:
        m_tray.ModifyTip(Settings().m_ini.PopupCatching ? m_strEnabledTip : m_strDisabledTip);
        break;
    case WM_LBUTTONDBLCLK: ShowHideSheet(); break;
    case WM_RBUTTONUP: TrackTrayMenu(m_trayMenu, m_hWnd); break;
    default: break;
    }
}

void CMainPage::OnHelp() { ShowBlokkumHelp(m_hWnd, Settings()); }

void CMainPage::ShowAbout() {
    CPopupBlockerApp* app = BlokkumApp();
    CAboutDlg about(app->m_settings, app->m_dialogSkin, this, app->m_env.system);
    about.DoModal();
}

HICON CMainPage::CatchingIcon() const {
    const UINT id = Settings().m_ini.PopupCatching ? IDI_CATCHING_ON : IDI_CATCHING_OFF;
    return HICON(LoadImageA(QvResourceInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_SHARED));
}

void CMainPage::AddTrayIcon() {
    if (m_tray.IsAdded()) return;
    m_nShownIcon = Settings().m_ini.PopupCatching ? IDI_CATCHING_ON : IDI_CATCHING_OFF;
    m_tray.Add(m_hWnd, kTrayIconId, CatchingIcon(), "", TaskbarMsgMessage());
}

void CMainPage::ModifyTrayIcon() {
    if (!m_tray.IsAdded()) return;
    const UINT wanted = Settings().m_ini.PopupCatching ? IDI_CATCHING_ON : IDI_CATCHING_OFF;
    if (wanted == m_nShownIcon) return;
    m_tray.ModifyIcon(CatchingIcon());
    m_nShownIcon = wanted;
}

void CMainPage::DeleteTrayIcon() { m_tray.Delete(); }

void CMainPage::LoadTrayTips() {
    m_strEnabledTip = Text("5001", "Quorvane Blokkum Enabled");
    m_strDisabledTip = Text("5002", "Quorvane Blokkum Disabled");
}

void CMainPage::SetMenuItemLangText(UINT id, const char* key, const char* defaultText) {
    const UINT state = m_menu.GetMenuState(id, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED);
    // ModifyMenu drops the bold default mark (what a double click runs).
    const bool isDefault = m_trayMenu && GetMenuDefaultItem(m_trayMenu, FALSE, GMDI_USEDISABLED) == id;
    m_menu.ModifyMenu(id, MF_BYCOMMAND | MF_STRING | state, id, Text(key, defaultText));
    if (isDefault) SetMenuDefaultItem(m_trayMenu, id, FALSE);
}

void CMainPage::RelabelTrayMenu() {
    const CBlokkumIniSettings& ini = Settings().m_ini;
    if (m_bShown) SetMenuItemLangText(ID_TRAY_SHOWHIDE, "7002", "Hide Quorvane Blokkum");
    else SetMenuItemLangText(ID_TRAY_SHOWHIDE, "7001", "Show Quorvane Blokkum");
    if (ini.PopupCatching) SetMenuItemLangText(ID_TRAY_CATCHING, "7004", "Disable Quorvane Blokkum");
    else SetMenuItemLangText(ID_TRAY_CATCHING, "7003", "Enable Quorvane Blokkum");
    SetMenuItemLangText(ID_TRAY_BANNERS, "7010", "Block Ads");
    SetMenuItemLangText(ID_TRAY_SHOW_COUNTER, "7007", "Show Popup Count Window");
    SetMenuItemLangText(ID_TRAY_CLEAR_COUNTER, "7009", "Clear Popup Counter");
    SetMenuItemLangText(ID_TRAY_HELP, "10004", "Help");
    SetMenuItemLangText(ID_TRAY_EXIT, "7008", "Exit");
    m_menu.CheckMenuItem(ID_TRAY_BANNERS, MF_BYCOMMAND | (ini.BannerBlock ? MF_CHECKED : MF_UNCHECKED));
}

void CMainPage::RelabelSheet() {
    SetTitle(Text(BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION));
    SetDlgItemText(IDOK, Text("10001", "OK"));
    SetDlgItemText(IDCANCEL, Text("10002", "Cancel"));
    SetDlgItemText(ID_APPLY_NOW, Text("10003", "Apply"));
    SetDlgItemText(IDHELP, Text("10004", "Help"));
    HWND tab = GetTabControl();
    const int tabs = tab ? int(::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < tabs; ++i) {
        CString key;
        key.Format("%d", 11000 + i);
        SetTabText(i, Text(key, "Error"));
    }
}

void CMainPage::HideSheet() {
    ShowWindow(SW_HIDE);
    m_bShown = false;
    RelabelTrayMenu();
}

void CMainPage::ShowHideSheet() {
    m_bShown = !m_bShown;
    if (m_bShown) {
        ShowWindow(SW_SHOW);
        if (m_popups.m_hWnd) m_popups.OnSetActive();
        SetWindowPos(Settings().m_ini.DisplayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE);
    } else {
        ShowWindow(SW_HIDE);
    }
    RelabelTrayMenu();
}

void CMainPage::ToggleCatching() {
    CPopupBlockerApp* app = BlokkumApp();
    CBlokkumSettings& s = app->m_settings;
    app->ReadProxyFlags();
    StartCleanerWorker(m_popups.m_cleaner);
    if (s.m_ini.PopupCatching) {
        s.m_ini.PopupCatching = false;
    } else if (app->AnyBrowserConfigured() || m_popups.m_bSkipConfigurationCheck) {
        s.m_ini.PopupCatching = true;
    } else {
        QvMessageBox(m_hWnd,
                     Text("2252", "You can't enable Catching Pop-Ups as you didn't configure your browser(s).\n"
                                  "Please go to Popups page to configure your browser(s)."),
                     BlokkumCaption(), MB_ICONINFORMATION);
        return;
    }
    app->PublishEngineSettings();
    ModifyTrayIcon();
    if (m_popups.m_hWnd) {
        m_popups.CheckDlgButton(IDC_CATCHING, s.m_ini.PopupCatching ? BST_CHECKED : BST_UNCHECKED);
        m_popups.EnableDlgItem(IDC_SOUND, s.m_ini.PopupCatching);
    }
    m_bPopupsModified = true;
    RelabelTrayMenu();
}

void CMainPage::ToggleBannerBlock() {
    CPopupBlockerApp* app = BlokkumApp();
    CBlokkumSettings& s = app->m_settings;
    switch (app->SwitchBannerBlocking(m_hWnd, !s.m_ini.BannerBlock)) {
    case CPopupBlockerApp::BannerSwitch::NoHostsFile: EndProgram(); return;
    case CPopupBlockerApp::BannerSwitch::Switched: m_bPopupsModified = true; break;
    case CPopupBlockerApp::BannerSwitch::Failed: break;
    }
    if (m_popups.m_hWnd) m_popups.CheckDlgButton(IDC_BANNERS, s.m_ini.BannerBlock ? BST_CHECKED : BST_UNCHECKED);
    m_menu.CheckMenuItem(ID_TRAY_BANNERS, MF_BYCOMMAND | (s.m_ini.BannerBlock ? MF_CHECKED : MF_UNCHECKED));
}

void CMainPage::ClearCounter() {
    CBlokkumSettings& s = Settings();
    s.m_bInstallationDateChanged = true;
    s.m_strBlockedPopups = "0";
    char date[80] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    s.m_strInstallationDate = date;
    if (Counter() && Counter()->m_hWnd) Counter()->ShowCount("0", s.m_strInstallationDate);
    m_bPopupsModified = true;
}

void CMainPage::SaveAll() {
    CPopupBlockerApp* app = BlokkumApp();
    app->m_settings.SaveRegistrySettings();
    app->m_settings.SaveIniSettings();
    app->PublishEngineSettings();
    m_bPopupsModified = m_bOptionsModified = false;
    if (m_webZone.IsModified()) m_webZone.ApplyZoneSettings();
    m_webZone.SetUnmodified();
    if (m_strSavedLanguage != app->m_settings.m_strLanguage) app->RetitleHiddenWindow();
    m_strSavedLanguage = app->m_settings.m_strLanguage;
}

void CMainPage::OnCancelCommand() {
    CPopupBlockerApp* app = BlokkumApp();
    const UINT bannerBlock = app->m_settings.m_ini.BannerBlock;
    app->ReloadEngineSettings();
    // The HOSTS file follows the setting back, or the setting stays with it.
    const UINT savedBannerBlock = app->m_settings.m_ini.BannerBlock;
    if (savedBannerBlock != bannerBlock) {
        app->m_settings.m_ini.BannerBlock = bannerBlock;
        const auto result = app->SwitchBannerBlocking(m_hWnd, savedBannerBlock != 0);
        if (result == CPopupBlockerApp::BannerSwitch::NoHostsFile) {
            EndProgram();
            return;
        }
    }
    app->m_settings.m_strLanguage = m_strSavedLanguage;
    const bool popupsModified = m_bPopupsModified, optionsModified = m_bOptionsModified;
    const bool webZoneModified = m_webZone.IsModified();
    m_bPopupsModified = m_bOptionsModified = false;
    m_webZone.SetUnmodified();
    if (popupsModified) m_popups.RestoreControls();
    if (optionsModified) m_options.RestoreControls();
    if (webZoneModified) m_webZone.RestoreControls();
    if (app->m_settings.m_dwCloseToTray) {
        m_popups.m_bSkipConfigurationCheck = false;
        HideSheet();
    } else {
        m_popups.m_bSkipConfigurationCheck = true;
        ExitProgram();
    }
}

void CMainPage::ExitProgram() {
    // One question at a time: an Exit that comes while it is up asks nothing
    // more, the last browser's close ends the program without it.
    if (m_bEnding || (m_bAskingToExit && !m_bEndingOnBrowserClose)) return;
    SaveAll();
    if (!m_bEndingOnBrowserClose) {
        m_bAskingToExit = true;
        const int answer =
            QvMessageBox(m_hWnd,
                         Text("6003", "You will not be able to browse the internet unless you change the proxy "
                                      "settings or starting the program again, click Yes to exit"),
                         Text("6004", "Quorvane Blokkum"), MB_YESNO | MB_ICONQUESTION);
        m_bAskingToExit = false;
        if (answer != IDYES) return;
    }
    EndProgram();
}

void CMainPage::EndProgram() {
    if (m_bEnding) return;
    m_bEnding = true;
    SaveAll();
    DeleteTrayIcon();
    if (Counter() && Counter()->m_hWnd) Counter()->DestroyWindow();
    KillTimer(kPopupScanTimerId);
    CloseModalWindows();
    EndDialog(0);
}

namespace {
BOOL CALLBACK CollectShown(HWND window, LPARAM windows) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

bool IsDialogWindow(HWND window) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return strcmp(name, "#32770") == 0;
}
}  // namespace

void CMainPage::CloseModalWindows() {
    // Each box, menu or dialog still open runs a modal loop of its own below
    // which the sheet's loop waits: left open (a question asked twice, one
    // behind another window, the wizard when the last browser closes), it
    // would keep the program running with no tray icon and the port served.
    EndMenu();
    std::vector<HWND> shown;
    EnumThreadWindows(GetCurrentThreadId(), CollectShown, LPARAM(&shown));
    for (HWND window : shown) {
        if (window == m_hWnd || (Counter() && window == Counter()->m_hWnd)) continue;
        CWnd* object = CWnd::FromHandle(window);
        if (auto* dialog = dynamic_cast<CDialog*>(object)) dialog->EndDialog(IDCANCEL);
        else if (auto* sheet = dynamic_cast<CPropertySheet*>(object)) sheet->EndDialog(IDCANCEL);
        else if (IsDialogWindow(window)) ::EndDialog(window, IDCANCEL);
    }
}
