// The per-site hooks of a connection: its options from the site records, the
// anonymous hub as its target, the canned block replies, and the removal of
// the header lines that identify the user.
#include "RequestFilters.h"

#include "AnonymousHub.h"
#include "BlockResources.h"
#include "EngineSettings.h"
#include "EventRecords.h"
#include "UserInfoFilter.h"

int CProxyConnection::LookupSiteAndHub() {
    CSiteOptions options;
    LookupSiteOptions(m_strHost, options);
    m_nCookieMode = g_Engine.CookieMode;
    m_bUseHub = options.bUseHub;
    m_bBlockSite = options.bBlockSite;
    m_bBlockCookies = options.bBlockCookies;
    m_bBlockReferer = options.bBlockReferer;
    m_bBlockUserAgent = options.bBlockUserAgent;
    m_bBlockPopups = options.bBlockPopups;
    m_bBlockImages = options.bBlockImages;
    // Only a site routed through the hub needs one: a lost hub list must not
    // stop every other site, nor make each of their requests probe the list.
    // The choice waits on the network, so it runs outside g_csLists.
    return g_Engine.bAnonymousHub && m_bUseHub ? EnsureAnonymousHub() : 1;
}

bool CProxyConnection::GetHubTarget(CString& host, int& port) {
    return GetAnonymousHub(host, port) || (EnsureAnonymousHub() && GetAnonymousHub(host, port));
}

void CProxyConnection::OnRequestAccepted() {
    AddEvent(m_bUpstream ? EVT_CONNECTED_HUB : EVT_CONNECTED, m_strHost, m_strRequestLine);
}

void CProxyConnection::OnUpstreamFailed(const CString& hubHost, int hubPort) {
    MarkHubUnavailable(hubHost, hubPort);
}

int CProxyConnection::BlockRequest() {
    if (Settings().Disabled) return 0;
    int type;
    CString reply;
    if (m_bBlockSite) {
        type = EVT_SITE_BLOCKED;
        reply = BuildBlockReply(g_BlockPage, g_strBlockPagePath);
    } else if (m_bBlockImages && IsImageRequestLine(m_strRequestLine)) {
        type = EVT_IMAGE_BLOCKED;
        reply = BuildBlockReply(g_BlockImage, g_strBlockImagePath);
    } else {
        return 0;
    }
    // A block file that failed to load blocks nothing.
    if (reply.IsEmpty()) return 0;
    AddEvent(type, m_strHost, m_strRequestLine);
    SendBuffer(m_sBrowser, reply);
    CloseSockets();
    return 1;
}

void CProxyConnection::FilterRequestHeaders() {
    const CString before = JoinLines(m_RequestLines);
    bool changed = FilterReferer() != 0;
    if (m_bBlockCookies && RemoveHeaderLines(m_RequestLines, "cookie:") > 0) changed = true;
    if (m_bBlockUserAgent && RemoveHeaderLines(m_RequestLines, "user-agent:") > 0) changed = true;
    if (changed && g_Engine.bSiteRecords)
        AddEvent(EVT_USERINFO_BLOCKED, m_strHost, m_strRequestLine, before, JoinLines(m_RequestLines));
}

int CProxyConnection::FilterReferer() {
    m_bRefererRemoved = 0;
    if (Settings().Disabled || !m_bBlockReferer) return 0;
    if (RemoveForeignReferers(m_RequestLines, m_strHost) == 0) return 0;
    m_bRefererRemoved = 1;
    return 1;
}
