// EventRecords.h - the engine's two shared lists: one record per visited site
// (hits, last access, per-site filtering options) and one record per notable
// event, with the default site options, the change flags the pages poll, and
// g_csLists, the one lock for all of it.
// Deliberately not: persistence (Options.opt belongs to the program) or any
// user interface; the pages read the arrays themselves under g_csLists.
#pragma once

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Arrays.h"
#include "Strings.h"
#include "Sync.h"

enum {
    EVT_CONNECTED = 0,
    EVT_CONNECTED_HUB = 1,
    EVT_SITE_BLOCKED = 2,
    EVT_IMAGE_BLOCKED = 3,
    EVT_USERINFO_BLOCKED = 4,
};

class CEventRecord {
public:
    virtual ~CEventRecord() = default;

    int m_nType = EVT_CONNECTED;
    CString m_strSite;
    CString m_strCommand;   // the request line without CR and LF
    time_t m_timeWhen = 0;
    CString m_strBefore;    // request header before and after filtering (user-info events only)
    CString m_strAfter;
};

class CSiteRecord {
public:
    virtual ~CSiteRecord() = default;

    int m_bHidden = 0;
    CString m_strHost;      // set before the record joins g_Sites, never changed in it
    time_t m_timeLastAccess = 0;
    int m_nHits = 0;
    int m_bDefaultOptions = 1;
    int m_bUseHub = 0;
    int m_bBlockSite = 0;
    int m_bBlockImages = 0;
    int m_bBlockPopups = 0;
    int m_bBlockUserInfo = 0;  // cookies, cross-site referers and User-Agent together
    // The list's change count when the record last changed (CSiteArray::Touch).
    unsigned long long m_nChange = 0;
};

// Owning array of events: removing a record deletes it, and so does the array's end.
class CEventArray : public COwnedPtrArray<CEventRecord> {};

// The site list: owning, in the order the records joined it, with an index
// by host so that a request finds its record without walking a list that
// grows to tens of thousands over the months, and change counts so that a
// page copies only the records that changed since it last looked.
class CSiteArray {
public:
    CSiteArray() = default;
    CSiteArray(const CSiteArray&) = delete;
    CSiteArray& operator=(const CSiteArray&) = delete;

    int GetSize() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    CSiteRecord* GetAt(int i) const { return m_items.at(size_t(i)).get(); }
    CSiteRecord* operator[](int i) const { return GetAt(i); }
    // Takes ownership and counts the record as changed; returns its index.
    int Add(CSiteRecord* site);
    void InsertAt(int i, CSiteRecord* site);
    // Deletes the records removed.
    void RemoveAt(int i, int count = 1);
    void RemoveAll();
    // Removes and deletes every record the test picks, in one walk.
    template <typename Pick>
    int RemoveIf(Pick pick) {
        std::vector<std::unique_ptr<CSiteRecord>> kept;
        int removed = 0;
        for (auto& item : m_items) {
            if (pick(*item)) {
                Unindex(item.get());
                ++removed;
            } else {
                kept.push_back(std::move(item));
            }
        }
        m_items.swap(kept);
        if (removed) Renumber();
        return removed;
    }
    // The record's index, or -1 when it is not in the list.
    int IndexOf(const CSiteRecord* site) const;
    // The first record, in list order, whose host begins with the host given
    // (compared without case); null when none does.
    CSiteRecord* FindByHostPrefix(const CString& host) const;

    // Counts a change of the record for the pages.
    void Touch(CSiteRecord* site) { site->m_nChange = ++m_nLastChange; }
    unsigned long long LastChange() const { return m_nLastChange; }
    // Grows whenever records leave the list or move in it: a copy keyed by
    // record then copies anew, since a key may now name a new record.
    unsigned long long Removals() const { return m_nRemovals; }

private:
    void Unindex(const CSiteRecord* site);
    void Renumber();
    std::vector<std::unique_ptr<CSiteRecord>> m_items;
    std::multimap<std::string, CSiteRecord*> m_byHost;  // lower-case host
    std::unordered_map<const CSiteRecord*, int> m_index;
    unsigned long long m_nLastChange = 0;
    unsigned long long m_nRemovals = 0;
};

// True for a host a request can bring: not empty, and no blank or control
// character (the request line is split at blanks, and a byte below 0x20 is
// no part of any host name). The site list holds only such hosts, so a host
// read from a damaged file that is not one tells that the file went wrong.
bool IsSiteHost(const CString& host);

// The options one request runs with, taken from its site record or the defaults.
struct CSiteOptions {
    int bUseHub = 0;
    int bBlockSite = 0;
    int bBlockCookies = 0;
    int bBlockReferer = 0;
    int bBlockUserAgent = 0;
    int bBlockPopups = 0;
    int bBlockImages = 0;
};

// Everything below is guarded by g_csLists, also the defaults and the flags.
extern CCriticalSection& g_csLists;
extern CEventArray& g_Events;
extern CSiteArray& g_Sites;
extern int g_bEventsChanged;
extern int g_bSitesChanged;

extern int g_bDefUseHub;
extern int g_bDefBlockImages;
extern int g_bDefBlockPopups;
extern int g_bDefBlockCookies;
extern int g_bDefBlockReferer;
extern int g_bDefBlockUserAgent;
extern int g_bDefBlockSite;  // never set: a site is blocked only through its own record

// The log keeps at most kMaxEvents; when full, the oldest kEventsDropStep go
// and g_nEventsDropped (under g_csLists) grows by their number, so that a
// list of indexes into g_Events can tell that its indexes moved.
const int kMaxEvents = 10000;
const int kEventsDropStep = 1000;
extern int g_nEventsDropped;

// Appends one event of the given type (0-4; others store nothing).
void AddEvent(int type, const CString& host, const CString& requestLine, const CString& before = CString(),
              const CString& after = CString());

// Counts a request to the host in its site record (creating it on the first
// request) and gives the options the request runs with. An empty host touches
// no record and gets the defaults (it would match every record by prefix), as
// does any host that is no site host.
void LookupSiteOptions(const CString& host, CSiteOptions& options);
