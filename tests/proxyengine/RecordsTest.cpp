#include <gtest/gtest.h>

#include "EventRecords.h"
#include "RecordsTestSupport.h"

namespace {
class RecordsTest : public testing::Test {
protected:
    void SetUp() override { ResetRecords(); }
    void TearDown() override { ResetRecords(); }
};
}  // namespace

TEST_F(RecordsTest, HostMatchesTheFirstRecordItPrefixesInAnyCase) {
    AddSite("A.test.au", false);
    AddSite("a.test", false);
    CSiteOptions options;
    LookupSiteOptions("a.test", options);
    EXPECT_EQ(g_Sites[0]->m_nHits, 1);
    EXPECT_EQ(g_Sites[1]->m_nHits, 0);
    // A longer host is no prefix of a shorter record.
    LookupSiteOptions("a.test.au.example", options);
    EXPECT_EQ(g_Sites.GetSize(), 3);
}

TEST_F(RecordsTest, NoSiteHostTouchesNoRecordAndGetsDefaults) {
    AddSite("a.test")->m_bBlockUserInfo = 1;
    g_bDefBlockImages = 1;
    for (const char* host : {"", "a.test\t", "a\x01test"}) {
        CSiteOptions options;
        LookupSiteOptions(host, options);
        EXPECT_EQ(g_Sites.GetSize(), 1) << host;
        EXPECT_EQ(g_Sites[0]->m_nHits, 0) << host;
        EXPECT_EQ(options.bBlockImages, 1) << host;
        EXPECT_EQ(options.bBlockCookies, 0) << host;
    }
}

// The host index follows removals and insertions: the first record in list
// order is found, never one that left.
TEST_F(RecordsTest, LookupFollowsTheListThroughRemovalsAndInsertions) {
    AddSite("b.test.first");
    AddSite("B.test");
    CSiteOptions options;
    LookupSiteOptions("b.test", options);
    EXPECT_EQ(g_Sites[0]->m_nHits, 1);
    g_Sites.RemoveAt(0);
    LookupSiteOptions("b.test", options);
    ASSERT_EQ(g_Sites.GetSize(), 1);
    EXPECT_EQ(g_Sites[0]->m_nHits, 1);
    auto* front = new CSiteRecord;
    front->m_strHost = "b.test.front";
    g_Sites.InsertAt(0, front);
    LookupSiteOptions("b.test", options);
    EXPECT_EQ(front->m_nHits, 1);
    EXPECT_EQ(g_Sites.RemoveIf([](const CSiteRecord& s) { return s.m_nHits > 0; }), 2);
    LookupSiteOptions("b.test", options);
    ASSERT_EQ(g_Sites.GetSize(), 1);
    EXPECT_EQ(g_Sites[0]->m_strHost, "b.test");
    EXPECT_EQ(g_Sites.IndexOf(g_Sites[0]), 0);
}

TEST_F(RecordsTest, SiteOptionsOverrideDefaultsOnlyWhenTheSiteHasItsOwn) {
    struct Case {
        const char* host;
        int ownOptions, userInfo, images;
        int wantCookies, wantReferer, wantAgent, wantImages, wantPopups;
    } cases[] = {
        {"own.test", 1, 1, 0, 1, 1, 1, 0, 0},
        {"own-images.test", 1, 0, 1, 0, 0, 0, 1, 0},
        {"defaults.test", 0, 1, 1, 0, 1, 0, 0, 1},
        {"new.test", -1, 0, 0, 0, 1, 0, 0, 1},
    };
    g_bDefBlockReferer = 1;
    g_bDefBlockPopups = 1;
    for (const Case& c : cases) {
        if (c.ownOptions >= 0) {
            CSiteRecord* site = AddSite(c.host, c.ownOptions != 0);
            site->m_bBlockUserInfo = c.userInfo;
            site->m_bBlockImages = c.images;
        }
        CSiteOptions options;
        LookupSiteOptions(c.host, options);
        SCOPED_TRACE(c.host);
        EXPECT_EQ(options.bBlockCookies, c.wantCookies);
        EXPECT_EQ(options.bBlockReferer, c.wantReferer);
        EXPECT_EQ(options.bBlockUserAgent, c.wantAgent);
        EXPECT_EQ(options.bBlockImages, c.wantImages);
        EXPECT_EQ(options.bBlockPopups, c.wantPopups);
        EXPECT_EQ(options.bBlockSite, 0);
    }
}

TEST_F(RecordsTest, EventsStoreOnlyKnownTypesAndFlagSitesForConnections) {
    struct Case {
        int type;
        bool stored, sitesChanged;
    } cases[] = {
        {EVT_CONNECTED, true, true},     {EVT_CONNECTED_HUB, true, true},  {EVT_SITE_BLOCKED, true, false},
        {EVT_IMAGE_BLOCKED, true, false}, {EVT_USERINFO_BLOCKED, true, false}, {5, false, false},
        {-1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ResetRecords();
        AddEvent(c.type, "a.test", "GET / HTTP/1.0\r\n", "Cookie: x\r\n", "");
        EXPECT_EQ(g_Events.GetSize(), c.stored ? 1 : 0);
        EXPECT_EQ(g_bEventsChanged, c.stored ? 1 : 0);
        EXPECT_EQ(g_bSitesChanged, c.sitesChanged ? 1 : 0);
    }
}

