// The real main dialog under Wine, driven by messages from a thread timer:
// start-up hidden behind its tray icon, a page through the running proxy on
// an ephemeral port, the pages showing what the engine recorded, hiding,
// relabelling, and the exit that saves Options.opt and gives the browsers back.
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "EngineSettings.h"
#include "EngineTestSupport.h"
#include "Files.h"
#include "Menu.h"
#include "Seams.h"
#include "MainDialog.h"
#include "OptionsFile.h"
#include "RegistryKey.h"
#include "TextTable.h"
#include "Tray.h"
#include "VeilrunApp.h"
#include "VeilrunIds.h"
#include "VeilrunTestSupport.h"

namespace {

struct CNotifyCall {
    DWORD command;
    std::string info;
};
std::vector<CNotifyCall> g_notifyCalls;

BOOL RecordNotify(DWORD command, NOTIFYICONDATAA* data) {
    g_notifyCalls.push_back({command, data->szInfo});
    return TRUE;
}

std::vector<std::string> g_menuItems;
BOOL RecordMenu(HMENU menu, UINT, int, int, HWND) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = "";
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        g_menuItems.push_back(text);
    }
    g_menuItems.push_back(std::to_string(GetMenuDefaultItem(menu, FALSE, 0)));
    return TRUE;
}

// Steps run one after another from a thread timer inside the dialog's modal
// loop; a step that returns false is tried again on the next tick.
std::deque<std::function<bool()>> g_steps;
int g_tries = 0;

void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD) {
    if (g_steps.empty()) return;
    if (g_steps.front()() || ++g_tries > 100) {
        g_steps.pop_front();
        g_tries = 0;
    }
}

CSortListCtrl& SitesList(CMainDialog& dialog) { return static_cast<CSitesPage*>(dialog.Pages().GetPage(0))->m_list; }
CSortListCtrl& EventsList(CMainDialog& dialog) { return static_cast<CEventsPage*>(dialog.Pages().GetPage(1))->m_list; }

class MainDialog : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareVeilrunWindows();
        g_Engine = VeilrunEngineSettings();
        g_Engine.ListenPort = 0;
        g_Engine.bSocketErrorBox = false;
        g_Engine.StopWaitMs = 3000;
        g_Engine.CloseSocketPauseMs = 0;
        g_Engine.ExitPauseMs = 0;
        g_Engine.DrainStepMs = 20;
        g_Engine.IsOnline = [] { return false; };
        g_notifyCalls.clear();
        SetNotifyIconHook(RecordNotify);
        SetTrackPopupHook(RecordMenu);
        world.Write("profile\\Application Data\\Mozilla\\p1\\default\\x1\\prefs.js",
                    "user_pref(\"network.proxy.type\", 0);\r\n");
        world.Write("profile\\Application Data\\Opera\\u1\\profile\\opera6.ini", "[Proxy]\r\nUse HTTP=0\r\n");
        world.Write("Language\\English.ini", "[QuorvaneVeilrun]\r\n");
        world.Write("Language\\Old.v1.ini", "[QuorvaneVeilrun]\r\n");
        world.Write("Language\\Pig.ini", "[QuorvaneVeilrun]\r\n2 = Itessay\r\n8=Owshay allay\r\n");
    }
    void TearDown() override {
        SetNotifyIconHook(nullptr);
        SetTrackPopupHook(nullptr);
        SetHtmlHelpHook(nullptr);
        g_Engine = VeilrunEngineSettings();
    }
    INT_PTR Run(CMainDialog& dialog) {
        CWinApp app("VeilrunTest");
        UINT_PTR timer = SetTimer(nullptr, 0, 50, RunStep);
        INT_PTR result = RunMainDialog(app, dialog);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(g_steps.empty()) << g_steps.size() << " steps did not run";
        g_steps.clear();
        return result;
    }
    CVeilrunWorld world;
};

TEST_F(MainDialog, RunsHiddenServesPagesShowsRecordsAndExitsCleanly) {
    COriginServer origin([](const COriginRequest&) {
        COriginReply reply;
        reply.pieces = {HttpResponse("text/html", "<html><body>veiled</body></html>")};
        reply.close = true;
        return reply;
    });
    CMainDialog dialog;
    std::string reply;
    CString help;
    SetHtmlHelpHook([&](HWND, const char* file, UINT, DWORD_PTR topic) {
        help = CString(file) + "|" + reinterpret_cast<const char*>(topic);
        return HWND(nullptr);
    });
    g_steps = {
        [&] { return !dialog.IsWindowVisible() && dialog.Listener().IsListening(); },
        [&] {
            EXPECT_EQ(world.Program(), RegistryText(g_Places.RunKey, kAutostartValue));
            EXPECT_EQ(1, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable"));
            EXPECT_NE(std::string::npos, ReadFileText(world.PrefsPath()).find("\"network.proxy.type\", 1);"));
            EXPECT_NE(std::string::npos, ReadFileText(world.OperaPath()).find("HTTP Server=127.0.0.1:"));
            EXPECT_TRUE(!g_notifyCalls.empty() && g_notifyCalls[0].command == NIM_ADD &&
                        g_notifyCalls[0].info == "Welcome to Quorvane Veilrun...");
            ::SendMessageA(dialog.Tray()->Window(), WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
            return true;
        },
        [&] {
            EXPECT_TRUE(dialog.IsWindowVisible());
            EXPECT_TRUE(dialog.Pages().GetPage(0)->IsWindowVisible());
            SOCKET s = ConnectLoopback(dialog.Listener().GetPort());
            CString request;
            request.Format("GET http://127.0.0.1:%d/page.html HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n", origin.Port());
            SendAll(s, request.str());
            reply = ReceiveAll(s, 3000);
            closesocket(s);
            return true;
        },
        [&] {
            EXPECT_NE(std::string::npos, reply.find("veiled")) << reply;
            ::SendMessageA(dialog.Pages().GetPage(0)->m_hWnd, WM_TIMER, SITES_TIMER, 0);
            CSortListCtrl& sites = SitesList(dialog);
            CSortListCtrl& events = EventsList(dialog);
            if (sites.GetItemCount() < 1) return false;
            EXPECT_EQ("127.0.0.1", sites.GetItemText(0, 0).Left(9));
            EXPECT_EQ("1", sites.GetItemText(0, 1));
            EXPECT_EQ("Default.", sites.GetItemText(0, 3));
            EXPECT_EQ(0, events.GetItemCount()) << "a page out of view copies nothing";
            // The second tab shows the Events page, with what came meanwhile.
            ::SendMessageA(dialog.TabStrip().TabWindow(1), WM_LBUTTONDOWN, MK_LBUTTON, 0);
            EXPECT_EQ(1, dialog.CurrentPage());
            EXPECT_EQ("Connected", events.GetItemText(0, 1));
            EXPECT_TRUE(dialog.Pages().GetPage(1)->IsWindowVisible());
            EXPECT_FALSE(dialog.Pages().GetPage(0)->IsWindowVisible());
            ::SendMessageA(dialog.TabStrip().TabWindow(2), WM_LBUTTONDOWN, MK_LBUTTON, 0);
            dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_HELP_BUTTON, BN_CLICKED));
            EXPECT_EQ(world.File("Help\\English.chm") + "|Help\\Trace.htm", help);
            ::SendMessageA(dialog.Tray()->Window(), WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
            EXPECT_EQ((std::vector<std::string>{"Open Quorvane Veilrun", "Exit Quorvane Veilrun", "9001"}), g_menuItems);
            // Enter on a check box of the Options page.
            HWND box = dialog.Pages().GetPage(4)->GetDlgItem(IDC_SET_IE);
            SetFocus(box);
            ::PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0x1C0001);
            return true;
        },
        [&] {
            EXPECT_FALSE(dialog.IsWindowVisible()) << "Enter hides";
            dialog.SendMessage(WM_COMMAND, ID_TRAY_OPEN);
            HWND box = dialog.Pages().GetPage(4)->GetDlgItem(IDC_SET_IE);
            SetFocus(box);
            ::PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0x10001);
            return true;
        },
        [&] {
            EXPECT_FALSE(dialog.IsWindowVisible()) << "Escape hides";
            dialog.SendMessage(WM_COMMAND, ID_TRAY_OPEN);
            dialog.PostMessage(WM_CLOSE);
            return true;
        },
        [&] {
            EXPECT_FALSE(dialog.IsWindowVisible()) << "WM_CLOSE hides";
            dialog.SendMessage(WM_COMMAND, ID_TRAY_OPEN);
            ::PostMessageA(dialog.m_hWnd, WM_SYSKEYDOWN, VK_F4, 0x20000001);
            return true;
        },
        [&] {
            EXPECT_FALSE(dialog.IsWindowVisible()) << "Alt+F4 hides";
            dialog.SendMessage(WM_COMMAND, ID_TRAY_OPEN);
            dialog.SendMessage(WM_COMMAND, ID_SKIN_CLOSE);
            EXPECT_FALSE(dialog.IsWindowVisible()) << "the close button hides";
            HWND combo = dialog.GetDlgItem(IDC_LANGUAGE);
            int pig = -1;
            CString names;
            for (int i = 0; i < int(SendMessageA(combo, CB_GETCOUNT, 0, 0)); ++i) {
                char text[64] = "";
                COMBOBOXEXITEMA item = {};
                item.mask = CBEIF_TEXT;
                item.iItem = i;
                item.pszText = text;
                item.cchTextMax = sizeof text;
                SendMessageA(combo, CBEM_GETITEMA, 0, LPARAM(&item));
                if (lstrcmpA(text, "Pig") == 0) pig = i;
                names += CString(text) + " ";
            }
            EXPECT_EQ("English Pig ", names) << "a name with two dots is no pack";
            EXPECT_GE(pig, 0);
            SendMessageA(combo, CB_SETCURSEL, WPARAM(pig), 0);
            dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE, CBN_SELCHANGE), LPARAM(combo));
            EXPECT_EQ("Pig", g_strLanguage);
            EXPECT_EQ("Owshay allay", dialog.Pages().GetPage(0)->GetDlgItemText(IDC_SHOW_ALL_SITES));
            EXPECT_EQ("Itessay", CWnd::GetWindowTextOf(dialog.TabStrip().TabWindow(0)));
            EXPECT_EQ("Events", CWnd::GetWindowTextOf(dialog.TabStrip().TabWindow(1)));
            dialog.PostMessage(WM_COMMAND, ID_TRAY_EXIT);
            return true;
        },
    };
    EXPECT_EQ(IDCANCEL, Run(dialog));

    EXPECT_EQ("", RegistryText(g_Places.RunKey, kAutostartValue)) << "Exit removes the autostart value";
    EXPECT_EQ(0, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable"));
    EXPECT_NE(std::string::npos, ReadFileText(world.PrefsPath()).find("\"network.proxy.type\", 0);"));
    EXPECT_NE(std::string::npos, ReadFileText(world.OperaPath()).find("Use HTTP=0"));
    EXPECT_EQ(NIM_DELETE, g_notifyCalls.back().command);
    for (size_t i = 1; i < g_notifyCalls.size(); ++i) EXPECT_EQ("", g_notifyCalls[i].info) << "one welcome only";
    // What the run saw comes back from Options.opt.
    ResetVeilrunSettings();
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.RemoveAll();
    }
    LoadOptions();
    EXPECT_EQ("Pig", g_strLanguage);
    CCriticalSectionLock lock(g_csLists);
    ASSERT_EQ(1, g_Sites.GetSize());
    EXPECT_EQ("127.0.0.1", g_Sites[0]->m_strHost.Left(9));
}

// Everything outside the process a start can change, byte for byte.
std::string Traces(const CVeilrunWorld& world) {
    const CString options = world.File("Options.opt");
    return std::string(RegistryText(g_Places.RunKey, kAutostartValue).c_str()) + "|" +
           std::to_string(RegistryNumber(g_Places.IESettingsKey, "ProxyEnable")) + "|" +
           RegistryText(g_Places.IESettingsKey, "ProxyServer").c_str() + "|" + ReadFileText(world.PrefsPath()) + "|" +
           ReadFileText(world.OperaPath()) + "|" + (FileExists(options) ? ReadFileText(options) : "no Options.opt");
}

TEST_F(MainDialog, SecondInstanceSaysSoAndChangesNothing) {
    // The running copy's user unticked Internet Explorer and left it on another proxy.
    g_bSetIE = 0;
    SaveOptions();
    ResetVeilrunSettings();
    CRegistryKey(g_Places.IESettingsKey).SetDWORD("ProxyEnable", 1);
    CRegistryKey(g_Places.IESettingsKey).SetString("ProxyServer", "http=gate:3128");
    const std::string before = Traces(world);
    CScriptedMessageBoxes boxes;
    HANDLE first = CreateMutexA(nullptr, TRUE, kProgramTitle);
    CMainDialog dialog;
    EXPECT_EQ(0, Run(dialog));
    CloseHandle(first);
    auto shown = boxes.Boxes();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("Can't open application because there is previous instance running.", shown[0].text);
    EXPECT_EQ(kProgramTitle, shown[0].caption);
    EXPECT_TRUE(g_notifyCalls.empty()) << "no tray icon";
    EXPECT_EQ(before, Traces(world));
}

TEST_F(MainDialog, TakenPortSaysWhyAndLeavesNoTrace) {
    SOCKET taken = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(taken, 1));
    int length = sizeof address;
    getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
    g_Engine.ListenPort = ntohs(address.sin_port);
    // Internet Explorer uses the other program's proxy on that port.
    CRegistryKey(g_Places.IESettingsKey).SetDWORD("ProxyEnable", 1);
    CRegistryKey(g_Places.IESettingsKey).SetString("ProxyServer", "http=blokkum:8100");
    const std::string before = Traces(world);
    CScriptedMessageBoxes boxes;
    CMainDialog dialog;
    EXPECT_EQ(0, Run(dialog));
    closesocket(taken);
    auto shown = boxes.Boxes();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("Error creating listen socket.", shown[0].text);
    EXPECT_TRUE(g_notifyCalls.empty()) << "no tray icon";
    EXPECT_EQ(before, Traces(world));
}

TEST_F(MainDialog, LogOffSavesAndGivesTheBrowsersBackOnceKeepingTheRunValue) {
    // A saved language without a pack: the list selects none.
    g_strLanguage = "Missing";
    SaveOptions();
    ResetVeilrunSettings();
    const CString options = world.File("Options.opt");
    CMainDialog dialog;
    g_steps = {
        [&] { return dialog.Listener().IsListening(); },
        [&] {
            EXPECT_EQ(CB_ERR, SendMessageA(dialog.GetDlgItem(IDC_LANGUAGE), CB_GETCURSEL, 0, 0));
            EXPECT_EQ(1, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable"));
            DeleteFileA(options);
            dialog.SendMessage(WM_ENDSESSION, TRUE, 0);
            EXPECT_TRUE(FileExists(options)) << "saved at log-off";
            EXPECT_EQ(0, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable"));
            EXPECT_NE(std::string::npos, ReadFileText(world.PrefsPath()).find("\"network.proxy.type\", 0);"));
            EXPECT_EQ(world.Program(), RegistryText(g_Places.RunKey, kAutostartValue)) << "starts with the next session";
            EXPECT_FALSE(dialog.Listener().IsListening());
            DeleteFileA(options);
            dialog.PostMessage(WM_COMMAND, ID_TRAY_EXIT);
            return true;
        },
    };
    EXPECT_EQ(IDCANCEL, Run(dialog));
    EXPECT_FALSE(FileExists(options)) << "the shut-down ran once";
}

}  // namespace
