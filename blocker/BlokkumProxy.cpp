#include "BlokkumProxy.h"

#include "EngineSettings.h"
#include "ErrorReport.h"

CBlokkumProxy::CBlokkumProxy() {
    g_Engine = BlokkumEngineSettings();
    g_Engine.ReportError = [](const char* text) { ReportProxyError(text); };
    g_Engine.FormatSocketError = FormatWinsockError;
    ApplyToEngine(m_state.Current());
}

CBlokkumProxy::~CBlokkumProxy() {
    Shutdown();
    PublishConnectionSettings(nullptr);
}

void CBlokkumProxy::ReloadEngineSettings(CBlokkumSettings& settings) {
    ::ReloadEngineSettings(settings, m_state);
    ApplyToEngine(m_state.Current());
}

void CBlokkumProxy::PublishEngineSettings(const CBlokkumSettings& settings) {
    ::PublishEngineSettings(settings, m_state);
    ApplyToEngine(m_state.Current());
}

int CBlokkumProxy::Start() { return m_listener.Start(); }

void CBlokkumProxy::Shutdown() { m_listener.Stop(); }

void CBlokkumProxy::ApplyToEngine(const BlokkumEngineConfigPtr& c) {
    // New connections take the snapshot whole; the values the engine reads
    // outside a connection are single aligned 32-bit stores.
    PublishConnectionSettings(c);
    g_Engine.ListenPort = int(c->ListenPort);
    InterlockedExchange(&g_Engine.BufferSize, LONG(c->BufferSize));
    g_Engine.DNSCacheSize = int(c->DNSCacheSize);
    g_Engine.DNSCacheDisable = c->DNSCacheDisable;
}
