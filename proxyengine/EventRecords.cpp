#include "EventRecords.h"

#include "Immortal.h"

static CImmortal<CCriticalSection> s_csLists;
CCriticalSection& g_csLists = s_csLists.value;
static CImmortal<CEventArray> s_Events;
CEventArray& g_Events = s_Events.value;
static CImmortal<CSiteArray> s_Sites;
CSiteArray& g_Sites = s_Sites.value;
int g_bEventsChanged = 0;
int g_nEventsDropped = 0;
int g_bSitesChanged = 0;

int g_bDefUseHub = 0;
int g_bDefBlockImages = 0;
int g_bDefBlockPopups = 0;
int g_bDefBlockCookies = 0;
int g_bDefBlockReferer = 0;
int g_bDefBlockUserAgent = 0;
int g_bDefBlockSite = 0;

void AddEvent(int type, const CString& host, const CString& requestLine, const CString& before,
              const CString& after) {
    if (type < EVT_CONNECTED || type > EVT_USERINFO_BLOCKED) return;
    CEventRecord* record = new CEventRecord;
    record->m_nType = type;
    record->m_strSite = host;
    record->m_strCommand = requestLine;
    record->m_strCommand.Remove('\r');
    record->m_strCommand.Remove('\n');
    record->m_timeWhen = time(nullptr);
    if (type == EVT_USERINFO_BLOCKED) {
        record->m_strBefore = before;
        record->m_strAfter = after;
    }
    CCriticalSectionLock lock(g_csLists);
    g_bEventsChanged = 1;
    if (type == EVT_CONNECTED || type == EVT_CONNECTED_HUB) g_bSitesChanged = 1;
    // A busy proxy must not grow the log without end: the oldest go, a
    // thousand at a time so that the Events page rebuilds its list seldom.
    if (g_Events.GetSize() >= kMaxEvents) {
        const int drop = g_Events.GetSize() - kMaxEvents + kEventsDropStep;
        g_Events.RemoveAt(0, drop);
        g_nEventsDropped += drop;
    }
    g_Events.Add(record);
}

namespace {
void TakeDefaultOptions(CSiteOptions& options) {
    options.bUseHub = g_bDefUseHub;
    options.bBlockSite = g_bDefBlockSite;
    options.bBlockCookies = g_bDefBlockCookies;
    options.bBlockReferer = g_bDefBlockReferer;
    options.bBlockUserAgent = g_bDefBlockUserAgent;
    options.bBlockPopups = g_bDefBlockPopups;
    options.bBlockImages = g_bDefBlockImages;
}

// Prefix match: a request to a.test counts for a record of A.test.au when
// that record comes first, as the site list has always worked.
CSiteRecord* FindSiteRecord(const CString& host) {
    const int length = host.GetLength();
    for (int i = 0; i < g_Sites.GetSize(); ++i) {
        CSiteRecord* record = g_Sites[i];
        if (record->m_strHost.GetLength() >= length && record->m_strHost.Left(length).CompareNoCase(host) == 0)
            return record;
    }
    return nullptr;
}
}  // namespace

void LookupSiteOptions(const CString& host, CSiteOptions& options) {
    CCriticalSectionLock lock(g_csLists);
    if (host.IsEmpty()) {
        TakeDefaultOptions(options);
        return;
    }
    const time_t now = time(nullptr);
    CSiteRecord* record = FindSiteRecord(host);
    if (!record) {
        record = new CSiteRecord;
        record->m_strHost = host;
        record->m_nHits = 0;
        g_Sites.Add(record);
    }
    record->m_timeLastAccess = now;
    ++record->m_nHits;
    g_bSitesChanged = 1;
    if (record->m_bDefaultOptions) {
        TakeDefaultOptions(options);
        return;
    }
    options.bUseHub = record->m_bUseHub;
    options.bBlockSite = record->m_bBlockSite;
    options.bBlockImages = record->m_bBlockImages;
    options.bBlockPopups = record->m_bBlockPopups;
    options.bBlockCookies = options.bBlockReferer = options.bBlockUserAgent = record->m_bBlockUserInfo;
}
