#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "AnonymousHub.h"
#include "BlockResources.h"
#include "EngineTestSupport.h"
#include "RecordsTestSupport.h"
#include <memory>
#include "TestSupport.h"

namespace {
COriginReply NoReply(const COriginRequest&) { return COriginReply(); }

// A hub that accepts connections and answers nothing: the probes only connect.
struct CHub : COriginServer {
    CHub() : COriginServer(NoReply) {}
};

// The probe's connect completes before the hub's accept returns.
bool WaitForConnections(const COriginServer& hub, int n) {
    for (int i = 0; i < 100 && hub.Connections() < n; ++i) Sleep(10);
    Sleep(50);
    return hub.Connections() == n;
}

class HubTest : public testing::Test {
protected:
    void SetUp() override {
        m_saved = g_Engine;
        g_Engine.IsOnline = [] { return true; };
        SetBlockFolder(m_folder.Path());
        ResetHub();
    }
    void TearDown() override {
        g_Engine = m_saved;
        ResetHub();
    }
    void WriteList(const std::string& text) { m_folder.Write("Block\\AnonPS.txt", text); }
    static std::string Line(int port) { return "127.0.0.1:" + std::to_string(port) + "\r\n"; }
    static int ChosenPort() {
        CString host;
        int port = 0;
        return GetAnonymousHub(host, port) ? port : -1;
    }

    CEngineSettings m_saved;
    CTempFolder m_folder;
};
}  // namespace

TEST_F(HubTest, ReselectionWalksTheListRoundRobin) {
    CHub a, b;
    WriteList(Line(a.Port()) + Line(b.Port()));
    const int want[] = {a.Port(), b.Port(), a.Port(), b.Port()};
    for (int port : want) {
        EXPECT_EQ(ChooseAnonymousHub(), 1);
        EXPECT_EQ(ChosenPort(), port);
    }
    EXPECT_EQ(g_strHubHost, "127.0.0.1");
}

TEST_F(HubTest, UnreachableAndMalformedLinesAreSkipped) {
    CHub live;
    WriteList("127.0.0.1\n127.0.0.1:abc\n" + Line(ClosedLoopbackPort()) + "\n" + Line(live.Port()));
    EXPECT_EQ(ChooseAnonymousHub(), 1);
    EXPECT_EQ(ChosenPort(), live.Port());
    EXPECT_EQ(g_nNextHubIndex, 0);
    EXPECT_TRUE(WaitForConnections(live, 1));
}

TEST_F(HubTest, NoHubWithoutAListOrAReachableEntryOrWhenOffline) {
    EXPECT_EQ(ChooseAnonymousHub(), 0);
    EXPECT_EQ(g_bHubAvailable, 0);

    WriteList(Line(ClosedLoopbackPort()) + Line(ClosedLoopbackPort()));
    EXPECT_EQ(ChooseAnonymousHub(), 0);

    CHub live;
    WriteList(Line(live.Port()));
    g_Engine.IsOnline = [] { return false; };
    EXPECT_EQ(ChooseAnonymousHub(), 0);
    EXPECT_EQ(live.Connections(), 0);
    g_Engine.IsOnline = [] { return true; };
    EXPECT_EQ(ChooseAnonymousHub(), 1);
}

TEST_F(HubTest, OnlyTheFailedHubIsMarkedUnavailable) {
    CHub a, b;
    WriteList(Line(a.Port()) + Line(b.Port()));
    ASSERT_EQ(ChooseAnonymousHub(), 1);
    MarkHubUnavailable("127.0.0.1", b.Port());
    EXPECT_EQ(ChosenPort(), a.Port());
    MarkHubUnavailable("127.0.0.1", a.Port());
    EXPECT_EQ(ChosenPort(), -1);
    EXPECT_EQ(EnsureAnonymousHub(), 1);
    EXPECT_EQ(ChosenPort(), b.Port());
}

TEST_F(HubTest, ConcurrentRequestsShareOneChoice) {
    CHub hub;
    WriteList(Line(hub.Port()));
    std::vector<std::thread> threads;
    std::vector<int> results(8, -1);
    for (int i = 0; i < 8; ++i) threads.emplace_back([&results, i] { results[size_t(i)] = EnsureAnonymousHub(); });
    for (std::thread& t : threads) t.join();
    for (int r : results) EXPECT_EQ(r, 1);
    EXPECT_TRUE(WaitForConnections(hub, 1));
}

TEST_F(HubTest, ProbeOfAHubThatNeverAnswersGivesUpAfterTheTimeOut) {
    // A listener whose backlog is full drops further connection attempts, so
    // the next connect neither succeeds nor is refused.
    SOCKET full = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(full, reinterpret_cast<sockaddr*>(&at), sizeof(at));
    int length = sizeof(at);
    getsockname(full, reinterpret_cast<sockaddr*>(&at), &length);
    listen(full, 1);
    const int port = ntohs(at.sin_port);
    std::vector<SOCKET> fillers;
    for (int i = 0; i < 8; ++i) {
        SOCKET s = ConnectBlocking("127.0.0.1", port, 200);
        if (s == INVALID_SOCKET) break;
        fillers.push_back(s);
    }
    ASSERT_LT(fillers.size(), 8u) << "the backlog never filled";
    const DWORD start = GetTickCount();
    EXPECT_EQ(ConnectBlocking("127.0.0.1", port, 500), INVALID_SOCKET);
    EXPECT_LT(GetTickCount() - start, 3000u);
    for (SOCKET s : fillers) closesocket(s);
    closesocket(full);
}

