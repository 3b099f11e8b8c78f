// Real requests through the engine under Wine: site and event records, the
// user-information filters, the block page and image, and the anonymous hub.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "AnonymousHub.h"
#include "BlockResources.h"
#include "EngineTestSupport.h"
#include "EventRecords.h"
#include "ProxyConnection.h"
#include "RecordsTestSupport.h"
#include "TestSupport.h"

namespace {
const char kPage[] = "<html><body>This site is blocked.</body></html>";
const std::string kImage("GIF89a\x01\x00\x01\x00\x00\xff", 12);

COriginReply Reply(const std::string& body, const char* type = "text/plain") {
    COriginReply reply;
    reply.pieces.push_back(HttpResponse(type, body));
    reply.close = true;
    return reply;
}

COriginReply HubReply(const COriginRequest& request) {
    if (request.header.compare(0, 8, "CONNECT ") == 0) {
        COriginReply reply;
        reply.pieces.push_back("HTTP/1.0 200 Connection established\r\n\r\n");
        reply.close = true;
        return reply;
    }
    return Reply("via hub");
}

std::string Fetch(int proxyPort, const std::string& request) {
    SOCKET s = ConnectLoopback(proxyPort);
    if (s == INVALID_SOCKET) return std::string();
    SendAll(s, request);
    std::string reply = ReceiveResponse(s, 3000);
    closesocket(s);
    return reply;
}

bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }

bool HasLine(const std::string& header, const std::string& line) { return header.find(line + "\r\n") != std::string::npos; }

class RecordsEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        m_folder.Write("Block\\Block.htm", kPage);
        m_folder.Write("Block\\Block.gif", kImage);
        SetBlockFolder(m_folder.Path());
        g_BlockPage.Empty();
        g_BlockImage.Empty();
        LoadBlockResources();
        m_savedProbeTimeOut = g_dwHubProbeTimeOut;
        g_dwHubProbeTimeOut = 1000;
        ResetRecords();
        ResetHub();
        m_hub.reset(new COriginServer(HubReply));
        WriteHubList({m_hub->Port()});
        CEngineSettings variant = VeilrunEngineSettings();
        variant.IsOnline = [] { return true; };
        m_engine.reset(new CEngineUnderTest(variant));
        ASSERT_NE(m_engine->Port(), 0);
    }
    void TearDown() override {
        m_engine.reset();
        g_dwHubProbeTimeOut = m_savedProbeTimeOut;
        ResetRecords();
        ResetHub();
    }
    void WriteHubList(std::initializer_list<int> ports) {
        std::string text;
        for (int port : ports) text += "127.0.0.1:" + std::to_string(port) + "\r\n";
        m_folder.Write("Block\\AnonPS.txt", text);
    }
    static std::vector<int> EventTypes() {
        CCriticalSectionLock lock(g_csLists);
        std::vector<int> types;
        for (int i = 0; i < g_Events.GetSize(); ++i) types.push_back(g_Events[i]->m_nType);
        return types;
    }
    std::string Get(int originPort, const std::string& path, const std::string& extra = "",
                    const std::string& host = "127.0.0.1") {
        return Fetch(m_engine->Port(), "GET http://" + host + ":" + std::to_string(originPort) + path +
                                           " HTTP/1.1\r\nHost: " + host + "\r\n" + extra + "\r\n");
    }

    CTempFolder m_folder;
    std::unique_ptr<COriginServer> m_hub;
    std::unique_ptr<CEngineUnderTest> m_engine;
    DWORD m_savedProbeTimeOut = 0;
};
}  // namespace

TEST_F(RecordsEndToEnd, EachHostGetsOneSiteRecordWithItsHitsAndEachRequestAnEvent) {
    COriginServer origin([](const COriginRequest&) { return Reply("origin"); });
    EXPECT_NE(Get(origin.Port(), "/a").find("origin"), std::string::npos);
    EXPECT_NE(Get(origin.Port(), "/b").find("origin"), std::string::npos);
    EXPECT_NE(Get(origin.Port(), "/c", "", "localhost").find("origin"), std::string::npos);
    ASSERT_EQ(origin.Requests().size(), 3u);
    EXPECT_TRUE(StartsWith(origin.Requests()[0].header, "GET /a HTTP/1.1\r\n"));

    CCriticalSectionLock lock(g_csLists);
    ASSERT_EQ(g_Sites.GetSize(), 2);
    EXPECT_EQ(g_Sites[0]->m_strHost, "127.0.0.1");
    EXPECT_EQ(g_Sites[0]->m_nHits, 2);
    EXPECT_EQ(g_Sites[1]->m_strHost, "localhost");
    EXPECT_EQ(g_Sites[1]->m_nHits, 1);
    EXPECT_NE(g_Sites[1]->m_timeLastAccess, 0);
    ASSERT_EQ(g_Events.GetSize(), 3);
    EXPECT_EQ(g_Events[0]->m_nType, EVT_CONNECTED);
    EXPECT_EQ(g_Events[2]->m_strSite, "localhost");
    EXPECT_EQ(g_Events[2]->m_strCommand, "GET http://localhost:" + std::to_string(origin.Port()) + "/c HTTP/1.1");
    EXPECT_EQ(g_bSitesChanged, 1);
    EXPECT_EQ(g_bEventsChanged, 1);
}

TEST_F(RecordsEndToEnd, UserInformationNeverReachesTheOriginButASameSiteRefererDoes) {
    g_bDefBlockCookies = g_bDefBlockReferer = g_bDefBlockUserAgent = 1;
    COriginServer origin([](const COriginRequest&) { return Reply("origin"); });
    const std::string who = "Cookie: id=secret\r\nUser-Agent: Browser/1.0\r\nAccept: */*\r\n";
    Get(origin.Port(), "/a", who + "Referer: http://tracker.test/?to=127.0.0.1\r\n");
    Get(origin.Port(), "/b", "Referer: http://127.0.0.1/home\r\n");
    ASSERT_EQ(origin.Requests().size(), 2u);
    const std::string first = origin.Requests()[0].header;
    EXPECT_EQ(first.find("Cookie"), std::string::npos);
    EXPECT_EQ(first.find("User-Agent"), std::string::npos);
    EXPECT_EQ(first.find("Referer"), std::string::npos);
    EXPECT_TRUE(HasLine(first, "Accept: */*"));
    EXPECT_TRUE(HasLine(origin.Requests()[1].header, "Referer: http://127.0.0.1/home"));

    EXPECT_EQ(EventTypes(), (std::vector<int>{EVT_CONNECTED, EVT_USERINFO_BLOCKED, EVT_CONNECTED}));
    CCriticalSectionLock lock(g_csLists);
    const CEventRecord* blocked = g_Events[1];
    EXPECT_GE(blocked->m_strBefore.Find("Cookie: id=secret\r\n"), 0);
    EXPECT_GE(blocked->m_strBefore.Find("Referer: http://tracker.test/"), 0);
    EXPECT_EQ(blocked->m_strAfter.Find("Cookie"), -1);
    EXPECT_GE(blocked->m_strAfter.Find("GET /a HTTP/1.1\r\n"), 0);
    EXPECT_GE(blocked->m_strAfter.Find("Accept: */*\r\n"), 0);
}

TEST_F(RecordsEndToEnd, ScriptsCannotReadAReferrerThatWasRemoved) {
    const std::string page = "<html><script>var r = document.referrer;</script></html>";
    COriginServer origin([&page](const COriginRequest&) { return Reply(page, "text/html"); });
    g_bDefBlockReferer = 1;
    EXPECT_NE(Get(origin.Port(), "/", "Referer: http://other.test/\r\n").find("var r = document.Referrer;"),
              std::string::npos);
    EXPECT_NE(Get(origin.Port(), "/", "Referer: http://127.0.0.1/\r\n").find("var r = document.referrer;"),
              std::string::npos);
}

TEST_F(RecordsEndToEnd, SiteOptionsOverrideTheDefaults) {
    g_bDefBlockCookies = g_bDefBlockReferer = g_bDefBlockUserAgent = 1;
    AddSite("localhost");
    AddSite("127.0.0.1")->m_bBlockUserInfo = 1;
    g_bDefBlockCookies = g_bDefBlockReferer = g_bDefBlockUserAgent = 0;
    COriginServer origin([](const COriginRequest&) { return Reply("origin"); });
    Get(origin.Port(), "/", "Cookie: a=1\r\n", "localhost");
    Get(origin.Port(), "/", "Cookie: a=1\r\n", "127.0.0.1");
    Get(origin.Port(), "/", "Cookie: a=1\r\n", "127.1");
    ASSERT_EQ(origin.Requests().size(), 3u);
    EXPECT_TRUE(HasLine(origin.Requests()[0].header, "Cookie: a=1"));
    EXPECT_FALSE(HasLine(origin.Requests()[1].header, "Cookie: a=1"));
    // A new host follows the defaults, now off.
    EXPECT_TRUE(HasLine(origin.Requests()[2].header, "Cookie: a=1"));
}

TEST_F(RecordsEndToEnd, BlockedSiteGetsTheBlockPageAndOnlyItsEvent) {
    AddSite("127.0.0.1")->m_bBlockSite = 1;
    COriginServer origin([](const COriginRequest&) { return Reply("origin"); });
    const std::string reply = Get(origin.Port(), "/");
    EXPECT_EQ(reply, std::string(BuildBlockReplyHeader(g_strBlockPagePath, 0)) + kPage);
    EXPECT_EQ(reply.find("HTTP/1.0 200 OK\nPragma: no-cache\n"), 0u);
    EXPECT_TRUE(origin.Requests().empty());
    EXPECT_EQ(EventTypes(), std::vector<int>{EVT_SITE_BLOCKED});
}

TEST_F(RecordsEndToEnd, BlockedImagesGetTheBlockImageAndPagesStillPass) {
    g_bDefBlockImages = 1;
    COriginServer origin([](const COriginRequest&) { return Reply("origin"); });
    const std::string image = Get(origin.Port(), "/pics/photo.JPG");
    EXPECT_EQ(image, "HTTP/1.0 200 OK\nContent-Type: image/gif\nLast-Modified: Fri Jan 15, 1999 00:00:00 GMT\n"
                     "Expires: Fri 15 Apr 1999 20:00:00 GMT\nPragma: no-cache\nConnection: close\n"
                     "Content-Length: 12\n\n" + kImage);
    EXPECT_NE(Get(origin.Port(), "/index.html").find("origin"), std::string::npos);
    EXPECT_EQ(origin.Requests().size(), 1u);
    EXPECT_EQ(EventTypes(), (std::vector<int>{EVT_IMAGE_BLOCKED, EVT_CONNECTED}));

    // Without a block image nothing is blocked.
    g_BlockImage.Empty();
    EXPECT_NE(Get(origin.Port(), "/b.gif").find("origin"), std::string::npos);
}

TEST_F(RecordsEndToEnd, PagesOfSitesThatBlockPopUpsBeginWithTheBuiltInScript) {
    const std::string page = "<html><body>hello</body></html>";
    COriginServer origin([&page](const COriginRequest&) { return Reply(page, "text/html"); });
    AddSite("localhost")->m_bBlockPopups = 1;
    const std::string blocked = Get(origin.Port(), "/", "", "localhost");
    const std::string plain = Get(origin.Port(), "/");
    const std::string script = g_PopupScript.str();
    ASSERT_FALSE(script.empty());
    EXPECT_NE(blocked.find("Content-Length: " + std::to_string(script.size() + page.size())), std::string::npos);
    EXPECT_NE(blocked.find("\r\n\r\n" + script + page), std::string::npos);
    EXPECT_EQ(plain.find("VRX_"), std::string::npos);
}

TEST_F(RecordsEndToEnd, HubSitesGoThroughTheHubInAbsoluteFormAndTunnelsAsConnect) {
    g_bDefUseHub = g_bDefBlockUserAgent = g_bDefBlockReferer = 1;
    const std::string agent = "User-Agent: Browser/1.0\r\n";
    EXPECT_NE(Fetch(m_engine->Port(), "GET http://www.example.test/a?b HTTP/1.1\r\nHost: www.example.test\r\n" +
                                          agent + "Referer: http://img.example.test/x\r\n\r\n")
                  .find("via hub"),
              std::string::npos);
    SOCKET tunnel = ConnectLoopback(m_engine->Port());
    SendAll(tunnel, "CONNECT secure.example.test:443 HTTP/1.1\r\nHost: secure.example.test:443\r\n" + agent + "\r\n");
    EXPECT_EQ(ReceiveAll(tunnel, 3000).find("HTTP/1.0 200 Connection established"), 0u);
    closesocket(tunnel);

    std::vector<COriginRequest> seen = m_hub->Requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(StartsWith(seen[0].header, "GET http://www.example.test/a?b HTTP/1.1\r\n")) << seen[0].header;
    EXPECT_TRUE(HasLine(seen[0].header, "Referer: http://img.example.test/x"));
    EXPECT_TRUE(StartsWith(seen[1].header, "CONNECT secure.example.test:443 HTTP/1.1\r\n")) << seen[1].header;
    for (const COriginRequest& r : seen) EXPECT_EQ(r.header.find("User-Agent"), std::string::npos);
    EXPECT_EQ(EventTypes(), (std::vector<int>{EVT_CONNECTED_HUB, EVT_USERINFO_BLOCKED, EVT_CONNECTED_HUB,
                                              EVT_USERINFO_BLOCKED}));
}

TEST_F(RecordsEndToEnd, ASiteSwitchedToTheHubLeavesItsKeptSocketToTheSite) {
    COriginServer origin([](const COriginRequest&) {
        COriginReply reply;
        reply.pieces.push_back(HttpResponse("text/plain", "origin"));
        return reply;
    });
    CSiteRecord* site = AddSite("127.0.0.1");
    const std::string request =
        "GET http://127.0.0.1:" + std::to_string(origin.Port()) + "/ HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    SOCKET browser = ConnectLoopback(m_engine->Port());
    SendAll(browser, request);
    EXPECT_NE(ReceiveResponse(browser, 3000).find("origin"), std::string::npos);
    {
        CCriticalSectionLock lock(g_csLists);
        site->m_bUseHub = 1;
    }
    SendAll(browser, request);
    EXPECT_NE(ReceiveResponse(browser, 3000).find("via hub"), std::string::npos);
    closesocket(browser);
    EXPECT_EQ(origin.Requests().size(), 1u);
    EXPECT_EQ(m_hub->Requests().size(), 1u);
}

TEST_F(RecordsEndToEnd, DyingHubIsMarkedUnavailableAndReplacedOnTheNextRequest) {
    COriginServer second(HubReply);
    WriteHubList({m_hub->Port(), second.Port()});
    g_bDefUseHub = 1;
    const std::string request = "GET http://www.example.test/ HTTP/1.1\r\nHost: www.example.test\r\n\r\n";
    EXPECT_NE(Fetch(m_engine->Port(), request).find("via hub"), std::string::npos);
    m_hub.reset();
    EXPECT_EQ(Fetch(m_engine->Port(), request).find(kReplyConnectFailed), 0u);
    EXPECT_EQ(g_bHubAvailable, 0);
    EXPECT_NE(Fetch(m_engine->Port(), request).find("via hub"), std::string::npos);
    EXPECT_EQ(second.Requests().size(), 1u);
    // The failed request is no connection.
    EXPECT_EQ(EventTypes(), (std::vector<int>{EVT_CONNECTED_HUB, EVT_CONNECTED_HUB}));
}

TEST_F(RecordsEndToEnd, WithoutAnyHubOnlyHubSitesAreRefused) {
    m_hub.reset();
    ResetHub();
    COriginServer origin([](const COriginRequest&) { return Reply("origin"); });
    AddSite("localhost")->m_bUseHub = 1;
    EXPECT_EQ(Get(origin.Port(), "/hub", "", "localhost"), "");
    EXPECT_NE(Get(origin.Port(), "/direct").find("origin"), std::string::npos);
    ASSERT_EQ(origin.Requests().size(), 1u);
    EXPECT_TRUE(StartsWith(origin.Requests()[0].header, "GET /direct "));
    EXPECT_EQ(EventTypes(), std::vector<int>{EVT_CONNECTED});
}

TEST_F(RecordsEndToEnd, ManyClientsWhileThePagesDeleteRecords) {
    g_bDefBlockCookies = g_bDefBlockReferer = g_bDefBlockUserAgent = 1;
    COriginServer origin([](const COriginRequest&) { return Reply("origin"); });
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 16; ++i) {
        clients.emplace_back([&, i] {
            const std::string host = i % 2 ? "localhost" : "127.0.0.1";
            while (!stop) {
                const std::string reply = Get(origin.Port(), "/" + std::to_string(i),
                                              "Cookie: c=1\r\nReferer: http://elsewhere.test/\r\n", host);
                if (reply.find("origin") != std::string::npos) ++answered;
            }
        });
    }
    std::thread deleter([&] {
        while (!stop) {
            {
                CCriticalSectionLock lock(g_csLists);
                if (g_Sites.GetSize() > 0) g_Sites.RemoveAt(0);
                if (g_Events.GetSize() > 1) g_Events.RemoveAt(0, g_Events.GetSize() / 2);
            }
            Sleep(10);
        }
    });
    Sleep(20000);  // long enough for many record deletions to meet live lookups
    stop = true;
    for (std::thread& t : clients) t.join();
    deleter.join();
    EXPECT_GT(answered.load(), 16);
    EXPECT_TRUE(WaitForLiveCount(0));
    for (const COriginRequest& r : origin.Requests()) ASSERT_EQ(r.header.find("Cookie"), std::string::npos);
}
