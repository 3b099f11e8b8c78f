#include "EngineTestSupport.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>
#include "ProxyConnection.h"
#include "TestSupport.h"

static int CountOwnThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

// The count once it has stayed the same for a while (threads start and end
// in the background).
static int SettledThreadCount() {
    int count = CountOwnThreads();
    for (int stable = 0, i = 0; stable < 5 && i < 250; ++i) {
        Sleep(20);
        const int now = CountOwnThreads();
        stable = now == count ? stable + 1 : 0;
        count = now;
    }
    return count;
}

TEST(ProxyListener, EachClientIsALiveConnectionUntilItCloses) {
    CEngineUnderTest engine;
    ASSERT_NE(0, engine.Port());
    SOCKET clients[3];
    for (SOCKET& c : clients) {
        c = ConnectLoopback(engine.Port());
        ASSERT_NE(INVALID_SOCKET, c);
    }
    EXPECT_TRUE(WaitForLiveCount(3));
    EXPECT_EQ(1, g_bAccepted);
    for (SOCKET c : clients) closesocket(c);
    EXPECT_TRUE(WaitForLiveCount(0));
}

TEST(ProxyListener, SecondStartReplacesTheFirstListenerAndItsThread) {
    CEngineUnderTest engine;
    int firstPort = engine.Port();
    int threads = SettledThreadCount();
    ASSERT_TRUE(engine.Start());
    EXPECT_EQ(threads, SettledThreadCount());
    EXPECT_EQ(INVALID_SOCKET, ConnectLoopback(firstPort) == INVALID_SOCKET ? INVALID_SOCKET : SOCKET(0));
    SOCKET c = ConnectLoopback(engine.Port());
    ASSERT_NE(INVALID_SOCKET, c);
    EXPECT_TRUE(WaitForLiveCount(1));
    closesocket(c);
    EXPECT_TRUE(WaitForLiveCount(0));
}

TEST(ProxyListener, MoreConnectionsThanReadyThreadsAreEachServedAndTheExtraThreadsEndWhenIdle) {
    CEngineSettings settings = VeilrunEngineSettings();
    settings.ReadyThreads = 2;
    settings.ReadyThreadIdleMs = 300;
    CEngineUnderTest engine(settings);
    const int ready = SettledThreadCount();
    for (int round = 0; round < 2; ++round) {
        SOCKET clients[5];
        for (SOCKET& c : clients) c = ConnectLoopback(engine.Port());
        ASSERT_TRUE(WaitForLiveCount(5));
        for (SOCKET c : clients) {
            SendAll(c, "GARBAGE\n\n");
            EXPECT_EQ(kReplyBadRequest, ReceiveAll(c)) << round;
            closesocket(c);
        }
        EXPECT_TRUE(WaitForLiveCount(0));
        Sleep(2 * settings.ReadyThreadIdleMs);
        EXPECT_EQ(ready, SettledThreadCount()) << round;
    }
}

TEST(ProxyListener, NoThreadOfTheEngineOutlivesItsStop) {
    const int before = SettledThreadCount();
    {
        CEngineUnderTest engine;
        SOCKET c = ConnectLoopback(engine.Port());
        SendAll(c, "GARBAGE\n\n");
        EXPECT_EQ(kReplyBadRequest, ReceiveAll(c));
        closesocket(c);
        EXPECT_LT(before, SettledThreadCount());
    }
    EXPECT_EQ(before, SettledThreadCount());
}

TEST(ProxyListener, StopEndsIdleKeepAliveConnectionsWithinItsBound) {
    CEngineUnderTest engine;
    SOCKET clients[3];
    for (SOCKET& c : clients) c = ConnectLoopback(engine.Port());
    // One of them in the middle of a request header.
    SendAll(clients[1], "GET http://example.test/ HTTP/1.1\r\nHost: exa");
    ASSERT_TRUE(WaitForLiveCount(3));
    DWORD began = GetTickCount();
    EXPECT_EQ(1, engine.Listener().Stop());
    DWORD took = GetTickCount() - began;
    EXPECT_LT(took, g_Engine.StopWaitMs + 500);
    EXPECT_EQ(0, g_nLiveConnections);
    EXPECT_FALSE(engine.Listener().IsListening());
    // The clients see their connections closed.
    for (SOCKET c : clients) {
        EXPECT_EQ("", ReceiveAll(c, 2000));
        closesocket(c);
    }
    EXPECT_EQ(1, engine.Listener().Stop());
}

TEST(ProxyListener, StopEndsAConnectionWaitingForTheRestOfAReply) {
    const std::string started =
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 100\r\n\r\npart";
    COriginServer origin([&](const COriginRequest&) {
        COriginReply reply;
        reply.pieces.push_back(started);
        return reply;
    });
    CEngineUnderTest engine;
    SOCKET c = ConnectLoopback(engine.Port());
    SendAll(c, "GET http://127.0.0.1:" + std::to_string(origin.Port()) + "/ HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    // The header and the first body bytes come through; the rest never does.
    EXPECT_EQ(started, ReceiveBytes(c, started.size()));
    ASSERT_TRUE(WaitForLiveCount(1));
    EXPECT_EQ(1, engine.Listener().Stop());
    EXPECT_EQ(0, g_nLiveConnections);
    EXPECT_EQ("", ReceiveAll(c, 2000));
    closesocket(c);
}

TEST(ProxyListener, StopOnAListenerThatNeverStartedDoesNothing) {
    CEngineUnderTest engine(VeilrunEngineSettings(), false);
    EXPECT_EQ(1, engine.Listener().Stop());
    EXPECT_FALSE(engine.Listener().IsListening());
}

TEST(ProxyListener, APortInUseFailsTheStartWithoutAMessageBox) {
    SOCKET taken = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(taken, reinterpret_cast<sockaddr*>(&at), sizeof(at)));
    ASSERT_EQ(0, listen(taken, 1));
    int length = sizeof(at);
    getsockname(taken, reinterpret_cast<sockaddr*>(&at), &length);

    for (const CEngineSettings& variant : {VeilrunEngineSettings(), BlokkumEngineSettings()}) {
        CScriptedMessageBoxes boxes;
        std::vector<std::string> reported;
        CEngineUnderTest engine(variant, false);
        g_Engine.ListenPort = ntohs(at.sin_port);
        g_Engine.ReportError = [&](const char* text) { reported.push_back(text); };
        EXPECT_EQ(0, engine.Listener().Start());
        EXPECT_FALSE(engine.Listener().IsListening());
        EXPECT_TRUE(boxes.Boxes().empty());
        ASSERT_EQ(1u, reported.size());
        // Blokkum tests its bind; Veilrun learns of it from listen.
        EXPECT_EQ(variant.bTestBind ? "Error creating blocking socket.\n\n" : "Error creating listen socket.\n\n",
                  reported[0]);
    }
    closesocket(taken);
}

TEST(ProxyListener, RequestsWithoutAHostGetTheBadRequestReply) {
    CEngineUnderTest engine;
    const char* requests[] = {
        "GET /index.html HTTP/1.1\r\nHost: example.test\r\n\r\n",
        "GET http://example.test HTTP/1.0\r\n\r\n",
        " \r\n\r\n",
        "GARBAGE\n\n",
    };
    for (const char* request : requests) {
        SOCKET c = ConnectLoopback(engine.Port());
        SendAll(c, request);
        EXPECT_EQ(kReplyBadRequest, ReceiveAll(c)) << request;
        closesocket(c);
    }
}

TEST(ProxyListener, AHeaderThatNeverEndsIsCutOff) {
    CEngineUnderTest engine;
    SOCKET c = ConnectLoopback(engine.Port());
    std::string endless = "GET http://example.test/ HTTP/1.1\r\nX-Long: ";
    endless += std::string(70 * 1024, 'a');
    SendAll(c, endless);
    EXPECT_EQ(kReplyBadRequest, ReceiveAll(c));
    closesocket(c);
    EXPECT_TRUE(WaitForLiveCount(0));
}
