// Without site records every request passes: no site options are set, no
// hub is known, nothing is blocked and no header line is removed.
#include "RequestFilters.h"

int CProxyConnection::LookupSiteAndHub() {
    return 1;
}

bool CProxyConnection::GetHubTarget(CString& host, int& port) {
    (void)host;
    (void)port;
    return false;
}

void CProxyConnection::OnRequestAccepted() {
}

void CProxyConnection::OnUpstreamFailed() {
}

int CProxyConnection::BlockRequest() {
    return 0;
}

void CProxyConnection::FilterRequestHeaders() {
    FilterReferer();
}

int CProxyConnection::FilterReferer() {
    m_bRefererRemoved = 0;
    return 0;
}
