// EventRecords.h - the engine's two shared lists: one record per visited site
// (hits, last access, per-site filtering options) and one record per notable
// event, with the default site options, the change flags the pages poll, and
// g_csLists, the one lock for all of it.
// Deliberately not: persistence (Options.opt belongs to the program) or any
// user interface; the pages read the arrays themselves under g_csLists.
#pragma once

#include <ctime>

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
    CString m_strHost;
    time_t m_timeLastAccess = 0;
    int m_nHits = 0;
    int m_bDefaultOptions = 1;
    int m_bUseHub = 0;
    int m_bBlockSite = 0;
    int m_bBlockImages = 0;
    int m_bBlockPopups = 0;
    int m_bBlockUserInfo = 0;  // cookies, cross-site referers and User-Agent together
};

// Owning arrays: removing a record deletes it, and so does the array's end.
class CEventArray : public COwnedPtrArray<CEventRecord> {};
class CSiteArray : public COwnedPtrArray<CSiteRecord> {};

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
// no record and gets the defaults: it would match every record by prefix.
void LookupSiteOptions(const CString& host, CSiteOptions& options);
