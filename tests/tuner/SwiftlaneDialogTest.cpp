// Swiftlane's real dialogs and wizard, driven by messages from a thread timer
// that runs inside the modal loop.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "HyperLink.h"
#include "Registry.h"
#include "Seams.h"
#include "Swiftlane.h"
#include "SwiftlaneDlg.h"
#include "TestSupport.h"
#include "TuningWizard.h"
#include "WizardDriver.h"
#include "resource.h"

namespace {

class CRecordingStore : public ITuningStore {
public:
    int reads = 0, applies = 0, resets = 0, modemSearches = 0;
    bool modem = false;
    bool resetResult = true;
    bool patchModem = false;
    TuningSettings applied;
    // Where a successful reset deletes the backup, as the registry store does.
    CString backupKey;
    void ReadCurrent(TuningSettings& settings, TuningOriginals&) override {
        ++reads;
        settings.ttl.current = 128;
        settings.ttl.present = true;
    }
    TuningApplyResult Apply(const TuningSettings& settings, const TuningOriginals&, bool patch) override {
        ++applies;
        applied = settings;
        patchModem = patch;
        return TuningApplyResult();
    }
    bool Reset(OSFamily) override {
        ++resets;
        if (resetResult) CRegKey::DeleteTree(HKEY_CURRENT_USER, backupKey);
        return resetResult;
    }
    bool HasBackup() override {
        CRegKey backup;
        return backup.Open(HKEY_CURRENT_USER, backupKey) == ERROR_SUCCESS;
    }
    bool FindModem(OSFamily) override {
        ++modemSearches;
        return modem;
    }
};

BOOL CALLBACK NoVisibleWindow(HWND hwnd, LPARAM) {
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "a window was left open";
    return TRUE;
}

class SwiftlaneTest : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
        InitCommonControlsEx(&init);
        app.m_registryKey = key.SubKey();
        app.m_family = FAMILY_NT;
        app.SetStore(&store);
        store.backupKey = key.SubKey() + "\\Original Settings";
        g_nModemFound = 0;
    }
    void TearDown() override {
        EnumThreadWindows(GetCurrentThreadId(), NoVisibleWindow, 0);
    }
    CTestRegistryKey key;
    CSwiftlaneApp app;
    CRecordingStore store;
    CScriptedMessageBoxes boxes;
};

TEST_F(SwiftlaneTest, WindowsNineXWithoutModemFinishesInSixSteps) {
    app.m_family = FAMILY_9X;
    WizardRun run;
    RunWizard(app, run);
    EXPECT_EQ(INT_PTR(ID_WIZFINISH), run.result);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), run.visited);
    EXPECT_EQ(1, store.reads);
    EXPECT_EQ(1, store.modemSearches);
    ASSERT_EQ(1, store.applies);
    EXPECT_FALSE(store.patchModem);
    const TuningSettings& s = store.applied;
    EXPECT_EQ(CONNECTION_DIALUP, s.type);
    EXPECT_EQ(576u, s.mtu.chosen);
    EXPECT_EQ(536u, s.mss.chosen);
    EXPECT_EQ(3u, s.multiplier.chosen);
    EXPECT_EQ(6432u, s.rwin.chosen);
    EXPECT_EQ(32u, s.ttl.chosen);
    EXPECT_EQ(4u, s.http10.chosen);
    EXPECT_EQ(8u, s.http11.chosen);
    EXPECT_EQ(7200000u, s.keepAliveTime.chosen);
    EXPECT_EQ(1u, s.pmtuDiscovery.chosen);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(0u, boxes.Boxes()[0].text.find("Congratulation, Quorvane Swiftlane has boosted"));
    EXPECT_EQ("Quorvane Swiftlane", boxes.Boxes()[0].caption);
}

TEST_F(SwiftlaneTest, NTWithModemReachesTheModemPage) {
    store.modem = true;
    std::vector<CString> titles;
    WizardRun run;
    run.action = [&](int, int, HWND page) {
        titles.push_back(CWnd::GetWindowTextOf(GetParent(page)));
        return -1;
    };
    RunWizard(app, run);
    EXPECT_EQ(INT_PTR(ID_WIZFINISH), run.result);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}), run.visited);
    ASSERT_EQ(1, store.applies);
    EXPECT_TRUE(store.patchModem);
    EXPECT_EQ(1, g_nModemFound);
    EXPECT_EQ(64u, store.applied.ttl.chosen);
    EXPECT_EQ(20u, store.applied.http10.chosen);
}

TEST_F(SwiftlaneTest, LanOnNTEndsOnTheICMPPageWithLanValues) {
    CString currentTtlLine;
    WizardRun run = LanRun(currentTtlLine);
    RunWizard(app, run);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}), run.visited);
    EXPECT_EQ(0, store.modemSearches);
    ASSERT_EQ(1, store.applies);
    EXPECT_EQ(CONNECTION_LAN, store.applied.type);
    EXPECT_EQ(1500u, store.applied.mtu.chosen);
    EXPECT_EQ(256960u, store.applied.rwin.chosen);
    EXPECT_EQ(44u, store.applied.multiplier.chosen);
    EXPECT_EQ(CString("Your TTL was set to 128 seconds."), currentTtlLine);
}

TEST_F(SwiftlaneTest, CancelWritesNothing) {
    WizardRun run;
    run.action = [](int page, int, HWND) { return page == PAGE_OTHER_MTU ? PSBTN_CANCEL : -1; };
    RunWizard(app, run);
    EXPECT_EQ(INT_PTR(IDCANCEL), run.result);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), run.visited);
    EXPECT_EQ(1, store.reads);
    EXPECT_EQ(0, store.applies);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SwiftlaneTest, ChoosingLanAfterDialUpDropsTheModemPatch) {
    store.modem = true;
    WizardRun run;
    run.action = [](int page, int visit, HWND hwnd) {
        if (page == PAGE_MTU && visit == 1) return int(PSBTN_BACK);
        if (page == PAGE_CONNECTION_TYPE && visit == 2) SendMessageA(GetDlgItem(hwnd, IDC_RADIO_LAN), BM_CLICK, 0, 0);
        return -1;
    };
    RunWizard(app, run);
    EXPECT_EQ((std::vector<int>{0, 1, 0, 1, 2, 3, 4, 5, 6, 7}), run.visited);
    EXPECT_EQ(1, g_nModemFound);
    ASSERT_EQ(1, store.applies);
    EXPECT_FALSE(store.patchModem);
}

TEST_F(SwiftlaneTest, PageEditsResetAndRangeCheck) {
    boxes.QueueAnswer(IDOK);
    CString mtuAfterClear, rwinTyped, multiplierAfterCheck, rwinAfterCheck;
    WizardRun run;
    run.action = [&](int page, int, HWND hwnd) {
        if (page == PAGE_CONNECTION_TYPE) SendMessageA(GetDlgItem(hwnd, IDC_RADIO_LAN), BM_CLICK, 0, 0);
        if (page == PAGE_MTU) {
            SetDlgItemTextA(hwnd, IDC_MTU, "");
            mtuAfterClear = CWnd::GetWindowTextOf(GetDlgItem(hwnd, IDC_MTU));
        }
        if (page == PAGE_RWIN) {
            SetDlgItemTextA(hwnd, IDC_RWIN_MULTIPLIER, "1000000");
            rwinTyped = CWnd::GetWindowTextOf(GetDlgItem(hwnd, IDC_RWIN));
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_RWIN_MULTIPLIER, EN_KILLFOCUS),
                         LPARAM(GetDlgItem(hwnd, IDC_RWIN_MULTIPLIER)));
            multiplierAfterCheck = CWnd::GetWindowTextOf(GetDlgItem(hwnd, IDC_RWIN_MULTIPLIER));
            rwinAfterCheck = CWnd::GetWindowTextOf(GetDlgItem(hwnd, IDC_RWIN));
        }
        return -1;
    };
    RunWizard(app, run);
    EXPECT_EQ(CString("1500"), mtuAfterClear);
    EXPECT_EQ(CString("5840000000"), rwinTyped);
    EXPECT_EQ(CString("44"), multiplierAfterCheck);
    EXPECT_EQ(CString("256960"), rwinAfterCheck);
    ASSERT_GE(boxes.Boxes().size(), 1u);
    EXPECT_EQ("Valid range of RWIN is from MSS to 1073741823.", boxes.Boxes()[0].text);
    EXPECT_EQ(UINT(MB_ICONINFORMATION), boxes.Boxes()[0].type);
    ASSERT_EQ(1, store.applies);
    EXPECT_EQ(256960u, store.applied.rwin.chosen);
}

// A folder with two packs, one of them with a flag.
class SwiftlaneMainTest : public SwiftlaneTest {
protected:
    void SetUp() override {
        SwiftlaneTest::SetUp();
        folder.Write("Lang\\English.ini",
                     "[Swiftlane]\r\n18=Swiftlane Test\r\nIDC_SET_SETTINGS=&Tune\r\n"
                     "IDC_static_Introduction=One*Two\r\n");
        folder.Write("Lang\\Deutsch.ini", "[Swiftlane]\r\nIDC_SET_SETTINGS=&Einstellen\r\n");
        CopyFileA(Flag(), folder.File("Lang\\English.bmp"), FALSE);
        CRegKey settings;
        settings.Create(HKEY_CURRENT_USER, key.SubKey());
        settings.SetString("AppPath", folder.Path());
        settings.SetString("Language", "English");
        app.ReadSettings();
    }
    // A 16x16 bitmap file made from a fresh bitmap.
    CString Flag() {
        CString path = folder.File("flag.bmp");
        std::string file(54 + 16 * 16 * 3, '\0');
        BITMAPFILEHEADER fh{0x4D42, DWORD(file.size()), 0, 0, 54};
        BITMAPINFOHEADER bi{sizeof bi, 16, 16, 1, 24, BI_RGB, 16 * 16 * 3, 0, 0, 0, 0};
        memcpy(&file[0], &fh, sizeof fh);
        memcpy(&file[14], &bi, sizeof bi);
        folder.Write("flag.bmp", file);
        return path;
    }
    CTempFolder folder;
};

struct MainView {
    CString caption, intro, setText;
    int items = -1;
    CString selected;
    BOOL resetEnabled = -1;
};

MainView Read(HWND dialog) {
    MainView view;
    view.caption = CWnd::GetWindowTextOf(dialog);
    view.intro = CWnd::GetWindowTextOf(GetDlgItem(dialog, IDC_static_Introduction));
    view.setText = CWnd::GetWindowTextOf(GetDlgItem(dialog, IDC_SET_SETTINGS));
    // The dialog's own wrapper is bound to the combo; a second one could not be.
    CComboBoxEx* combo = static_cast<CComboBoxEx*>(CWnd::FromHandle(GetDlgItem(dialog, IDC_LANGUAGE_COMBO)));
    view.items = combo->GetCount();
    view.selected = combo->GetCurSel() >= 0 ? combo->GetItemText(combo->GetCurSel()) : CString();
    view.resetEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_RESET_SETTINGS));
    return view;
}

TEST_F(SwiftlaneMainTest, MainDialogShowsThePackAndSwitchesLanguage) {
    MainView before, after;
    int step = 0;
    CTimerDriver driver([&] {
        if (!app.m_pMainDlg || !app.m_pMainDlg->m_hWnd) return;
        HWND dialog = app.m_pMainDlg->m_hWnd;
        if (step++ != 0) return;
        before = Read(dialog);
        HWND combo = GetDlgItem(dialog, IDC_LANGUAGE_COMBO);
        int deutsch = app.m_pMainDlg->m_languages.FindItemExact("Deutsch");
        SendMessageA(combo, CB_SETCURSEL, WPARAM(deutsch), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE_COMBO, CBN_SELCHANGE), LPARAM(combo));
        after = Read(dialog);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    CSwiftlaneDlg dialog;
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(CString("Swiftlane Test"), before.caption);
    EXPECT_EQ(CString("One\nTwo"), before.intro);
    EXPECT_EQ(CString("&Tune"), before.setText);
    EXPECT_EQ(2, before.items);
    EXPECT_EQ(CString("English"), before.selected);
    EXPECT_FALSE(before.resetEnabled);
    EXPECT_EQ(CString("Quorvane Swiftlane"), after.caption);
    EXPECT_EQ(CString("&Einstellen"), after.setText);
    CRegKey settings;
    ASSERT_EQ(ERROR_SUCCESS, settings.Open(HKEY_CURRENT_USER, key.SubKey()));
    CString language;
    settings.QueryString("Language", language);
    EXPECT_EQ(CString("Deutsch"), language);
    EXPECT_EQ(nullptr, app.m_pMainDlg);
}

// No installer ran: the first start writes the program's folder and English,
// so the combo lists the shipped pack; a later start keeps what is there.
TEST_F(SwiftlaneTest, FirstStartWritesItsFolderAndTheComboListsEnglish) {
    CTempFolder folder;
    folder.Write("Lang\\English.ini", "[Swiftlane]\r\n");
    app.m_programPath = folder.File("Swiftlane.exe");
    app.WriteFirstStartValues();
    app.ReadSettings();
    EXPECT_EQ(folder.Path(), app.m_appPath);
    EXPECT_EQ(CString("English"), app.m_language);
    MainView view;
    CTimerDriver driver([&] {
        if (!app.m_pMainDlg || !app.m_pMainDlg->m_hWnd || view.items >= 0) return;
        view = Read(app.m_pMainDlg->m_hWnd);
        PostMessageA(app.m_pMainDlg->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });
    CSwiftlaneDlg dialog;
    dialog.DoModal();
    EXPECT_EQ(1, view.items);
    EXPECT_EQ(CString("English"), view.selected);

    CRegKey settings;
    ASSERT_EQ(ERROR_SUCCESS, settings.Open(HKEY_CURRENT_USER, key.SubKey(), KEY_WRITE));
    settings.SetString("AppPath", "D:\\Tools\\Swiftlane");
    settings.SetString("Language", "Deutsch");
    app.WriteFirstStartValues();
    app.ReadSettings();
    EXPECT_EQ(CString("D:\\Tools\\Swiftlane"), app.m_appPath);
    EXPECT_EQ(CString("Deutsch"), app.m_language);
}

TEST_F(SwiftlaneMainTest, SetAsksBeforeReplacingABackupAndResetRestoresIt) {
    CRegKey backup;
    backup.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Original Settings");
    boxes.QueueAnswer(IDNO);
    boxes.QueueAnswer(IDOK);
    BOOL resetBefore = FALSE, resetAfter = TRUE;
    int step = 0;
    CTimerDriver driver([&] {
        if (!app.m_pMainDlg || !app.m_pMainDlg->m_hWnd) return;
        HWND dialog = app.m_pMainDlg->m_hWnd;
        if (step++ != 0) return;
        resetBefore = IsWindowEnabled(GetDlgItem(dialog, IDC_RESET_SETTINGS));
        SendMessageA(GetDlgItem(dialog, IDC_SET_SETTINGS), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, IDC_RESET_SETTINGS), BM_CLICK, 0, 0);
        resetAfter = IsWindowEnabled(GetDlgItem(dialog, IDC_RESET_SETTINGS));
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    CSwiftlaneDlg dialog;
    dialog.DoModal();
    EXPECT_TRUE(resetBefore);
    EXPECT_FALSE(resetAfter);
    EXPECT_EQ(0, store.reads) << "No keeps the old backup: no wizard";
    EXPECT_EQ(1, store.resets);
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ(0u, boxes.Boxes()[0].text.find("Now, your old connection settings saved as backup"));
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), boxes.Boxes()[0].type);
    EXPECT_EQ("Swiftlane Test", boxes.Boxes()[0].caption);
    EXPECT_EQ(0u, boxes.Boxes()[1].text.find("Quorvane Swiftlane has reset your system"));
}

TEST_F(SwiftlaneMainTest, AboutBoxShowsTheVersionResource) {
    CString version, copyright, ok;
    int step = 0;
    CTimerDriver driver([&] {
        if (!app.m_pMainDlg || !app.m_pMainDlg->m_hWnd) return;
        HWND dialog = app.m_pMainDlg->m_hWnd;
        if (step == 0) {
            ++step;
            PostMessageA(dialog, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            return;
        }
        HWND about = FindWindowA(nullptr, "About Quorvane Swiftlane");
        if (step == 1 && about) {
            ++step;
            version = CWnd::GetWindowTextOf(GetDlgItem(about, IDC_FILE_VERSION));
            copyright = CWnd::GetWindowTextOf(GetDlgItem(about, IDC_LEGAL_COPYRIGHT));
            ok = CWnd::GetWindowTextOf(GetDlgItem(about, IDOK));
            PostMessageA(about, WM_COMMAND, IDOK, 0);
        } else if (step == 2 && !about) {
            ++step;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    CSwiftlaneDlg dialog;
    dialog.DoModal();
    EXPECT_EQ(3, step);
    EXPECT_EQ(CString("1.0.0.0"), version) << "the suite's one version";
    EXPECT_EQ(CString("Copyright (C) Quorvane"), copyright);
    EXPECT_EQ(CString("OK"), ok);
}

TEST_F(SwiftlaneTest, UnknownWindowsEndsWithTheVersionMessage) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    info.dwMajorVersion = 6;
    app.m_version = COSVersion(info);
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("Failed to detect your Windows version so we can't boost your connection.", boxes.Boxes()[0].text);
    EXPECT_EQ("Quorvane Swiftlane", boxes.Boxes()[0].caption);
    EXPECT_EQ(UINT(MB_ICONERROR), boxes.Boxes()[0].type);
}

TEST_F(SwiftlaneTest, PackTextsBreakLinesAtStarsAndFallBackToEnglish) {
    CTempFolder folder;
    folder.Write("Lang\\Test.ini", "[Swiftlane]\r\n2=war auf*gesetzt\r\n");
    app.m_appPath = folder.Path();
    app.m_language = "Test";
    EXPECT_EQ(CString("war auf\ngesetzt"), app.LoadLangString("2", "was set to"));
    EXPECT_EQ(CString("seconds"), app.LoadLangString("7", "seconds"));
    app.m_language = "Missing";
    EXPECT_EQ(CString("was set to"), app.LoadLangString("2", "was set to"));
}

// A translator's "%s" where the value goes shows as written, through to
// Finish; the value goes only where "%d" stands, and no other sign means anything.
TEST_F(SwiftlaneTest, PercentSignsOfAPackShowAsWrittenThroughFinish) {
    CTempFolder folder;
    folder.Write("Lang\\Test.ini",
                 "[Swiftlane]\r\n"
                 "IDC_static_RecommendedMTU=%s MTU %d%% %n\r\nIDC_static_RecommendedMSS=%s\r\n"
                 "IDC_RECOMMENDED_TTL=%s\r\nIDC_RECOMMENDED_HTTP_1_0=%s\r\nIDC_RECOMMENDED_HTTP_1_1=%s\r\n"
                 "IDC_RECOMMENDED_KeepAliveTime=%s\r\nIDC_RECOMMENDED_KeepAliveInterval=%s\r\n"
                 "IDC_RECOMMENDED_SYNProtect=%s\r\n2=%s %d\r\n");
    app.m_appPath = folder.Path();
    app.m_language = "Test";
    std::vector<CString> lines;
    WizardRun run;
    run.action = [&](int page, int, HWND hwnd) {
        if (page == PAGE_MTU || page == PAGE_TTL || page == PAGE_KEEP_ALIVE || page == PAGE_SYN_FLOOD)
            for (int id : {IDC_RECOMMENDED_FIRST, IDC_RECOMMENDED_SECOND, IDC_RECOMMENDED_THIRD})
                if (HWND line = GetDlgItem(hwnd, id)) lines.push_back(CWnd::GetWindowTextOf(line));
        if (page == PAGE_TTL) lines.push_back(CWnd::GetWindowTextOf(GetDlgItem(hwnd, IDC_CURRENT_FIRST)));
        return -1;
    };
    RunWizard(app, run);
    EXPECT_EQ(INT_PTR(ID_WIZFINISH), run.result);
    EXPECT_EQ(1, store.applies);
    const std::vector<CString> expected{"%s MTU 576%% %n", "%s", "%s", "%s", "%s", "Your TTL %s %d 128 seconds.",
                                        "%s", "%s", "%s"};
    EXPECT_EQ(expected, lines);
}

// The link, subclassed on a static of a dialog that is never shown.
class HyperLinkTest : public SwiftlaneTest {
protected:
    void SetUp() override {
        SwiftlaneTest::SetUp();
        ASSERT_TRUE(host.Create(IDD_ABOUTBOX));
        SetShellExecuteHook([this](HWND, const char* verb, const char* file, const char*, const char*, int) {
            opened.push_back(std::string(verb) + " " + file);
            return reinterpret_cast<HINSTANCE>(INT_PTR(shellResult));
        });
        SetWinExecHook([this](const char* command, UINT) {
            executed.push_back(command);
            return execResult;
        });
    }
    void TearDown() override {
        SwiftlaneTest::TearDown();
        SetShellExecuteHook(nullptr);
        SetWinExecHook(nullptr);
        CHyperLink::SetHandCursorSource(nullptr, 106);
        host.EndDialog(IDOK);
    }
    void Click(CHyperLink& link) {
        SendMessageA(link.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(link.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    COLORREF DrawnColour(CHyperLink& link, LRESULT* brush) {
        HDC dc = GetDC(link.m_hWnd);
        *brush = SendMessageA(host.m_hWnd, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(link.m_hWnd));
        COLORREF colour = GetTextColor(dc);
        ReleaseDC(link.m_hWnd, dc);
        return colour;
    }
    CDialog host{IDD_ABOUTBOX};
    std::vector<std::string> opened, executed;
    int shellResult = 33;
    UINT execResult = 33;
};

TEST_F(HyperLinkTest, OpensThroughTheShellAndTurnsVisited) {
    CHyperLink link;
    ASSERT_TRUE(link.SubclassDlgItem(IDC_LEGAL_COPYRIGHT, host.m_hWnd));
    link.SetURL("http://www.example.test/");
    LRESULT brush = 0;
    EXPECT_EQ(CHyperLink::kLinkColour, DrawnColour(link, &brush));
    EXPECT_EQ(LRESULT(GetStockObject(NULL_BRUSH)), brush);
    Click(link);
    EXPECT_EQ((std::vector<std::string>{"open http://www.example.test/"}), opened);
    EXPECT_TRUE(link.IsVisited());
    SendMessageA(link.m_hWnd, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(CHyperLink::kVisitedColour, DrawnColour(link, &brush));
    SendMessageA(link.m_hWnd, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(2u, opened.size());
    EXPECT_TRUE(executed.empty());
    EXPECT_FALSE(link.SetLinkStyle(CHyperLink::StyleHover, CHyperLink::StyleHover));
}

TEST_F(HyperLinkTest, FallsBackToTheHtmCommandAndStaysUnvisitedWhenAllFails) {
    shellResult = 2;
    CHyperLink link;
    ASSERT_TRUE(link.SubclassDlgItem(IDC_LEGAL_COPYRIGHT, host.m_hWnd));
    link.SetURL("http://www.example.test/");
    // Classes of the test's own: the prefix has no browser registered.
    CRegKey classes, htm, command;
    ASSERT_EQ(ERROR_SUCCESS, classes.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Classes"));
    htm.Create(classes, ".htm");
    htm.SetString(nullptr, "htmlfile");
    command.Create(classes, "htmlfile\\shell\\open\\command");
    command.SetString(nullptr, "\"C:\\Browser\\browse.exe\" -nohome \"%1\" -last");
    CHyperLink::SetClassesRoot(classes);
    Click(link);
    CHyperLink::SetClassesRoot(nullptr);
    EXPECT_EQ((std::vector<std::string>{"\"C:\\Browser\\browse.exe\" -nohome http://www.example.test/"}), executed);
    EXPECT_TRUE(link.IsVisited());

    // No ".htm" at all: the shell's result stands.
    CHyperLink::SetClassesRoot(command);
    CHyperLink failing;
    execResult = 2;
    ASSERT_TRUE(failing.SubclassDlgItem(IDC_FILE_VERSION, host.m_hWnd));
    Click(failing);
    CHyperLink::SetClassesRoot(nullptr);
    EXPECT_FALSE(failing.IsVisited());
    EXPECT_EQ(1u, executed.size());
}

TEST_F(HyperLinkTest, SharedHandCursorLivesAsLongAsItsLastLink) {
    CHyperLink::SetHandCursorSource("user32.dll", 32649);
    auto first = std::make_unique<CHyperLink>();
    auto second = std::make_unique<CHyperLink>();
    ASSERT_TRUE(first->SubclassDlgItem(IDC_LEGAL_COPYRIGHT, host.m_hWnd));
    ASSERT_TRUE(second->SubclassDlgItem(IDC_FILE_VERSION, host.m_hWnd));
    HCURSOR cursor = CHyperLink::HandCursor();
    ASSERT_NE(nullptr, cursor);
    DestroyWindow(first->m_hWnd);
    first.reset();
    EXPECT_EQ(cursor, CHyperLink::HandCursor());
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(CHyperLink::HandCursor(), &info)) << "still a live cursor";
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyWindow(second->m_hWnd);
    second.reset();
    EXPECT_EQ(nullptr, CHyperLink::HandCursor());
}

TEST_F(HyperLinkTest, WithoutAHandCursorTheDefaultCursorStays) {
    CHyperLink::SetHandCursorSource("C:\\no such folder\\none.exe", 106);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassDlgItem(IDC_LEGAL_COPYRIGHT, host.m_hWnd));
    EXPECT_EQ(nullptr, CHyperLink::HandCursor());
    SetCursor(nullptr);
    SendMessageA(link.m_hWnd, WM_SETCURSOR, WPARAM(link.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(nullptr, GetCursor());
}

}  // namespace
