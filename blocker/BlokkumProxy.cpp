#include "BlokkumProxy.h"

#include "EngineSettings.h"
#include "ErrorReport.h"

CBlokkumProxy::CBlokkumProxy() {
    g_Engine = BlokkumEngineSettings();
    std::shared_ptr<CBlokkumEngineState> state = m_state;
    g_Engine.PopupScript = [state] { return state->Current()->PopupScript; };
    g_Engine.ReportError = [](const char* text) { ReportProxyError(text); };
    g_Engine.FormatSocketError = FormatWinsockError;
    // Connection threads copy the gateway host while a reload may replace it:
    // with room reserved once, a new host is written in place and the text
    // they copy is never freed under them.
    g_Engine.GatewayIP.GetBuffer(MAX_PATH);
    g_Engine.GatewayIP.ReleaseBuffer(0);
    ApplyToEngine(*m_state->Current());
}

CBlokkumProxy::~CBlokkumProxy() { Shutdown(); }

void CBlokkumProxy::ReloadEngineSettings(CBlokkumSettings& settings) {
    ::ReloadEngineSettings(settings, *m_state);
    ApplyToEngine(*m_state->Current());
}

int CBlokkumProxy::Start() { return m_listener.Start(); }

void CBlokkumProxy::Shutdown() { m_listener.Stop(); }

void CBlokkumProxy::ApplyToEngine(const CBlokkumEngineConfig& c) {
    // Each value is one aligned 32-bit store; a connection sees the old or
    // the new value. The gateway is switched off before its address changes
    // and on only after.
    if (!c.GatewayEnable) g_Engine.GatewayEnable = 0;
    if (g_Engine.GatewayIP != c.GatewayIP) g_Engine.GatewayIP = c.GatewayIP.Left(MAX_PATH);
    g_Engine.GatewayPort = int(c.GatewayPort);
    if (c.GatewayEnable) g_Engine.GatewayEnable = 1;
    g_Engine.ListenPort = int(c.ListenPort);
    g_Engine.Disabled = c.Disabled;
    g_Engine.PlayWave = c.PlayWave;
    g_Engine.PopupCatching = c.PopupCatching;
    g_Engine.UseDefaultBufferSizes = c.UseDefaultBufferSizes;
    InterlockedExchange(&g_Engine.BufferSize, LONG(c.BufferSize));
    g_Engine.UseDefaultTimeOut = c.UseDefaultTimeOut;
    g_Engine.ConnectionTimeOut = int(c.ConnectionTimeOut);
    g_Engine.DNSCacheSize = int(c.DNSCacheSize);
    g_Engine.DNSCacheDisable = c.DNSCacheDisable;
}
