// HubFakeServer.h - peers for the engine's tests on 127.0.0.1: a scripted
// server (a hub or an origin) on an ephemeral port that records what each
// connection sent, and a client that sends a request and reads the reply.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Answers each request header (and its Content-Length body) with the text
// the reply function returns, then closes that connection.
class CFakeServer {
public:
    typedef std::function<std::string(const std::string& request)> ReplyFn;
    explicit CFakeServer(ReplyFn reply = ReplyFn());
    ~CFakeServer();
    CFakeServer(const CFakeServer&) = delete;
    CFakeServer& operator=(const CFakeServer&) = delete;

    int Port() const { return m_port; }
    int Accepted() const { return m_accepted; }
    // What each connection sent, without the connections that sent nothing.
    std::vector<std::string> Requests() const;
    // Stops listening: later connects are refused.
    void Close();

private:
    void AcceptLoop();
    void Serve(SOCKET s);

    ReplyFn m_reply;
    SOCKET m_listen = INVALID_SOCKET;
    int m_port = 0;
    std::atomic<int> m_accepted{0};
    mutable std::mutex m_lock;
    std::vector<std::string> m_requests;
    std::vector<SOCKET> m_open;
    std::vector<std::thread> m_threads;
    std::thread m_acceptThread;
};

// A socket bound to 127.0.0.1 on an ephemeral port (given back), listening
// with the backlog when it is above 0.
SOCKET ListenOnLoopback(int backlog, int& port);

// A port on 127.0.0.1 that nothing listens on.
int UnusedPort();

// Connects to 127.0.0.1:port, sends the request and reads until the peer
// closes (at most timeOutMs per read); empty when the connect fails.
std::string Exchange(int port, const std::string& request, int timeOutMs = 5000);

// WinSock started once for the whole test program.
void StartWinsockForTests();
