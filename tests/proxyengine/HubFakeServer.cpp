#include "HubFakeServer.h"

#include <cstdlib>

namespace {
size_t HeaderEnd(const std::string& text) {
    size_t crlf = text.find("\r\n\r\n");
    if (crlf != std::string::npos) return crlf + 4;
    size_t lf = text.find("\n\n");
    return lf == std::string::npos ? std::string::npos : lf + 2;
}

size_t ContentLength(const std::string& header) {
    std::string lower = header;
    for (char& c : lower) c = char(tolower(static_cast<unsigned char>(c)));
    size_t at = lower.find("\ncontent-length:");
    return at == std::string::npos ? 0 : size_t(strtoul(lower.c_str() + at + 16, nullptr, 10));
}

void SendAll(SOCKET s, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        int sent = send(s, data.data() + done, int(data.size() - done), 0);
        if (sent <= 0) return;
        done += size_t(sent);
    }
}
}  // namespace

void StartWinsockForTests() {
    static bool started = false;
    if (started) return;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    started = true;
}

SOCKET ListenOnLoopback(int backlog, int& port) {
    StartWinsockForTests();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    if (backlog > 0) listen(s, backlog);
    return s;
}

CFakeServer::CFakeServer(ReplyFn reply) : m_reply(std::move(reply)) {
    m_listen = ListenOnLoopback(SOMAXCONN, m_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

CFakeServer::~CFakeServer() {
    Close();
    {
        std::lock_guard<std::mutex> l(m_lock);
        for (SOCKET s : m_open) shutdown(s, SD_BOTH);
    }
    for (std::thread& t : m_threads) t.join();
}

void CFakeServer::Close() {
    SOCKET s = INVALID_SOCKET;
    {
        std::lock_guard<std::mutex> l(m_lock);
        std::swap(s, m_listen);
    }
    if (s != INVALID_SOCKET) closesocket(s);
    if (m_acceptThread.joinable()) m_acceptThread.join();
}

std::vector<std::string> CFakeServer::Requests() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_requests;
}

void CFakeServer::AcceptLoop() {
    for (;;) {
        SOCKET listening;
        {
            std::lock_guard<std::mutex> l(m_lock);
            listening = m_listen;
        }
        if (listening == INVALID_SOCKET) return;
        SOCKET s = accept(listening, nullptr, nullptr);
        if (s == INVALID_SOCKET) return;
        ++m_accepted;
        std::lock_guard<std::mutex> l(m_lock);
        m_open.push_back(s);
        m_threads.emplace_back([this, s] { Serve(s); });
    }
}

void CFakeServer::Serve(SOCKET s) {
    std::string received;
    char buffer[4096];
    size_t end = std::string::npos;
    for (;;) {
        if (end == std::string::npos) end = HeaderEnd(received);
        if (end != std::string::npos && received.size() >= end + ContentLength(received.substr(0, end))) break;
        int got = recv(s, buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        received.append(buffer, size_t(got));
    }
    if (!received.empty()) {
        std::lock_guard<std::mutex> l(m_lock);
        m_requests.push_back(received);
    }
    if (end != std::string::npos && m_reply) SendAll(s, m_reply(received));
    shutdown(s, SD_SEND);
    while (recv(s, buffer, sizeof(buffer), 0) > 0) {
    }
    closesocket(s);
}

int UnusedPort() {
    int port = 0;
    closesocket(ListenOnLoopback(0, port));
    return port;
}

std::string Exchange(int port, const std::string& request, int timeOutMs) {
    StartWinsockForTests();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(u_short(port));
    std::string reply;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeOutMs), sizeof(timeOutMs));
        SendAll(s, request);
        char buffer[4096];
        int got;
        while ((got = recv(s, buffer, sizeof(buffer), 0)) > 0) reply.append(buffer, size_t(got));
    }
    closesocket(s);
    return reply;
}
