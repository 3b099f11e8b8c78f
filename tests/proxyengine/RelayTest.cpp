#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "DnsCache.h"
#include "ProxyConnection.h"

namespace {

// Routes by the request's path: each path has its scripted reply.
class CRoutes {
public:
    void Add(const std::string& path, COriginReply reply) { m_routes[path] = reply; }
    void Add(const std::string& path, const std::string& whole, bool close = false) {
        COriginReply r;
        r.pieces.push_back(whole);
        r.close = close;
        m_routes[path] = r;
    }
    COriginServer::Handler Handler() {
        return [this](const COriginRequest& request) {
            size_t blank = request.header.find(' ');
            std::string path = request.header.substr(blank + 1, request.header.find(' ', blank + 1) - blank - 1);
            auto it = m_routes.find(path);
            if (it != m_routes.end()) {
                COriginReply reply = it->second;
                // A HEAD reply is the header alone.
                if (request.header.compare(0, 5, "HEAD ") == 0 && reply.pieces.size() == 1)
                    reply.pieces[0].erase(reply.pieces[0].find("\r\n\r\n") + 4);
                return reply;
            }
            COriginReply missing;
            missing.pieces.push_back("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
            return missing;
        };
    }

private:
    std::map<std::string, COriginReply> m_routes;
};

std::string Get(int originPort, const std::string& path, const std::string& extra = "") {
    return "GET http://127.0.0.1:" + std::to_string(originPort) + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra +
           "\r\n";
}

std::string Through(int proxyPort, const std::string& request, DWORD idleMs = 3000) {
    SOCKET c = ConnectLoopback(proxyPort);
    SendAll(c, request);
    std::string got = ReceiveAll(c, idleMs);
    closesocket(c);
    return got;
}

// The bound only catches a proxy that keeps the connection open.
bool ClosedByTheProxy(SOCKET s) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval bound = {5, 0};
    char byte;
    return select(0, &readable, nullptr, nullptr, &bound) == 1 && recv(s, &byte, 1, 0) == 0;
}

// Reads until the proxy ends the connection; end gets 0 for a clean close,
// the socket error for a reset, -1 when nothing came within the bound.
std::string ReadUntilClosed(SOCKET s, int& end) {
    std::string got;
    std::vector<char> buffer(65536);
    fd_set readable;
    timeval bound = {5, 0};
    for (end = -1;; got.append(buffer.data(), size_t(end))) {
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        if (select(0, &readable, nullptr, nullptr, &bound) != 1) return got;
        end = recv(s, buffer.data(), int(buffer.size()), 0);
        if (end <= 0) {
            end = end == 0 ? 0 : WSAGetLastError();
            return got;
        }
    }
}

// A web server for one connection that answers once the request header is
// in, as servers answer a refused upload, dropping what else comes. Its
// reply's second part waits for Go(), so that what the browser sends late is
// surely there before the reply ends. One that resets sends its reply and
// closes at once, whatever is still unread.
class CEarlyOrigin {
public:
    CEarlyOrigin(std::string first, std::string rest, bool resets)
        : m_first(std::move(first)), m_rest(std::move(rest)), m_resets(resets) {
        sockaddr_in at = {};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(at);
        bind(m_listen, reinterpret_cast<sockaddr*>(&at), sizeof(at));
        listen(m_listen, 1);
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&at), &length);
        m_port = ntohs(at.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CEarlyOrigin() {
        Go();
        closesocket(m_listen);
        m_thread.join();
        CloseHandle(m_seen);
        CloseHandle(m_go);
    }
    int Port() const { return m_port; }
    void WaitForRequest() { WaitForSingleObject(m_seen, 5000); }
    void Go() { SetEvent(m_go); }

private:
    void Serve() {
        SOCKET s = accept(m_listen, nullptr, nullptr);
        std::string header = ReceiveBytes(s, 1, 5000);
        while (header.find("\r\n\r\n") == std::string::npos && !header.empty()) header += ReceiveBytes(s, 1, 5000);
        SetEvent(m_seen);
        if (m_resets) {
            // The reset waits until the answer has reached the browser: one
            // that overtakes the answer destroys it at the receiver on any
            // system, and no proxy can relay what never arrived.
            SendAll(s, m_first + m_rest);
            WaitForSingleObject(m_go, 10000);
            closesocket(s);
            return;
        }
        std::thread drop([s] { ReceiveAll(s); });
        SendAll(s, m_first);
        WaitForSingleObject(m_go, 10000);
        SendAll(s, m_rest);
        shutdown(s, SD_SEND);
        drop.join();
        closesocket(s);
    }
    std::string m_first, m_rest;
    bool m_resets;
    SOCKET m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int m_port = 0;
    HANDLE m_seen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE m_go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread m_thread;
};

std::string Binary(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

}  // namespace

TEST(ProxyRelay, GetArrivesInOriginFormAndTheBodyByteForByte) {
    CRoutes routes;
    std::string page = "<html><body>Hello</body></html>";
    routes.Add("/a?b=1", HttpResponse("text/html", page), true);
    COriginServer origin(routes.Handler());
    CEngineUnderTest engine;
    std::string got = Through(engine.Port(), Get(origin.Port(), "/a?b=1", "Accept-Encoding: gzip\r\nAccept: */*\r\n"));
    EXPECT_EQ(HttpResponse("text/html", page), got);
    auto requests = origin.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET /a?b=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n", requests[0].header);
}

TEST(ProxyRelay, ResponseFormsReachTheBrowserUnchanged) {
    struct Case {
        const char* name;
        std::string reply;
    } cases[] = {
        {"length", HttpResponse("text/html", "<html>length</html>")},
        {"close", "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>until the server closes</html>"},
        {"binary", HttpResponse("text/html", std::string("\x01\x02<html>", 8) + Binary(5000))},
        {"image", HttpResponse("image/gif", Binary(100000))},
        {"headerless", "  <html><body>no header at all</body></html>"},
        {"headerless-text", "plain words and no header"},
        {"redirect", "HTTP/1.1 302 Found\r\nLocation: http://elsewhere.test/\r\nContent-Length: 5\r\n\r\nmoved"},
        {"empty", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 0\r\n\r\n"},
    };
    CRoutes routes;
    for (const Case& c : cases) routes.Add(std::string("/") + c.name, c.reply, true);
    COriginServer origin(routes.Handler());
    CEngineUnderTest engine;
    for (const Case& c : cases)
        EXPECT_EQ(c.reply, Through(engine.Port(), Get(origin.Port(), std::string("/") + c.name))) << c.name;
}

TEST(ProxyRelay, KeepAliveRequestsShareOneServerSocketPerTarget) {
    CRoutes routes;
    routes.Add("/one", HttpResponse("text/html", "<p>one</p>"));
    routes.Add("/two", HttpResponse("text/plain", "two"));
    COriginServer first(routes.Handler());
    COriginServer second(routes.Handler());
    CEngineUnderTest engine;
    // HEAD to the other host gets the header alone, and the connection goes on;
    // a request without host then gets the 400 text, not the last host.
    std::string head = HttpResponse("text/html", "<p>one</p>");
    head.erase(head.find("\r\n\r\n") + 4);
    ExpectConversation(engine.Port(), {
        {Get(first.Port(), "/one"), HttpResponse("text/html", "<p>one</p>")},
        {Get(first.Port(), "/two"), HttpResponse("text/plain", "two")},
        {"HEAD" + Get(second.Port(), "/one").substr(3), head},
        {Get(second.Port(), "/two"), HttpResponse("text/plain", "two")},
        {"GET /two HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", kReplyBadRequest},
    });
    EXPECT_EQ(1, first.Connections());
    EXPECT_EQ(2u, first.Requests().size());
    EXPECT_EQ(1, second.Connections());
    EXPECT_EQ(2u, second.Requests().size());
}

TEST(ProxyRelay, AKeptServerConnectionClosedMeanwhileIsReplacedForTheNextRequest) {
    // A bodyless request is sent again after the close shows; one with a body
    // must never go to the closed connection at all.
    for (const std::string body : {"", "a=1&b=2"}) {
        SCOPED_TRACE(body.empty() ? "GET" : "POST");
        CRoutes routes;
        routes.Add("/one", HttpResponse("text/plain", "one"), true);
        routes.Add("/two", HttpResponse("text/plain", "two"));
        COriginServer origin(routes.Handler());
        CEngineUnderTest engine;
        SOCKET c = ConnectLoopback(engine.Port());
        SendAll(c, Get(origin.Port(), "/one"));
        EXPECT_EQ(HttpResponse("text/plain", "one"), ReceiveResponse(c));
        // The server's close reaches the engine while the browser is idle.
        for (int i = 0; i < 100 && origin.Connections() < 1; ++i) Sleep(10);
        Sleep(300);
        std::string second = Get(origin.Port(), "/two");
        if (!body.empty()) second = "POST" + Get(origin.Port(), "/two", "Content-Length: 7\r\n").substr(3) + body;
        SendAll(c, second);
        EXPECT_EQ(HttpResponse("text/plain", "two"), ReceiveResponse(c));
        closesocket(c);
        EXPECT_EQ(2, origin.Connections());
        ASSERT_EQ(2u, origin.Requests().size());
        EXPECT_EQ(2, origin.Requests()[1].connection);
        EXPECT_EQ(body, origin.Requests()[1].body);
    }
}

TEST(ProxyRelay, ARequestAServerDroppedUnansweredIsSentAgainOnlyWhereThatIsSafe) {
    // "/lost" is closed unanswered on the origin's first connection only.
    struct {
        const char* name;
        bool keptFirst;      // "/one" answered first on the same connection
        const char* method;  // of the lost request
        int lostRequests;    // how often the origin saw it
        bool answered;
    } cases[] = {
        {"kept connection, GET: sent once more", true, "GET", 2, true},
        {"kept connection, POST: never twice", true, "POST", 1, false},
        {"new connection: never twice", false, "GET", 1, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CRoutes routes;
        routes.Add("/one", HttpResponse("text/plain", "one"));
        COriginServer::Handler answer = routes.Handler();
        COriginServer origin([&](const COriginRequest& request) {
            if (request.header.find("/lost ") == std::string::npos) return answer(request);
            COriginReply reply;
            if (request.connection == 1) reply.close = true;
            else reply.pieces.push_back(HttpResponse("text/plain", "found"));
            return reply;
        });
        CEngineUnderTest engine;
        SOCKET c = ConnectLoopback(engine.Port());
        if (k.keptFirst) {
            SendAll(c, Get(origin.Port(), "/one"));
            EXPECT_EQ(HttpResponse("text/plain", "one"), ReceiveResponse(c));
        }
        std::string lost = Get(origin.Port(), "/lost");
        if (std::string(k.method) == "POST") lost = "POST" + Get(origin.Port(), "/lost", "Content-Length: 1\r\n").substr(3) + "x";
        SendAll(c, lost);
        std::string got = ReceiveAll(c, 1500);
        closesocket(c);
        EXPECT_EQ(k.answered ? HttpResponse("text/plain", "found") : "", got);
        int seen = 0;
        for (const COriginRequest& r : origin.Requests()) seen += r.header.find("/lost ") != std::string::npos;
        EXPECT_EQ(k.lostRequests, seen);
    }
}

TEST(ProxyRelay, AnUnreachableSiteGetsTheConnectErrorText) {
    CEngineUnderTest engine;
    int closed = ClosedLoopbackPort();
    EXPECT_EQ(kReplyConnectFailed, Through(engine.Port(), Get(closed, "/")));
    EXPECT_EQ(kReplyConnectFailed, Through(engine.Port(), Get(80, "/").replace(11, 9, "name.invalid")));
    // The page text is a body after the header, not more header lines.
    const std::string reply = kReplyConnectFailed;
    EXPECT_EQ("<html>", reply.substr(size_t(FindHeaderEnd(reply.data(), int(reply.size()))), 6));
}

TEST(ProxyRelay, BodylessResponsesDoNotHoldTheConnection) {
    CRoutes routes;
    std::string head = HttpResponse("text/html", "<html>never sent for HEAD</html>");
    head = head.substr(0, head.find("\r\n\r\n") + 4);
    routes.Add("/head", head);
    routes.Add("/nocontent", "HTTP/1.1 204 No Content\r\nContent-Type: text/html\r\n\r\n");
    routes.Add("/notmodified", "HTTP/1.1 304 Not Modified\r\nContent-Type: text/html\r\nContent-Length: 40\r\n\r\n");
    routes.Add("/continue", "HTTP/1.1 100 Continue\r\n\r\n" + HttpResponse("text/html", "<b>final</b>"));
    routes.Add("/after", HttpResponse("text/plain", "after"));
    COriginServer origin(routes.Handler());
    CEngineUnderTest engine;
    ExpectConversation(engine.Port(), {
        {"HEAD http://127.0.0.1:" + std::to_string(origin.Port()) + "/head HTTP/1.1\r\n\r\n", head},
        {Get(origin.Port(), "/nocontent"), "HTTP/1.1 204 No Content\r\nContent-Type: text/html\r\n\r\n"},
        {Get(origin.Port(), "/notmodified"),
         "HTTP/1.1 304 Not Modified\r\nContent-Type: text/html\r\nContent-Length: 40\r\n\r\n"},
        {Get(origin.Port(), "/continue"), "HTTP/1.1 100 Continue\r\n\r\n" + HttpResponse("text/html", "<b>final</b>")},
        {Get(origin.Port(), "/after"), HttpResponse("text/plain", "after")},
    });
}

TEST(ProxyRelay, ChunkedPagesArriveDechunkedWithTheirLength) {
    CRoutes routes;
    COriginReply page;
    page.pieces = {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: text/html\r\n\r\n5;name=va",
                   "lue\r\n<html\r\n1", "A\r\n><body>0123456789012345678\r", "\n0\r\nX-Trailer: t\r\n", "\r\n"};
    routes.Add("/chunked", page);
    std::string image = Binary(70000);
    std::string chunkedImage =
        "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nTransfer-Encoding: chunked\r\n\r\n10000\r\n" +
        image.substr(0, 65536) + "\r\n" + "1170\r\n" + image.substr(65536) + "\r\n0\r\n\r\n";
    routes.Add("/image", chunkedImage);
    routes.Add("/after", HttpResponse("text/plain", "after"));
    COriginServer origin(routes.Handler());
    CEngineUnderTest engine;
    ExpectConversation(engine.Port(), {
        {Get(origin.Port(), "/chunked"),
         "HTTP/1.1 200 OK\r\nContent-Length: 31\nContent-Type: text/html\r\n\r\n<html><body>0123456789012345678"},
        {Get(origin.Port(), "/image"), chunkedImage},
        {Get(origin.Port(), "/after"), HttpResponse("text/plain", "after")},
    });
}

TEST(ProxyRelay, MalformedChunkingEndsTheConnection) {
    CRoutes routes;
    routes.Add("/huge", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFF\r\nabc");
    routes.Add("/nohex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc");
    COriginServer origin(routes.Handler());
    CEngineUnderTest engine;
    EXPECT_EQ("", Through(engine.Port(), Get(origin.Port(), "/huge"), 2000));
    EXPECT_EQ("", Through(engine.Port(), Get(origin.Port(), "/nohex"), 2000));
    EXPECT_TRUE(WaitForLiveCount(0));
}

TEST(ProxyRelay, RequestBodiesReachTheServerIntact) {
    CRoutes routes;
    routes.Add("/post", HttpResponse("text/plain", "stored"));
    COriginServer origin(routes.Handler());
    CEngineUnderTest engine;
    for (size_t size : {size_t(1), size_t(1024 * 1024)}) {
        std::string body = Binary(size);
        SOCKET c = ConnectLoopback(engine.Port());
        SendAll(c, "POST http://127.0.0.1:" + std::to_string(origin.Port()) +
                       "/post HTTP/1.1\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n" + body);
        EXPECT_EQ(HttpResponse("text/plain", "stored"), ReceiveResponse(c, 3000));
        closesocket(c);
    }
    // A chunked upload passes with its framing, and the next request follows
    // it even after a stray CR LF.
    SOCKET c = ConnectLoopback(engine.Port());
    SendAll(c, "PUT http://127.0.0.1:" + std::to_string(origin.Port()) +
                   "/post HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n\r\n" +
                   Get(origin.Port(), "/post"));
    std::string twice = HttpResponse("text/plain", "stored") + HttpResponse("text/plain", "stored");
    EXPECT_EQ(twice, ReceiveBytes(c, twice.size(), 3000));
    closesocket(c);
    auto requests = origin.Requests();
    ASSERT_EQ(4u, requests.size());
    EXPECT_EQ(Binary(1), requests[0].body);
    EXPECT_EQ(Binary(1024 * 1024), requests[1].body);
    EXPECT_EQ("PUT /post HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", requests[2].header);
    EXPECT_EQ("3\r\nabc\r\n0\r\n\r\n", requests[2].body);
    EXPECT_EQ("GET /post HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", requests[3].header);
}

TEST(ProxyRelay, TheBrowserConnectionEndsWithTheReplyWhenTheRequestOrTheReplySaysSo) {
    CRoutes routes;
    const std::string plain = HttpResponse("text/plain", "plain");
    routes.Add("/page",
               HttpResponse("text/html", "<p>page</p>", "Connection: keep-alive\r\nKeep-Alive: timeout=5\r\n"));
    routes.Add("/plain", plain);
    routes.Add("/image", HttpResponse("image/gif", "GIF89a"));
    routes.Add("/chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n<p>x\r\n0\r\n\r\n");
    routes.Add("/none", "HTTP/1.1 204 No Content\r\n\r\n");
    routes.Add("/bye", HttpResponse("text/plain", "bye", "Connection: close\r\n"));
    routes.Add("/old", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nold");
    COriginServer origin(routes.Handler());
    auto get = [&](const char* path, const char* version, const char* lines) {
        return std::string("GET http://127.0.0.1:") + std::to_string(origin.Port()) + path + " " + version + "\r\n" +
               lines + "\r\n";
    };
    const struct {
        std::string request;
        bool closes;
        std::string body;
    } cases[] = {
        {get("/page", "HTTP/1.0", ""), true, "<p>page</p>"},
        {get("/page", "HTTP/1.1", "Connection: TE, close\r\n"), true, "<p>page</p>"},
        {get("/page", "HTTP/1.1", "proxy-connection: CLOSE\r\n"), true, "<p>page</p>"},
        {get("/image", "HTTP/1.1", "Connection: close\r\n"), true, "GIF89a"},
        {get("/chunked", "HTTP/1.1", "Connection: close\r\n"), true, "<p>x"},
        {"HEAD" + get("/page", "HTTP/1.1", "Connection: close\r\n").substr(3), true, ""},
        {get("/none", "HTTP/1.1", "Connection: close\r\n"), true, ""},
        {get("/bye", "HTTP/1.1", ""), true, "bye"},
        {get("/old", "HTTP/1.1", ""), true, "old"},
        {get("/page", "HTTP/1.0", "Proxy-Connection: Keep-Alive\r\n"), false, "<p>page</p>"},
        {get("/page", "HTTP/1.1", ""), false, "<p>page</p>"},
    };
    for (bool blokkum : {false, true}) {
        CEngineUnderTest engine(blokkum ? BlokkumEngineSettings() : VeilrunEngineSettings());
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(blokkum ? "Blokkum: " : "Veilrun: ") + c.request);
            SOCKET s = ConnectLoopback(engine.Port());
            SendAll(s, c.request);
            const std::string reply = ReceiveResponse(s, 3000);
            const std::string header = reply.substr(0, reply.find("\r\n\r\n") + 2);
            EXPECT_EQ(0u, reply.find("HTTP/1."));
            EXPECT_EQ(c.body, reply.substr(header.size() + 2));
            if (c.closes) {
                EXPECT_TRUE(ClosedByTheProxy(s));
                // Only an HTTP/1.0 reply without keep-alive says so by itself.
                const bool saysClose = header.find("\r\nConnection: close\r\n") != std::string::npos;
                CString lower(header);
                lower.MakeLower();
                EXPECT_TRUE(saysClose ? lower.Find("alive") < 0 : header.find("HTTP/1.0 ") == 0) << header;
            } else {
                EXPECT_EQ(std::string::npos, header.find("close")) << header;
                SendAll(s, get("/plain", "HTTP/1.1", ""));
                EXPECT_EQ(plain, ReceiveResponse(s, 3000)) << "the same connection serves the next request";
            }
            closesocket(s);
        }
    }
}

TEST(ProxyRelay, AReplyThatEndsTheConnectionArrivesWholeWhateverTheBrowserSendsMeanwhile) {
    // Large enough that a reset at the close would cut it short.
    const std::string big = Binary(2 * 1024 * 1024);
    const std::string octets = "Content-Type: application/octet-stream\r\n";
    const std::string length = octets + "Content-Length: " + std::to_string(big.size()) + "\r\n";
    enum Late { PIPELINED, AFTER_CLOSE, UPLOAD };
    const struct {
        const char* name;
        std::string header, body;
        Late late;
        bool resets;
    } cases[] = {
        {"the server's last request, the next one pipelined", "HTTP/1.1 200 OK\r\n" + length + "Connection: close\r\n\r\n",
         big, PIPELINED, false},
        {"a body the server's close ends, the next request pipelined", "HTTP/1.1 200 OK\r\n" + octets + "\r\n", big,
         PIPELINED, false},
        {"bytes after the browser's own close request", "HTTP/1.1 200 OK\r\n" + length + "\r\n", big, AFTER_CLOSE, false},
        {"an early refusal of an upload still coming",
         "HTTP/1.1 413 Payload Too Large\r\n" + length + "Connection: close\r\n\r\n", big, UPLOAD, false},
        {"an early refusal from a server that then resets",
         "HTTP/1.1 413 Payload Too Large\r\nContent-Length: 7\r\n\r\n", "too big", UPLOAD, true},
    };
    const size_t upload = 16 * 1024 * 1024;
    const std::string piece = Binary(64 * 1024);
    for (bool blokkum : {false, true}) {
        for (const auto& k : cases) {
            SCOPED_TRACE(std::string(blokkum ? "Blokkum: " : "Veilrun: ") + k.name);
            CEarlyOrigin origin(k.header + k.body.substr(0, k.body.size() / 2), k.body.substr(k.body.size() / 2), k.resets);
            CEngineUnderTest engine(blokkum ? BlokkumEngineSettings() : VeilrunEngineSettings());
            SOCKET c = ConnectLoopback(engine.Port());
            if (k.late == UPLOAD)
                SendAll(c, "POST http://127.0.0.1:" + std::to_string(origin.Port()) +
                               "/up HTTP/1.1\r\nContent-Length: " + std::to_string(upload) + "\r\n\r\n");
            else
                SendAll(c, Get(origin.Port(), "/big", k.late == AFTER_CLOSE ? "Connection: close\r\n" : ""));
            // An upload goes on until the answer has ended, as from a browser
            // that does not watch for an early one.
            std::atomic<bool> ended{false};
            std::thread late([&] {
                if (k.late != UPLOAD) {
                    origin.WaitForRequest();
                    SendAll(c, k.late == PIPELINED ? Get(origin.Port(), "/next") : std::string(64 * 1024, 'x'));
                }
                if (!k.resets) origin.Go();
                for (size_t sent = 0; k.late == UPLOAD && sent < upload && !ended && SendAll(c, piece);)
                    sent += piece.size();
            });
            int end = -1;
            std::string got;
            if (k.resets) {
                got = ReceiveBytes(c, k.header.size() + k.body.size());
                origin.Go();
            }
            got += ReadUntilClosed(c, end);
            ended = true;
            late.join();
            closesocket(c);
            EXPECT_EQ(0u, got.find(k.header.substr(0, k.header.find("\r\n") + 2)));
            const size_t headerEnd = got.find("\r\n\r\n");
            EXPECT_TRUE(headerEnd != std::string::npos && got.compare(headerEnd + 4, std::string::npos, k.body) == 0)
                << got.size() << " bytes arrived";
            EXPECT_EQ(0, end) << "not a clean close";
        }
    }
}

TEST(ProxyRelay, ConnectTunnelsBytesBothWaysOnlyAfterConnecting) {
    COriginServer echo([](const COriginRequest&) { return COriginReply(); });
    echo.EchoMode();
    CEngineUnderTest engine;
    SOCKET c = ConnectLoopback(engine.Port());
    // HTTP/1.0 without keep-alive: a tunnel still lasts until a side closes.
    SendAll(c, "CONNECT 127.0.0.1:" + std::to_string(echo.Port()) + " HTTP/1.0\r\nHost: x\r\n\r\n");
    std::string established = kReplyTunnelEstablished;
    EXPECT_EQ(established, ReceiveBytes(c, established.size(), 2000));
    std::string payload = Binary(1024 * 1024);
    std::thread writer([&] { SendAll(c, payload); });
    std::string back = ReceiveBytes(c, payload.size(), 3000);
    writer.join();
    EXPECT_TRUE(back == payload) << back.size();
    closesocket(c);

    int closed = ClosedLoopbackPort();
    EXPECT_EQ(kReplyConnectFailed,
              Through(engine.Port(), "CONNECT 127.0.0.1:" + std::to_string(closed) + " HTTP/1.1\r\n\r\n"));
}

TEST(ProxyRelay, LargeBodiesStreamWithoutBeingHeld) {
    const size_t total = 20 * 1024 * 1024;
    const size_t first = 1024 * 1024;
    std::string binary = Binary(total);
    std::string page = "<html>" + std::string(9 * 1024 * 1024, 'x');
    HANDLE firstPartSeen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    COriginServer origin([&](const COriginRequest& request) {
        COriginReply reply;
        if (request.header.find("/big ") != std::string::npos) {
            std::string header = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                                 std::to_string(total) + "\r\n\r\n";
            // The rest follows only once the browser has the first megabyte:
            // an engine that held the body would never let it through.
            reply.pieces = {header + binary.substr(0, first), binary.substr(first)};
            reply.beforePiece = [&](size_t) { WaitForSingleObject(firstPartSeen, 5000); };
        } else {
            reply.pieces = {HttpResponse("text/html", page)};
        }
        return reply;
    });
    CEngineUnderTest engine;
    SOCKET c = ConnectLoopback(engine.Port());
    SendAll(c, Get(origin.Port(), "/big"));
    std::string got = ReceiveBytes(c, 1024, 3000);
    size_t headerEnd = got.find("\r\n\r\n");
    ASSERT_NE(std::string::npos, headerEnd);
    got += ReceiveBytes(c, headerEnd + 4 + first - got.size(), 3000);
    EXPECT_EQ(headerEnd + 4 + first, got.size());
    SetEvent(firstPartSeen);
    got += ReceiveBytes(c, total - first, 5000);
    EXPECT_TRUE(got.substr(headerEnd + 4) == binary);
    closesocket(c);
    CloseHandle(firstPartSeen);

    // A text page beyond the held limit still arrives whole.
    EXPECT_TRUE(HttpResponse("text/html", page) == Through(engine.Port(), Get(origin.Port(), "/text")));
}

TEST(ProxyRelay, GatewayGetsTheAbsoluteRequestAndDisabledKeepsTheGzipLine) {
    CRoutes routes;
    routes.Add("http://site.test/page", HttpResponse("text/html", "<html>via gateway</html>"), true);
    COriginServer gateway(routes.Handler());
    const std::string request = "GET http://site.test/page HTTP/1.1\r\nHost: site.test\r\nAccept-Encoding: gzip\r\n\r\n";
    for (int disabled : {0, 1}) {
        CEngineUnderTest engine(BlokkumEngineSettings());
        g_Engine.GatewayEnable = 1;
        g_Engine.GatewayIP = "127.0.0.1";
        g_Engine.GatewayPort = gateway.Port();
        g_Engine.Disabled = disabled;
        EXPECT_EQ(HttpResponse("text/html", "<html>via gateway</html>"), Through(engine.Port(), request));
    }
    auto requests = gateway.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("GET http://site.test/page HTTP/1.1\r\nHost: site.test\r\n\r\n", requests[0].header);
    EXPECT_EQ(request, requests[1].header);
}

TEST(ProxyRelay, IdleTimeOutEndsAConnectionOnlyWhereTheVariantSaysSo) {
    for (bool blokkum : {false, true}) {
        CEngineUnderTest engine(blokkum ? BlokkumEngineSettings() : VeilrunEngineSettings());
        g_Engine.UseDefaultTimeOut = 0;
        g_Engine.ConnectionTimeOut = 1;
        SOCKET c = ConnectLoopback(engine.Port());
        ASSERT_TRUE(WaitForLiveCount(1));
        Sleep(1600);
        EXPECT_EQ(blokkum ? 1 : 0, g_nLiveConnections) << (blokkum ? "Blokkum" : "Veilrun");
        closesocket(c);
        EXPECT_TRUE(WaitForLiveCount(0));
    }
}

class HostNameCache : public testing::Test {
protected:
    void SetUp() override {
        m_saved = g_Engine;
        g_Engine.DNSCacheDisable = 0;
        DNSCacheClear();
    }
    void TearDown() override {
        DNSCacheClear();
        g_Engine = m_saved;
    }
    static void ExpectCached(std::initializer_list<std::pair<const char*, DWORD>> entries) {
        for (const auto& e : entries) EXPECT_EQ(e.second, DNSCacheLookup(e.first)) << e.first;
    }
    CEngineSettings m_saved;
};

TEST_F(HostNameCache, FillsFromTheFrontThenReplacesRoundRobin) {
    g_Engine.DNSCacheSize = 2;
    DNSCacheAdd("a", 1);
    DNSCacheAdd("b", 2);
    DNSCacheAdd("c", 3);
    ExpectCached({{"a", 0}, {"b", 2}, {"c", 3}});
    DNSCacheAdd("d", 4);
    ExpectCached({{"b", 0}, {"c", 3}, {"d", 4}});

    // The same name twice takes two entries; the first one is found.
    DNSCacheClear();
    g_Engine.DNSCacheSize = 10;
    DNSCacheAdd("twice", 5);
    DNSCacheAdd("twice", 6);
    DNSCacheAdd("Twice", 7);
    ExpectCached({{"twice", 5}, {"Twice", 7}, {"TWICE", 0}});

    // A size lowered below the replacement index never writes past the used part.
    DNSCacheClear();
    for (int i = 1; i <= 10; ++i) DNSCacheAdd(("n" + std::to_string(i)).c_str(), DWORD(i));
    for (int i = 11; i <= 18; ++i) DNSCacheAdd(("n" + std::to_string(i)).c_str(), DWORD(i));
    g_Engine.DNSCacheSize = 3;
    DNSCacheAdd("low", 99);
    EXPECT_EQ(99u, DNSCacheLookup("low"));
    g_Engine.DNSCacheSize = 10;
    EXPECT_EQ(99u, DNSCacheLookup("low"));
    EXPECT_EQ(9u, DNSCacheLookup("n9"));

    // Over-long names are not stored; off means off.
    DNSCacheAdd(std::string(256, 'x').c_str(), 8);
    EXPECT_EQ(0u, DNSCacheLookup(std::string(256, 'x').c_str()));
    g_Engine.DNSCacheDisable = 1;
    EXPECT_EQ(0u, DNSCacheLookup("low"));
    g_Engine.DNSCacheDisable = 0;
    g_Engine.DNSCacheSize = 0;
    EXPECT_EQ(0u, DNSCacheLookup("low"));
}

TEST_F(HostNameCache, UsesAtMostItsTableWhateverTheSize) {
    g_Engine.DNSCacheSize = 500;
    for (int i = 1; i <= 102; ++i) DNSCacheAdd(("h" + std::to_string(i)).c_str(), DWORD(i));
    ExpectCached({{"h1", 0}, {"h2", 2}, {"h101", 101}, {"h102", 102}});
    // Resolved names go through the cache: a cached entry wins over the resolver.
    DNSCacheAdd("cached.invalid", inet_addr("127.0.0.1"));
    EXPECT_EQ(0u, ResolveHostAddress("not-cached.invalid"));
    DNSCacheClear();
    DNSCacheAdd("cached.invalid", inet_addr("127.0.0.1"));
    EXPECT_EQ(inet_addr("127.0.0.1"), ResolveHostAddress("cached.invalid"));
    EXPECT_EQ(inet_addr("10.1.2.3"), ResolveHostAddress("10.1.2.3"));
}
