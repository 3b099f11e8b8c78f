// The pages on their own, in a hidden parent window: the Sites list with its
// sorting and removals, the Events list with its details dialog, and the
// Options page's boxes.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <functional>

#include "EventRecords.h"
#include "Pages.h"
#include "RegistryKey.h"
#include "Menu.h"
#include "TextTable.h"
#include "VeilrunApp.h"
#include "VeilrunIds.h"
#include "VeilrunTestSupport.h"

namespace {

class CPageHost {
public:
    CPageHost() {
        PrepareVeilrunWindows();
        g_strLanguage = "";
        LoadLanguagePack();
        parent.CreateEx(0, nullptr, "", WS_POPUP, RECT{0, 0, 600, 500}, nullptr, 0);
    }
    CWnd parent;
};

CSiteRecord* Site(const char* host, int hits, time_t when, int defaults) {
    auto* site = new CSiteRecord;
    site->m_strHost = host;
    site->m_nHits = hits;
    site->m_timeLastAccess = when;
    site->m_bDefaultOptions = defaults;
    return site;
}

// Runs the check on the first dialog that opens while the action runs, then closes it.
const char* g_dialogCaption = "";
std::function<void(HWND)> g_onDialog;
void CALLBACK CheckDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = FindWindowA("#32770", g_dialogCaption);
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, id);
    g_onDialog(dialog);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

// Sends the command to the window and answers the dialog it opens.
void AnswerDialog(CWnd& window, UINT command, const char* caption, std::function<void(HWND)> check) {
    g_dialogCaption = caption;
    g_onDialog = std::move(check);
    UINT_PTR timer = SetTimer(nullptr, 0, 50, CheckDialog);
    window.SendMessage(WM_COMMAND, command);
    KillTimer(nullptr, timer);
}

CString ItemText(HWND dialog, int id) { return CWnd::GetWindowTextOf(GetDlgItem(dialog, id)); }

TEST(SitesPage, ListsSortsHidesAndRemovesSites) {
    CVeilrunWorld world;
    const time_t now = time(nullptr);
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.Add(Site("late.example", 5, now - 10, 1));
        g_Sites.Add(Site("also.example", 1, now - 50, 1));
        g_Sites.Add(Site("few.example", 2, now - 30, 1));
        g_Sites.Add(Site("early.example", 5, now - 20, 0));
        g_Sites.Add(Site("hidden.example", 9, now - 40, 0));
        g_Sites[4]->m_bHidden = 1;
        g_bSitesChanged = 1;
    }
    CPageHost host;
    CSitesPage page;
    ASSERT_TRUE(page.Create(IDD_SITES, host.parent.m_hWnd));
    page.Refresh();
    auto hosts = [&] {
        CString order;
        for (int i = 0; i < page.m_list.GetItemCount(); ++i) order += page.m_list.GetItemText(i, 0).Left(4) + " ";
        return order;
    };
    EXPECT_EQ("also few. earl late ", hosts()) << "by last access at first";
    page.SendMessage(WM_LISTCOLUMNCLICK, 1);
    page.SendMessage(WM_LISTCOLUMNCLICK, 1);
    EXPECT_EQ("earl late few. also ", hosts()) << "hits descending, ties by last access";
    // A request counts for one site: the refresh takes that site's copy anew.
    CSiteOptions options;
    LookupSiteOptions("few.example", options);
    page.Refresh();
    EXPECT_EQ("3", page.m_list.GetItemText(2, 1));
    EXPECT_EQ("earl late few. also ", hosts());
    for (char typed : {'f', 'e'}) page.m_list.SendMessage(WM_CHAR, typed, 1);
    EXPECT_EQ(2, page.m_list.GetSelectedItem()) << "typing a site's first letters selects it";
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SHOW_ALL_SITES, BN_CLICKED));
    EXPECT_EQ(5, page.m_list.GetItemCount());

    // few.example: default options hold the custom boxes disabled, with their values.
    page.m_list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ("few.example", page.m_list.GetItemText(3, 0));
    AnswerDialog(page, ID_SITE_OPTIONS, "Blocking Options", [](HWND dialog) {
        EXPECT_EQ(0, GetWindowLongA(dialog, GWL_STYLE) & WS_CAPTION) << "the skin draws the title";
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_OPT_BLOCK_IMAGES)));
        SendMessageA(GetDlgItem(dialog, IDC_OPT_DEFAULT), BM_CLICK, 0, 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_OPT_BLOCK_IMAGES)));
        SendMessageA(GetDlgItem(dialog, IDC_OPT_BLOCK_USERINFO), BM_CLICK, 0, 0);
    });
    {
        CCriticalSectionLock lock(g_csLists);
        EXPECT_EQ(0, g_Sites[2]->m_bDefaultOptions);
        EXPECT_EQ(1, g_Sites[2]->m_bBlockUserInfo);
    }
    EXPECT_EQ("Info.", page.m_list.GetItemText(3, 3));
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_REMOVE_DEFAULT_SITES, BN_CLICKED));
    EXPECT_EQ("hidd earl few. ", hosts()) << "both adjacent default-option sites go";
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_HIDE_ALL_SITES, BN_CLICKED));
    EXPECT_EQ(0, page.m_list.GetItemCount());
    CCriticalSectionLock lock(g_csLists);
    EXPECT_EQ(3, g_Sites.GetSize());
}

// While the context menu is open the refresh timer fires and a site arrives
// ahead of the chosen one: the command still acts on the chosen site.
BOOL TimerFiresDuringMenu(HMENU, UINT, int, int, HWND owner) {
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.InsertAt(0, Site("new.example", 1, time(nullptr), 1));
        g_bSitesChanged = 1;
    }
    ::SendMessageA(owner, WM_TIMER, SITES_TIMER, 0);
    ::PostMessageA(owner, WM_COMMAND, ID_SITE_HIDE, 0);
    return TRUE;
}

TEST(SitesPage, CommandChosenWhileTheTimerFiresActsOnTheChosenSite) {
    CVeilrunWorld world;
    const time_t now = time(nullptr);
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.Add(Site("a.example", 1, now - 20, 1));
        g_Sites.Add(Site("b.example", 1, now - 10, 1));
        g_bSitesChanged = 1;
    }
    CPageHost host;
    CSitesPage page;
    ASSERT_TRUE(page.Create(IDD_SITES, host.parent.m_hWnd));
    page.Refresh();
    ASSERT_EQ("b.example", page.m_list.GetItemText(1, 0));
    page.m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    SetTrackPopupHook(TimerFiresDuringMenu);
    page.m_list.SendMessage(WM_CONTEXTMENU, WPARAM(page.m_list.m_hWnd), MAKELPARAM(5, 5));
    SetTrackPopupHook(nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    {
        CCriticalSectionLock lock(g_csLists);
        ASSERT_EQ(3, g_Sites.GetSize());
        EXPECT_EQ(0, g_Sites[0]->m_bHidden);
        EXPECT_EQ(0, g_Sites[1]->m_bHidden) << g_Sites[1]->m_strHost;
        EXPECT_EQ(1, g_Sites[2]->m_bHidden) << g_Sites[2]->m_strHost;
    }
    // A refresh keeps the selected site selected, wherever its row went.
    page.m_list.SelectRow(0);
    const CString selected = page.m_list.GetItemText(0, 0);
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.InsertAt(0, Site("newer.example", 1, now - 100, 1));
        g_bSitesChanged = 1;
    }
    page.Refresh();
    ASSERT_GE(page.m_list.GetSelectedItem(), 0);
    EXPECT_EQ(selected, page.m_list.GetItemText(page.m_list.GetSelectedItem(), 0));
}

TEST(SitesPage, BlockedItemsAndTimes) {
    g_strLanguage = "";
    LoadLanguagePack();
    const struct {
        int defaults, site, images, popups, info, hub;
        const char* text;
    } cases[] = {
        {1, 1, 1, 1, 1, 1, "Default."},
        {0, 1, 1, 0, 0, 0, "The whole site."},
        {0, 0, 1, 0, 1, 1, "Images-Info-IP."},
        {0, 0, 0, 1, 0, 0, "Popups."},
        {0, 0, 0, 0, 0, 0, "Nothing."},
    };
    for (const auto& c : cases) {
        CSiteRecord site;
        site.m_bDefaultOptions = c.defaults;
        site.m_bBlockSite = c.site;
        site.m_bBlockImages = c.images;
        site.m_bBlockPopups = c.popups;
        site.m_bBlockUserInfo = c.info;
        site.m_bUseHub = c.hub;
        EXPECT_EQ(c.text, BlockedItemsText(site));
    }
    const time_t now = time(nullptr);
    EXPECT_EQ(8, FormatRecordTime(now, now).Find(' ')) << "today: the time only";
    EXPECT_EQ(6, FormatRecordTime(now - 2 * 86400, now).Find(',')) << "before: the date";
}



TEST(EventsPage, AppendsDeletesClearsAndShowsHeaderDetails) {
    CVeilrunWorld world;
    CPageHost host;
    CEventsPage page;
    ASSERT_TRUE(page.Create(IDD_EVENTS, host.parent.m_hWnd));
    AddEvent(EVT_CONNECTED, "a.example", "GET http://a.example/ HTTP/1.0");
    AddEvent(EVT_USERINFO_BLOCKED, "b.example", "GET http://b.example/ HTTP/1.0", "Cookie: x\r\n", "Host: b\r\n");
    page.Refresh();
    ASSERT_EQ(2, page.m_list.GetItemCount());
    EXPECT_EQ("User Info is blocked", page.m_list.GetItemText(1, 1));
    AddEvent(EVT_SITE_BLOCKED, "c.example", "GET http://c.example/ HTTP/1.0");
    page.Refresh();
    ASSERT_EQ(3, page.m_list.GetItemCount());
    EXPECT_EQ("c.example", page.m_list.GetItemText(2, 0)) << "by arrival";

    page.m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    CString before, command;
    AnswerDialog(page, ID_EVENT_INFO, "Event Information", [&](HWND dialog) {
        before = ItemText(dialog, IDC_INFO_BEFORE);
        command = ItemText(dialog, IDC_INFO_COMMAND);
    });
    EXPECT_EQ("Cookie: x\r\n", before);
    EXPECT_EQ("GET http://b.example/ HTTP/1.0", command);

    page.m_list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    page.SendMessage(WM_COMMAND, ID_EVENT_DELETE);
    EXPECT_EQ(2, page.m_list.GetItemCount());
    EXPECT_EQ("b.example", page.m_list.GetItemText(0, 0));
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CLEAR_EVENTS, BN_CLICKED));
    EXPECT_EQ(0, page.m_list.GetItemCount());
    AddEvent(EVT_CONNECTED, "d.example", "GET http://d.example/ HTTP/1.0");
    page.Refresh();
    EXPECT_EQ("d.example", page.m_list.GetItemText(0, 0));
    CCriticalSectionLock lock(g_csLists);
    EXPECT_EQ(1, g_Events.GetSize());
}

TEST(EventsPage, KeepsTheNewestEventsAndFindsTheChosenOneAfterTheOldestGo) {
    CVeilrunWorld world;
    CPageHost host;
    CEventsPage page;
    ASSERT_TRUE(page.Create(IDD_EVENTS, host.parent.m_hWnd));
    for (int i = 0; i < kMaxEvents; ++i) AddEvent(EVT_CONNECTED, "e" + IntToString(i), "GET /" + IntToString(i));
    page.Refresh();
    ASSERT_EQ(kMaxEvents, page.m_list.GetItemCount());
    const int last = kMaxEvents - 1;
    ASSERT_EQ("e" + IntToString(last), page.m_list.GetItemText(last, 0));
    page.m_list.SetItemState(last, LVIS_SELECTED, LVIS_SELECTED);
    AddEvent(EVT_CONNECTED, "newest", "GET /newest");
    {
        CCriticalSectionLock lock(g_csLists);
        ASSERT_LE(g_Events.GetSize(), kMaxEvents);
        EXPECT_EQ("newest", g_Events[g_Events.GetSize() - 1]->m_strSite);
    }
    CString command;
    AnswerDialog(page, ID_EVENT_INFO, "Event Information",
                 [&](HWND dialog) { command = ItemText(dialog, IDC_INFO_COMMAND); });
    EXPECT_EQ("GET /" + IntToString(last), command) << "the row chosen before the oldest went";
    page.Refresh();
    CCriticalSectionLock lock(g_csLists);
    EXPECT_EQ(g_Events.GetSize(), page.m_list.GetItemCount());
    EXPECT_EQ(g_Events[0]->m_strSite, page.m_list.GetItemText(0, 0));
}

TEST(OptionsPage, BoxesSwitchDefaultsAndBrowsersAtOnce) {
    CVeilrunWorld world;
    CPageHost host;
    g_bSetIE = 0;
    COptionsTabPage page;
    ASSERT_TRUE(page.Create(IDD_OPTIONS, host.parent.m_hWnd));
    auto click = [&](UINT id) { ::SendMessageA(page.GetDlgItem(id), BM_CLICK, 0, 0); };
    EXPECT_EQ(UINT(BST_UNCHECKED), page.IsDlgButtonChecked(IDC_SET_IE));

    const char* const url = "http://cached.example/pic.gif";
    ASSERT_TRUE(AddCacheEntry(url, NORMAL_CACHE_ENTRY));
    click(IDC_DEF_BLOCK_POPUPS);
    click(IDC_DEF_BLOCK_POPUPS);
    EXPECT_FALSE(InCache(url)) << "switching on empties the cache";
    ASSERT_TRUE(AddCacheEntry(url, NORMAL_CACHE_ENTRY));
    EXPECT_EQ(0, g_bDefBlockPopups);
    EXPECT_TRUE(InCache(url)) << "switching off leaves it";

    click(IDC_DEF_BLOCK_USERINFO);
    {
        CCriticalSectionLock lock(g_csLists);
        EXPECT_EQ(3, g_bDefBlockCookies + g_bDefBlockReferer + g_bDefBlockUserAgent);
    }
    click(IDC_SET_IE);
    EXPECT_EQ(1, g_bSetIE);
    EXPECT_EQ(1, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable"));
    click(IDC_SET_IE);
    EXPECT_EQ(0, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable"));
    DeleteUrlCacheEntryA(url);
}

}  // namespace
