// RecordsTestSupport.h - puts the engine's shared records and hub state back
// to their start-up values between tests, and adds site records.
#pragma once

#include "AnonymousHub.h"
#include "EventRecords.h"

inline void ResetRecords() {
    CCriticalSectionLock lock(g_csLists);
    g_Sites.RemoveAll();
    g_Events.RemoveAll();
    g_bSitesChanged = g_bEventsChanged = 0;
    g_bDefUseHub = g_bDefBlockImages = g_bDefBlockPopups = 0;
    g_bDefBlockCookies = g_bDefBlockReferer = g_bDefBlockUserAgent = 0;
}

inline void ResetHub() {
    CCriticalSectionLock lock(g_csHub);
    g_bHubAvailable = 0;
    g_strHubHost.Empty();
    g_nHubPort = 0;
    g_nNextHubIndex = 0;
}

// A record with its own options (all off) unless it follows the defaults.
inline CSiteRecord* AddSite(const char* host, bool ownOptions = true) {
    CSiteRecord* site = new CSiteRecord;
    site->m_strHost = host;
    site->m_bDefaultOptions = ownOptions ? 0 : 1;
    CCriticalSectionLock lock(g_csLists);
    g_Sites.Add(site);
    return site;
}
