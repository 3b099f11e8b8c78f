#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BlokkumShared.h"
#include "EngineTestSupport.h"
#include "IEProxyTestSupport.h"
#include "Files.h"
#include "BlokkumDialogIds.h"
#include "MainPage.h"
#include "OptionsPage.h"
#include "PopupBlockerApp.h"
#include "PopupDlg.h"
#include "PopupCountDlg.h"
#include "Seams.h"
#include "resource.h"
#include "Registry.h"
#include "TestSupport.h"
#include "WizardTestSupport.h"

namespace {

// Every place the program looks, under the test's key and folder.
CBlokkumEnvironment LocalEnvironment(const CTestRegistryKey& key, const CTempFolder& folder) {
    CBlokkumEnvironment env;
    env.where.key = key.SubKey();
    env.where.runKey = key.SubKey() + "\\Run";
    env.where.operaKey = key.SubKey() + "\\Opera";
    env.where.mozillaKey = key.SubKey() + "\\Mozilla";
    env.where.iniFolder = folder.Path();
    env.system.internetSettingsKey = key.SubKey() + "\\Internet Settings";
    env.system.appPathsRoot = HKEY_CURRENT_USER;
    env.system.appPathsKey = key.SubKey() + "\\App Paths";
    env.system.windowsFolder = folder.File("WINDOWS");
    env.zonesKey = key.SubKey() + "\\Zones";
    return env;
}

struct WizardCase {
    const char* wizardMessage;
    DWORD lan, opera6, opera7, netscape;  // configured
    bool opera6Installed, opera7Installed, mozillaInstalled;
    int answer;           // 0: no box expected
    const char* firstSentence;
    int runWizard;
};

TEST(BlokkumStart, TheWizardQuestionFollowsTheMaskOfUnconfiguredBrowsers) {
    CTestRegistryKey key;
    CBlokkumEnvironment env;
    env.where.key = key.SubKey();
    CPopupBlockerApp app(env);
    const WizardCase cases[] = {
        {"N", 0, 0, 0, 0, true, true, true, 0, nullptr, 0},
        {"A", 1, 1, 1, 1, true, true, true, 0, nullptr, 0},
        {"A", 1, 0, 0, 0, false, false, false, 0, nullptr, 0},
        // Internet Explorer, Opera 6 and Opera 7 together have no question.
        {"A", 0, 0, 0, 0, true, true, false, 0, nullptr, 0},
        {"A", 0, 0, 0, 0, false, false, false, IDYES, "You have Internet Explorer browser installed,but", 1},
        {"A", 1, 0, 1, 0, true, true, false, IDNO, "You have Opera 6 browser  installed", 0},
        {"A", 0, 0, 0, 1, false, true, true, IDYES, "You have Internet Explorer and Opera 7 browsers", 1},
        {"A", 1, 0, 0, 0, false, true, true, IDNO, "You have Opera 7 and netscape browsers", 0},
        {"A", 0, 0, 0, 0, true, true, true, IDYES, "You have Internet Explorer, Opera 6, Opera 7 and netscape", 1},
    };
    for (const WizardCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wizardMessage << c.lan << c.opera6 << c.opera7 << c.netscape
                                        << c.opera6Installed << c.opera7Installed << c.mozillaInstalled);
        CBlokkumSettings& s = app.m_settings;
        s.m_strWizardMessage = c.wizardMessage;
        s.m_dwLanConfigured = c.lan;
        s.m_dwDialUpConfigured = 0;
        s.m_dwOpera6Configured = c.opera6;
        s.m_dwOpera7Configured = c.opera7;
        s.m_dwNetscapeConfigured = c.netscape;
        s.m_bOpera6Installed = c.opera6Installed;
        s.m_bOpera7Installed = c.opera7Installed;
        s.m_bMozillaInstalled = c.mozillaInstalled;
        app.m_nRunWizard = 1 - c.runWizard;
        CScriptedMessageBoxes boxes;
        if (c.answer) boxes.QueueAnswer(c.answer);
        app.AskWizardQuestion();
        const auto shown = boxes.Boxes();
        EXPECT_EQ(s.m_strWizardMessage, "N");
        if (!c.answer) {
            EXPECT_TRUE(shown.empty());
            if (*c.wizardMessage == 'A') { EXPECT_EQ(app.m_nRunWizard, 0); }
            continue;
        }
        EXPECT_EQ(app.m_nRunWizard, c.runWizard);
        ASSERT_EQ(shown.size(), c.answer == IDNO ? 2u : 1u);
        EXPECT_EQ(shown[0].text.rfind(c.firstSentence, 0), 0u) << shown[0].text;
        EXPECT_NE(shown[0].text.find("\r\nClick Yes to start the wizard\r\n"), std::string::npos);
        EXPECT_EQ(shown[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
        if (c.answer == IDNO) { EXPECT_EQ(shown[1].text.rfind("WARNING\r\nProxy is not configured", 0), 0u); }
    }
}

// Settings on a registry key of the test's own, for the scan.
struct ScanBed {
    CTestRegistryKey key;
    CBlokkumLocations where;
    CBlokkumSettings settings;
    explicit ScanBed(const char* blocked) : where(Where(key)), settings(where) { settings.m_strBlockedPopups = blocked; }
    static CBlokkumLocations Where(const CTestRegistryKey& key) {
        CBlokkumLocations where;
        where.key = key.SubKey();
        return where;
    }
};

TEST(PopupScan, EachTickCountsOneMarkedWindowAndTakesItsMarkerOut) {
    ScanBed bed("41");
    CBlokkumSettings& settings = bed.settings;
    std::vector<std::string> sounds;
    SetPlaySoundHook([&](const char* sound, DWORD) { sounds.push_back(sound); return TRUE; });
    const std::string title = std::string("a") + BLOKKUM_POPUP_TITLE_MARKER + "b" + BLOKKUM_POPUP_TITLE_MARKER;
    HWND window = CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND onlyMarker = CreateWindowExA(0, "STATIC", BLOKKUM_POPUP_TITLE_MARKER, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      nullptr, nullptr);
    ASSERT_TRUE(window && onlyMarker);
    CPopupScan scan;
    for (int playWave : {1, 0, 1}) {
        settings.m_ini.PlayWave = playWave;
        EXPECT_TRUE(scan.Step(settings, "C:\\alert.wav"));
    }
    EXPECT_FALSE(scan.Step(settings, "C:\\alert.wav"));
    SetPlaySoundHook(nullptr);
    EXPECT_EQ(settings.m_strBlockedPopups, "44");
    EXPECT_EQ(sounds, std::vector<std::string>({"C:\\alert.wav", "C:\\alert.wav"}));
    EXPECT_EQ(CWnd::GetWindowTextOf(window), "ab");
    EXPECT_EQ(CWnd::GetWindowTextOf(onlyMarker), "");
    DestroyWindow(window);
    DestroyWindow(onlyMarker);
}

TEST(PopupScan, AHungWindowDoesNotHoldTheScanAndARefusedTitleIsCountedOnce) {
    ScanBed bed("0");
    CBlokkumSettings& settings = bed.settings;
    settings.m_ini.PlayWave = 0;
    // The hung window's thread takes no message until this is set, after the
    // scan: a scan that waited for its answer would wait until the process
    // gave up (and ended with 3), or for ever.
    CString releaseName;
    releaseName.Format("QvScanRelease%lu_%lu", GetCurrentProcessId(), GetTickCount());
    CHandle release(CreateEventA(nullptr, TRUE, FALSE, releaseName));
    ASSERT_TRUE(release.IsValid());
    CString command = "\"" + GetModuleFolder() + "\\PopupWindowsUnderTest.exe\" " + releaseName;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, const_cast<char*>(command.c_str()), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi));
    const char* hungTitle = "hung" BLOKKUM_POPUP_TITLE_MARKER;
    HWND hung = nullptr, refusing = nullptr;
    for (int i = 0; i < 400 && !(hung && refusing); ++i, Sleep(50)) {
        hung = FindWindowA(nullptr, hungTitle);
        refusing = FindWindowA(nullptr, "refuses" BLOKKUM_POPUP_TITLE_MARKER);
    }
    EXPECT_TRUE(hung && refusing) << "the windows of the other process did not appear";
    CPopupScan scan;
    const DWORD start = GetTickCount();
    int caught = 0;
    for (int tick = 0; tick < 5; ++tick) caught += scan.Step(settings, "") ? 1 : 0;
    const DWORD took = GetTickCount() - start;
    // Had the scan waited for the hung window, its title would have changed.
    // (GetWindowTextLength would send a message the hung window never takes.)
    char hungNow[64] = "";
    GetWindowTextA(hung, hungNow, sizeof hungNow);
    SetEvent(release);
    DWORD exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(caught, 2);
    EXPECT_EQ(settings.m_strBlockedPopups, "2");
    EXPECT_STREQ(hungNow, hungTitle);
    EXPECT_EQ(exitCode, 0u) << "the scan's steps waited for the hung window";
    printf("five scan ticks over a hung and a refusing window: %lu ms (bound per window %u ms)\n",
           static_cast<unsigned long>(took), unsigned(CPopupScan::kRetitleBoundMs));
}

// Messages of this thread handled for a while, so the slide thread's steps arrive.
void PumpFor(DWORD ms, const std::function<bool()>& done = [] { return false; }) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms && !done()) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    }
}

TEST(CounterWindow, ACatchWhileItShowsOrSlidesUpdatesTheNumberAndPutsItBack) {
    CTestRegistryKey key;
    CTempFolder folder;
    CPopupBlockerApp app(LocalEnvironment(key, folder));
    app.m_settings.m_strBlockedPopups = "1";
    CPopupCountDlg counter;
    ASSERT_TRUE(counter.CreateHidden());
    counter.Present();
    EXPECT_TRUE(IsWindowVisible(counter.m_hWnd));
    EXPECT_EQ(counter.GetDlgItemText(IDC_COUNT), "1");
    app.m_settings.m_strBlockedPopups = "2";
    counter.Present();
    EXPECT_EQ(counter.GetDlgItemText(IDC_COUNT), "2");

    // The five seconds are over: the slide begins, and a catch brings it back.
    counter.SendMessage(WM_TIMER, kCounterTimerId, 0);
    PumpFor(5000, [&] { return counter.GetWindowRect().left > counter.m_x; });
    EXPECT_GT(counter.GetWindowRect().left, counter.m_x) << "the counter did not slide";
    app.m_settings.m_strBlockedPopups = "3";
    counter.Present();
    PumpFor(300);
    EXPECT_EQ(counter.GetDlgItemText(IDC_COUNT), "3");
    EXPECT_EQ(counter.GetWindowRect().left, counter.m_x) << "the slide went on after the catch";
    EXPECT_TRUE(IsWindowVisible(counter.m_hWnd));
    counter.DestroyWindow();
}

TEST(GeneralOptions, SoundListPutsDefaultFirstAndAnOutsideSoundBeforeTheCustomRow) {
    CTempFolder path;
    for (const char* name : {"Sounds\\zing.wav", "Sounds\\Default.wav", "Sounds\\Alarm.wav", "Sounds\\notes.txt"})
        path.Write(name, "RIFF");
    const std::vector<std::string> sounds = {"Default", "Alarm", "zing"};
    struct Case {
        std::string userWav;
        std::vector<std::string> extra;  // rows after the Sounds folder's
        int selected;
        const char* current;
    } cases[] = {
        {path.Path().str() + "\\Sounds\\zing.wav", {}, 2, "zing.wav"},
        {"C:\\Mine\\bell.wav", {"bell"}, 3, "bell.wav"},
        {"", {}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.userWav);
        const CSoundList list = BuildSoundList(path.Path(), c.userWav.c_str());
        std::vector<std::string> rows;
        for (int i = 0; i < list.rows.GetSize(); ++i) rows.push_back(list.rows[i].str());
        std::vector<std::string> expected = sounds;
        expected.insert(expected.end(), c.extra.begin(), c.extra.end());
        expected.push_back(BLOKKUM_CUSTOM_SOUND_ROW);
        EXPECT_EQ(rows, expected);
        EXPECT_EQ(list.selected, c.selected);
        EXPECT_EQ(list.customListed, !c.extra.empty());
        EXPECT_EQ(list.currentFile, c.current);
    }
    path.Write("Language\\English.ini", "");
    path.Write("Language\\Deutsch.ini", "");
    CStringArray packs = ListLanguagePacks(path.Path());
    ASSERT_EQ(packs.GetSize(), 2);
    EXPECT_TRUE((packs[0] == "English" && packs[1] == "Deutsch") || (packs[0] == "Deutsch" && packs[1] == "English"));
    EXPECT_EQ(StartupButton(kStartupWithExplorer), IDC_STARTUP_IE);
    EXPECT_EQ(StartupButton(7), 0);
    EXPECT_EQ(StartupFromButtons(false, false, true, 2), UINT(kStartupWithExplorer));
    EXPECT_EQ(StartupFromButtons(false, false, false, 2), 2u);
}

TEST(BlokkumStart, ADialUpOnlyConfigurationKeepsCatchingOn) {
    CTestRegistryKey key;
    CTempFolder folder;
    CPopupBlockerApp app(LocalEnvironment(key, folder));
    {
        CRegKey flags, ie, connections;
        flags.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Proxy Setting");
        flags.SetDWORD(BLOKKUM_FLAG_DIALUP, 1);
        ie.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Internet Settings");
        ie.SetDWORD("ProxyEnable", 0);
        connections.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Internet Settings\\Connections");
        const CString blob = ConnectionBlob(3, BLOKKUM_PROXY_TEXT);
        connections.SetBinary("My Modem", blob.c_str(), DWORD(blob.GetLength()));
    }
    app.m_settings.m_ini.PopupCatching = true;
    app.ReadProxyFlags();
    EXPECT_TRUE(app.AnyBrowserConfigured());
    EXPECT_EQ(app.m_settings.m_dwDialUpConfigured, 1u);
    EXPECT_TRUE(app.m_settings.m_ini.PopupCatching);
}

TEST(PopupsPage, CatchingStaysOffWithoutAConfiguredBrowserUnlessTheCheckIsSkipped) {
    CTestRegistryKey key;
    CTempFolder folder;
    CPopupBlockerApp app(LocalEnvironment(key, folder));
    CPopupDlg page;
    CPropertySheet sheet("Popups");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    CScriptedMessageBoxes boxes;
    struct Case {
        bool skipCheck;
        bool catching;  // afterwards
        size_t boxes;
    } cases[] = {{false, false, 1}, {true, true, 0}};
    for (const Case& c : cases) {
        boxes.Clear();
        page.m_bSkipConfigurationCheck = c.skipCheck;
        page.CheckDlgButton(IDC_CATCHING, BST_CHECKED);
        page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CATCHING, BN_CLICKED), LPARAM(page.GetDlgItem(IDC_CATCHING)));
        EXPECT_EQ(app.m_settings.m_ini.PopupCatching, c.catching);
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_CATCHING) == BST_CHECKED, c.catching);
        EXPECT_EQ(page.m_nBlinkState, 0) << "the notice blinks while no browser is configured";
        const auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), c.boxes);
        if (c.boxes) { EXPECT_EQ(shown[0].text.rfind("You can't enable Catching Pop-Ups", 0), 0u); }
    }
    // Restored to off, both boxes clear, and the sheet hears of it as of a click.
    MSG pending;
    while (PeekMessageA(&pending, sheet.m_hWnd, WM_CATCHINGCHANGED, WM_CATCHINGCHANGED, PM_REMOVE)) {
    }
    app.m_settings.m_ini.PopupCatching = false;
    app.m_settings.m_ini.PlayWave = 0;
    page.CheckDlgButton(IDC_SOUND, BST_CHECKED);
    page.RestoreControls();
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_CATCHING), UINT(BST_UNCHECKED));
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_SOUND), UINT(BST_UNCHECKED));
    EXPECT_TRUE(PeekMessageA(&pending, sheet.m_hWnd, WM_CATCHINGCHANGED, WM_CATCHINGCHANGED, PM_REMOVE));
    sheet.DestroyWindow();
}

TEST(PopupsPage, ABannerSwitchTheHostsFileRefusesIsToldAndKeepsTheSettingAndTheTick) {
    CTestRegistryKey key;
    CTempFolder folder;
    CPopupBlockerApp app(LocalEnvironment(key, folder));
    app.m_settings.m_strPath = folder.Path();
    folder.Write(BLOKKUM_BANNERS_ON_FILE, "0.0.0.0 ads.example\r\n");
    const std::string before = "127.0.0.1 localhost\r\n";
    const CString hosts = folder.Write("WINDOWS\\system32\\drivers\\etc\\hosts", before);
    CPopupDlg page;
    CPropertySheet sheet("Popups");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    CScriptedMessageBoxes boxes;
    {
        CHandle held = HoldFile(hosts, FILE_SHARE_READ);
        ASSERT_TRUE(held.IsValid());
        page.CheckDlgButton(IDC_BANNERS, BST_CHECKED);
        page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BANNERS, BN_CLICKED), LPARAM(page.GetDlgItem(IDC_BANNERS)));
    }
    EXPECT_EQ(app.m_settings.m_ini.BannerBlock, 0u);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_BANNERS), UINT(BST_UNCHECKED));
    EXPECT_EQ(ReadFileText(hosts), before);
    const auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error, Failed to switch banner blocking because " + std::string(hosts) +
                                 " can't be read or written. The HOSTS file was not changed.");
    sheet.DestroyWindow();
    SetFileAttributesA(hosts, FILE_ATTRIBUTE_NORMAL);
}

TEST(GeneralOptions, ASoundRowChosenAgainKeepsItsOwnFileAndOnTopIsRestoredBothWays) {
    CTestRegistryKey key;
    CTempFolder folder;
    folder.Write("Sounds\\Alarm.wav", "RIFF");
    CPopupBlockerApp app(LocalEnvironment(key, folder));
    CBlokkumSettings& s = app.m_settings;
    s.m_strPath = folder.Path();
    s.m_strUserWavPath = "C:\\Mine\\bell.wav";
    s.m_ini.DisplayOnTop = 1;
    COptionsPage page;
    CPropertySheet sheet("General");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    HWND list = page.GetDlgItem(IDC_SOUND_LIST);
    auto choose = [&](int row) {
        SendMessageA(list, CB_SETCURSEL, WPARAM(row), 0);
        page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SOUND_LIST, CBN_SELCHANGE), LPARAM(list));
    };
    // Rows: Alarm, bell (outside the Sounds folder), the custom-sound row.
    ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 3);
    choose(0);
    EXPECT_EQ(s.m_strUserWavPath, folder.Path() + "\\Sounds\\Alarm.wav");
    choose(1);
    EXPECT_EQ(s.m_strUserWavPath, "C:\\Mine\\bell.wav");
    EXPECT_EQ(page.GetDlgItemText(IDC_SOUND_CURRENT), "bell.wav");
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_ON_TOP), UINT(BST_CHECKED));
    s.m_ini.DisplayOnTop = 0;
    page.RestoreControls();
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_ON_TOP), UINT(BST_UNCHECKED));
    sheet.DestroyWindow();
}

// The top-level window of this thread, shown, that has the control.
HWND g_found = nullptr;
BOOL CALLBACK FindShownWith(HWND window, LPARAM id) {
    HWND page = HWND(SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (IsWindowVisible(window) && (GetDlgItem(window, int(id)) || (page && GetDlgItem(page, int(id))))) {
        g_found = window;
        return FALSE;
    }
    return TRUE;
}
HWND FindShownWith(int id) {
    g_found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownWith, id);
    return g_found;
}

TEST(TraySheet, RunsTheStartUpWizardTabsFromTheirKeysTheAboutBoxSetProxyInSetModeAndTheCleaner) {
    CTestRegistryKey key;
    CTempFolder folder;
    folder.Write("Language\\English.ini", "[QuorvaneBlokkum]\r\n11000=Pops\r\n11001=Zone\r\n");
    {
        CRegKey k;
        k.Create(HKEY_CURRENT_USER, key.SubKey());
        k.SetString("Path", folder.Path());
        k.SetString("Language", "English");
        k.SetString("Blocked Popups", "0");
        k.SetString("User Wav Path", "");
        k.SetString("Wizard Message", "N");
        // Internet Explorer's LAN uses the proxy, so catching starts on.
        CRegKey flags, ie;
        flags.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Proxy Setting");
        flags.SetDWORD(BLOKKUM_FLAG_LAN, 1);
        ie.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Internet Settings");
        ie.SetDWORD("ProxyEnable", 1);
        ie.SetString("ProxyServer", BLOKKUM_PROXY_TEXT);
    }
    CPopupBlockerApp app(LocalEnvironment(key, folder));
    ASSERT_EQ(app.m_settings.LoadRegistrySettings(), 0);
    app.ReloadEngineSettings();
    app.m_settings.m_ini.PopupPort = 0;
    app.PublishEngineSettings();
    CScriptedMessageBoxes boxes;
    ClearCleanerJournal();
    CMainPage sheet;
    // As when the user asked for the wizard at start-up.
    app.m_nRunWizard = 1;
    bool startupWizard = false;
    std::vector<std::string> tabs;
    CString version, instruction;
    auto endSheet = [&sheet] { PostMessageA(sheet.m_hWnd, WM_LASTBROWSERCLOSED, 0, 0); };
    CStepDriver driver(
        {[&] {
             HWND wizard = FindShownWith(IDC_WIZ_IE);
             startupWizard = wizard != nullptr;
             if (wizard) PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
         },
         [&] {
             HWND tab = sheet.GetTabControl();
             for (int i = 0; i < int(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0)); ++i) {
                 char text[64] = "";
                 TCITEMA item = {};
                 item.mask = TCIF_TEXT;
                 item.pszText = text;
                 item.cchTextMax = sizeof text;
                 SendMessageA(tab, TCM_GETITEMA, WPARAM(i), LPARAM(&item));
                 tabs.push_back(text);
             }
             PostMessageA(sheet.m_hWnd, WM_COMMAND, ID_TRAY_ABOUT, 0);
         },
         [&] {
             HWND about = FindShownWith(IDC_ABOUT_VERSION);
             ASSERT_TRUE(about) << "no About box";
             version = CWnd::GetWindowTextOf(GetDlgItem(about, IDC_ABOUT_VERSION));
             PostMessageA(about, WM_COMMAND, IDOK, 0);
         },
         [&] {
             HWND button = sheet.m_popups.GetDlgItem(IDC_SET_PROXY);
             sheet.m_popups.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SET_PROXY, BN_CLICKED), LPARAM(button));
         },
         [&] {
             HWND wizard = FindShownWith(IDC_WIZ_IE);
             ASSERT_TRUE(wizard) << "Set Proxy ran no wizard";
             HWND page = HWND(SendMessageA(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
             instruction = CWnd::GetWindowTextOf(GetDlgItem(page, IDC_WIZ_INSTRUCTION));
             PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
         },
         [&] { PostMessageA(sheet.m_hWnd, WM_COMMAND, ID_TRAY_CATCHING, 0); },
         endSheet},
        [&] {
            if (HWND left = FindShownWith(IDC_WIZ_IE)) PostMessageA(left, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            if (HWND left = FindShownWith(IDC_ABOUT_VERSION)) PostMessageA(left, WM_COMMAND, IDOK, 0);
            endSheet();
        });
    EXPECT_EQ(sheet.DoModal(), 0);
    EXPECT_TRUE(CStepDriver::Finished());
    // Relabelled several times, the menu still runs Show on a double click.
    EXPECT_EQ(GetMenuDefaultItem(sheet.TrayMenu(), FALSE, GMDI_USEDISABLED), UINT(ID_TRAY_SHOWHIDE));
    // A key the pack lacks shows "Error".
    EXPECT_TRUE(startupWizard);
    EXPECT_EQ(app.m_nRunWizard, 0);
    EXPECT_EQ(tabs, std::vector<std::string>({"Pops", "Zone", "Error"}));
    EXPECT_EQ(version, "1.0.0.0");
    EXPECT_EQ(instruction, "Choose the browsers you want to set their proxy server.");
    // The wizard's Cancel asks the question again at the next start.
    EXPECT_EQ(app.m_settings.m_strWizardMessage, "A");
    EXPECT_TRUE(boxes.Boxes().empty());
    // Catching restored at start-up runs no cleaner; switching it off from
    // the tray runs it over Internet Explorer.
    EXPECT_FALSE(app.m_settings.m_ini.PopupCatching);
    for (int i = 0; i < 200 && CleanerJournal().size() < 2; ++i) Sleep(10);
    EXPECT_EQ(CleanerJournal(), (std::vector<CleanerCall>{{CleanerOperation::Scan, kCleanerInternetExplorer},
                                                          {CleanerOperation::DeleteRedundant, kCleanerInternetExplorer}}));
}

// Blokkum.exe (the test build of it) on a registry key, program folder and
// Windows folder of the test's own, seeded as the installer leaves them.
class CBlokkumProcess {
public:
    CBlokkumProcess() {
        const CString products = GetModuleFolder() + "\\..\\..\\products\\Blokkum\\";
        for (const char* name : {BLOKKUM_SCRIPT_FILE, BLOKKUM_BANNERS_ON_FILE, BLOKKUM_BANNERS_OFF_FILE}) {
            CString text;
            ReadWholeFile(products + name, text);
            program.Write(name, text.str());
        }
        program.Write("Language\\English.ini", std::string("[QuorvaneBlokkum]\r\n9999=") + kWindowTitle + "\r\n");
        program.Write("Language\\Deutsch.ini", std::string("[QuorvaneBlokkum]\r\n9999=") + kGermanTitle + "\r\n");
        port = ClosedLoopbackPort();
        program.Write(BLOKKUM_INI_FILE, "[QuorvaneBlokkum]\r\nPopupPort=" + std::to_string(port) + "\r\n");
        windows.Write("system32\\drivers\\etc\\hosts", kHosts);
        CRegKey k;
        k.Create(HKEY_CURRENT_USER, key.SubKey());
        CString path = program.Path();
        k.SetString("Path", path);
        k.SetString("Language", "English");
        k.SetString("Blocked Popups", "0");
        k.SetString("User Wav Path", "");
        k.SetString("Wizard Message", "N");
        k.SetDWORD("FirstRun", 1);
        // Internet Explorer uses the proxy, so catching stays on.
        CRegKey ie;
        ie.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Internet Settings");
        ie.SetDWORD("ProxyEnable", 1);
        ie.SetString("ProxyServer", BLOKKUM_PROXY_TEXT);
        SetEnvironmentVariableA("QVTEST_BLOKKUM_KEY", key.SubKey());
        SetEnvironmentVariableA("QVTEST_BLOKKUM_FOLDER", program.Path());
        SetEnvironmentVariableA("QVTEST_WINDOWS_FOLDER", windows.Path());
    }
    ~CBlokkumProcess() {
        for (HANDLE h : {first.hProcess, first.hThread})
            if (h) {
                if (h == first.hProcess && WaitForSingleObject(h, 0) == WAIT_TIMEOUT) TerminateProcess(h, 1);
                CloseHandle(h);
            }
        // The HOSTS file is left read-only.
        SetFileAttributesA(Hosts(), FILE_ATTRIBUTE_NORMAL);
    }
    static PROCESS_INFORMATION Start() {
        CString command = "\"" + GetModuleFolder() + "\\BlokkumUnderTest.exe\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        EXPECT_TRUE(CreateProcessA(nullptr, const_cast<char*>(command.c_str()), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        return pi;
    }
    static HWND WaitForWindow(DWORD ms) {
        for (DWORD waited = 0; waited < ms; waited += 50) {
            if (HWND w = FindWindowA(nullptr, kWindowTitle)) return w;
            Sleep(50);
        }
        return nullptr;
    }
    CString Hosts() const { return windows.Path() + "\\system32\\drivers\\etc\\hosts"; }

    // With the pack's line-break mark, which a caption keeps as it stands.
    static constexpr const char* kWindowTitle = "Blokkum test#message window";
    static constexpr const char* kGermanTitle = "Blokkum Test#nachrichtenfenster";
    static constexpr const char* kHosts = "127.0.0.1 localhost\r\n";
    CTestRegistryKey key;
    CTempFolder program, windows;
    int port = 0;
    PROCESS_INFORMATION first = {};
};

// The boxes a process shows: its visible dialogs captioned as Blokkum, the sheet excepted.
size_t ShownBoxesOf(DWORD process, HWND sheet) {
    size_t boxes = 0;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, WC_DIALOG, BLOKKUM_CAPTION)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        boxes += owner == process && w != sheet && IsWindowVisible(w);
    }
    return boxes;
}

// The window of that process with the title, or null after ms.
HWND WindowOf(DWORD process, const char* title, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50, Sleep(50)) {
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, nullptr, title)) != nullptr;) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == process) return w;
        }
    }
    return nullptr;
}

TEST(BlokkumStart, AStartAfterAKillBetweenABannerTickAndApplyPutsTheHostsFileBySavedSetting) {
    CBlokkumProcess blokkum;
    // A pack that leaves key 9999 empty: the window bears the built-in title.
    blokkum.program.Write("Language\\English.ini", "[QuorvaneBlokkum]\r\n9999=\r\n");
    blokkum.first = CBlokkumProcess::Start();
    HWND sheet = WindowOf(blokkum.first.dwProcessId, BLOKKUM_CAPTION, 20000);
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(WindowOf(blokkum.first.dwProcessId, BLOKKUM_INSTANCE_TITLE, 1000));
    HWND popups = HWND(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_TRUE(popups);
    CheckDlgButton(popups, IDC_BANNERS, BST_CHECKED);
    SendMessageA(popups, WM_COMMAND, MAKEWPARAM(IDC_BANNERS, BN_CLICKED), LPARAM(GetDlgItem(popups, IDC_BANNERS)));
    // An entry of the banner list that blocking puts in.
    const std::string list = ReadFileText(blokkum.program.File(BLOKKUM_BANNERS_ON_FILE));
    const size_t entry = list.find("\n127.0.0.1") + 1;
    const std::string banner = list.substr(entry, list.find('\n', entry) - entry);
    ASSERT_NE(ReadFileText(blokkum.Hosts()).find(banner), std::string::npos) << "the tick switched nothing";
    TerminateProcess(blokkum.first.hProcess, 1);
    WaitForSingleObject(blokkum.first.hProcess, 10000);
    for (HANDLE h : {blokkum.first.hProcess, blokkum.first.hThread}) CloseHandle(h);

    // The sheet comes after the start-up's work.
    blokkum.first = CBlokkumProcess::Start();
    ASSERT_TRUE(WindowOf(blokkum.first.dwProcessId, BLOKKUM_CAPTION, 20000));
    HWND again = WindowOf(blokkum.first.dwProcessId, BLOKKUM_INSTANCE_TITLE, 1000);
    ASSERT_TRUE(again);
    const std::string hosts = ReadFileText(blokkum.Hosts());
    EXPECT_EQ(hosts.find(banner), std::string::npos) << hosts;
    EXPECT_EQ(hosts.rfind(CBlokkumProcess::kHosts, 0), 0u) << hosts;
    EXPECT_NE(hosts.find("127.0.0.1\t" BLOKKUM_PROXY_HOST_ALIAS), std::string::npos) << hosts;
    PostMessageA(again, WM_LASTBROWSERCLOSED, 0, 0);
    EXPECT_EQ(WaitForSingleObject(blokkum.first.hProcess, 15000), WAIT_OBJECT_0);
}

TEST(BlokkumStart, ARunFromFirstStartToTheLastBrowserClosing) {
    COriginServer site([](const COriginRequest&) {
        COriginReply r;
        r.pieces.push_back(HttpResponse("text/html", "<html><body>site</body></html>"));
        return r;
    });
    CBlokkumProcess blokkum;
    const DWORD usersAttributes = GetFileAttributesA(blokkum.Hosts());
    blokkum.first = CBlokkumProcess::Start();
    HWND window = CBlokkumProcess::WaitForWindow(20000);
    ASSERT_TRUE(window) << "no window captioned by the pack's key 9999";
    // Recorded before Blokkum's first change, for the uninstaller to give back.
    EXPECT_EQ(ReadDWORD(blokkum.key.SubKey(), BLOKKUM_HOSTS_ATTRIBUTES_VALUE), usersAttributes);

    // The mutex has the built-in name, whatever the pack calls the window.
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, BLOKKUM_INSTANCE_TITLE);
    EXPECT_TRUE(mutex);
    if (mutex) CloseHandle(mutex);
    PROCESS_INFORMATION second = CBlokkumProcess::Start();
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 10000), WAIT_OBJECT_0) << "a second copy kept running";
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);

    // The backup holds the HOSTS file from before the alias was added.
    EXPECT_EQ(ReadFileText(blokkum.program.File(BLOKKUM_HOSTS_BACKUP_FILE)), CBlokkumProcess::kHosts);
    EXPECT_NE(ReadFileText(blokkum.Hosts()).find("127.0.0.1\t" BLOKKUM_PROXY_HOST_ALIAS), std::string::npos);
    EXPECT_TRUE(FileExists(blokkum.program.File(BLOKKUM_ZONE_BACKUP_FILE)));
    {
        CRegKey k;
        ASSERT_EQ(k.Open(HKEY_CURRENT_USER, blokkum.key.SubKey()), ERROR_SUCCESS);
        DWORD firstRun = 1;
        EXPECT_EQ(k.QueryDWORD("FirstRun", firstRun), ERROR_SUCCESS);
        EXPECT_EQ(firstRun, 0u);
    }

    // The listener starts with the sheet, shortly after the window.
    const std::string request =
        "GET http://127.0.0.1:" + std::to_string(site.Port()) + "/ HTTP/1.1\r\nHost: x\r\n\r\n";
    auto get = [&] {
        std::string reply;
        for (int i = 0; i < 100 && reply.empty(); ++i) {
            SOCKET s = ConnectLoopback(blokkum.port);
            if (s != INVALID_SOCKET) {
                SendAll(s, request);
                reply = ReceiveResponse(s);
                closesocket(s);
            }
            if (reply.empty()) Sleep(100);
        }
        return reply;
    };
    const std::string reply = get();
    const size_t body = reply.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos) << reply;
    EXPECT_EQ(reply.find("<script", body), body + 4);
    EXPECT_NE(reply.find(BLOKKUM_POPUP_TITLE_MARKER), std::string::npos);
    EXPECT_NE(reply.find("<html><body>site</body></html>"), std::string::npos);

    // Switching catching off from the tray menu reaches the next page.
    // The sheet of this Blokkum, not one that a test running beside this one opened.
    HWND sheet = nullptr;
    while ((sheet = FindWindowExA(nullptr, sheet, WC_DIALOG, BLOKKUM_CAPTION)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(sheet, &owner);
        if (owner == blokkum.first.dwProcessId) break;
    }
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(PostMessageA(sheet, WM_COMMAND, ID_TRAY_CATCHING, 0));
    std::string plain = reply;
    for (int i = 0; i < 50 && plain.find("<script") != std::string::npos; ++i, Sleep(50)) plain = get();
    EXPECT_EQ(plain.substr(plain.find("\r\n\r\n") + 4), "<html><body>site</body></html>");

    // Another language chosen on the General page and applied: the hidden
    // window takes the new pack's caption, and the last browser's close,
    // sent to it by that caption, still ends the program.
    ASSERT_TRUE(SendMessageA(sheet, PSM_SETCURSEL, 2, 0));
    HWND options = HWND(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND languages = GetDlgItem(options, IDC_LANGUAGE);
    ASSERT_TRUE(languages);
    ASSERT_EQ(SendMessageA(languages, CB_GETCOUNT, 0, 0), 2);
    const LRESULT english = SendMessageA(languages, CB_GETCURSEL, 0, 0);
    SendMessageA(languages, CB_SETCURSEL, WPARAM(1 - english), 0);
    for (int twice = 0; twice < 2; ++twice)
        SendMessageA(options, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE, CBN_SELCHANGE), LPARAM(languages));
    SendMessageA(sheet, WM_COMMAND, ID_APPLY_NOW, 0);
    HWND renamed = FindWindowA(nullptr, CBlokkumProcess::kGermanTitle);
    EXPECT_TRUE(renamed) << "the hidden window kept its old caption";
    EXPECT_EQ(FindWindowA(nullptr, CBlokkumProcess::kWindowTitle), nullptr);

    // Exit chosen twice from the tray asks once; the last browser's close,
    // which the question's own loop hands to the hidden window, still ends
    // the program, question and all.
    ASSERT_TRUE(PostMessageA(sheet, WM_COMMAND, ID_TRAY_EXIT, 0));
    ASSERT_TRUE(PostMessageA(sheet, WM_COMMAND, ID_TRAY_EXIT, 0));
    for (int i = 0; i < 100 && !ShownBoxesOf(blokkum.first.dwProcessId, sheet); ++i) Sleep(100);
    Sleep(500);
    EXPECT_EQ(ShownBoxesOf(blokkum.first.dwProcessId, sheet), 1u);
    ASSERT_TRUE(PostMessageA(renamed ? renamed : window, WM_LASTBROWSERCLOSED, 0, 0));
    ASSERT_EQ(WaitForSingleObject(blokkum.first.hProcess, 15000), WAIT_OBJECT_0) << "the exit left a thread running";
    DWORD code = 1;
    GetExitCodeProcess(blokkum.first.hProcess, &code);
    EXPECT_EQ(code, 0u);
    // Saved: QVINI.ini holds every key now, and the Run value was written.
    const std::string ini = ReadFileText(blokkum.program.File(BLOKKUM_INI_FILE));
    EXPECT_NE(ini.find("DisplayOnTop=1"), std::string::npos);
    EXPECT_NE(ini.find("PopupCheckDisabled=1"), std::string::npos);
    {
        CRegKey k;
        CString language;
        ASSERT_EQ(k.Open(HKEY_CURRENT_USER, blokkum.key.SubKey()), ERROR_SUCCESS);
        EXPECT_EQ(k.QueryString("Language", language), ERROR_SUCCESS);
        EXPECT_EQ(language, "Deutsch") << "the chosen language was not saved for the next start";
    }
    CRegKey run;
    CString runValue;
    ASSERT_EQ(run.Open(HKEY_CURRENT_USER, blokkum.key.SubKey() + "\\Run"), ERROR_SUCCESS);
    EXPECT_EQ(run.QueryString(BLOKKUM_RUN_VALUE, runValue), ERROR_SUCCESS);
    EXPECT_EQ(ConnectLoopback(blokkum.port), INVALID_SOCKET);
}

}  // namespace
