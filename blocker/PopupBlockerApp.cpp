#include "PopupBlockerApp.h"

#include <winsock2.h>

#include "BlokkumShared.h"
#include "Dialog.h"
#include "FileTransaction.h"
#include "IEProxySettings.h"
#include "MainPage.h"
#include "NetscapeProxySettings.h"
#include "OperaProxySettings.h"
#include "PopupCountDlg.h"
#include "StartNoticeDlg.h"
#include "Registry.h"
#include "Seams.h"
#include "ZoneBackup.h"
#include "resource.h"

namespace {
CString g_strCaption = BLOKKUM_CAPTION;
const char kHiddenWindowClass[] = "QuorvaneBlokkumHidden";

struct WizardQuestion {
    int mask;
    const char* key;
    const char* text;
};
const WizardQuestion kWizardQuestions[] = {
    {1, "19000", "You have Internet Explorer browser installed,but you haven't configured the proxy settings\r\nDo you want to configure proxy settings now?"},
    {2, "19001", "You have Opera 6 browser  installed, but you haven't configured the proxy settings\r\nDo you want to configure proxy settings now?"},
    {3, "19004", "You have Internet Explorer and Opera 6 browsers installed, but you haven't configured the proxy settings for any of them"},
    {4, "19002", "You have Opera 7 browser installed, but you haven't configured the proxy settings"},
    {5, "19005", "You have Internet Explorer and Opera 7 browsers installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
    {6, "19007", "You have Opera 6 and Opera 7 browsers installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
    {8, "19003", "You have netscape browser installed, but you haven't configured the proxy settings\r\nDo you want to configure proxy settings now?"},
    {9, "19006", "You have Internet Explorer and netscape browsers installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
    {10, "19008", "You have Opera 6 and netscape browsers installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
    {11, "19015", "You have Internet Explorer, Opera 6, and netscape installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
    {12, "19009", "You have Opera 7 and netscape browsers installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
    {13, "19016", "You have Internet Explorer, Opera 7, and netscape installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
    {14, "19010", "You have Opera 6, Opera 7 and netscape installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
    {15, "19011", "You have Internet Explorer, Opera 6, Opera 7 and netscape installed, but you haven't configured the proxy settings for any of them\r\nDo you want to configure proxy settings now?"},
};

// The last browser's close can arrive while a message box, menu or file
// dialog runs a loop of its own, which hands it to this window instead of
// the sheet's filter, or before the sheet runs at all (during the start
// notice): passed on to the sheet, or kept for its start, it is not lost.
LRESULT CALLBACK HiddenWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LASTBROWSERCLOSED) {
        CPopupBlockerApp* app = BlokkumApp();
        HWND sheet = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
        if (sheet) PostMessageA(sheet, msg, 0, 0);
        else if (app) app->m_bLastBrowserClosed = true;
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}
}  // namespace

CBlokkumEnvironment::CBlokkumEnvironment() : zonesKey(BLOKKUM_ZONES_KEY) {}

CPopupBlockerApp* BlokkumApp() { return dynamic_cast<CPopupBlockerApp*>(CWinApp::Current()); }
const CString& BlokkumCaption() { return g_strCaption; }

int UnconfiguredBrowserMask(const CBlokkumSettings& s) {
    int mask = 0;
    if (!s.m_dwLanConfigured && !s.m_dwDialUpConfigured) mask |= 1;
    if (s.m_bOpera6Installed && !s.m_dwOpera6Configured) mask |= 2;
    if (s.m_bOpera7Installed && !s.m_dwOpera7Configured) mask |= 4;
    if (s.m_bMozillaInstalled && !s.m_dwNetscapeConfigured) mask |= 8;
    return mask;
}

bool WizardQuestionKey(int mask, const char*& key, const char*& defaultText) {
    for (const WizardQuestion& q : kWizardQuestions) {
        if (q.mask != mask) continue;
        key = q.key;
        defaultText = q.text;
        return true;
    }
    return false;
}

CPopupBlockerApp::CPopupBlockerApp(const CBlokkumEnvironment& environment)
    : CWinApp(BLOKKUM_CAPTION), m_env(environment), m_settings(environment.where),
      m_browsers(m_settings, environment.system) {
    QvInitCommonControls();
}

CPopupBlockerApp::~CPopupBlockerApp() {
    m_proxy.Shutdown();
    if (m_bWinsockStarted) WSACleanup();
}

CHostsFile CPopupBlockerApp::Hosts() const {
    return CHostsFile(m_env.system.windowsFolder, m_env.system.os.Info().dwPlatformId == VER_PLATFORM_WIN32_NT);
}

void CPopupBlockerApp::ReloadEngineSettings() { m_proxy.ReloadEngineSettings(m_settings); }

void CPopupBlockerApp::ReadProxyFlags() {
    CBlokkumSettings& s = m_settings;
    s.ReadProxyFlags();
    CIEProxySettings ie(m_browsers);
    ie.CorrectFlags();
    m_nIEProxySet = ie.IsProxySet();
    if (s.m_bMozillaInstalled) s.m_dwNetscapeConfigured = CNetscapeProxySettings(m_browsers).IsNetscapeConfigured();
    if (s.m_bOpera6Installed || s.m_bOpera7Installed) {
        OperaIniPaths paths(s.m_bOpera6Installed, s.m_bOpera7Installed);
        IsOperaConfigured(m_browsers, paths);
    }
    if (!AnyBrowserConfigured()) s.m_ini.PopupCatching = false;
}

bool CPopupBlockerApp::AnyBrowserConfigured() const {
    const CBlokkumSettings& s = m_settings;
    return m_nIEProxySet || s.m_dwLanConfigured || s.m_dwDialUpConfigured || s.m_dwNetscapeConfigured ||
           s.m_dwOpera6Configured || s.m_dwOpera7Configured;
}

CPopupBlockerApp::BannerSwitch CPopupBlockerApp::SwitchBannerBlocking(HWND owner, bool on) {
    const CHostsFile hosts = Hosts();
    if (hosts.GetHostsPath().IsEmpty()) {
        QvMessageBox(owner,
                     Text("19017", "HOSTS file not found in your operating system, please contact our customr "
                                   "support telling us your operating system version"),
                     Text(BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION), MB_OK);
        return BannerSwitch::NoHostsFile;
    }
    CFileTransaction change;
    const bool switched = hosts.SetBannerBlocking(m_settings.m_strPath, on, BLOKKUM_PROXY_ADDRESS,
                                                  m_strProxyHostAlias, change);
    if (!change.LeftBehind().IsEmpty()) {
        CString text = Text(BLOKKUM_LEFT_BEHIND_KEY, BLOKKUM_LEFT_BEHIND);
        text.Replace("%s", NameList(change.LeftBehind()));
        QvMessageBox(owner, text, g_strCaption, MB_OK | MB_ICONEXCLAMATION);
    }
    if (!switched) {
        CString text;
        if (change.NotPutBack().IsEmpty()) {
            text = Text("2263", "Error, Failed to switch banner blocking because %s can't be read or written. The "
                                "HOSTS file was not changed.");
            text.Replace("%s", change.FailedFile());
        } else {
            text = Text("2271", "Error, Failed to switch banner blocking.") + "\n" +
                   FillNotPutBack(Text(BLOKKUM_NOT_PUT_BACK_KEY, BLOKKUM_NOT_PUT_BACK), change.FailedFile(),
                                  change.NotPutBack()) +
                   FillKeptBackups(Text(BLOKKUM_KEPT_BACKUPS_KEY, BLOKKUM_KEPT_BACKUPS), change.KeptBackups());
        }
        QvMessageBox(owner, text, g_strCaption, MB_OK | MB_ICONSTOP);
        return BannerSwitch::Failed;
    }
    m_settings.m_ini.BannerBlock = on ? 1 : 0;
    return BannerSwitch::Switched;
}

void CPopupBlockerApp::MatchHostsToBannerSetting() {
    const bool on = m_settings.m_ini.BannerBlock != 0;
    if (Hosts().BannerBlockingMatches(m_settings.m_strPath, on) == CHostsFile::BannerMatch::Differs)
        SwitchBannerBlocking(nullptr, on);
}

void CPopupBlockerApp::RetitleHiddenWindow() {
    if (m_hHiddenWindow)
        SetWindowTextA(m_hHiddenWindow, InstanceTitle(m_settings.m_strPath, m_settings.m_strLanguage));
}

void CPopupBlockerApp::AskWizardQuestion() {
    if (m_settings.m_strWizardMessage != "A") return;
    const int mask = UnconfiguredBrowserMask(m_settings);
    const char* key = nullptr;
    const char* first = nullptr;
    m_nRunWizard = 0;
    // Internet Explorer, Opera 6 and Opera 7 together have no question text:
    // like a fully configured set, nothing is asked.
    if (WizardQuestionKey(mask, key, first)) {
        CString question = Text(key, first);
        question += Text("19012", "\r\nNOTE: The program will not work properly unless you configure the proxy settings");
        question += Text("19013", "\r\nClick Yes to start the wizard\r\nNo to hide this message box forever.");
        if (QvMessageBox(nullptr, question, g_strCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            m_nRunWizard = 1;
        } else {
            QvMessageBox(nullptr,
                         Text("19014", "WARNING\r\nProxy is not configured for some or all of your installed browsers "
                                       "and the program will not work properly with unconfigured browsers"),
                         g_strCaption, MB_OK | MB_ICONEXCLAMATION);
        }
    }
    m_settings.m_strWizardMessage = "N";
}

void CPopupBlockerApp::SeedInstallerValues() {
    CRegKey key;
    if (key.Open(m_env.where.root, m_env.where.key, KEY_READ) == ERROR_SUCCESS) return;
    if (key.Create(m_env.where.root, m_env.where.key) != ERROR_SUCCESS) return;
    CString folder = m_env.where.iniFolder.IsEmpty() ? GetModuleFolder() : m_env.where.iniFolder;
    folder.TrimRight("\\");
    key.SetString("Path", folder);
    key.SetString("Language", BLOKKUM_DEFAULT_LANGUAGE);
    key.SetString("Blocked Popups", "0");
    key.SetString("User Wav Path", DefaultAlertSound(folder));
    key.SetDWORD("FirstRun", 1);
    key.SetDWORD("ShowAtStart", 1);
}

bool CPopupBlockerApp::CreateHiddenWindow(const CString& title) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HiddenWindowProc;
    wc.hInstance = m_hInstance;
    wc.lpszClassName = kHiddenWindowClass;
    RegisterClassA(&wc);
    m_hHiddenWindow = CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenWindowClass, title, 0, 0, 0, 0, 0, nullptr, nullptr,
                                      m_hInstance, nullptr);
    return m_hHiddenWindow != nullptr;
}

void CPopupBlockerApp::EnsureAlias() {
    CString help = Text("6005", "Error, Can't write to the hosts file, the program may not run correctly");
    help += Text("6006", "To perform it manually, go to your windows directory open the ..\\[system folder]\\drivers\\etc\\");
    help += Text("6007", "open the file with name HOSTS in any text editor");
    help += Text("6008", "finally add the following line at the end of the file");
    help += Text("6009", BLOKKUM_PROXY_ADDRESS "\t" BLOKKUM_PROXY_HOST_ALIAS);
    if (!Hosts().EnsureHostsAlias(BLOKKUM_PROXY_ADDRESS, m_strProxyHostAlias))
        QvMessageBox(nullptr, help, g_strCaption, MB_OK | MB_ICONINFORMATION);
}

BOOL CPopupBlockerApp::InitInstance() {
    // Created before the settings are read, so no pack can name it: the
    // mutex has the built-in name, and keeps it for the whole run.
    if (!m_instance.Recreate(BLOKKUM_INSTANCE_TITLE)) return FALSE;

    SeedInstallerValues();
    {
        CRegKey key;
        if (key.Open(m_env.where.root, m_env.where.key, KEY_READ | KEY_WRITE) == ERROR_SUCCESS) {
            DWORD value = 0;
            if (key.QueryDWORD("FirstRun", value) == ERROR_SUCCESS) m_bFirstRun = value != 0;
            key.SetDWORD("FirstRun", 0);
            value = 0;
            if (key.QueryDWORD("ShowAtStart", value) == ERROR_SUCCESS) m_bShowAtStart = value != 0;
        }
    }
    g_strCaption = Text(BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION);
    ReadProxyFlags();
    if (m_settings.LoadRegistrySettings() != 0) return FALSE;

    if (m_bFirstRun) {
        Hosts().BackupHostsFile(m_settings.m_strPath);
        RecordHostsAttributes(m_env.where.root, m_env.where.key, Hosts().HostsPath());
        BackupZoneSettings(m_settings.m_strPath, m_env.where.root, m_env.zonesKey, m_env.where.key);
    }
    AskWizardQuestion();

    const CString windowTitle = InstanceTitle(m_settings.m_strPath, m_settings.m_strLanguage);
    m_strProxyHostAlias = BLOKKUM_PROXY_HOST_ALIAS;
    m_settings.m_bInstallationDateChanged = false;

    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        QvMessageBox(nullptr, LoadResourceString(IDS_SOCKETS_INIT_FAILED), g_strCaption, MB_OK | MB_ICONSTOP);
        return FALSE;
    }
    m_bWinsockStarted = true;
    EnableControlContainer();
    if (!CreateHiddenWindow(windowTitle)) return FALSE;
    Enable3dControls();
    EnsureAlias();

    m_pCounter.reset(new CPopupCountDlg);
    ReloadEngineSettings();
    MatchHostsToBannerSetting();
    SetDialogBkColor(RGB(148, 148, 148), RGB(0, 0, 0));
    if (!m_bFirstRun && m_bShowAtStart) {
        CStartNoticeDlg notice(m_settings, m_dialogSkin);
        notice.DoModal();
        m_bShowAtStart = notice.m_dwShowAtStart != 0;
    }

    {
        CMainPage sheet;
        m_pMainWnd = &sheet;
        sheet.DoModal();
        m_pMainWnd = nullptr;
    }
    DestroyWindow(m_hHiddenWindow);
    m_hHiddenWindow = nullptr;
    return FALSE;
}

int CPopupBlockerApp::ExitInstance() {
    // Connection threads end before the process does, so none is left behind.
    m_proxy.Shutdown();
    m_dialogSkin.Reset();
    return CWinApp::ExitInstance();
}
