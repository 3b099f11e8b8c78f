#include "UrlCacheWalker.h"

#include <shellapi.h>
#include <ole2.h>
#include <urlhist.h>

#include "Files.h"
#include "RecycleBin.h"
#include "RegistryKey.h"
#include "TextTable.h"
#include "VeilrunGlobals.h"
#include "WipeEntries.h"

// Not in the import libraries' GUID list.
static const CLSID kClsidUrlHistory = {0x3C374A40, 0xBAE4, 0x11CF, {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
static const IID kIidUrlHistoryStg2 = {0xAFA0DC11, 0xC313, 0x11D0, {0x83, 0x1A, 0x00, 0xC0, 0x4F, 0xD5, 0xAE, 0x38}};

UrlEntryKind KindOfEntry(const INTERNET_CACHE_ENTRY_INFOA* entry) {
    if (entry->CacheEntryType & 0x100000) return kCookieEntry;
    if (entry->CacheEntryType & 0x200000) return kHistoryEntry;
    return kTempFileEntry;
}

INTERNET_CACHE_ENTRY_INFOA* CUrlCacheWalker::Fetch(const char* pattern, bool first) {
    DWORD wanted = m_size ? m_size : 4096;
    for (;;) {
        if (m_size < wanted) {
            delete[] m_buffer;
            m_buffer = new BYTE[wanted];
            m_size = wanted;
        }
        ZeroMemory(m_buffer, m_size);
        auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(m_buffer);
        DWORD size = m_size;
        if (first) {
            HANDLE find = FindFirstUrlCacheEntryA(pattern, entry, &size);
            if (find) {
                m_find = find;
                return entry;
            }
        } else if (FindNextUrlCacheEntryA(m_find, entry, &size)) {
            return entry;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= m_size) return nullptr;
        wanted = size;
    }
}

INTERNET_CACHE_ENTRY_INFOA* CUrlCacheWalker::First(const char* pattern) {
    if (m_find) FindCloseUrlCache(m_find);
    m_find = nullptr;
    return Fetch(pattern, true);
}

// The documented patterns are in small letters; Wine's cache matches them
// case-sensitively and knows only its own "Cookie:" and "Visited:".
INTERNET_CACHE_ENTRY_INFOA* CUrlCacheWalker::FirstCookie() {
    INTERNET_CACHE_ENTRY_INFOA* entry = First("cookie:");
    return entry ? entry : First("Cookie:");
}

INTERNET_CACHE_ENTRY_INFOA* CUrlCacheWalker::FirstVisited() {
    INTERNET_CACHE_ENTRY_INFOA* entry = First("visited:");
    return entry ? entry : First("Visited:");
}

INTERNET_CACHE_ENTRY_INFOA* CUrlCacheWalker::Next() { return m_find ? Fetch(nullptr, false) : nullptr; }

void CUrlCacheWalker::End() {
    if (m_find) FindCloseUrlCache(m_find);
    m_find = nullptr;
    delete[] m_buffer;
    m_buffer = nullptr;
    m_size = 0;
}

// The cache deletes an entry's file by its path, which a link would lead
// elsewhere: the file the walk found goes first, as itself, and only where it
// really lies inside the cache; otherwise the entry stays with its file.
bool DeleteCacheEntries(const CArray<CCacheEntryName>& entries, CStringArray* notWiped) {
    CStringArray ignored;
    CStringArray& named = notWiped ? *notWiped : ignored;
    CRealFolders folders;
    const CCacheFolders caches;
    bool all = true;
    for (const CCacheEntryName& entry : entries) {
        if (!entry.file.IsEmpty() && FindListed(entry.file) && !caches.Holds(entry.file, folders)) {
            named.Add(entry.file);
            all = false;
        } else if (!entry.file.IsEmpty() && !RemoveFile(entry.file, folders, named)) {
            all = false;
        } else if (!DeleteUrlCacheEntryA(entry.url) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            named.Add(entry.url);
            all = false;
        }
    }
    return all;
}

static CCacheEntryName NameOf(const INTERNET_CACHE_ENTRY_INFOA& e) {
    CCacheEntryName entry;
    entry.url = e.lpszSourceUrlName;
    if (e.lpszLocalFileName) entry.file = e.lpszLocalFileName;
    return entry;
}

// Deleted only after the walk, so that a deletion cannot make the
// enumeration skip an entry.
static void DeleteWalked(INTERNET_CACHE_ENTRY_INFOA* (CUrlCacheWalker::*first)(), CStringArray* notWiped) {
    CUrlCacheWalker walker;
    CArray<CCacheEntryName> entries;
    for (auto* e = (walker.*first)(); e; e = walker.Next())
        if (e->lpszSourceUrlName) entries.Add(NameOf(*e));
    walker.End();
    DeleteCacheEntries(entries, notWiped);
}

void DeleteCookieEntries(CStringArray* notWiped) { DeleteWalked(&CUrlCacheWalker::FirstCookie, notWiped); }

void DeleteHistoryEntries(CStringArray* notWiped) {
    DeleteWalked(&CUrlCacheWalker::FirstVisited, notWiped);
    HRESULT init = CoInitialize(nullptr);
    IUrlHistoryStg2* history = nullptr;
    if (SUCCEEDED(CoCreateInstance(kClsidUrlHistory, nullptr, CLSCTX_INPROC_SERVER, kIidUrlHistoryStg2,
                                   reinterpret_cast<void**>(&history))) &&
        history) {
        history->ClearHistory();
        history->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
}

static void DeleteTempEntries(const CString& host, CStringArray* notWiped) {
    CUrlCacheWalker walker;
    CArray<CCacheEntryName> entries;
    for (auto* e = walker.First(); e; e = walker.Next()) {
        if (KindOfEntry(e) != kTempFileEntry || !e->lpszSourceUrlName) continue;
        if (host.IsEmpty() || CString(e->lpszSourceUrlName).Find(host) >= 0) entries.Add(NameOf(*e));
    }
    walker.End();
    DeleteCacheEntries(entries, notWiped);
}

void DeleteTemporaryFiles(CStringArray* notWiped) { DeleteTempEntries(CString(), notWiped); }

void DeleteTemporaryFilesOf(const CString& host, CStringArray* notWiped) {
    if (!host.IsEmpty()) DeleteTempEntries(host, notWiped);
}

// Every fixed drive's bin, and the desktop trash where the system keeps the bin there.
void WipeRecycleBin(CStringArray& notWiped) {
    CRecycleBinSweep sweep(CurrentUserSidText(), nullptr);
    const CBinEmptied emptied = sweep.Sweep(nullptr);
    for (const CString& left : emptied.left) notWiped.Add(left);
    if (!emptied.Emptied()) notWiped.Add(g_Texts[44].IsEmpty() ? CString(g_DefaultTexts[44]) : g_Texts[44]);
}

void WipeSelected(CStringArray& notWiped) {
    notWiped.RemoveAll();
    const CString profile = UserProfileFolder();
    if (g_bWipeCookies) {
        DeleteFolderContents(profile + "\\Cookies", "*.*", notWiped);
        DeleteCookieEntries(&notWiped);
    }
    if (g_bWipeRecentDocs) {
        DeleteFolderContents(profile + "\\Recent", "*.*", notWiped);
        CRegistryKey(g_Places.RecentDocsKey).DeleteKey();
    }
    if (g_bWipeTempFiles) DeleteTemporaryFiles(&notWiped);
    if (g_bWipeHistory) {
        DeleteFolderContents(profile + "\\Local Settings\\History", "*.*", notWiped);
        DeleteHistoryEntries(&notWiped);
        CRegistryKey(g_Places.TypedUrlsKey).DeleteKey();
    }
    if (g_bWipeOfficeDocs)
        DeleteFolderContents(profile + "\\Application Data\\Microsoft\\Office\\Recent", "*.*", notWiped);
    if (g_bWipeRecycleBin) WipeRecycleBin(notWiped);
}
