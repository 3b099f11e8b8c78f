// EngineTestSupport.h - what the engine suites share: fast engine settings on
// an ephemeral port, a blocking test client, and a scripted origin server on
// 127.0.0.1 that records every request it receives.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "EngineSettings.h"
#include "ProxyListener.h"

// Sets g_Engine to the given variant with short timings and port 0, starts a
// listener, and puts the old settings back (after Stop) when destroyed.
class CEngineUnderTest {
public:
    explicit CEngineUnderTest(const CEngineSettings& variant = VeilrunEngineSettings(), bool start = true);
    ~CEngineUnderTest();
    int Port() const { return m_port; }
    CProxyListener& Listener() { return m_listener; }
    bool Start();

private:
    CEngineSettings m_saved;
    CProxyListener m_listener;
    int m_port = 0;
};

// Waits (up to the bound) until the engine's live count equals n.
bool WaitForLiveCount(LONG n, DWORD milliseconds = 5000);

SOCKET ConnectLoopback(int port);
bool SendAll(SOCKET s, const std::string& bytes);
// Reads until the peer closes or nothing arrives for idleMs.
std::string ReceiveAll(SOCKET s, DWORD idleMs = 5000);
// Reads until `count` bytes arrived (or the peer closes / idleMs pass).
std::string ReceiveBytes(SOCKET s, size_t count, DWORD idleMs = 5000);
// Reads one response: header, then a body by Content-Length (or until close).
std::string ReceiveResponse(SOCKET s, DWORD idleMs = 5000);

// Sends each request on one browser connection and expects exactly the reply
// bytes back before the next request goes out. An empty request only reads.
struct CExchange {
    std::string request;
    std::string reply;
};
void ExpectConversation(int proxyPort, const std::vector<CExchange>& exchanges);

// One request as the origin saw it.
struct COriginRequest {
    std::string header;   // up to and including the blank line
    std::string body;     // by Content-Length
    int connection = 0;   // which accepted connection carried it (1, 2, ...)
};

// A scripted web server: each request is answered by the handler; replies
// are sent in the pieces the handler gives (with a short pause between them),
// and the connection is closed after the reply when `close` is set.
struct COriginReply {
    std::vector<std::string> pieces;
    bool close = false;
    std::function<void(size_t)> beforePiece;  // called before each piece after the first
};

class COriginServer {
public:
    using Handler = std::function<COriginReply(const COriginRequest&)>;
    explicit COriginServer(Handler handler);
    ~COriginServer();
    int Port() const { return m_port; }
    std::vector<COriginRequest> Requests();
    int Connections() const { return m_connections; }
    // The next accepted connection becomes a raw echo server instead.
    void EchoMode() { m_echo = true; }

private:
    void AcceptLoop();
    void Serve(SOCKET s, int number);
    Handler m_handler;
    SOCKET m_listen = INVALID_SOCKET;
    int m_port = 0;
    std::thread m_thread;
    std::vector<std::thread> m_workers;
    std::vector<SOCKET> m_open;
    std::mutex m_lock;
    std::vector<COriginRequest> m_requests;
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_echo{false};
    std::atomic<bool> m_stopping{false};
};

// A port on 127.0.0.1 with nothing listening (bound, then closed).
int ClosedLoopbackPort();
std::string HttpResponse(const std::string& contentType, const std::string& body,
                         const std::string& extraHeaders = "");
