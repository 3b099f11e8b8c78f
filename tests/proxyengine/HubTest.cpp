#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "AnonymousHub.h"
#include "BlockResources.h"
#include "HubFakeServer.h"
#include "TestSupport.h"

namespace {
BOOL Offline() { return FALSE; }
BOOL Online() { return TRUE; }

class HubTest : public testing::Test {
protected:
    void SetUp() override {
        StartWinsockForTests();
        SetBlockFolder(m_folder.Path());
        SetConnectedStateProbe(Online);
        CCriticalSectionLock lock(g_csHub);
        g_bHubAvailable = 0;
        g_strHubHost.Empty();
        g_nHubPort = 0;
        g_nNextHubIndex = 0;
    }
    void TearDown() override { SetConnectedStateProbe(nullptr); }
    void WriteList(const std::string& text) { m_folder.Write("Block\\AnonPS.txt", text); }
    static std::string Line(int port) { return "127.0.0.1:" + std::to_string(port) + "\r\n"; }
    static int ChosenPort() {
        CString host;
        int port = 0;
        return GetAnonymousHub(host, port) ? port : -1;
    }

    CTempFolder m_folder;
};
}  // namespace

TEST_F(HubTest, ReselectionWalksTheListRoundRobin) {
    CFakeServer a, b;
    WriteList(Line(a.Port()) + Line(b.Port()));
    const int want[] = {a.Port(), b.Port(), a.Port(), b.Port()};
    for (int port : want) {
        EXPECT_EQ(ChooseAnonymousHub(), 1);
        EXPECT_EQ(ChosenPort(), port);
    }
    EXPECT_EQ(g_strHubHost, "127.0.0.1");
}

TEST_F(HubTest, UnreachableAndMalformedLinesAreSkipped) {
    CFakeServer live;
    WriteList("127.0.0.1\n127.0.0.1:abc\n" + Line(UnusedPort()) + "\n" + Line(live.Port()));
    EXPECT_EQ(ChooseAnonymousHub(), 1);
    EXPECT_EQ(ChosenPort(), live.Port());
    EXPECT_EQ(g_nNextHubIndex, 0);
    EXPECT_EQ(live.Accepted(), 1);
}

TEST_F(HubTest, NoHubWithoutAListOrAReachableEntryOrWhenOffline) {
    EXPECT_EQ(ChooseAnonymousHub(), 0);
    EXPECT_EQ(g_bHubAvailable, 0);

    WriteList(Line(UnusedPort()) + Line(UnusedPort()));
    EXPECT_EQ(ChooseAnonymousHub(), 0);

    CFakeServer live;
    WriteList(Line(live.Port()));
    SetConnectedStateProbe(Offline);
    EXPECT_EQ(ChooseAnonymousHub(), 0);
    EXPECT_EQ(live.Accepted(), 0);
    SetConnectedStateProbe(Online);
    EXPECT_EQ(ChooseAnonymousHub(), 1);
}

TEST_F(HubTest, OnlyTheFailedHubIsMarkedUnavailable) {
    CFakeServer a, b;
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
    CFakeServer hub;
    WriteList(Line(hub.Port()));
    std::vector<std::thread> threads;
    std::vector<int> results(8, -1);
    for (int i = 0; i < 8; ++i) threads.emplace_back([&results, i] { results[size_t(i)] = EnsureAnonymousHub(); });
    for (std::thread& t : threads) t.join();
    for (int r : results) EXPECT_EQ(r, 1);
    EXPECT_EQ(hub.Accepted(), 1);
}

TEST_F(HubTest, ProbeOfAHubThatNeverAnswersGivesUpAfterTheTimeOut) {
    // A listener whose backlog is full drops further connection attempts, so
    // the next connect neither succeeds nor is refused.
    int port = 0;
    SOCKET full = ListenOnLoopback(1, port);
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

TEST_F(HubTest, ConnectRefusesBadTargets) {
    EXPECT_EQ(ConnectBlocking("", 80), INVALID_SOCKET);
    EXPECT_EQ(ConnectBlocking("127.0.0.1", 0), INVALID_SOCKET);
    EXPECT_EQ(ConnectBlocking("127.0.0.1", 70000), INVALID_SOCKET);
    EXPECT_EQ(ConnectBlocking("no-such-host.invalid", 80, 500), INVALID_SOCKET);
}
