#include "ProxyListener.h"

#include <algorithm>
#include <deque>
#include <set>

#include "EngineSettings.h"
#include "ProxyConnection.h"
#include "Seams.h"
#include "Strings.h"
#include "Sync.h"
#include "Thread.h"

HANDLE g_hStopEvent = nullptr;
volatile LONG g_nLiveConnections = 0;
volatile LONG g_bAccepted = 0;
int g_nSystemRecvBuffer = 0;
int g_nSystemSendBuffer = 0;

static volatile LONG g_nOpenListeners = 0;

namespace {
struct CLiveConnections {
    CLiveConnections() { InitializeCriticalSection(&cs); }
    CRITICAL_SECTION cs;
    std::set<CProxyConnection*> all;
};
CLiveConnections& Live() {
    static CLiveConnections* live = new CLiveConnections;  // outlives every thread at exit
    return *live;
}
}  // namespace

CRITICAL_SECTION* LiveConnectionsLock() { return &Live().cs; }

void RegisterConnection(CProxyConnection* connection) {
    EnterCriticalSection(&Live().cs);
    Live().all.insert(connection);
    LeaveCriticalSection(&Live().cs);
}

void UnregisterConnection(CProxyConnection* connection) {
    EnterCriticalSection(&Live().cs);
    Live().all.erase(connection);
    LeaveCriticalSection(&Live().cs);
}

// shutdown, not closesocket: the connection thread still owns the handles and
// closes them itself, so no handle is closed twice or reused under it.
static void WakeLiveConnections() {
    SetEvent(ConnectionWakeEvent());
    EnterCriticalSection(&Live().cs);
    for (CProxyConnection* c : Live().all) {
        if (c->m_sBrowser != INVALID_SOCKET) shutdown(c->m_sBrowser, SD_BOTH);
        if (c->m_sServer != INVALID_SOCKET) shutdown(c->m_sServer, SD_BOTH);
    }
    LeaveCriticalSection(&Live().cs);
}

bool IsEngineListening() { return g_nOpenListeners > 0; }

HANDLE ConnectionWakeEvent() {
    static HANDLE wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // outlives every thread at exit
    return wake;
}

// Connection threads are kept ready between connections: under Wine a new
// thread costs the accept thread three server round trips and the new thread
// its start-up in every library of the program, and a browser opens its
// connections in bursts, so the last of a burst waited for all the starts
// before it. A thread still serves one connection at a time, from accept to
// close. Sockets are handed over through a queue and a semaphore: one count
// per queued socket, or per waiting thread told to end.
namespace {
struct CReadyThreads {
    CReadyThreads() { handed = CreateSemaphoreA(nullptr, 0, 0x7fffffff, nullptr); }
    CCriticalSection cs;
    HANDLE handed;
    std::deque<SOCKET> sockets;
    LONG idle = 0;  // waiting threads that no socket is promised to
};
CReadyThreads& Ready() {
    static CReadyThreads* ready = new CReadyThreads;  // outlives every thread at exit
    return *ready;
}
}  // namespace

static void ServeConnection(SOCKET s) {
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
    CProxyConnection* connection = new CProxyConnection;
    connection->AttachBrowser(s);
    connection->Run();
    delete connection;
}

// Takes the next queued socket for a thread that was woken (false: the
// thread was told to end), or, after a wait that timed out, decides whether
// the thread ends: beyond the threads kept ready, or once the engine has
// stopped, one idle this long does, unless a socket was promised to it
// meanwhile.
static bool NextSocket(DWORD woke, SOCKET& s, bool& end) {
    CReadyThreads& ready = Ready();
    CCriticalSectionLock lock(ready.cs);
    s = INVALID_SOCKET;
    if (woke == WAIT_OBJECT_0) {
        end = ready.sockets.empty();
        if (!end) {
            s = ready.sockets.front();
            ready.sockets.pop_front();
        }
    } else {
        const bool spare = woke != WAIT_TIMEOUT || ready.idle > g_Engine.ReadyThreads || !IsEngineListening();
        end = spare && ready.idle > 0;
        if (end) --ready.idle;
    }
    return s != INVALID_SOCKET;
}

// The thread sets its own priority: the accept thread is the one serial step
// of a burst of new connections, so every call that can be made here is.
static DWORD WINAPI ConnectionThreadProc(void*) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    CReadyThreads& ready = Ready();
    for (;;) {
        const DWORD woke = WaitForSingleObject(ready.handed, g_Engine.ReadyThreadIdleMs);
        SOCKET s;
        bool end;
        if (!NextSocket(woke, s, end)) {
            if (end) return 0;
            continue;
        }
        ServeConnection(s);
        // After a Stop the thread ends with its connection.
        if (!IsEngineListening()) return 0;
        CCriticalSectionLock lock(ready.cs);
        ++ready.idle;
    }
}

// Hands an accepted socket to a ready thread, or to a new one; false when no
// thread could be started for it.
static bool HandToThread(SOCKET s) {
    CReadyThreads& ready = Ready();
    CCriticalSectionLock lock(ready.cs);
    const bool waiting = ready.idle > 0;
    if (waiting) --ready.idle;
    ready.sockets.push_back(s);
    lock.Unlock();
    if (!waiting) {
        HANDLE thread = BeginWorkerThread(ConnectionThreadProc, nullptr);
        if (!thread) {
            CCriticalSectionLock again(ready.cs);
            auto at = std::find(ready.sockets.begin(), ready.sockets.end(), s);
            const bool queued = at != ready.sockets.end();
            if (queued) ready.sockets.erase(at);
            // A thread woken by a Stop meanwhile may have taken it; then it is served.
            return !queued;
        }
        CloseHandle(thread);
    }
    ReleaseSemaphore(ready.handed, 1, nullptr);
    return true;
}

// Ends the threads waiting for a connection: none of the engine's threads
// outlives a Stop by more than its current connection.
static void EndReadyThreads() {
    CReadyThreads& ready = Ready();
    CCriticalSectionLock lock(ready.cs);
    const LONG waiting = ready.idle;
    ready.idle = 0;
    lock.Unlock();
    if (waiting > 0) ReleaseSemaphore(ready.handed, waiting, nullptr);
}

// Starts threads until ReadyThreads of them wait for a connection.
static void StartReadyThreads() {
    CReadyThreads& ready = Ready();
    while (IsEngineListening()) {
        CCriticalSectionLock lock(ready.cs);
        const bool enough = ready.idle >= g_Engine.ReadyThreads;
        if (!enough) ++ready.idle;
        lock.Unlock();
        if (enough) return;
        HANDLE thread = BeginWorkerThread(ConnectionThreadProc, nullptr);
        if (!thread) {
            CCriticalSectionLock again(ready.cs);
            --ready.idle;
            return;
        }
        CloseHandle(thread);
    }
}

namespace {
struct CAcceptParams {
    CProxyListener* listener;
    HANDLE stopEvent;  // its own copy: a later Start replaces the global
};
}  // namespace

static DWORD WINAPI AcceptThreadProc(void* param) {
    CAcceptParams params = *static_cast<CAcceptParams*>(param);
    delete static_cast<CAcceptParams*>(param);
    CProxyListener* listener = params.listener;
    HANDLE stopEvent = params.stopEvent;
    StartReadyThreads();
    int failures = 0;
    for (;;) {
        SOCKET listening = listener->m_socket;
        if (listening == INVALID_SOCKET) break;
        sockaddr_in peer;
        int peerLength = sizeof(peer);
        SOCKET s = accept(listening, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (s == INVALID_SOCKET) {
            // A persistent error (no buffers, too many sockets) must not spin a core.
            if (listener->m_socket != INVALID_SOCKET) Sleep(std::min(1000, 10 << std::min(failures++, 7)));
            continue;
        }
        failures = 0;
        InterlockedExchange(&g_bAccepted, 1);
        if (!HandToThread(s)) {
            // One connection lost to a thread shortage; the others go on being served.
            closesocket(s);
            Sleep(50);
        }
    }
    // Threads this thread started while Stop ended the waiting ones end too.
    EndReadyThreads();
    WaitForSingleObject(stopEvent, INFINITE);
    LONG live = g_nLiveConnections;
    for (LONG i = 0; i < live * g_Engine.DrainStepsPerConnection && g_nLiveConnections > 0; ++i)
        Sleep(g_Engine.DrainStepMs);
    InterlockedExchange(&g_bAccepted, 0);
    return 0;
}

CProxyListener::~CProxyListener() {
    try {
        if (m_hAcceptThread) {
            Stop();
        } else {
            CloseSocket();
            if (g_bAccepted) Sleep(g_Engine.ExitPauseMs);
        }
    } catch (...) {
    }
}

int CProxyListener::FailStart(const char* format, bool box) {
    CString text = FillMarker(format, "%s", EngineSocketErrorText(WSAGetLastError()));
    if (box) QvMessageBox(g_Engine.hMainWindow, text, "Socket", MB_OK | MB_ICONSTOP);
    else EngineReportError(text);
    // The socket is closed here rather than left for the next Start.
    CloseSocket();
    return 0;
}

int CProxyListener::Start() {
    // A second Start while listening stops the first listener, thread included.
    if (m_socket != INVALID_SOCKET || m_hAcceptThread) Stop();
    if (g_Engine.bStartWinsock) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
    }
    ResetEvent(ConnectionWakeEvent());
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return FailStart("Unable to create listen socket.\n\n%s", g_Engine.bSocketErrorBox);
    m_socket = s;
    InterlockedIncrement(&g_nOpenListeners);
    int size = 0, sizeLength = sizeof(size);
    if (getsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &sizeLength) == 0)
        g_nSystemRecvBuffer = size;
    sizeLength = sizeof(size);
    if (getsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&size), &sizeLength) == 0)
        g_nSystemSendBuffer = size;
    // Exclusive, not SO_REUSEADDR: on Windows the latter lets a second program
    // bind the same loopback port and steal half of the connections.
    BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof(exclusive));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(u_short(g_Engine.ListenPort));
    int bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    if (bound != 0 && g_Engine.bTestBind) return FailStart("Error creating blocking socket.\n\n%s", false);
    if (g_Engine.hMainWindow && WSAAsyncSelect(s, g_Engine.hMainWindow, 0, 0) != 0)
        return FailStart("Error creating blocking socket.\n\n%s", false);
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
    // The full backlog in both variants: a browser opens several connections
    // at once, and with a backlog of 5 the system drops the rest of such a
    // burst, so their requests stalled one to three seconds (retransmission).
    if (listen(s, SOMAXCONN) != 0) return FailStart("Error creating listen socket.\n\n%s", false);
    g_hStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CAcceptParams* params = new CAcceptParams{this, g_hStopEvent};
    m_hAcceptThread = BeginWorkerThread(AcceptThreadProc, params);
    if (!m_hAcceptThread) {
        delete params;
        CloseHandle(g_hStopEvent);
        g_hStopEvent = nullptr;
        CloseSocket();
        return 0;
    }
    return 1;
}

int CProxyListener::Stop() {
    if (m_socket == INVALID_SOCKET && !m_hAcceptThread) return 1;
    if (g_hStopEvent) SetEvent(g_hStopEvent);
    CloseSocket();
    WakeLiveConnections();
    EndReadyThreads();
    DWORD began = GetTickCount();
    if (m_hAcceptThread) {
        bool ended = WaitForSingleObject(m_hAcceptThread, g_Engine.StopWaitMs) == WAIT_OBJECT_0;
        CloseHandle(m_hAcceptThread);
        m_hAcceptThread = nullptr;
        // A thread still draining keeps using the event; it is left open for it.
        if (ended && g_hStopEvent) CloseHandle(g_hStopEvent);
        g_hStopEvent = nullptr;
    }
    // Connection threads must not outlive the state they share with the program.
    while (g_nLiveConnections > 0 && GetTickCount() - began < g_Engine.StopWaitMs) {
        WakeLiveConnections();
        Sleep(10);
    }
    return 1;
}

void CProxyListener::CloseSocket() {
    SOCKET s = m_socket;
    if (s == INVALID_SOCKET) return;
    m_socket = INVALID_SOCKET;
    InterlockedDecrement(&g_nOpenListeners);
    closesocket(s);
    Sleep(g_Engine.CloseSocketPauseMs);
}

int CProxyListener::GetPort() const {
    sockaddr_in address = {};
    int length = sizeof(address);
    if (m_socket == INVALID_SOCKET ||
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}
