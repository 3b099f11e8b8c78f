// TraceItems.h - what the Trace page shows: the URL cache's entries as trace
// items (history, cookie, cached file) grouped by web site.
// Deliberately not: the cache walk itself (UrlCacheWalker.h).
#pragma once

#include "Arrays.h"
#include "Strings.h"

struct CTraceItem {
    int m_nKind = 0;  // 0 history, 1 cookie, 2 file
    CString m_strUrl;
    CString m_strFile;
};

struct CTraceGroup {
    CString m_strSite;
    CArray<int> m_items;
};

class CTraceItemArray : public COwnedPtrArray<CTraceItem> {};
class CTraceGroupArray : public COwnedPtrArray<CTraceGroup> {};

extern CTraceItemArray g_TraceItems;
extern CTraceGroupArray g_TraceGroups;

// The site of one cache entry by its kind ("" when it has none).
CString TraceSiteOf(int kind, const CString& url);
// Empties both arrays and fills them from the cache; returns the groups in
// the order they were found.
void CollectTraceItems();
