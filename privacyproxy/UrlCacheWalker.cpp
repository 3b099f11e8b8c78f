#include "UrlCacheWalker.h"

#include <shellapi.h>
#include <ole2.h>
#include <urlhist.h>

#include "Handles.h"
#include "RegistryKey.h"
#include "VeilrunGlobals.h"

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

// Deleted only after the walk, so that a deletion cannot make the
// enumeration skip an entry.
static void DeleteAll(const CStringArray& urls) {
    for (const CString& url : urls) DeleteUrlCacheEntryA(url);
}

static void DeleteWalked(INTERNET_CACHE_ENTRY_INFOA* (CUrlCacheWalker::*first)()) {
    CUrlCacheWalker walker;
    CStringArray urls;
    for (auto* e = (walker.*first)(); e; e = walker.Next())
        if (e->lpszSourceUrlName) urls.Add(e->lpszSourceUrlName);
    walker.End();
    DeleteAll(urls);
}

void DeleteCookieEntries() { DeleteWalked(&CUrlCacheWalker::FirstCookie); }

void DeleteHistoryEntries() {
    DeleteWalked(&CUrlCacheWalker::FirstVisited);
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

static void DeleteTempEntries(const CString& host) {
    CUrlCacheWalker walker;
    CStringArray urls;
    for (auto* e = walker.First(); e; e = walker.Next()) {
        if (KindOfEntry(e) != kTempFileEntry || !e->lpszSourceUrlName) continue;
        CString url = e->lpszSourceUrlName;
        if (host.IsEmpty() || url.Find(host) >= 0) urls.Add(url);
    }
    walker.End();
    DeleteAll(urls);
}

void DeleteTemporaryFiles() { DeleteTempEntries(CString()); }

void DeleteTemporaryFilesOf(const CString& host) {
    if (!host.IsEmpty()) DeleteTempEntries(host);
}

// A folder to wipe lies strictly inside a profile folder that is itself a
// full path below a drive root: an empty or drive-root profile (a failed
// shell look-up, a profile at "C:") would otherwise wipe "\Cookies" and the
// like at the root of the drive.
bool IsWipeableFolder(const CString& folder, const CString& profile) {
    char full[MAX_PATH] = "", fullProfile[MAX_PATH] = "";
    if (profile.IsEmpty() || folder.IsEmpty()) return false;
    if (!GetFullPathNameA(folder, MAX_PATH, full, nullptr) || !GetFullPathNameA(profile, MAX_PATH, fullProfile, nullptr))
        return false;
    CString base = fullProfile, target = full;
    base.TrimRight("\\/");
    target.TrimRight("\\/");
    // The root: "X:", or "\\server\share" of a network path.
    int rootLength = -1;
    if (base.GetLength() >= 2 && base[1] == ':') {
        rootLength = 2;
    } else if (base.Left(2) == "\\\\") {
        const int share = base.Find('\\', 2);
        rootLength = share < 0 ? -1 : base.Find('\\', share + 1);
    }
    if (rootLength < 0 || base.GetLength() <= rootLength + 1 || base[rootLength] != '\\') return false;
    return target.GetLength() > base.GetLength() + 1 && target.Left(base.GetLength()).CompareNoCase(base) == 0 &&
           target[base.GetLength()] == '\\';
}

void DeleteFolderContents(const CString& folder, const char* pattern, CStringArray& notWiped) {
    if (!IsWipeableFolder(folder, UserProfileFolder())) {
        notWiped.Add(folder);
        return;
    }
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(folder + "\\" + pattern, &data));
    if (!find.IsValid()) return;
    CStringArray entries;
    do {
        if (lstrcmpA(data.cFileName, ".") != 0 && lstrcmpA(data.cFileName, "..") != 0)
            entries.Add(folder + "\\" + data.cFileName);
    } while (FindNextFileA(find, &data));
    find.Close();
    // One operation per entry, so that a locked file stops only itself.
    for (const CString& entry : entries) {
        CString from = entry;
        from.Append("\0\0", 2);
        SHFILEOPSTRUCTA op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        const int rc = SHFileOperationA(&op);
        if (rc != 0 || op.fAnyOperationsAborted || GetFileAttributesA(entry) != INVALID_FILE_ATTRIBUTES)
            notWiped.Add(entry);
    }
}

void WipeSelected(CStringArray& notWiped) {
    notWiped.RemoveAll();
    const CString profile = UserProfileFolder();
    if (g_bWipeCookies) {
        DeleteFolderContents(profile + "\\Cookies", "*.*", notWiped);
        DeleteCookieEntries();
    }
    if (g_bWipeRecentDocs) {
        DeleteFolderContents(profile + "\\Recent", "*.*", notWiped);
        CRegistryKey(g_Places.RecentDocsKey).DeleteKey();
    }
    if (g_bWipeTempFiles) DeleteTemporaryFiles();
    if (g_bWipeHistory) {
        DeleteFolderContents(profile + "\\Local Settings\\History", "*.*", notWiped);
        DeleteHistoryEntries();
        CRegistryKey(g_Places.TypedUrlsKey).DeleteKey();
    }
    if (g_bWipeOfficeDocs)
        DeleteFolderContents(profile + "\\Application Data\\Microsoft\\Office\\Recent", "*.*", notWiped);
    if (g_bWipeRecycleBin) SHEmptyRecycleBinA(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
}
