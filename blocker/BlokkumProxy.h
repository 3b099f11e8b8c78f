// BlokkumProxy.h - CBlokkumProxy, Blokkum's variant of the shared proxy
// engine: no site records, hub or request filters, the optional gateway, a
// tested bind, idle time-outs that keep the connection, and
// failures reported through ReportProxyError only. The settings come from
// QVINI.ini through ReloadEngineSettings, and each connection reads the
// snapshot that was current when it started.
// The engine keeps one global configuration (g_Engine): one CBlokkumProxy
// per process. Deliberately not: Winsock start-up (the program does it).
#pragma once

#include <memory>

#include "BlokkumEngineConfig.h"
#include "BlokkumSettings.h"
#include "ProxyListener.h"

class CBlokkumProxy {
public:
    CBlokkumProxy();
    // Ends the live connections (bounded) before the state they read goes.
    ~CBlokkumProxy();
    CBlokkumProxy(const CBlokkumProxy&) = delete;
    CBlokkumProxy& operator=(const CBlokkumProxy&) = delete;

    // QVINI.ini and QVBlk.js read anew and handed to the engine; connections
    // already relaying keep what they read, the next request sees the new.
    void ReloadEngineSettings(CBlokkumSettings& settings);
    // The settings as they are in memory (after a change from the tray).
    void PublishEngineSettings(const CBlokkumSettings& settings);
    // 1 listening, 0 failed (the reason went to ReportProxyError).
    int Start();
    // Closes the listening socket and the live connections, waiting for them
    // within the engine's bound.
    void Shutdown();

    CProxyListener& Listener() { return m_listener; }
    BlokkumEngineConfigPtr Current() { return m_state.Current(); }

private:
    void ApplyToEngine(const BlokkumEngineConfigPtr& config);

    CBlokkumEngineState m_state;
    CProxyListener m_listener;
};
