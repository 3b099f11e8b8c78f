#include "EngineTestSupport.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

static bool g_bWinsockStarted = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();

CEngineUnderTest::CEngineUnderTest(const CEngineSettings& variant, bool start) : m_saved(g_Engine) {
    (void)g_bWinsockStarted;
    g_Engine = variant;
    g_Engine.ListenPort = 0;
    g_Engine.StopWaitMs = 3000;
    g_Engine.CloseSocketPauseMs = 0;
    g_Engine.ExitPauseMs = 0;
    g_Engine.DrainStepMs = 20;
    if (start) Start();
}

bool CEngineUnderTest::Start() {
    if (!m_listener.Start()) return false;
    m_port = m_listener.GetPort();
    return m_port != 0;
}

CEngineUnderTest::~CEngineUnderTest() {
    m_listener.Stop();
    g_Engine = m_saved;
}

bool WaitForLiveCount(LONG n, DWORD milliseconds) {
    DWORD began = GetTickCount();
    while (g_nLiveConnections != n) {
        if (GetTickCount() - began > milliseconds) return false;
        Sleep(5);
    }
    return true;
}

SOCKET ConnectLoopback(int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(u_short(port));
    if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof(to)) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

bool SendAll(SOCKET s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(s, bytes.data() + sent, int(std::min<size_t>(bytes.size() - sent, 65536)), 0);
        if (n <= 0) return false;
        sent += size_t(n);
    }
    return true;
}

static bool WaitReadable(SOCKET s, DWORD ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval t = {long(ms / 1000), long((ms % 1000) * 1000)};
    return select(0, &readable, nullptr, nullptr, &t) > 0;
}

std::string ReceiveBytes(SOCKET s, size_t count, DWORD idleMs) {
    std::string got;
    char buffer[65536];
    while (got.size() < count) {
        if (!WaitReadable(s, idleMs)) break;
        int n = recv(s, buffer, int(std::min<size_t>(sizeof(buffer), count - got.size())), 0);
        if (n <= 0) break;
        got.append(buffer, size_t(n));
    }
    return got;
}

std::string ReceiveAll(SOCKET s, DWORD idleMs) {
    return ReceiveBytes(s, size_t(-1), idleMs);
}

std::string ReceiveResponse(SOCKET s, DWORD idleMs) {
    std::string got;
    size_t headerEnd = std::string::npos;
    while ((headerEnd = got.find("\r\n\r\n")) == std::string::npos) {
        std::string more = ReceiveBytes(s, 1, idleMs);
        if (more.empty()) return got;
        got += more;
    }
    headerEnd += 4;
    std::string lower = got.substr(0, headerEnd);
    for (char& c : lower) c = char(tolower((unsigned char)c));
    size_t at = lower.find("content-length:");
    if (at == std::string::npos) return got + ReceiveAll(s, idleMs);
    size_t length = strtoul(lower.c_str() + at + 15, nullptr, 10);
    if (got.size() - headerEnd < length) got += ReceiveBytes(s, length - (got.size() - headerEnd), idleMs);
    return got;
}

void ExpectConversation(int proxyPort, const std::vector<CExchange>& exchanges) {
    SOCKET c = ConnectLoopback(proxyPort);
    ASSERT_NE(INVALID_SOCKET, c);
    for (const CExchange& e : exchanges) {
        SCOPED_TRACE(e.request.substr(0, e.request.find('\r')));
        SendAll(c, e.request);
        EXPECT_EQ(e.reply, ReceiveBytes(c, e.reply.size(), 3000));
    }
    closesocket(c);
}

COriginServer::COriginServer(Handler handler) : m_handler(std::move(handler)) {
    m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listen, reinterpret_cast<sockaddr*>(&at), sizeof(at));
    listen(m_listen, 16);
    int length = sizeof(at);
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&at), &length);
    m_port = ntohs(at.sin_port);
    m_thread = std::thread([this] { AcceptLoop(); });
}

COriginServer::~COriginServer() {
    m_stopping = true;
    closesocket(m_listen);
    m_thread.join();
    {
        std::lock_guard<std::mutex> l(m_lock);
        for (SOCKET s : m_open) shutdown(s, SD_BOTH);
    }
    for (std::thread& t : m_workers) t.join();
}

std::vector<COriginRequest> COriginServer::Requests() {
    std::lock_guard<std::mutex> l(m_lock);
    return m_requests;
}

void COriginServer::AcceptLoop() {
    for (;;) {
        SOCKET s = accept(m_listen, nullptr, nullptr);
        if (s == INVALID_SOCKET) {
            if (m_stopping) return;
            continue;
        }
        int number = ++m_connections;
        std::lock_guard<std::mutex> l(m_lock);
        m_open.push_back(s);
        m_workers.emplace_back([this, s, number] { Serve(s, number); });
    }
}

void COriginServer::Serve(SOCKET s, int number) {
    struct CCloser {
        COriginServer* self;
        SOCKET s;
        ~CCloser() {
            std::lock_guard<std::mutex> l(self->m_lock);
            self->m_open.erase(std::find(self->m_open.begin(), self->m_open.end(), s));
            closesocket(s);
        }
    } closer{this, s};
    char buffer[65536];
    if (m_echo.exchange(false)) {
        for (;;) {
            int n = recv(s, buffer, sizeof(buffer), 0);
            if (n <= 0 || !SendAll(s, std::string(buffer, size_t(n)))) break;
        }
        return;
    }
    std::string pending;
    for (;;) {
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
            int n = recv(s, buffer, sizeof(buffer), 0);
            if (n <= 0) return;
            pending.append(buffer, size_t(n));
        }
        COriginRequest request;
        request.connection = number;
        request.header = pending.substr(0, end + 4);
        pending.erase(0, end + 4);
        std::string lower = request.header;
        for (char& c : lower) c = char(tolower((unsigned char)c));
        size_t at = lower.find("content-length:");
        size_t length = at == std::string::npos ? 0 : strtoul(lower.c_str() + at + 15, nullptr, 10);
        if (lower.find("transfer-encoding: chunked") != std::string::npos) {
            // Kept with its framing, up to the last chunk (no trailers in tests).
            size_t last;
            while ((last = pending.find("0\r\n\r\n")) == std::string::npos) {
                int n = recv(s, buffer, sizeof(buffer), 0);
                if (n <= 0) return;
                pending.append(buffer, size_t(n));
            }
            length = last + 5;
        }
        while (pending.size() < length) {
            int n = recv(s, buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            pending.append(buffer, size_t(n));
        }
        request.body = pending.substr(0, length);
        pending.erase(0, std::min(length, pending.size()));
        {
            std::lock_guard<std::mutex> l(m_lock);
            m_requests.push_back(request);
        }
        COriginReply reply = m_handler(request);
        for (size_t i = 0; i < reply.pieces.size(); ++i) {
            if (i > 0) {
                if (reply.beforePiece) reply.beforePiece(i);
                else Sleep(30);
            }
            SendAll(s, reply.pieces[i]);
        }
        if (reply.close) {
            shutdown(s, SD_SEND);
            Sleep(20);
            return;
        }
    }
}

int ClosedLoopbackPort() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&at), sizeof(at));
    int length = sizeof(at);
    getsockname(s, reinterpret_cast<sockaddr*>(&at), &length);
    closesocket(s);
    return ntohs(at.sin_port);
}

std::string HttpResponse(const std::string& contentType, const std::string& body, const std::string& extraHeaders) {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + extraHeaders + "\r\n" + body;
}
