// Request side of CProxyConnection: one request header from the browser is
// parsed, checked, rewritten and sent to the site, the hub or the gateway.
#include <winsock2.h>

#include "DnsCache.h"
#include "EngineSettings.h"
#include "ProxyConnection.h"
#include "RequestFilters.h"

void CProxyConnection::ClearRequest() {
    // Nothing of the previous request may leak into this one (its host above all).
    m_RequestLines.RemoveAll();
    m_strRequestLine.Empty();
    m_bTunnel = 0;
    m_strMethod.Empty();
    m_strURL.Empty();
    m_strVersion.Empty();
    m_strHostAndPort.Empty();
    m_strPath.Empty();
    m_nPort = 80;
    m_strHost.Empty();
    m_bRefererRemoved = 0;
    m_bUpstream = false;
    m_bRequestCloses = false;
    m_nRequestBody = REQUEST_NONE;
    m_nRequestBodyLeft = 0;
    m_RequestChunks.Reset();
}

int CProxyConnection::ProcessRequestHeader() {
    ClearRequest();
    // Taken anew for each request, so a reload reaches the next page of a
    // kept-alive connection while no request mixes two settings.
    m_pSettings = CurrentConnectionSettings();
    const char* data = m_Request.Data();
    int end = FindHeaderEnd(data, m_Request.Size());
    if (end < 0) return 0;
    int firstEnd = 0;
    while (firstEnd < end && data[firstEnd] != '\n') ++firstEnd;
    CRequestTarget target;
    ParseRequestLine(CString(data, firstEnd + 1), target);
    m_strRequestLine = target.requestLine;
    m_bTunnel = target.tunnel ? 1 : 0;
    m_strMethod = target.method;
    m_strURL = target.url;
    m_strVersion = target.version;
    m_strHostAndPort = target.hostAndPort;
    m_strPath = target.path;
    m_nPort = target.port;
    m_strHost = target.host;

    CHeaderInfo info;
    SplitHeaderLines(data, end, m_RequestLines, false, !Settings().Disabled && !m_bTunnel, info);
    m_Request.Consume(end);
    m_bRequestCloses = !KeepsConnectionOpen(m_strVersion, info);

    if (g_Engine.bSiteRecords && !LookupSiteAndHub()) return 0;
    if (m_strRequestLine.IsEmpty() || m_strHost.IsEmpty()) {
        SendBuffer(m_sBrowser, kReplyBadRequest);
        return 0;
    }
    m_bUpstream = (g_Engine.bGateway && Settings().GatewayEnable) || (g_Engine.bAnonymousHub && m_bUseHub);
    if (!m_bUpstream && !m_bTunnel && !m_RequestLines.IsEmpty())
        m_RequestLines.SetAt(0, m_strMethod + " " + m_strPath + " " + m_strVersion + "\r\n");
    if (g_Engine.bRequestFilters && !Settings().Disabled && BlockRequest()) return 0;

    if (!m_bTunnel) {
        // Every request whose header announces a body has one, whatever its method.
        if (info.chunked) m_nRequestBody = REQUEST_CHUNKED;
        else if (info.contentLength > 0) m_nRequestBody = REQUEST_LENGTH;
        else if (info.contentLength < 0 && !IsSimpleMethod(m_strRequestLine)) m_nRequestBody = REQUEST_UNTIL_REPLY;
        m_nRequestBodyLeft = info.contentLength;
        if (m_nRequestBody != REQUEST_NONE) m_nBrowserState = STATE_BODY;
    }
    return 1;
}

int CProxyConnection::ConnectToServer() {
    // A site switched to or from the hub between two requests must not reuse
    // the socket of the other route.
    // Nor a socket to a gateway that a reload has replaced since.
    const bool viaGateway = g_Engine.bGateway && Settings().GatewayEnable;
    const CString gateway = viaGateway ? Settings().GatewayIP : CString();
    const int gatewayPort = viaGateway ? Settings().GatewayPort : 0;
    if (!m_strPrevHost.IsEmpty() && (m_strHost != m_strPrevHost || m_nPort != m_nPrevPort ||
                                     m_bUpstream != m_bPrevUpstream || gateway != m_strPrevGateway ||
                                     gatewayPort != m_nPrevGatewayPort))
        CloseServerSocket();
    // The relay reads only the browser between replies. A lone request
    // without a body is sent again should the kept server connection turn out
    // closed (ResendToFreshServer); any other is checked before it goes.
    const bool resendable = !m_bTunnel && m_nRequestBody == REQUEST_NONE && m_PendingReplies.empty();
    if (!resendable && ServerSpokeWhileIdle()) CloseServerSocket();
    const bool kept = m_sServer != INVALID_SOCKET;
    m_strPrevHost = m_strHost;
    m_nPrevPort = m_nPort;
    m_bPrevUpstream = m_bUpstream;
    m_strPrevGateway = gateway;
    m_nPrevGatewayPort = gatewayPort;

    CString targetHost = m_strHost;
    int targetPort = m_nPort;
    bool throughHub = false;
    if (viaGateway) {
        targetHost = gateway;
        targetPort = gatewayPort;
    } else if (g_Engine.bAnonymousHub && m_bUseHub) {
        // A site routed through the hub never goes to the site directly, not
        // even when the hub was lost since the lookup.
        if (!GetHubTarget(targetHost, targetPort)) {
            CloseSockets();
            return 0;
        }
        throughHub = true;
        m_nPort = targetPort;
    }

    if (m_sServer == INVALID_SOCKET && !OpenServerOrFail(targetHost, targetPort, throughHub)) return 0;
    // Logged only now that the connection stands.
    if (g_Engine.bSiteRecords) OnRequestAccepted();

    if (m_bTunnel && !m_bUpstream) {
        m_nServerState = m_nBrowserState = STATE_BODY;
        m_RequestLines.RemoveAll();
        return SendBuffer(m_sBrowser, kReplyTunnelEstablished) ? 1 : 0;
    }
    // A tunnel's own CONNECT header goes to the hub, so it is filtered too.
    if ((!m_bTunnel || m_bUpstream) && !Settings().Disabled && g_Engine.bRequestFilters) FilterRequestHeaders();
    CString header = TerminateHeader(JoinLines(m_RequestLines));
    m_strResend.Empty();
    if (kept && resendable) {
        m_strResend = header;
        m_strResendHost = targetHost;
        m_nResendPort = targetPort;
        m_bResendThroughHub = throughHub;
    }
    // Queued only now: a change of server above drops the old server's queue.
    if (!m_bTunnel) {
        CPendingReply reply;
        reply.head = m_strMethod.CompareNoCase("HEAD") == 0;
        reply.closes = m_bRequestCloses;
        m_PendingReplies.push_back(reply);
    }
    // It leaves with the first body bytes, or before the relay waits again.
    QueueForServer(header.c_str(), header.GetLength());
    return 1;
}

// The server connection, or the connect error text for the browser and the
// end of the connection (false).
bool CProxyConnection::OpenServerOrFail(const CString& host, int port, bool throughHub) {
    SOCKET s = OpenServerSocket(host, port);
    if (s == INVALID_SOCKET) {
        if (throughHub) OnUpstreamFailed(host, port);
        m_Response.Clear();
        // A tunnel learns of the failure here too, never after a 200.
        SendBuffer(m_sBrowser, kReplyConnectFailed);
        m_strPrevHost.Empty();
        CloseSockets();
        return false;
    }
    SetSocket(m_sServer, s);
    return true;
}

SOCKET CProxyConnection::OpenServerSocket(const CString& host, int port) {
    DWORD address = ResolveHostAddress(host);
    if (address == 0 || port <= 0 || port > 65535) return INVALID_SOCKET;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return INVALID_SOCKET;
    if (!Settings().UseDefaultBufferSizes) {
        setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&m_nSendSize), sizeof(int));
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&m_nRecvSize), sizeof(int));
    }
    // A request body that arrives in pieces goes on as it comes; Nagle would
    // hold each piece for the server's delayed acknowledgement.
    BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(u_short(port));
    if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof(to)) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}
