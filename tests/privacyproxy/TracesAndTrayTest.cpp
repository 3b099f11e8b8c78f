// The URL-cache walker and the wipe on Wine's real cache, the Trace grouping
// and the tray icon manager's clicks.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include "EventRecords.h"
#include "Files.h"
#include "Pages.h"
#include "RegistryKey.h"
#include "TextTable.h"
#include "TraceItems.h"
#include "Tray.h"
#include "TrayIconManager.h"
#include "UrlCacheWalker.h"
#include "VeilrunIds.h"
#include "VeilrunTestSupport.h"
#include "WipeEntries.h"

namespace {

const char* const kPage = "http://Trace.Example/a.html";
const char* const kOtherPage = "http://other.example/b.html";
const char* const kCookie = "Cookie:user@trace.example/";
const char* const kVisit = "Visited: user@http://trace.example/c.html";

TEST(UrlCache, WalkGroupsBySiteAndWipesWhatIsTicked) {
    CVeilrunWorld world;
    // A header this long makes the entry bigger than the walker's first buffer.
    ASSERT_TRUE(AddCacheEntry(kPage, NORMAL_CACHE_ENTRY, "X-Pad: " + std::string(6000, 'p') + "\r\n\r\n"));
    ASSERT_TRUE(AddCacheEntry(kOtherPage, NORMAL_CACHE_ENTRY));
    ASSERT_TRUE(AddCacheEntry(kCookie, COOKIE_CACHE_ENTRY));
    ASSERT_TRUE(AddCacheEntry(kVisit, URLHISTORY_CACHE_ENTRY));

    CUrlCacheWalker walker;
    bool sawBig = false;
    for (auto* e = walker.First(); e; e = walker.Next())
        if (e->lpszSourceUrlName && CString(e->lpszSourceUrlName).FindNoCase("trace.example/a.html") >= 0) sawBig = true;
    EXPECT_TRUE(sawBig);
    EXPECT_GT(walker.BufferSize(), 4096u);
    walker.End();

    CollectTraceItems();
    const CTraceGroup* trace = nullptr;
    for (int g = 0; g < g_TraceGroups.GetSize(); ++g)
        if (g_TraceGroups[g]->m_strSite.CompareNoCase("trace.example") == 0) trace = g_TraceGroups[g];
    ASSERT_NE(nullptr, trace) << "cookies, visits and files of one host in any letter case form one site";
    int kinds = 0;
    for (int item : trace->m_items) kinds |= 1 << g_TraceItems[item]->m_nKind;
    EXPECT_EQ(7, kinds);
    EXPECT_EQ(3, trace->m_items.GetSize()) << "each entry once";

    DeleteTemporaryFilesOf("trace.example");
    EXPECT_TRUE(InCache(kOtherPage));
    DeleteTemporaryFilesOf("Trace.Example");
    EXPECT_FALSE(InCache(kPage));

    CRegistryKey(g_Places.TypedUrlsKey).SetString("url1", "http://trace.example/");
    g_bWipeCookies = g_bWipeHistory = g_bWipeTempFiles = 1;
    CStringArray notWiped;
    WipeSelected(notWiped);
    EXPECT_TRUE(notWiped.IsEmpty());
    EXPECT_FALSE(InCache(kCookie));
    EXPECT_FALSE(InCache(kVisit));
    EXPECT_FALSE(InCache(kOtherPage));
    CRegistryValue value;
    EXPECT_FALSE(CRegistryKey(g_Places.TypedUrlsKey).QueryValue("url1", value)) << "typed addresses go with the history";
}

TEST(Wipe, NeverOutsideTheProfileAndLockedFilesAreReported) {
    const struct {
        const char* folder;
        const char* profile;
        bool wipeable;
    } cases[] = {
        {"\\Cookies", "", false},
        {"C:\\Cookies", "C:", false},
        {"C:\\Cookies", "C:\\", false},
        {"\\\\host\\share\\Cookies", "\\\\host\\share", false},
        {"C:\\Users\\anna\\..\\..\\Cookies", "C:\\Users\\anna", false},
        {"C:\\Users\\anna", "C:\\Users\\anna", false},
        {"C:\\Users\\annabel\\Cookies", "C:\\Users\\anna", false},
        {"C:\\Users\\anna\\Cookies", "C:\\Users\\anna\\", true},
        {"\\\\host\\share\\anna\\Recent", "\\\\host\\share\\anna", true},
    };
    for (const auto& c : cases) EXPECT_EQ(c.wipeable, IsWipeableFolder(c.folder, c.profile)) << c.folder << " in " << c.profile;

    CVeilrunWorld world;
    g_bWipeCookies = g_bWipeRecentDocs = 1;
    // A drive-root profile (a failed shell look-up) wipes nothing at the root.
    CreateDirectoryA("C:\\Recent", nullptr);
    const CString rootFile = "C:\\Recent\\keep.lnk";
    CloseHandle(CreateFileA(rootFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    g_Places.ProfileFolder = "C:\\";
    CStringArray notWiped;
    WipeSelected(notWiped);
    EXPECT_TRUE(FileExists(rootFile));
    EXPECT_EQ(2, notWiped.GetSize()) << "both refused folders are reported";
    DeleteFileA(rootFile);
    RemoveDirectoryA("C:\\Recent");

    g_Places.ProfileFolder = world.File("profile");
    world.Write("profile\\Cookies\\a.txt", "a");
    world.Write("profile\\Cookies\\sub\\b.txt", "b");
    const CString locked = world.Write("profile\\Cookies\\locked.txt", "c");
    HANDLE hold = CreateFileA(locked, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    WipeSelected(notWiped);
    CloseHandle(hold);
    EXPECT_FALSE(FileExists(world.File("profile\\Cookies\\a.txt")));
    EXPECT_FALSE(FolderExists(world.File("profile\\Cookies\\sub")));
    EXPECT_TRUE(FileExists(locked)) << "a locked file is skipped";
    ASSERT_EQ(1, notWiped.GetSize());
    EXPECT_EQ(locked, notWiped[0]);
}

TEST(UrlCache, TraceSitesByKind) {
    const struct {
        int kind;
        const char* url;
        const char* site;
    } cases[] = {
        {1, "Cookie:anna@www.site.example/path/", "www.site.example"},
        {0, "Visited: anna@http://site.example/x?y", "site.example"},
        {2, "http://img.example/pic.gif", "img.example"},
        {2, "ftp://files.example/a.zip", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.site, TraceSiteOf(c.kind, c.url)) << c.url;
}

struct CTrayCall {
    DWORD command;
    HICON icon;
    UINT flags;
};
std::vector<CTrayCall> g_trayCalls;
int g_singles = 0, g_doubles = 0;

BOOL RecordTray(DWORD command, NOTIFYICONDATAA* data) {
    g_trayCalls.push_back({command, data->hIcon, data->uFlags});
    return TRUE;
}

void PumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    while (int(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

TEST(TrayIconManager, ClicksAndBlinking) {
    g_trayCalls.clear();
    SetNotifyIconHook(RecordTray);
    {
        CTrayIconManager tray(GetModuleHandleA(nullptr), 1, 2);
        EXPECT_EQ(0, tray.Hide()) << "not shown yet";
        EXPECT_TRUE(g_trayCalls.empty());
        CTrayIconManager::ClearCallbacks();
        CTrayIconManager::AddCallback(WM_LBUTTONDOWN, [](WPARAM, LPARAM) { ++g_singles; });
        CTrayIconManager::AddCallback(WM_LBUTTONDBLCLK, [](WPARAM, LPARAM) { ++g_doubles; });
        const HICON icon = tray.SetFrame(0, 0, IDR_MAINFRAME, 60);
        ASSERT_NE(nullptr, icon);
        tray.Show(0, 3);
        ::SendMessageA(tray.Window(), WM_TRAYNOTIFY, 1, WM_LBUTTONDOWN);
        ::SendMessageA(tray.Window(), WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
        PumpFor(GetDoubleClickTime() + 150);
        EXPECT_EQ(1, g_doubles);
        EXPECT_EQ(0, g_singles) << "a double click is no single click";
        ::SendMessageA(tray.Window(), WM_TRAYNOTIFY, 1, WM_LBUTTONDOWN);
        PumpFor(GetDoubleClickTime() + 150);
        EXPECT_EQ(1, g_singles);
        ASSERT_GE(g_trayCalls.size(), 3u);
        EXPECT_EQ(DWORD(NIM_ADD), g_trayCalls[0].command);
        EXPECT_EQ(icon, g_trayCalls[0].icon);
        EXPECT_NE(icon, g_trayCalls[1].icon) << "blinking shows the blank frame";
        EXPECT_EQ(icon, g_trayCalls[2].icon);
        EXPECT_TRUE(g_trayCalls[0].flags & NIF_INFO) << "the welcome balloon comes with the add";
        EXPECT_FALSE(g_trayCalls[1].flags & NIF_INFO) << "and with no frame after it";
        // A restarted taskbar gets the icon again, without a second welcome.
        g_trayCalls.clear();
        ::SendMessageA(tray.Window(), TaskbarCreatedMessage(), 0, 0);
        ASSERT_FALSE(g_trayCalls.empty());
        EXPECT_EQ(DWORD(NIM_ADD), g_trayCalls[0].command);
        EXPECT_FALSE(g_trayCalls[0].flags & NIF_INFO);
        CTrayIconManager::ClearCallbacks();
    }
    EXPECT_EQ(DWORD(NIM_DELETE), g_trayCalls.back().command);
    SetNotifyIconHook(nullptr);
}

}  // namespace
