#include "EventRecords.h"

#include "Immortal.h"

#include <stdexcept>

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

// ---- CSiteArray

namespace {
std::string HostKey(const CString& host) {
    CString key = host;
    return key.MakeLower().str();
}
}  // namespace

int CSiteArray::Add(CSiteRecord* site) {
    m_items.emplace_back(site);
    m_byHost.emplace(HostKey(site->m_strHost), site);
    m_index[site] = GetSize() - 1;
    Touch(site);
    return GetSize() - 1;
}

void CSiteArray::InsertAt(int i, CSiteRecord* site) {
    if (i < 0 || i > GetSize()) throw std::out_of_range("CSiteArray::InsertAt");
    m_items.emplace(m_items.begin() + i, site);
    m_byHost.emplace(HostKey(site->m_strHost), site);
    Touch(site);
    Renumber();
}

void CSiteArray::RemoveAt(int i, int count) {
    if (i < 0 || count < 0 || i + count > GetSize()) throw std::out_of_range("CSiteArray::RemoveAt");
    for (int j = i; j < i + count; ++j) Unindex(m_items[size_t(j)].get());
    m_items.erase(m_items.begin() + i, m_items.begin() + i + count);
    Renumber();
}

void CSiteArray::RemoveAll() {
    m_items.clear();
    m_byHost.clear();
    m_index.clear();
    ++m_nRemovals;
}

int CSiteArray::IndexOf(const CSiteRecord* site) const {
    const auto found = m_index.find(site);
    return found == m_index.end() ? -1 : found->second;
}

// Every host the given one prefixes sorts right after it; the first of them
// in list order is the one with the lowest index.
CSiteRecord* CSiteArray::FindByHostPrefix(const CString& host) const {
    const std::string key = HostKey(host);
    CSiteRecord* first = nullptr;
    int firstIndex = 0;
    for (auto it = m_byHost.lower_bound(key); it != m_byHost.end() && it->first.compare(0, key.size(), key) == 0;
         ++it) {
        const int index = m_index.at(it->second);
        if (!first || index < firstIndex) {
            first = it->second;
            firstIndex = index;
        }
    }
    return first;
}

void CSiteArray::Unindex(const CSiteRecord* site) {
    const auto range = m_byHost.equal_range(HostKey(site->m_strHost));
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == site) {
            m_byHost.erase(it);
            break;
        }
    m_index.erase(site);
}

void CSiteArray::Renumber() {
    for (int i = 0; i < GetSize(); ++i) m_index[m_items[size_t(i)].get()] = i;
    ++m_nRemovals;
}

bool IsSiteHost(const CString& host) {
    if (host.IsEmpty()) return false;
    for (int i = 0; i < host.GetLength(); ++i) {
        const unsigned char c = static_cast<unsigned char>(host[i]);
        if (c <= ' ' || c == 0x7F) return false;
    }
    return true;
}

// ---- Looking a request's site up

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
}  // namespace

void LookupSiteOptions(const CString& host, CSiteOptions& options) {
    const bool siteHost = IsSiteHost(host);
    const time_t now = time(nullptr);
    CCriticalSectionLock lock(g_csLists);
    if (!siteHost) {
        TakeDefaultOptions(options);
        return;
    }
    // Prefix match: a request to a.test counts for a record of A.test.au when
    // that record comes first, as the site list has always worked.
    CSiteRecord* record = g_Sites.FindByHostPrefix(host);
    if (!record) {
        record = new CSiteRecord;
        record->m_strHost = host;
        record->m_nHits = 0;
        g_Sites.Add(record);
    }
    record->m_timeLastAccess = now;
    ++record->m_nHits;
    g_Sites.Touch(record);
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
