// ProxyListener.h - CProxyListener, the engine's listening socket on
// 127.0.0.1 with its accept thread, and the engine globals the threads share:
// the stop event, the count of live connections and the system buffer sizes.
// Start/Stop run on the program's user-interface thread; each accepted
// browser connection gets a thread of its own (THREAD_PRIORITY_HIGHEST) for
// its whole life, taken from threads kept ready between connections; Stop
// ends the waiting ones.
// Deliberately not: more than one listener at a time per program.
#pragma once

#include <winsock2.h>
#include <windows.h>

class CProxyConnection;

extern HANDLE g_hStopEvent;
extern volatile LONG g_nLiveConnections;
extern volatile LONG g_bAccepted;
extern int g_nSystemRecvBuffer;
extern int g_nSystemSendBuffer;

class CProxyListener {
public:
    CProxyListener() = default;
    virtual ~CProxyListener();
    CProxyListener(const CProxyListener&) = delete;
    CProxyListener& operator=(const CProxyListener&) = delete;

    int Start();
    int Stop();
    void CloseSocket();

    bool IsListening() const { return m_socket != INVALID_SOCKET; }
    // The port actually bound (g_Engine.ListenPort 0 binds an ephemeral one).
    int GetPort() const;

    HANDLE m_hAcceptThread = nullptr;
    volatile SOCKET m_socket = INVALID_SOCKET;

private:
    int FailStart(const char* format, bool box);
};

// True while a listener is open; connection threads end their relay loop
// once it is not.
bool IsEngineListening();
// Manual-reset event that Stop sets (and Start clears) to wake connection
// threads waiting on a read; it lives as long as the process.
HANDLE ConnectionWakeEvent();

// Live connections register their sockets so that Stop can wake them; a
// connection changes its socket fields only under this lock.
void RegisterConnection(CProxyConnection* connection);
void UnregisterConnection(CProxyConnection* connection);
CRITICAL_SECTION* LiveConnectionsLock();
