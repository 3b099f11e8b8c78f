#include "FileEntries.h"

#include <winternl.h>

#include <cstddef>
#include <vector>

#include "Arrays.h"
#include "Files.h"

namespace {

const int kMaxFolderDepth = 100;
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const FILE_INFORMATION_CLASS kRenameInformation = FILE_INFORMATION_CLASS(10);

// Looked up at run time: the handle calls are missing before Windows NT, the
// final-path call and the reopen before Windows Vista.
using SetInformationFn = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, PVOID, ULONG, FILE_INFORMATION_CLASS);
using StatusToErrorFn = ULONG(NTAPI*)(LONG);
using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
using ReopenFn = HANDLE(WINAPI*)(HANDLE, DWORD, DWORD, DWORD);

struct CFileCalls {
    SetInformationFn setInformation = nullptr;
    StatusToErrorFn statusToError = nullptr;
    FinalPathFn finalPath = nullptr;
    ReopenFn reopen = nullptr;
};

template <typename Fn>
Fn Lookup(const char* module, const char* name) {
    HMODULE h = GetModuleHandleA(module);
    return h ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(h, name))) : nullptr;
}

const CFileCalls& FileCalls() {
    static const CFileCalls calls = [] {
        CFileCalls c;
        c.setInformation = Lookup<SetInformationFn>("ntdll.dll", "NtSetInformationFile");
        c.statusToError = Lookup<StatusToErrorFn>("ntdll.dll", "RtlNtStatusToDosError");
        c.finalPath = Lookup<FinalPathFn>("kernel32.dll", "GetFinalPathNameByHandleA");
        c.reopen = Lookup<ReopenFn>("kernel32.dll", "ReOpenFile");
        return c;
    }();
    return calls;
}

// The status becomes the thread's last error, so callers read failures one way.
bool SetInformation(HANDLE h, void* data, ULONG size, FILE_INFORMATION_CLASS kind) {
    if (!FileCalls().setInformation) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    IO_STATUS_BLOCK status = {};
    const LONG result = FileCalls().setInformation(h, &status, data, size, kind);
    if (result >= 0) return true;
    SetLastError(FileCalls().statusToError ? DWORD(FileCalls().statusToError(result)) : DWORD(ERROR_ACCESS_DENIED));
    return false;
}

// The layout the rename call reads: the new name follows the fixed part.
struct CRenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];
};

EntryKind KindOf(HANDLE h, bool listedAsLink, const CString& expected, DWORD& attributes) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return ENTRY_ELSEWHERE;
    attributes = info.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ENTRY_LINK;
    // Wine lists a folder link as a reparse point, yet opens its target.
    if (listedAsLink) return ENTRY_ELSEWHERE;
    // Wine shows a file link as a plain file: only where it resolves to tells.
    if (!FileCalls().finalPath) return ENTRY_PLAIN;
    const CString real = FinalPathOf(h);
    return !real.IsEmpty() && real.CompareNoCase(expected) == 0 ? ENTRY_PLAIN : ENTRY_ELSEWHERE;
}

}  // namespace

bool CanHoldEntries() { return FileCalls().setInformation != nullptr; }

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

CString RealPathOf(const CString& path, bool* opened) {
    CHandle h(path.IsEmpty() ? nullptr
                             : CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (opened) *opened = h.IsValid();
    return h.IsValid() ? FinalPathOf(h) : CString();
}

CString ResolvedPath(const CString& path) {
    if (path.IsEmpty()) return CString();
    const CString real = RealPathOf(path);
    if (!real.IsEmpty()) return real;
    char full[MAX_PATH] = "";
    return GetFullPathNameA(path, MAX_PATH, full, nullptr) ? CString(full) : CString();
}

bool FindListed(const CString& path, WIN32_FIND_DATAA* listed) {
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(path, &data));
    if (!find.IsValid()) return false;
    if (listed) *listed = data;
    return true;
}

EntryKind OpenEntryItself(const CString& path, DWORD access, DWORD share, bool listedAsLink, const CString& expected,
                          CHandle& h, DWORD& attributes) {
    h.Attach(CreateFileA(path, access | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return h.IsValid() ? KindOf(h, listedAsLink, expected, attributes) : ENTRY_UNOPENED;
}

bool IsSameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION one, two;
    return GetFileInformationByHandle(a, &one) && GetFileInformationByHandle(b, &two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh &&
           one.nFileIndexLow == two.nFileIndexLow;
}

HANDLE ReopenEntry(HANDLE entry, const CString& path, DWORD access, DWORD share, DWORD flags) {
    if (FileCalls().reopen) {
        HANDLE h = FileCalls().reopen(entry, access, share, flags);
        if (h != INVALID_HANDLE_VALUE) return h;
        // Refused for its access or share: the path would be refused the same way.
        if (GetLastError() != ERROR_INVALID_PARAMETER && GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
            return INVALID_HANDLE_VALUE;
    }
    CHandle h(CreateFileA(path, access, share, nullptr, OPEN_EXISTING, flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.IsValid()) return INVALID_HANDLE_VALUE;
    if (!IsSameFile(h, entry)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return h.Detach();
}

bool SetEntryAttributes(HANDLE h, DWORD attributes) {
    FILE_BASIC_INFORMATION basic = {};  // zero times stay as they are
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetInformation(h, &basic, sizeof basic, FileBasicInformation);
}

bool RenameEntry(HANDLE h, const CString& newPath) {
    // A full name of the object manager's: "\??\C:\..." or "\??\UNC\server\share\...".
    const CString name = newPath.Left(2) == "\\\\" ? "\\??\\UNC\\" + newPath.Mid(2) : "\\??\\" + newPath;
    const int length = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
    if (length <= 1) return false;
    const size_t fixed = offsetof(CRenameInformation, fileName);
    std::vector<CRenameInformation> room((fixed + sizeof(WCHAR) * size_t(length)) / sizeof(CRenameInformation) + 1);
    CRenameInformation* info = room.data();
    info->replaceIfExists = FALSE;
    info->rootDirectory = nullptr;
    info->fileNameLength = ULONG(sizeof(WCHAR) * size_t(length - 1));
    MultiByteToWideChar(CP_ACP, 0, name, -1, info->fileName, length);
    return SetInformation(h, info, ULONG(fixed + info->fileNameLength), kRenameInformation);
}

bool RemoveThroughHandle(HANDLE h, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetEntryAttributes(h, attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    struct {
        BOOLEAN deleteFile;
    } disposition = {TRUE};
    return SetInformation(h, &disposition, sizeof disposition, FileDispositionInformation);
}

bool RemoveFolderEntries(const CString& folder, const CString& realFolder, const char* pattern, CStringArray& left,
                         int depth) {
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
    for (const WIN32_FIND_DATAA& entry : entries) all &= RemoveListedEntry(folder, realFolder, entry, left, depth);
    return all;
}

bool RemoveListedEntry(const CString& folder, const CString& realFolder, const WIN32_FIND_DATAA& listed,
                       CStringArray& left, int depth) {
    const CString path = JoinPath(folder, listed.cFileName);
    const CString expected = realFolder.IsEmpty() ? CString() : JoinPath(realFolder, listed.cFileName);
    bool removed = false;
    if (depth > kMaxFolderDepth) {
        // Left, and named.
    } else if (CanHoldEntries()) {
        const bool listedAsLink = (listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        CHandle h;
        DWORD attributes = 0;
        // A real folder is emptied before it is opened for deletion: a handle
        // that may delete it keeps its own listing from opening.
        if ((listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !listedAsLink) {
            const EntryKind kind = OpenEntryItself(path, 0, kShareAll, false, expected, h, attributes);
            h.Close();
            if (kind == ENTRY_PLAIN && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !RemoveFolderEntries(path, expected, "*.*", left, depth + 1))
                return false;
        }
        const EntryKind kind =
            OpenEntryItself(path, DELETE | FILE_WRITE_ATTRIBUTES, kShareAll, listedAsLink, expected, h, attributes);
        removed = (kind == ENTRY_PLAIN || kind == ENTRY_LINK) && RemoveThroughHandle(h, attributes);
    } else if (!(listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // Systems without the disposition call know no links: the path is the entry.
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        if (listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!RemoveFolderEntries(path, CString(), "*.*", left, depth + 1)) return false;
            removed = RemoveDirectoryA(path) != FALSE;
        } else {
            removed = DeleteFileA(path) != FALSE;
        }
    }
    // Removed through a handle, the entry goes when that handle closes.
    if (removed && !FindListed(path)) return true;
    left.Add(path);
    return false;
}
