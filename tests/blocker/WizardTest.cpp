// The set-up wizard, run on real pages against browsers under test keys and
// folders: the pages are driven by messages from a thread timer.
#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "Files.h"
#include "IEProxyTestSupport.h"
#include "OperaProxySettings.h"
#include "SetupWizard.h"
#include "TestSupport.h"
#include "WizardTestSupport.h"

namespace {
const CString kOurs = BLOKKUM_PROXY_TEXT;

// Windows 98 with Internet Explorer (a free and an already set dial-up
// connection), Opera 6 and one Mozilla profile, all under the test's keys.
struct WizardBed {
    CTestRegistryKey reg;
    CTempFolder root;
    CSavedKey realInternetSettings{BLOKKUM_INTERNET_SETTINGS_KEY};
    CScriptedMessageBoxes boxes;
    CBlokkumLocations where;
    CBrowserSystem system{CString(), "joe", TestVersion(1, 4, 10)};
    CString operaIni, prefsJs;
    CSkinObject skin;

    WizardBed() {
        where.key = reg.SubKey() + "\\Quorvane Blokkum";
        where.operaKey = reg.SubKey() + "\\Opera Software";
        where.mozillaKey = reg.SubKey() + "\\Mozilla";
        system.windowsFolder = root.File("WINDOWS");
        system.internetSettingsKey = reg.SubKey() + "\\Internet Settings";
        CRegKey connections, opera, mozilla;
        connections.Create(HKEY_CURRENT_USER, system.internetSettingsKey + "\\Connections");
        for (const auto& c : {std::make_pair("Ours", ConnectionBlob(3, kOurs)),
                              std::make_pair("Work", ConnectionBlob(1, ""))})
            connections.SetBinary(c.first, c.second.c_str(), DWORD(c.second.GetLength()));
        opera.Create(HKEY_CURRENT_USER, where.operaKey);
        opera.SetString("Last CommandLine", root.Write("Opera6\\Opera.exe", "MZ"));
        operaIni = root.Write("Opera6\\opera6.ini", "[User Prefs]\r\nLanguage=en\r\n");
        mozilla.Create(HKEY_CURRENT_USER, where.mozillaKey + "\\Mozilla 1.7");
        prefsJs = root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\ab12.slt\\prefs.js",
                             "user_pref(\"browser.startup.homepage\", \"about:blank\");\r\n");
    }
    CString UserJs() const { return FolderOf(prefsJs) + "\\user.js"; }
};

struct WizardRun {
    std::vector<int> visited;
    INT_PTR result = 0;
};

// Runs the wizard through the steps; the page index is noted before each step.
void RunWizard(CProxySettingSheet& sheet, std::vector<std::function<void(HWND sheet, HWND page)>> steps,
               WizardRun& run) {
    std::vector<DialogStep> driven;
    auto note = [&sheet, &run] {
        HWND page = HWND(SendMessageA(sheet.m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
        int index = int(SendMessageA(sheet.m_hWnd, PSM_HWNDTOINDEX, WPARAM(page), 0));
        if (run.visited.empty() || run.visited.back() != index) run.visited.push_back(index);
        return page;
    };
    for (auto& step : steps)
        driven.push_back([&sheet, note, step] {
            HWND page = note();
            step(sheet.m_hWnd, page);
        });
    CStepDriver driver(driven, [&sheet] { PostMessageA(sheet.m_hWnd, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
    run.result = sheet.DoModal();
    EXPECT_TRUE(CStepDriver::Finished());
}

auto Press(int button) {
    return [button](HWND sheet, HWND) { PostMessageA(sheet, PSM_PRESSBUTTON, WPARAM(button), 0); };
}
auto Click(int id) {
    return [id](HWND, HWND page) { ClickItem(page, id); };
}
bool ButtonOn(HWND sheet, int id) {
    HWND button = GetDlgItem(sheet, id);
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

DWORD Flag(const WizardBed& bed, const char* name) { return ReadDWORD(bed.where.ProxySettingKey(), name); }
}  // namespace

TEST(SetupWizard, SetModeRunToFinishPointsEveryChosenBrowserAtTheProxy) {
    WizardBed bed;
    CBlokkumSettings settings(bed.where);
    settings.ReadProxyFlags();
    CProxySettingSheet sheet(settings, bed.skin, nullptr, bed.system);
    sheet.m_nSetMode = 1;
    bool nextBeforeChoice = true, nextWithoutConnection = true, nextWithConnection = false, opera7Enabled = true;
    int countAfterCheckAll = -1, countAfterGreyedTry = -1;
    CString instruction;
    WizardRun run;
    RunWizard(sheet,
              {[&](HWND s, HWND page) {
                   nextBeforeChoice = ButtonOn(s, ID_WIZNEXT);
                   instruction = CWnd::GetWindowTextOf(GetDlgItem(page, IDC_WIZ_INSTRUCTION));
               },
               Click(IDC_WIZ_IE), Click(IDC_WIZ_NETSCAPE), Click(IDC_WIZ_OPERA), Press(PSBTN_NEXT),
               Click(IDC_WIZ_DIALUP), Click(IDC_WIZ_OPERA6),
               [&](HWND s, HWND page) {
                   nextWithoutConnection = ButtonOn(s, ID_WIZNEXT);
                   opera7Enabled = IsWindowEnabled(GetDlgItem(page, IDC_WIZ_OPERA7)) != FALSE;
                   ClickItem(page, IDC_WIZ_CHECK_ALL);
                   countAfterCheckAll = sheet.m_page2.m_nCheckedCount;
                   sheet.m_page2.m_list.SetCheck(0, TRUE);  // "Ours" carries the proxy already
                   countAfterGreyedTry = sheet.m_page2.m_nCheckedCount;
               },
               [&](HWND s, HWND) { nextWithConnection = ButtonOn(s, ID_WIZNEXT); }, Click(IDC_WIZ_LAN),
               Press(PSBTN_NEXT), Click(IDC_WIZ_CHECK_ALL), Press(PSBTN_NEXT), Press(PSBTN_FINISH)},
              run);

    EXPECT_EQ(INT_PTR(ID_WIZFINISH), run.result);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), run.visited);
    EXPECT_EQ(CString("Choose the browsers you want to set their proxy server."), instruction);
    EXPECT_FALSE(nextBeforeChoice);
    EXPECT_FALSE(nextWithoutConnection);
    EXPECT_FALSE(opera7Enabled);
    EXPECT_EQ(1, countAfterCheckAll);
    EXPECT_EQ(1, countAfterGreyedTry);
    EXPECT_TRUE(nextWithConnection);

    EXPECT_EQ(1u, Flag(bed, BLOKKUM_FLAG_LAN));
    EXPECT_EQ(1u, Flag(bed, BLOKKUM_FLAG_DIALUP));
    EXPECT_EQ(1u, Flag(bed, BLOKKUM_FLAG_NETSCAPE));
    EXPECT_EQ(1u, Flag(bed, BLOKKUM_FLAG_OPERA6));
    EXPECT_EQ(0u, sheet.m_pIE->m_connections[0].checked);
    EXPECT_EQ(1u, sheet.m_pIE->m_connections[1].checked);
    CRegKey real;
    CString server;
    ASSERT_EQ(ERROR_SUCCESS, real.Open(HKEY_CURRENT_USER, BLOKKUM_INTERNET_SETTINGS_KEY));
    real.QueryString("ProxyServer", server);
    EXPECT_EQ(kOurs, server);
    EXPECT_TRUE(IsIniConfigured(bed.operaIni));
    EXPECT_NE(std::string::npos, ReadFileText(bed.UserJs()).find("\"network.proxy.http\", \"" BLOKKUM_PROXY_HOST_ALIAS "\""));
    ASSERT_EQ(1u, bed.boxes.Boxes().size());
    EXPECT_EQ("Netscape Proxy Setting", bed.boxes.Boxes()[0].caption);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), bed.boxes.Boxes()[0].type);
    ExpectNoWindowLeftOpen();
}

TEST(SetupWizard, NetscapeAloneSkipsPageTwoBothWaysAndCancelChangesNothing) {
    WizardBed bed;
    CBlokkumSettings settings(bed.where);
    settings.ReadProxyFlags();
    settings.m_strWizardMessage = "N";
    CProxySettingSheet sheet(settings, bed.skin, nullptr, bed.system);
    sheet.m_nSetMode = 1;
    bool nextOnEmptyList = true;
    WizardRun run;
    RunWizard(sheet,
              {Click(IDC_WIZ_NETSCAPE), Press(PSBTN_NEXT), Press(PSBTN_BACK), Press(PSBTN_NEXT),
               [&](HWND s, HWND) { nextOnEmptyList = ButtonOn(s, ID_WIZNEXT); }, Click(IDC_WIZ_CHECK_ALL),
               Press(PSBTN_NEXT), Press(PSBTN_BACK), Press(PSBTN_CANCEL)},
              run);
    EXPECT_EQ(INT_PTR(IDCANCEL), run.result);
    EXPECT_EQ((std::vector<int>{0, 2, 0, 2, 3, 2}), run.visited);
    EXPECT_FALSE(nextOnEmptyList);
    EXPECT_EQ(CString("A"), settings.m_strWizardMessage);
    EXPECT_FALSE(FileExists(bed.UserJs()));
    EXPECT_EQ(99u, Flag(bed, BLOKKUM_FLAG_NETSCAPE));
    EXPECT_TRUE(bed.boxes.Boxes().empty());
    ExpectNoWindowLeftOpen();
}

TEST(SetupWizard, ResetModeWithNothingConfiguredOffersOnlyFinish) {
    WizardBed bed;
    // A dial-up connection carrying the proxy is a configured browser: none here.
    {
        CRegKey connections;
        ASSERT_EQ(connections.Open(HKEY_CURRENT_USER, bed.system.internetSettingsKey + "\\Connections", KEY_WRITE),
                  ERROR_SUCCESS);
        connections.DeleteValue("Ours");
    }
    CBlokkumSettings settings(bed.where);
    settings.ReadProxyFlags();
    CProxySettingSheet sheet(settings, bed.skin, nullptr, bed.system);
    CString instruction;
    bool finishOn = false, backOn = true, anyBrowserOn = true;
    WizardRun run;
    RunWizard(sheet,
              {[&](HWND s, HWND page) {
                   instruction = CWnd::GetWindowTextOf(GetDlgItem(page, IDC_WIZ_INSTRUCTION));
                   finishOn = ButtonOn(s, ID_WIZFINISH);
                   backOn = ButtonOn(s, ID_WIZBACK);
                   anyBrowserOn = false;
                   for (int id : {IDC_WIZ_IE, IDC_WIZ_NETSCAPE, IDC_WIZ_OPERA})
                       anyBrowserOn = anyBrowserOn || IsWindowEnabled(GetDlgItem(page, id));
               },
               Press(PSBTN_FINISH)},
              run);
    EXPECT_EQ(INT_PTR(ID_WIZFINISH), run.result);
    EXPECT_EQ(CString("You haven't any configured browser to reset it."), instruction);
    EXPECT_TRUE(finishOn);
    EXPECT_FALSE(backOn);
    EXPECT_FALSE(anyBrowserOn);
    EXPECT_EQ(std::string("[User Prefs]\r\nLanguage=en\r\n"), ReadFileText(bed.operaIni));
    EXPECT_FALSE(FileExists(bed.UserJs()));
    EXPECT_TRUE(bed.boxes.Boxes().empty());
    ExpectNoWindowLeftOpen();
}

TEST(SetupWizard, FinishOnAProfilePageWithNothingToChooseStillAppliesTheOtherBrowsers) {
    WizardBed bed;
    bed.root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\ab12.slt\\user.js",
                   "user_pref(\"network.proxy.http\", \"" BLOKKUM_PROXY_HOST_ALIAS "\");\r\n"
                   "user_pref(\"network.proxy.http_port\", 8100);\r\nuser_pref(\"network.proxy.type\", 1);\r\n");
    CBlokkumSettings settings(bed.where);
    settings.ReadProxyFlags();
    CProxySettingSheet sheet(settings, bed.skin, nullptr, bed.system);
    sheet.m_nSetMode = 1;
    WizardRun run;
    RunWizard(sheet,
              {Click(IDC_WIZ_IE), Click(IDC_WIZ_NETSCAPE), Press(PSBTN_NEXT), Click(IDC_WIZ_LAN), Press(PSBTN_NEXT),
               Press(PSBTN_FINISH)},
              run);
    EXPECT_EQ(INT_PTR(ID_WIZFINISH), run.result);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), run.visited);
    EXPECT_EQ(1u, Flag(bed, BLOKKUM_FLAG_LAN));
    EXPECT_TRUE(bed.boxes.Boxes().empty());
    ExpectNoWindowLeftOpen();
}
