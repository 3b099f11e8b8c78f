#include "WipeEntries.h"

#include <windows.h>
#include <winternl.h>

#include "Arrays.h"
#include "Files.h"
#include "Handles.h"
#include "VeilrunGlobals.h"

namespace {

const int kMaxFolderDepth = 100;

// Looked up at run time: the disposition call is missing before Windows NT,
// the final-path call before Windows Vista.
using SetInformationFn = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, PVOID, ULONG, FILE_INFORMATION_CLASS);
using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

struct CFileCalls {
    SetInformationFn setInformation = nullptr;
    FinalPathFn finalPath = nullptr;
};

const CFileCalls& FileCalls() {
    static const CFileCalls calls = [] {
        CFileCalls c;
        if (HMODULE ntdll = GetModuleHandleA("ntdll.dll"))
            c.setInformation = reinterpret_cast<SetInformationFn>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")));
        if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
            c.finalPath = reinterpret_cast<FinalPathFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleA")));
        return c;
    }();
    return calls;
}

// Empty when the system cannot tell.
CString FinalPathOf(HANDLE h) {
    if (!FileCalls().finalPath) return CString();
    char buffer[MAX_PATH * 4];
    const DWORD n = FileCalls().finalPath(h, buffer, sizeof buffer, 0);
    if (n == 0 || n >= sizeof buffer) return CString();
    CString path = buffer;
    if (path.Left(8).CompareNoCase("\\\\?\\UNC\\") == 0) return "\\\\" + path.Mid(8);
    if (path.Left(4) == "\\\\?\\") return path.Mid(4);
    return path;
}

HANDLE OpenFollowing(const CString& path) {
    return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// What an entry opened as itself turned out to be.
enum EntryKind {
    kPlainEntry,  // a file or folder that is the listed entry itself
    kLinkItself,  // a link or junction, held as the link
    kElsewhere,   // the system followed a link it was asked to hold, or the
                  // entry resolves outside its folder: never touched
};

EntryKind KindOf(HANDLE h, bool listedAsLink, const CString& expected, DWORD& attributes) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return kElsewhere;
    attributes = info.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return kLinkItself;
    // Wine lists a folder link as a reparse point, yet opens its target.
    if (listedAsLink) return kElsewhere;
    // Wine shows a file link as a plain file: only where it resolves to tells.
    if (!FileCalls().finalPath) return kPlainEntry;
    const CString real = FinalPathOf(h);
    return !real.IsEmpty() && real.CompareNoCase(expected) == 0 ? kPlainEntry : kElsewhere;
}

// Opens the entry itself, a link as the link, and tells what it is.
EntryKind OpenItself(const CString& path, DWORD access, bool listedAsLink, const CString& expected, CHandle& h,
                     DWORD& attributes) {
    h.Attach(CreateFileA(path, access | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return h.IsValid() ? KindOf(h, listedAsLink, expected, attributes) : kElsewhere;
}

bool SetInformation(HANDLE h, void* data, ULONG size, FILE_INFORMATION_CLASS kind) {
    IO_STATUS_BLOCK status = {};
    return FileCalls().setInformation(h, &status, data, size, kind) >= 0;
}

// Through the handle that was checked: a path looked up again could lead elsewhere.
bool RemoveThroughHandle(HANDLE h, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFORMATION basic = {};  // zero times stay as they are
        const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
        basic.FileAttributes = kept ? kept : FILE_ATTRIBUTE_NORMAL;
        SetInformation(h, &basic, sizeof basic, FileBasicInformation);
    }
    struct {
        BOOLEAN deleteFile;
    } disposition = {TRUE};
    return SetInformation(h, &disposition, sizeof disposition, FileDispositionInformation);
}

// The entry itself, as its folder lists it (on Windows a dangling link too).
bool IsListed(const CString& path, WIN32_FIND_DATAA* listed = nullptr) {
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(path, &data));
    if (!find.IsValid()) return false;
    if (listed) *listed = data;
    return true;
}

bool RemoveListed(const CString& folder, const CString& realFolder, const WIN32_FIND_DATAA& listed, int depth,
                  CStringArray& notWiped);

// Empties a real folder; realFolder is where it resolves to (empty where the
// system cannot tell). False when something stayed (already named).
bool EmptyFolder(const CString& folder, const CString& realFolder, const char* pattern, int depth,
                 CStringArray& notWiped) {
    CArray<WIN32_FIND_DATAA> entries;
    {
        WIN32_FIND_DATAA data;
        CFindHandle find(FindFirstFileA(JoinPath(folder, pattern), &data));
        if (find.IsValid()) {
            do {
                if (lstrcmpA(data.cFileName, ".") != 0 && lstrcmpA(data.cFileName, "..") != 0) entries.Add(data);
            } while (FindNextFileA(find, &data));
        }
    }
    bool all = true;
    for (const WIN32_FIND_DATAA& entry : entries) all &= RemoveListed(folder, realFolder, entry, depth, notWiped);
    return all;
}

bool RemoveListed(const CString& folder, const CString& realFolder, const WIN32_FIND_DATAA& listed, int depth,
                  CStringArray& notWiped) {
    const CString path = JoinPath(folder, listed.cFileName);
    const CString expected = realFolder.IsEmpty() ? CString() : JoinPath(realFolder, listed.cFileName);
    bool removed = false;
    if (depth > kMaxFolderDepth) {
        // Left, and named.
    } else if (FileCalls().setInformation) {
        const bool listedAsLink = (listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        CHandle h;
        DWORD attributes = 0;
        // A real folder is emptied before it is opened for deletion: a handle
        // that may delete it keeps its own listing from opening.
        if ((listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !listedAsLink) {
            const EntryKind kind = OpenItself(path, 0, false, expected, h, attributes);
            h.Close();
            if (kind == kPlainEntry && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !EmptyFolder(path, expected, "*.*", depth + 1, notWiped))
                return false;
        }
        const EntryKind kind = OpenItself(path, DELETE | FILE_WRITE_ATTRIBUTES, listedAsLink, expected, h, attributes);
        removed = kind != kElsewhere && RemoveThroughHandle(h, attributes);
    } else if (!(listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // Systems without the disposition call know no links: the path is the entry.
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        if (listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!EmptyFolder(path, CString(), "*.*", depth + 1, notWiped)) return false;
            removed = RemoveDirectoryA(path) != FALSE;
        } else {
            removed = DeleteFileA(path) != FALSE;
        }
    }
    // Removed through a handle, the entry goes when that handle closes.
    if (removed && !IsListed(path)) return true;
    notWiped.Add(path);
    return false;
}

// A full path below its root: "X:\..." or "\\server\share\...".
bool IsBelowARoot(const CString& path) {
    int root = -1;
    if (path.GetLength() >= 2 && path[1] == ':') {
        root = 2;
    } else if (path.Left(2) == "\\\\") {
        const int share = path.Find('\\', 2);
        root = share < 0 ? -1 : path.Find('\\', share + 1);
    }
    return root >= 0 && path.GetLength() > root + 1 && path[root] == '\\';
}

}  // namespace

CString ResolvedPath(const CString& path) {
    if (path.IsEmpty()) return CString();
    CHandle h(OpenFollowing(path));
    CString real = h.IsValid() ? FinalPathOf(h) : CString();
    if (!real.IsEmpty()) return real;
    char full[MAX_PATH] = "";
    return GetFullPathNameA(path, MAX_PATH, full, nullptr) ? CString(full) : CString();
}

// A folder to wipe lies strictly inside a profile folder that is itself a
// full path below a drive root: an empty or drive-root profile (a failed
// shell look-up, a profile at "C:") would otherwise wipe "\Cookies" and the
// like at the root of the drive. Both are compared where they really are, so
// a folder that is a link to somewhere else is no folder of the profile.
bool IsWipeableFolder(const CString& folder, const CString& profile) {
    if (profile.IsEmpty() || folder.IsEmpty()) return false;
    CString base = ResolvedPath(profile), target = ResolvedPath(folder);
    base.TrimRight("\\/");
    target.TrimRight("\\/");
    if (!IsBelowARoot(base)) return false;
    return target.GetLength() > base.GetLength() + 1 && target.Left(base.GetLength()).CompareNoCase(base) == 0 &&
           target[base.GetLength()] == '\\';
}

bool RemoveEntry(const CString& path, CStringArray& notWiped) {
    WIN32_FIND_DATAA listed;
    if (!IsListed(path, &listed)) return true;
    const CString folder = FolderOf(path);
    CHandle h(OpenFollowing(folder));
    return RemoveListed(folder, h.IsValid() ? FinalPathOf(h) : CString(), listed, 0, notWiped);
}

void DeleteFolderContents(const CString& folder, const char* pattern, CStringArray& notWiped) {
    if (!IsWipeableFolder(folder, UserProfileFolder())) {
        notWiped.Add(folder);
        return;
    }
    CHandle h(OpenFollowing(folder));
    if (!h.IsValid()) return;
    EmptyFolder(folder, FinalPathOf(h), pattern, 0, notWiped);
}
