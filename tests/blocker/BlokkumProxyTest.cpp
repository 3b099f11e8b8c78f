#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "BlokkumProxy.h"
#include "BlokkumShared.h"
#include "EngineSettings.h"
#include "EngineTestSupport.h"
#include "ErrorReport.h"
#include "Files.h"
#include "ProxyConnection.h"
#include "TestSupport.h"

namespace {
const char kSoundElement[] = "<BGSOUND ID='CC_beep'>";
const std::string kPage = "<html><head><title>t</title></head><body><p>page</p></body></html>";

// Blokkum's proxy over a program folder of its own: QVINI.ini and QVBlk.js
// written by the test, a free loopback port, short engine pauses.
struct BlokkumProxyFixture {
    CTempFolder folder;
    CBlokkumLocations where;
    std::unique_ptr<CBlokkumSettings> settings;
    std::unique_ptr<CBlokkumProxy> proxy;
    int port;

    explicit BlokkumProxyFixture(const std::string& ini, bool start = true, int listenPort = 0)
        : port(listenPort ? listenPort : ClosedLoopbackPort()) {
        where.iniFolder = folder.Path();
        WriteIni(ini);
        CString script;
        ReadWholeFile(GetModuleFolder() + "\\..\\..\\products\\Blokkum\\" BLOKKUM_SCRIPT_FILE, script);
        folder.Write(BLOKKUM_SCRIPT_FILE, script.str());
        settings.reset(new CBlokkumSettings(where));
        proxy.reset(new CBlokkumProxy);
        g_Engine.CloseSocketPauseMs = 0;
        g_Engine.ExitPauseMs = 0;
        g_Engine.DrainStepMs = 20;
        g_Engine.StopWaitMs = 3000;
        proxy->ReloadEngineSettings(*settings);
        if (start) {
            EXPECT_EQ(proxy->Start(), 1);
        }
    }
    void WriteIni(const std::string& ini) const {
        folder.Write(BLOKKUM_INI_FILE, "[QuorvaneBlokkum]\r\nPopupPort=" + std::to_string(port) + "\r\n" + ini);
    }
    // expectedLength: a reply without a body, read by its size.
    std::string Exchange(const std::string& request, size_t expectedLength = 0) const {
        SOCKET s = ConnectLoopback(port);
        SendAll(s, request);
        std::string reply = expectedLength ? ReceiveBytes(s, expectedLength) : ReceiveResponse(s);
        closesocket(s);
        return reply;
    }
};

COriginServer::Handler Serve(const std::string& reply) {
    return [reply](const COriginRequest&) {
        COriginReply r;
        r.pieces.push_back(reply);
        return r;
    };
}

std::string FirstLine(const std::string& header) { return header.substr(0, header.find("\r\n")); }
}  // namespace

TEST(BlokkumProxy, GatewayGetsAbsoluteUrlsUnchangedButForTheGzipLine) {
    COriginServer gateway(Serve(HttpResponse("text/plain", "via gateway")));
    BlokkumProxyFixture f("GatewayEnable=1\r\nGatewayIP=127.0.0.1\r\nGatewayPort=" + std::to_string(gateway.Port()) +
                          "\r\n");
    const std::string request =
        "GET http://site.invalid:8080/a?b=1 HTTP/1.1\r\nHost: site.invalid:8080\r\n"
        "Accept-Encoding: gzip, deflate\r\nX-Kept: yes\r\n\r\n";
    std::string reply = f.Exchange(request);
    EXPECT_NE(reply.find("via gateway"), std::string::npos);
    auto seen = gateway.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header,
              "GET http://site.invalid:8080/a?b=1 HTTP/1.1\r\nHost: site.invalid:8080\r\nX-Kept: yes\r\n\r\n");
}

TEST(BlokkumProxy, GatewayGetsConnectAsSent) {
    const std::string established = "HTTP/1.0 200 Connection established\r\n\r\n";
    COriginServer gateway(Serve(established));
    BlokkumProxyFixture f("GatewayEnable=1\r\nGatewayIP=127.0.0.1\r\nGatewayPort=" + std::to_string(gateway.Port()) +
                          "\r\n");
    const std::string request = "CONNECT secure.invalid:443 HTTP/1.1\r\nHost: secure.invalid:443\r\n\r\n";
    EXPECT_EQ(f.Exchange(request, established.size()), established);
    auto seen = gateway.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header, request);
}

TEST(BlokkumProxy, EachRequestGoesToTheGatewayOfTheSettingsItStartedWith) {
    COriginServer first(Serve(HttpResponse("text/plain", "1"))), second(Serve(HttpResponse("text/plain", "2")));
    auto ini = [](int port) {
        return "GatewayEnable=1\r\nGatewayIP=127.0.0.1\r\nGatewayPort=" + std::to_string(port) + "\r\n";
    };
    BlokkumProxyFixture f(ini(first.Port()), false);
    // Each request is read, then the gateway moves, then the request goes on:
    // it keeps its own gateway whole, and the next one uses the moved one.
    CProxyConnection c;
    for (auto step : {std::make_pair("/one", second.Port()), std::make_pair("/two", first.Port())}) {
        const std::string request = std::string("GET http://site.test") + step.first + " HTTP/1.1\r\nHost: site.test\r\n\r\n";
        c.AppendRequestData(request.data(), int(request.size()));
        ASSERT_EQ(c.ProcessRequestHeader(), 1);
        f.WriteIni(ini(step.second));
        f.proxy->ReloadEngineSettings(*f.settings);
        ASSERT_EQ(c.ConnectToServer(), 1);
    }
    // The last header waits for the relay's next send or wait.
    ASSERT_TRUE(c.SendQueuedBytes());
    for (int i = 0; i < 250 && first.Requests().size() + second.Requests().size() < 2; ++i) Sleep(20);
    auto atFirst = first.Requests(), atSecond = second.Requests();
    ASSERT_EQ(atFirst.size(), 1u);
    ASSERT_EQ(atSecond.size(), 1u);
    EXPECT_EQ(FirstLine(atFirst[0].header), "GET http://site.test/one HTTP/1.1");
    EXPECT_EQ(FirstLine(atSecond[0].header), "GET http://site.test/two HTTP/1.1");
}

TEST(BlokkumProxy, WithoutGatewayTheSiteGetsTheOriginForm) {
    COriginServer site(Serve(HttpResponse("text/plain", "direct")));
    BlokkumProxyFixture f("GatewayEnable=0\r\nGatewayIP=127.0.0.1\r\nGatewayPort=1\r\n");
    std::string reply = f.Exchange("GET http://127.0.0.1:" + std::to_string(site.Port()) +
                                   "/a?b HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_NE(reply.find("direct"), std::string::npos);
    auto seen = site.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(FirstLine(seen[0].header), "GET /a?b HTTP/1.1");
}

TEST(BlokkumProxy, DisabledPassesPagesAndTheGzipLineUnchanged) {
    const std::string page = HttpResponse("text/html", kPage);
    COriginServer site(Serve(page));
    BlokkumProxyFixture f("Disabled=1\r\n");
    std::string reply = f.Exchange("GET http://127.0.0.1:" + std::to_string(site.Port()) +
                                   "/ HTTP/1.1\r\nHost: x\r\nAccept-Encoding: gzip\r\n\r\n");
    EXPECT_EQ(reply, page);
    auto seen = site.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].header.find("Accept-Encoding: gzip\r\n"), std::string::npos);
}

TEST(BlokkumProxy, AnIdleConnectionOutlivesTheTimeOut) {
    COriginServer site(Serve(HttpResponse("text/plain", "again")));
    BlokkumProxyFixture f("UseDefaultTimeOut=0\r\nConnectionTimeOut=1\r\n");
    const std::string request =
        "GET http://127.0.0.1:" + std::to_string(site.Port()) + "/ HTTP/1.1\r\nHost: x\r\n\r\n";
    SOCKET s = ConnectLoopback(f.port);
    ASSERT_TRUE(SendAll(s, request));
    EXPECT_NE(ReceiveResponse(s).find("again"), std::string::npos);
    Sleep(2500);
    ASSERT_TRUE(SendAll(s, request));
    EXPECT_NE(ReceiveResponse(s).find("again"), std::string::npos);
    closesocket(s);
}

TEST(BlokkumProxy, ATakenPortIsReportedSilently) {
    SOCKET taken = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    listen(taken, 1);
    int length = sizeof(address);
    getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);

    std::vector<std::string> reports;
    SetProxyErrorHook([&](const char* text) { reports.push_back(text); });
    CScriptedMessageBoxes boxes;
    BlokkumProxyFixture f("", false, ntohs(address.sin_port));
    EXPECT_EQ(f.proxy->Start(), 0);
    SetProxyErrorHook(nullptr);
    closesocket(taken);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("Error creating blocking socket.\n\n", 0), 0u) << reports[0];
    EXPECT_GT(reports[0].size(), strlen("Error creating blocking socket.\n\n"));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(BlokkumProxy, ExitEndsTwentyKeepAliveConnections) {
    COriginServer site(Serve(HttpResponse("text/plain", "kept")));
    BlokkumProxyFixture f("");
    std::vector<SOCKET> clients;
    for (int i = 0; i < 20; ++i) {
        SOCKET s = ConnectLoopback(f.port);
        SendAll(s, "GET http://127.0.0.1:" + std::to_string(site.Port()) +
                       "/ HTTP/1.1\r\nHost: x\r\nConnection: keep-alive\r\n\r\n");
        EXPECT_NE(ReceiveResponse(s).find("kept"), std::string::npos);
        clients.push_back(s);
    }
    EXPECT_TRUE(WaitForLiveCount(20));
    DWORD began = GetTickCount();
    f.proxy.reset();
    EXPECT_LT(GetTickCount() - began, 4000u);
    EXPECT_EQ(g_nLiveConnections, 0);
    for (SOCKET s : clients) {
        char byte;
        EXPECT_LE(recv(s, &byte, 1, 0), 0);
        closesocket(s);
    }
}

TEST(BlokkumProxy, ReloadingDuringTrafficKeepsEveryPageWhole) {
    COriginServer site(Serve(HttpResponse("text/html", kPage)));
    BlokkumProxyFixture f("PlayWave=1\r\nPopupCheckDisabled=0\r\nGatewayIP=10.0.0.1\r\n");
    // A second program folder with other settings; the reloads read the two in turn.
    CTempFolder otherFolder;
    otherFolder.Write(BLOKKUM_SCRIPT_FILE, ReadFileText(f.folder.File(BLOKKUM_SCRIPT_FILE)));
    otherFolder.Write(BLOKKUM_INI_FILE, "[QuorvaneBlokkum]\r\nPopupPort=" + std::to_string(f.port) +
                                            "\r\nPlayWave=0\r\nPopupCheckDisabled=1\r\nGatewayIP=gw.invalid\r\n");
    CBlokkumLocations otherWhere;
    otherWhere.iniFolder = otherFolder.Path();
    CBlokkumSettings other(otherWhere);

    const std::string request =
        "GET http://127.0.0.1:" + std::to_string(site.Port()) + "/ HTTP/1.1\r\nHost: x\r\n\r\n";
    std::atomic<bool> done{false};
    std::atomic<int> pages{0}, broken{0};
    std::vector<std::thread> browsers;
    for (int t = 0; t < 8; ++t) {
        browsers.emplace_back([&] {
            while (!done) {
                // Either the page as sent or one whole script in front of it.
                std::string reply = f.Exchange(request);
                size_t body = reply.find("\r\n\r\n");
                std::string front = body == std::string::npos ? "" : reply.substr(body + 4);
                size_t sound = front.find(kSoundElement);
                if (sound != std::string::npos) front.erase(sound, strlen(kSoundElement));
                bool whole = front.size() >= kPage.size() && front.compare(front.size() - kPage.size(), kPage.size(), kPage) == 0;
                front.resize(whole ? front.size() - kPage.size() : 0);
                if (!whole || (!front.empty() && (front.rfind("<script", 0) != 0 ||
                                                  front.find("</script>") == std::string::npos)))
                    ++broken;
                ++pages;
            }
        });
    }
    for (int i = 0; i < 1000; ++i) f.proxy->ReloadEngineSettings(i % 2 ? other : *f.settings);
    done = true;
    for (auto& b : browsers) b.join();
    EXPECT_EQ(broken, 0);
    EXPECT_GT(pages, 8);
}

TEST(BlokkumProxy, SwitchingCatchingTakesEffectAtTheNextPage) {
    COriginServer site(Serve(HttpResponse("text/html", kPage)));
    BlokkumProxyFixture f("PlayWave=0\r\n");
    const std::string request =
        "GET http://127.0.0.1:" + std::to_string(site.Port()) + "/ HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string script = f.proxy->Current()->PopupScript.str();
    ASSERT_FALSE(script.empty());
    SOCKET s = ConnectLoopback(f.port);
    for (int catching : {1, 0, 1}) {
        SCOPED_TRACE(catching);
        f.WriteIni(catching ? "PlayWave=0\r\n" : "PlayWave=0\r\nPopupCheckDisabled=1\r\n");
        f.proxy->ReloadEngineSettings(*f.settings);
        ASSERT_TRUE(SendAll(s, request));
        std::string reply = ReceiveResponse(s);
        const std::string body = catching ? script + kPage : kPage;
        EXPECT_NE(reply.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
        EXPECT_EQ(reply.substr(reply.find("\r\n\r\n") + 4), body);
    }
    closesocket(s);
}
