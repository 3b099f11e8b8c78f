#include <gtest/gtest.h>

#include "BlokkumSettings.h"
#include "BlokkumShared.h"
#include "ErrorReport.h"
#include "Files.h"
#include "Registry.h"
#include "TestSupport.h"

namespace {
// Stores of one test: its own registry tree and folder.
struct SettingsFixture {
    CTestRegistryKey reg;
    CTempFolder folder;
    CBlokkumLocations where;
    SettingsFixture() {
        where.key = reg.SubKey() + "\\Quorvane Blokkum";
        where.runKey = reg.SubKey() + "\\Run";
        where.operaKey = reg.SubKey() + "\\Opera Software";
        where.mozillaKey = reg.SubKey() + "\\Mozilla";
        where.iniFolder = folder.Path();
    }
    void SeedInstalledKey() const {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, where.key);
        key.SetString("Language", "English");
        key.SetString("Path", "C:\\Program Files\\Blokkum");
        key.SetString("Blocked Popups", "17");
        key.SetString("User Wav Path", "");
    }
    CString Value(const CString& subKey, const char* name) const {
        CRegKey key;
        CString value;
        if (key.Open(HKEY_CURRENT_USER, subKey) != ERROR_SUCCESS) return "<no key>";
        if (key.QueryString(name, value) != ERROR_SUCCESS) return "<no value>";
        return value;
    }
};

const char kCorrupted[] = "Sorry, but some files have been corrupted, you have to re-install the program";
}  // namespace

TEST(BlokkumSettings, EachMissingRequiredValueEndsTheLoadWithOneReport) {
    const char* missing[] = {nullptr, "Language", "Path", "Blocked Popups", "User Wav Path"};
    for (const char* name : missing) {
        SCOPED_TRACE(name ? name : "whole key");
        SettingsFixture f;
        if (name) {
            f.SeedInstalledKey();
            CRegKey key;
            key.Open(HKEY_CURRENT_USER, f.where.key, KEY_WRITE);
            key.DeleteValue(name);
        }
        CScriptedMessageBoxes boxes;
        CBlokkumSettings settings(f.where);
        EXPECT_EQ(settings.LoadRegistrySettings(), -1);
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, kCorrupted);
        EXPECT_EQ(shown[0].caption, BLOKKUM_CAPTION);
        EXPECT_EQ(shown[0].type & 0xF, UINT(MB_OK));
    }
}

TEST(BlokkumSettings, LoadAcceptsAnEmptySoundPathAndAsksTheWizardQuestionByDefault) {
    SettingsFixture f;
    f.SeedInstalledKey();
    CScriptedMessageBoxes boxes;
    CBlokkumSettings settings(f.where);
    ASSERT_EQ(settings.LoadRegistrySettings(), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(settings.m_strWizardMessage, "A");
    EXPECT_EQ(settings.m_strBlockedPopups, "17");
    EXPECT_EQ(settings.m_strUserWavPath, "");
    // An empty value plays, and shows as, the shipped sound.
    EXPECT_EQ(settings.AlertSound(), "C:\\Program Files\\Blokkum\\Sounds\\PopUp.wav");
    EXPECT_EQ(settings.Language().PackPath(), "C:\\Program Files\\Blokkum\\Language\\English.ini");
}

TEST(BlokkumSettings, ASoundPathLongerThanAWindowsPathIsSavedBackWhole) {
    SettingsFixture f;
    f.SeedInstalledKey();
    const CString sound = "D:\\" + CString('s', 300) + "\\bell.wav";
    {
        CRegKey key;
        key.Open(HKEY_CURRENT_USER, f.where.key, KEY_WRITE);
        key.SetString("User Wav Path", sound);
    }
    CBlokkumSettings settings(f.where);
    ASSERT_EQ(settings.LoadRegistrySettings(), 0);
    EXPECT_EQ(settings.AlertSound(), sound);
    settings.SaveRegistrySettings();
    EXPECT_EQ(f.Value(f.where.key, "User Wav Path"), sound);
}

TEST(BlokkumSettings, SaveWritesTheKeyTheRunValueAndCloseToTray) {
    struct Row {
        UINT startup;
        const char* run;
    } rows[] = {{2, "C:\\Program Files\\Blokkum\\Blokkum.exe"}, {1, ""}, {0, ""}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.startup);
        SettingsFixture f;
        f.SeedInstalledKey();
        CBlokkumSettings settings(f.where);
        ASSERT_EQ(settings.LoadRegistrySettings(), 0);
        settings.m_ini.Startup = r.startup;
        settings.m_strBlockedPopups = "18";
        settings.m_strWizardMessage = "N";
        settings.m_strLanguage = "Deutsch";  // not marked as changed
        settings.m_dwCloseToTray = 0;
        settings.SaveRegistrySettings();
        EXPECT_EQ(f.Value(f.where.runKey, BLOKKUM_RUN_VALUE), r.run);
        EXPECT_EQ(f.Value(f.where.key, "Blocked Popups"), "18");
        EXPECT_EQ(f.Value(f.where.key, "Wizard Message"), "N");
        EXPECT_EQ(f.Value(f.where.key, "Language"), "English");
        EXPECT_EQ(f.Value(f.where.key, "Installation Date"), "<no value>");
        CRegKey key;
        key.Open(HKEY_CURRENT_USER, f.where.key);
        DWORD closeToTray = 7;
        EXPECT_EQ(key.QueryDWORD("Close To Tray", closeToTray), ERROR_SUCCESS);
        EXPECT_EQ(closeToTray, 0u);
    }
}

TEST(BlokkumSettings, SaveWritesLanguageAndDateOnlyWhenChanged) {
    SettingsFixture f;
    f.SeedInstalledKey();
    CBlokkumSettings settings(f.where);
    ASSERT_EQ(settings.LoadRegistrySettings(), 0);
    settings.m_strLanguage = "Deutsch";
    settings.m_bLanguageChanged = true;
    settings.m_strInstallationDate = "12/09/2026";
    settings.m_bInstallationDateChanged = true;
    settings.SaveRegistrySettings();
    EXPECT_EQ(f.Value(f.where.key, "Language"), "Deutsch");
    EXPECT_EQ(f.Value(f.where.key, "Installation Date"), "12/09/2026");
}

// Every key of QVINI.ini, so one comparison covers the whole file.
static void ExpectSameIni(const CBlokkumIniSettings& a, const CBlokkumIniSettings& b) {
    EXPECT_EQ(a.PopupPort, b.PopupPort);
    EXPECT_EQ(a.GatewayIP, b.GatewayIP);
    EXPECT_EQ(a.GatewayPort, b.GatewayPort);
    EXPECT_EQ(a.GatewayEnable, b.GatewayEnable);
    EXPECT_EQ(a.BannerBlock, b.BannerBlock);
    EXPECT_EQ(a.Startup, b.Startup);
    EXPECT_EQ(a.DisplayOnTop, b.DisplayOnTop);
    EXPECT_EQ(a.Disabled, b.Disabled);
    EXPECT_EQ(a.UseDefaultBufferSizes, b.UseDefaultBufferSizes);
    EXPECT_EQ(a.BufferSize, b.BufferSize);
    EXPECT_EQ(a.DNSCacheSize, b.DNSCacheSize);
    EXPECT_EQ(a.DNSCacheDisable, b.DNSCacheDisable);
    EXPECT_EQ(a.PopupCatching, b.PopupCatching);
    EXPECT_EQ(a.PlayWave, b.PlayWave);
    EXPECT_EQ(a.ConnectionTimeOut, b.ConnectionTimeOut);
    EXPECT_EQ(a.UseDefaultTimeOut, b.UseDefaultTimeOut);
}

TEST(BlokkumSettings, WithoutAnIniFileEveryKeyHasItsDefault) {
    SettingsFixture f;
    CBlokkumSettings settings(f.where);
    settings.m_ini.PopupPort = 1;
    settings.m_ini.PopupCatching = false;
    settings.LoadIniSettings();
    CBlokkumIniSettings expected;
    expected.PopupPort = 8100; expected.GatewayIP = ""; expected.GatewayPort = 80; expected.GatewayEnable = 0;
    expected.BannerBlock = 0; expected.Startup = 2; expected.DisplayOnTop = 1; expected.Disabled = 0;
    expected.UseDefaultBufferSizes = 1; expected.BufferSize = 8192; expected.DNSCacheSize = 10;
    expected.DNSCacheDisable = 1; expected.PopupCatching = true; expected.PlayWave = 1;
    expected.ConnectionTimeOut = 60; expected.UseDefaultTimeOut = 1;
    ExpectSameIni(settings.m_ini, expected);
}

TEST(BlokkumSettings, IniRoundTripsEveryKeyWithCatchingStoredInverted) {
    SettingsFixture f;
    CBlokkumSettings out(f.where);
    CBlokkumIniSettings& w = out.m_ini;
    w.PopupPort = 8200; w.GatewayIP = "10.0.0.5"; w.GatewayPort = 3128; w.GatewayEnable = 1;
    w.BannerBlock = 1; w.Startup = 1; w.DisplayOnTop = 0; w.Disabled = 1; w.UseDefaultBufferSizes = 0;
    w.BufferSize = 4096; w.DNSCacheSize = 50; w.DNSCacheDisable = 0; w.PopupCatching = false;
    w.PlayWave = 0; w.ConnectionTimeOut = 30; w.UseDefaultTimeOut = 0;
    out.SaveIniSettings();

    const CString ini = JoinPath(f.folder.Path(), "QVINI.ini");
    EXPECT_EQ(GetPrivateProfileIntA("QuorvaneBlokkum", "PopupCheckDisabled", 9, ini), 1u);
    EXPECT_EQ(GetPrivateProfileIntA("QuorvaneBlokkum", "PopupPort", 0, ini), 8200u);
    CBlokkumSettings in(f.where);
    in.LoadIniSettings();
    ExpectSameIni(in.m_ini, w);
}

TEST(BlokkumSettings, DamagedIniValuesFallBackToTheirDefaults) {
    SettingsFixture f;
    f.folder.Write("QVINI.ini",
                   "[QuorvaneBlokkum]\r\nPopupPort=abc\r\nGatewayPort=70000\r\nStartup=7\r\nBufferSize=0\r\n"
                   "ConnectionTimeOut=-5\r\nDisabled=1\r\nPopupCheckDisabled=yes\r\n\x01\x02garbage\r\n");
    CBlokkumSettings settings(f.where);
    settings.LoadIniSettings();
    EXPECT_EQ(settings.m_ini.PopupPort, 8100u);
    EXPECT_EQ(settings.m_ini.GatewayPort, 80u);
    EXPECT_EQ(settings.m_ini.Startup, 2u);
    EXPECT_EQ(settings.m_ini.BufferSize, 8192u);
    EXPECT_EQ(settings.m_ini.ConnectionTimeOut, 60u);
    EXPECT_EQ(settings.m_ini.Disabled, 1u);
    EXPECT_TRUE(settings.m_ini.PopupCatching);
}

TEST(BlokkumSettings, AFailedIniWriteIsReportedOnceAndNeverShown) {
    SettingsFixture f;
    f.where.iniFolder = f.folder.File("no such folder");
    std::vector<std::string> reports;
    SetProxyErrorHook([&](const char* text) { reports.push_back(text); });
    CScriptedMessageBoxes boxes;
    CBlokkumSettings settings(f.where);
    settings.SaveIniSettings();
    settings.SaveIniSettings();
    SetProxyErrorHook(nullptr);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], std::string("Error writing to file:\n") + settings.IniPath().c_str());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(BrowserPresence, OperaAndMozillaAreFoundFromTheirValuesAndFiles) {
    struct Row {
        const char* name;
        const char* lastCommandLine;  // nullptr: value absent
        const char* lastDirectory2;
        const char* lastCommandLineV2;
        bool mozillaSubKey;
        bool opera6, opera7, mozilla;
    } rows[] = {
        {"nothing", nullptr, nullptr, nullptr, false, false, false, false},
        {"opera 6 file", "<dir>\\op6\\Opera.exe", nullptr, nullptr, false, true, false, false},
        {"opera 6 gone", "<dir>\\gone\\Opera.exe", nullptr, nullptr, false, false, false, false},
        {"opera 7 folder", nullptr, "<dir>\\op7", nullptr, true, false, true, true},
        {"opera 7 command line", nullptr, nullptr, "<dir>\\op7\\Opera.exe", false, false, true, false},
        {"folder wins over command line", nullptr, "<dir>\\gone", "<dir>\\op7\\Opera.exe", false, false, false,
         false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SettingsFixture f;
        f.folder.Write("op6\\Opera.exe", "MZ");
        f.folder.Write("op7\\Opera.exe", "MZ");
        auto expand = [&](const char* v) {
            CString s(v);
            s.Replace("<dir>", f.folder.Path());
            return s;
        };
        CRegKey opera;
        opera.Create(HKEY_CURRENT_USER, f.where.operaKey);
        if (r.lastCommandLine) opera.SetString("Last CommandLine", expand(r.lastCommandLine));
        if (r.lastDirectory2) opera.SetString("Last Directory2", expand(r.lastDirectory2));
        if (r.lastCommandLineV2) opera.SetString("Last CommandLine v2", expand(r.lastCommandLineV2));
        CRegKey mozilla;
        mozilla.Create(HKEY_CURRENT_USER, f.where.mozillaKey);
        if (r.mozillaSubKey) {
            CRegKey sub;
            sub.Create(HKEY_CURRENT_USER, f.where.mozillaKey + "\\Mozilla 1.7");
        }
        CBlokkumSettings settings(f.where);
        settings.DetectOpera();
        settings.DetectMozilla();
        EXPECT_EQ(settings.m_bOpera6Installed, r.opera6);
        EXPECT_EQ(settings.m_bOpera7Installed, r.opera7);
        EXPECT_EQ(settings.m_bMozillaInstalled, r.mozilla);
    }
}

TEST(BrowserPresence, FlagsOfUninstalledBrowsersAreClearedInTheRegistry) {
    SettingsFixture f;
    f.folder.Write("op7\\Opera.exe", "MZ");
    CRegKey opera;
    opera.Create(HKEY_CURRENT_USER, f.where.operaKey);
    opera.SetString("Last Directory2", f.folder.File("op7"));
    CRegKey flags;
    flags.Create(HKEY_CURRENT_USER, f.where.ProxySettingKey());
    const char* names[] = {BLOKKUM_FLAG_LAN, BLOKKUM_FLAG_DIALUP, BLOKKUM_FLAG_NETSCAPE, BLOKKUM_FLAG_OPERA6,
                           BLOKKUM_FLAG_OPERA7};
    for (const char* n : names) flags.SetDWORD(n, 1);

    CBlokkumSettings settings(f.where);
    settings.ReadProxyFlags();
    EXPECT_EQ(settings.m_dwLanConfigured, 1u);
    EXPECT_EQ(settings.m_dwDialUpConfigured, 1u);
    EXPECT_EQ(settings.m_dwOpera7Configured, 1u);
    EXPECT_EQ(settings.m_dwOpera6Configured, 0u);
    EXPECT_EQ(settings.m_dwNetscapeConfigured, 0u);
    DWORD stored[5] = {};
    for (int i = 0; i < 5; ++i) flags.QueryDWORD(names[i], stored[i]);
    EXPECT_EQ(stored[0], 1u);
    EXPECT_EQ(stored[1], 1u);
    EXPECT_EQ(stored[2], 0u);
    EXPECT_EQ(stored[3], 0u);
    EXPECT_EQ(stored[4], 1u);
}
