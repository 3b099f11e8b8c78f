#include "RecycleBin.h"

#include <shellapi.h>

#include "FileEntries.h"
#include "Handles.h"
#include "Seams.h"

namespace {

// No confirmation, no progress window, no sound.
const DWORD kEmptyQuietly = 0x7;

// Looked up at run time: shells older than Internet Explorer 4 have no bin
// calls, and a program that imported them would not start there.
typedef HRESULT(WINAPI* EmptyBinProc)(HWND, LPCSTR, DWORD);
typedef HRESULT(WINAPI* QueryBinProc)(LPCSTR, SHQUERYRBINFO*);
typedef LPWSTR(CDECL* DosFileNameProc)(LPCSTR);

const wchar_t kRecordSuffix[] = L".trashinfo";

// A variable of the environment as the host spells its paths (UTF-8).
std::string HostVariable(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) return std::string();
    return Utf8Of(CRealPath(value, n)).str();
}

// Files a Windows bin folder keeps for itself (its index and its look), which
// are never removed as entries.
bool IsBinIndexName(const wchar_t* name) { return lstrcmpiW(name, L"INFO2") == 0 || lstrcmpiW(name, L"desktop.ini") == 0; }

// The trash keeps a record of each trashed entry, "info\<name>.trashinfo"
// beside its "files" folder.
CRealPath RecordFolderOf(const CRealPath& files) { return JoinRealPath(RealFolderOf(files), L"info"); }

void RemoveTrashRecord(const CRealPath& files, const CRealPath& name) {
    const CRealPath info = RecordFolderOf(files);
    WIN32_FIND_DATAW listed;
    CStringArray ignored;
    if (FindRealEntry(JoinRealPath(info, name + kRecordSuffix), &listed))
        RemoveListedEntry(info, RealPathOf(info), listed, ignored);
}

// A record without its entry would keep a trashed item the bin no longer holds.
void RemoveOrphanRecords(const CRealPath& files) {
    const CRealPath info = RecordFolderOf(files);
    std::vector<WIN32_FIND_DATAW> records;
    ListRealFolder(info, records, L"*.trashinfo");
    const CRealPath real = RealPathOf(info);
    const size_t suffix = lstrlenW(kRecordSuffix);
    CStringArray ignored;
    for (const WIN32_FIND_DATAW& record : records) {
        const CRealPath name = record.cFileName;
        if (name.size() <= suffix || (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!FindRealEntry(JoinRealPath(files, name.substr(0, name.size() - suffix))))
            RemoveListedEntry(info, real, record, ignored);
    }
}

// The entries of a place, its own index files aside.
std::vector<WIN32_FIND_DATAW> EntriesOf(const CBinPlace& place) {
    std::vector<WIN32_FIND_DATAW> listed, entries;
    ListRealFolder(place.folder, listed);
    for (const WIN32_FIND_DATAW& entry : listed)
        if (place.desktopTrash || !IsBinIndexName(entry.cFileName)) entries.push_back(entry);
    return entries;
}

bool FolderThere(const CRealPath& path) {
    WIN32_FIND_DATAW listed;
    return FindRealEntry(path, &listed) && (listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

void AddPlace(std::vector<CBinPlace>& places, const CRealPath& folder, bool desktopTrash) {
    if (folder.empty() || !FolderThere(folder)) return;
    for (const CBinPlace& place : places)
        if (SameRealPath(place.folder, folder)) return;
    CBinPlace place;
    place.folder = folder;
    place.desktopTrash = desktopTrash;
    places.push_back(place);
}

void AddDriveFolders(std::vector<CBinPlace>& places, const char* root, const CString& sid) {
    const CRealPath base = RealPathFrom(root);
    if (!sid.IsEmpty()) {
        AddPlace(places, base + L"$Recycle.Bin\\" + RealPathFrom(sid), false);
        AddPlace(places, base + L"Recycler\\" + RealPathFrom(sid), false);
    }
    AddPlace(places, base + L"RECYCLED", false);
}

}  // namespace

CRealPath DesktopTrashFolder() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    DosFileNameProc toDos = kernel ? reinterpret_cast<DosFileNameProc>(
                                         reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")))
                                   : nullptr;
    if (!toDos) return CRealPath();
    std::string unixPath;
    const std::string data = HostVariable(L"XDG_DATA_HOME"), home = HostVariable(L"HOME");
    if (!data.empty())
        unixPath = data + "/Trash/files";
    else if (!home.empty())
        unixPath = home + "/.local/share/Trash/files";
    else
        return CRealPath();
    LPWSTR wide = toDos(unixPath.c_str());
    if (!wide) return CRealPath();
    const CRealPath path = wide;
    HeapFree(GetProcessHeap(), 0, wide);
    return path;
}

bool FormatSidText(PSID sid, char* buffer, DWORD* size) {
    if (!sid || !IsValidSid(sid)) {
        SetLastError(ERROR_INVALID_SID);
        return false;
    }
    PSID_IDENTIFIER_AUTHORITY authority = GetSidIdentifierAuthority(sid);
    const DWORD count = *GetSidSubAuthorityCount(sid);
    const DWORD needed = 28 + 12 * count;
    if (*size < needed) {
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    int n = wsprintfA(buffer, "S-%lu-", static_cast<unsigned long>(SID_REVISION));
    const BYTE* v = authority->Value;
    if (v[0] == 0 && v[1] == 0) {
        unsigned long value = (unsigned long)v[5] | ((unsigned long)v[4] << 8) | ((unsigned long)v[3] << 16) |
                              ((unsigned long)v[2] << 24);
        n += wsprintfA(buffer + n, "%lu", value);
    } else {
        n += wsprintfA(buffer + n, "0x%02X%02X%02X%02X%02X%02X", v[0], v[1], v[2], v[3], v[4], v[5]);
    }
    for (DWORD i = 0; i < count; ++i)
        n += wsprintfA(buffer + n, "-%lu", static_cast<unsigned long>(*GetSidSubAuthority(sid, i)));
    return true;
}

int ReadCurrentUserSid(CString& sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_READ, &token)) return 1;
    CHandle owner(token);
    union {
        BYTE bytes[1000];
        TOKEN_USER user;
    } info;
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenUser, &info, sizeof(info), &length)) return 2;
    char text[260];
    DWORD size = sizeof(text);
    if (!FormatSidText(info.user.User.Sid, text, &size)) return 3;
    sid = text;
    return 0;
}

CString CurrentUserSidText() {
    CString sid;
    return ReadCurrentUserSid(sid) == 0 ? sid : CString();
}

std::vector<CBinPlace> BinPlacesOf(const char* root, const CString& sid) {
    std::vector<CBinPlace> places;
    if (root) {
        AddDriveFolders(places, root, sid);
    } else {
        char drive[] = "A:\\";
        const DWORD drives = GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            drive[0] = char('A' + i);
            if ((drives & (1u << i)) && GetDriveTypeA(drive) == DRIVE_FIXED) AddDriveFolders(places, drive, sid);
        }
    }
    AddPlace(places, DesktopTrashFolder(), true);
    return places;
}

ULONGLONG CountBinEntries(const std::vector<CBinPlace>& places, ULONGLONG* bytes) {
    ULONGLONG count = 0, size = 0;
    for (const CBinPlace& place : places) {
        for (const WIN32_FIND_DATAW& entry : EntriesOf(place)) {
            ++count;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                size += (ULONGLONG(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        }
    }
    if (bytes) *bytes = size;
    return count;
}

CRecycleBinSweep::CRecycleBinSweep(const CString& sid, IBinEntryShred* prepare) : m_sid(sid), m_prepare(prepare) {}

CBinEmptied CRecycleBinSweep::Sweep(const char* root) {
    CBinEmptied result;
    const std::vector<CBinPlace> places = BinPlacesOf(root, m_sid);
    for (const CBinPlace& place : places) {
        bool walked = false;
        for (const CRealPath& done : m_walked) walked = walked || SameRealPath(done, place.folder);
        if (walked) continue;
        m_walked.push_back(place.folder);
        result.walked.push_back(place);
        const CRealPath real = RealPathOf(place.folder);
        for (const WIN32_FIND_DATAW& entry : EntriesOf(place)) {
            const CRealPath path = JoinRealPath(place.folder, entry.cFileName);
            const int next = m_prepare ? m_prepare->Prepare(path, entry) : IBinEntryShred::BIN_REMOVE;
            if (next == IBinEntryShred::BIN_STOP) {
                result.stopped = true;
                return result;
            }
            WIN32_FIND_DATAW now;
            bool gone = !FindRealEntry(path, &now);
            if (next == IBinEntryShred::BIN_KEEP && !gone) {
                result.left.Add(CodePageSpelling(path));
                continue;
            }
            if (!gone) gone = RemoveListedEntry(place.folder, real, now, result.left);
            if (gone && place.desktopTrash) RemoveTrashRecord(place.folder, entry.cFileName);
        }
        if (place.desktopTrash) RemoveOrphanRecords(place.folder);
    }
    // A place an earlier sweep walked may still hold what it kept.
    if (!result.left.IsEmpty() || CountBinEntries(places) != 0) return result;
    EmptyBinProc empty = LateProc<EmptyBinProc>("shell32.dll", "SHEmptyRecycleBinA");
    if (!empty) return result;
    if (m_prepare) m_prepare->BeforeEmpty(root);
    const HRESULT hr = empty(nullptr, root, kEmptyQuietly);
    if (SUCCEEDED(hr)) return result;
    // Some shells refuse to empty a bin that is empty already: only one that
    // still holds something failed.
    QueryBinProc query = LateProc<QueryBinProc>("shell32.dll", "SHQueryRecycleBinA");
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof(info);
    if (!query || query(root, &info) != S_OK || info.i64NumItems != 0) result.shellResult = hr;
    return result;
}
