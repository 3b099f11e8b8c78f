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

void DeleteCookieEntries();
void DeleteHistoryEntries();
void DeleteTemporaryFiles();
// Temporary-file entries whose URL holds the host (a site the user now blocks).
void DeleteTemporaryFilesOf(const CString& host);
// Whether the folder lies inside the profile folder, which itself must be a
// full path below a drive root (never empty, never the root).
bool IsWipeableFolder(const CString& folder, const CString& profile);
// Deletes the folder's entries one by one, adding to notWiped every entry
// that stayed (locked, refused) and the folder itself when it is refused.
void DeleteFolderContents(const CString& folder, const char* pattern, CStringArray& notWiped);
// Wipes what the Wipe page's switches select, in their fixed order; notWiped
// lists what could not be wiped.
void WipeSelected(CStringArray& notWiped);
