#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BrowserHelper.h"
#include "Registry.h"
#include "TestSupport.h"

using namespace Blokkjack;

namespace {

const char kBrowser[] = "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE";

class BrowserHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(InstanceCount(), 0);
        m_saved = Locations();
        Locations().blokkumKey = m_key.SubKey() + "\\Blokkum";
        Locations().internetSettingsKey = m_key.SubKey() + "\\Internet Settings";
        Locations().runKey = m_key.SubKey() + "\\Run";
        Locations().machineRoot = HKEY_CURRENT_USER;
        // '#' stays in a caption: Blokkum titles its window with the pack's text as it stands.
        m_title.Format("Blokkum under#test %lu-%lu", GetCurrentProcessId(), GetTickCount());
        CRegKey blokkum;
        ASSERT_EQ(blokkum.Create(HKEY_CURRENT_USER, Locations().blokkumKey), ERROR_SUCCESS);
        blokkum.SetString("Path", m_folder.Path());
        blokkum.SetString("Language", "Pack");
        m_folder.Write("Language\\Pack.ini", std::string("[QuorvaneBlokkum]\r\n9999=") + m_title.c_str() + "\r\n");
        SetHelperModulePath(m_folder.File("Blokkjack.dll"));
        SetProgramStartHook([this](const char* commandLine, UINT show) {
            m_started.push_back(std::string(commandLine) + " " + std::to_string(show));
            return 33u;
        });
    }
    void TearDown() override {
        SetProgramStartHook(nullptr);
        CloseBlokkum();
        Locations() = m_saved;
        EXPECT_EQ(InstanceCount(), 0) << "a case left counts behind";
    }

    void WriteStartup(const char* value) {
        m_folder.Write("QVINI.ini", std::string("[QuorvaneBlokkum]\r\nStartup=") + value + "\r\n");
    }
    void OpenBlokkum() {
        m_window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", m_title, 0, 0, 0, 0, 0, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_window, nullptr);
    }
    void CloseBlokkum() {
        if (m_window) DestroyWindow(m_window);
        m_window = nullptr;
    }
    int ExitNotices() {
        int notices = 0;
        MSG msg;
        while (PeekMessageA(&msg, m_window, WM_LASTBROWSERCLOSED, WM_LASTBROWSERCLOSED, PM_REMOVE)) ++notices;
        return notices;
    }

    CTempFolder m_folder;
    CTestRegistryKey m_key;
    CHelperLocations m_saved;
    CString m_title;
    HWND m_window = nullptr;
    std::vector<std::string> m_started;
};

TEST_F(BrowserHelperTest, BlokkumStartedWithTheFirstBrowserIsToldToExitWhenTheLastCloses) {
    WriteStartup("1");
    bool first = false, second = false;
    EXPECT_TRUE(OnProcessAttach(kBrowser, first));
    EXPECT_EQ(m_started, std::vector<std::string>{"\"" + std::string(m_folder.File("Blokkum.exe")) + "\" " +
                                                  std::to_string(SW_SHOW)});
    EXPECT_EQ(InstanceCount(), 1);

    OpenBlokkum();
    EXPECT_TRUE(OnProcessAttach(kBrowser, second));
    EXPECT_EQ(m_started.size(), 1u);
    EXPECT_EQ(InstanceCount(), 2);

    OnProcessDetach(kBrowser, first);
    EXPECT_EQ(InstanceCount(), 1);
    EXPECT_EQ(ExitNotices(), 0);
    OnProcessDetach(kBrowser, second);
    EXPECT_EQ(InstanceCount(), 0);
    EXPECT_EQ(ExitNotices(), 1);
}

TEST_F(BrowserHelperTest, BlokkumRunningBeforeTheBrowserKeepsItsOwnCount) {
    WriteStartup("2");
    OpenBlokkum();
    bool browser = false;
    EXPECT_TRUE(OnProcessAttach(kBrowser, browser));
    EXPECT_EQ(InstanceCount(), 2);
    OnProcessDetach(kBrowser, browser);
    EXPECT_EQ(InstanceCount(), 1);
    EXPECT_EQ(ExitNotices(), 0);

    // Blokkum's own count, so that the next case starts from nothing.
    bool blokkumsOwn = true;
    OnProcessDetach(kBrowser, blokkumsOwn);
}

TEST_F(BrowserHelperTest, AnEmptyInstanceTitleInThePackLooksForTheBuiltInOne) {
    m_folder.Write("Language\\Pack.ini", "[QuorvaneBlokkum]\r\n9999=\r\n");
    m_title = BLOKKUM_INSTANCE_TITLE;
    OpenBlokkum();
    // This window or a running Blokkum's: never one without a title.
    char title[256] = {};
    GetWindowTextA(FindBlockerWindow(), title, sizeof title);
    EXPECT_STREQ(title, BLOKKUM_INSTANCE_TITLE);
}

TEST_F(BrowserHelperTest, LoadsOnlyWhereItsStartModeAndHostAllowItAndCountsNothingElse) {
    const struct {
        const char* startup;  // null: no QVINI.ini
        const char* host;
        BOOL loads;
    } cases[] = {{"0", kBrowser, FALSE}, {"2", kBrowser, FALSE}, {nullptr, kBrowser, FALSE},
                 {"1", "C:\\WINDOWS\\Explorer.EXE", FALSE}, {"1", "C:\\Tools\\regsvr32.exe", TRUE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " Startup=" + (c.startup ? c.startup : "(none)"));
        DeleteFileA(m_folder.File("QVINI.ini"));
        if (c.startup) WriteStartup(c.startup);
        bool counted = false;
        EXPECT_EQ(OnProcessAttach(c.host, counted), c.loads);
        EXPECT_TRUE(m_started.empty());
        EXPECT_EQ(InstanceCount(), 0);
        // Windows detaches a refused module too: no count may go, no notice
        // may reach a Blokkum that runs by then.
        OpenBlokkum();
        OnProcessDetach(c.host, counted);
        EXPECT_EQ(InstanceCount(), 0);
        EXPECT_EQ(ExitNotices(), 0);
        CloseBlokkum();
    }
}

TEST_F(BrowserHelperTest, RestoreGivesInternetExplorerItsSavedProxyOnce) {
    const std::pair<const char*, std::string> texts[] = {{"01,00,00,00", std::string("\x01\x00\x00\x00", 4)},
                                                         {"1", "\x01"}, {"ff 1A", "\xff\x1a"},
                                                         {"100,", std::string(1, '\0')}, {"", ""}};
    for (const auto& t : texts) {
        CString bytes = ParseSavedBytes(t.first);
        EXPECT_EQ(std::string(bytes.c_str(), size_t(bytes.GetLength())), t.second) << t.first;
    }

    // Nothing saved, or no settings key: nothing to give back.
    m_folder.Write("Browser.ini", "[IE Settings]\r\nProxy=old:80\r\n");
    EXPECT_EQ(RestoreIE(), 0);
    m_folder.Write("Browser.ini", "[IE Settings]\r\nSaved=1\r\nProxy=old:80\r\nProxyEnable=01,00,00,00\r\n");
    EXPECT_EQ(RestoreIE(), 0);

    CRegKey settings;
    ASSERT_EQ(settings.Create(HKEY_CURRENT_USER, Locations().internetSettingsKey), ERROR_SUCCESS);
    // A proxy someone has set since Blokkum's stays theirs, and nothing is
    // told restored: the saved values wait for a later call.
    settings.SetString("ProxyServer", "company:3128");
    settings.SetDWORD("ProxyEnable", 1);
    EXPECT_EQ(RestoreIE(), 0);
    CString server, enable;
    settings.QueryString("ProxyServer", server);
    EXPECT_EQ(server, "company:3128");
    EXPECT_EQ(ReadFileText(m_folder.File("Browser.ini")).find("Restored"), std::string::npos);

    // Blokkum's proxy switched off by hand is still Blokkum's.
    settings.SetString("ProxyServer", BLOKKUM_PROXY_TEXT);
    settings.SetDWORD("ProxyEnable", 0);
    EXPECT_EQ(RestoreIE(), 1);
    DWORD type = 0;
    settings.QueryString("ProxyServer", server);
    settings.QueryBinary("ProxyEnable", enable, &type);
    EXPECT_EQ(server, "old:80");
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(std::string(enable.c_str(), size_t(enable.GetLength())), std::string("\x01\x00\x00\x00", 4));
    EXPECT_NE(ReadFileText(m_folder.File("Browser.ini")).find("Restored=1"), std::string::npos);

    settings.SetString("ProxyServer", "changed since");
    EXPECT_EQ(RestoreIE(), 1);
    settings.QueryString("ProxyServer", server);
    EXPECT_EQ(server, "changed since");
}

// The program of a Run value, found as Windows finds it: a quoted path, or
// the shortest run of an unquoted one that names a file.
TEST_F(BrowserHelperTest, TheProgramOfARunValueIsReadAsWindowsReadsIt) {
    const CString program = m_folder.Write("Program Files\\Quorvane\\Blokkum\\Blokkum.exe", "MZ");
    m_folder.Write("Program Files\\Quorvane\\Blokkum\\Blokkum.exe extra", "not the program");
    const CString folder = m_folder.Path();
    const struct {
        CString value;
        CString program;
    } cases[] = {
        {program, program},
        {program + " /min", program},
        {program + " extra", program},
        {"\"" + program + "\" /min", program},
        {folder + "\\Program Files\\Quorvane\\Blokkum\\Blokkum /min", program},
        {folder + "\\Program Files\\Missing.exe /min", folder + "\\Program Files\\Missing.exe /min"},
    };
    for (const auto& c : cases) EXPECT_EQ(RunValueProgram(c.value).CompareNoCase(c.program), 0) << c.value.c_str();

    CRegKey run;
    ASSERT_EQ(run.Create(HKEY_CURRENT_USER, Locations().runKey), ERROR_SUCCESS);
    run.SetString(BLOKKUM_RUN_VALUE, program + " /min");
    DeleteRunValues(RunValueRule::kWhereProgramIsGone);
    EXPECT_TRUE(run.HasValue(BLOKKUM_RUN_VALUE)) << "Blokkum is installed: the user's autostart stays";
    DeleteFileA(program);
    DeleteRunValues(RunValueRule::kWhereProgramIsGone);
    EXPECT_FALSE(run.HasValue(BLOKKUM_RUN_VALUE));
}

}  // namespace
