// UrlCacheWalker.h - CUrlCacheWalker, a walk over Internet Explorer's URL
// cache (all entries, cookies or history) with an entry buffer that grows to
// the size the cache asks for, and the wipe operations built on it.
// Deliberately not: writing cache entries.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "Arrays.h"
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
    INTERNET_CACHE_ENTRY_INFOA* FirstFile() { return First(nullptr); }
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

// A cache entry as a walk found it: its URL and its local file (empty for none).
struct CCacheEntryName {
    CString url;
    CString file;
};
// The wipe operations add to notWiped (when given) what stayed.
// Each entry's file goes first, as itself; an entry whose file stays (or is
// a folder) stays too, and so does one the cache will not delete (named by
// its URL). True when every entry is gone.
bool DeleteCacheEntries(const CArray<CCacheEntryName>& entries, CStringArray* notWiped = nullptr);
void DeleteCookieEntries(CStringArray* notWiped = nullptr);
void DeleteHistoryEntries(CStringArray* notWiped = nullptr);
void DeleteTemporaryFiles(CStringArray* notWiped = nullptr);
// Temporary-file entries whose URL holds the host (a site the user now blocks).
void DeleteTemporaryFilesOf(const CString& host, CStringArray* notWiped = nullptr);
// Empties the Recycle Bin of every fixed drive without following a link it
// holds (RecycleBin.h); what stays is named, and so is the bin ("Recycle Bin")
// when it was not emptied.
void WipeRecycleBin(CStringArray& notWiped);
// Wipes what the Wipe page's switches select, in their fixed order; notWiped
// lists what could not be wiped.
void WipeSelected(CStringArray& notWiped);
