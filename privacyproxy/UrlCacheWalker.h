// UrlCacheWalker.h - CUrlCacheWalker, a walk over Internet Explorer's URL
// cache (all entries, cookies or history) with an entry buffer that grows to
// the size the cache asks for, and the wipe operations built on it.
// Deliberately not: writing cache entries.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "Strings.h"

enum UrlEntryKind { kTempFileEntry = 0, kCookieEntry = 1, kHistoryEntry = 2 };
UrlEntryKind KindOfEntry(const INTERNET_CACHE_ENTRY_INFOA* entry);

class CUrlCacheWalker {
public:
    CUrlCacheWalker() = default;
    ~CUrlCacheWalker() { End(); }
    CUrlCacheWalker(const CUrlCacheWalker&) = delete;
    CUrlCacheWalker& operator=(const CUrlCacheWalker&) = delete;

    INTERNET_CACHE_ENTRY_INFOA* First(const char* pattern = nullptr);
    INTERNET_CACHE_ENTRY_INFOA* FirstCookie();
    INTERNET_CACHE_ENTRY_INFOA* FirstVisited();
    INTERNET_CACHE_ENTRY_INFOA* Next();
    void End();
    DWORD BufferSize() const { return m_size; }

private:
    INTERNET_CACHE_ENTRY_INFOA* Fetch(const char* pattern, bool first);
    BYTE* m_buffer = nullptr;
    DWORD m_size = 0;
    HANDLE m_find = nullptr;
};

void DeleteCookieEntries();
void DeleteHistoryEntries();
void DeleteTemporaryFiles();
// Temporary-file entries whose URL holds the host (a site the user now blocks).
void DeleteTemporaryFilesOf(const CString& host);
void DeleteFolderContents(const CString& folder, const char* pattern);
// Wipes what the Wipe page's switches select, in their fixed order.
void WipeSelected();
