#include "FileEntries.h"

#include <winternl.h>

#include <cstddef>
#include <vector>

namespace {

const int kMaxFolderDepth = 100;
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const FILE_INFORMATION_CLASS kRenameInformation = FILE_INFORMATION_CLASS(10);
const DWORD kNoSuchDevice = 433;  // ERROR_NO_SUCH_DEVICE, which not every header names

// Looked up at run time: the handle calls are missing before Windows NT, the
// reopen before Windows Vista.
using SetInformationFn = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, PVOID, ULONG, FILE_INFORMATION_CLASS);
using StatusToErrorFn = ULONG(NTAPI*)(LONG);
using ReopenFn = HANDLE(WINAPI*)(HANDLE, DWORD, DWORD, DWORD);

struct CFileCalls {
    SetInformationFn setInformation = nullptr;
    StatusToErrorFn statusToError = nullptr;
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

EntryKind KindOf(HANDLE h, bool listedAsLink, const CRealPath& expected, DWORD& attributes) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) {
        // Wine tells nothing of what is neither a file nor a folder (a FIFO, a
        // device node) but its type; it lists them as plain files.
        const DWORD type = GetFileType(h);
        if (type == FILE_TYPE_PIPE) return ENTRY_PIPE;
        return type == FILE_TYPE_CHAR || type == FILE_TYPE_DISK ? ENTRY_DEVICE : ENTRY_ELSEWHERE;
    }
    attributes = info.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ENTRY_LINK;
    // Wine lists a folder link as a reparse point, yet opens its target.
    if (listedAsLink) return ENTRY_ELSEWHERE;
    // Wine shows a file link as a plain file: only where it resolves to tells.
    const CRealPath real = FinalRealPathOf(h);
    if (real.empty() && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) return ENTRY_PLAIN;
    return !real.empty() && SameRealPath(real, expected) ? ENTRY_PLAIN : ENTRY_ELSEWHERE;
}

}  // namespace

bool CanHoldEntries() { return FileCalls().setInformation != nullptr; }

CString FinalPathOf(HANDLE h) { return ShownPath(FinalRealPathOf(h)); }

CRealPath RealPathOf(const CRealPath& path, bool* opened) {
    CHandle h(path.empty() ? nullptr : OpenRealFile(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    if (opened) *opened = h.IsValid();
    return h.IsValid() ? FinalRealPathOf(h) : CRealPath();
}

CString RealPathOf(const CString& path, bool* opened) { return ShownPath(RealPathOf(RealPathFrom(path), opened)); }

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

EntryKind OpenEntryItself(const CRealPath& path, DWORD access, DWORD share, bool listedAsLink,
                          const CRealPath& expected, CHandle& h, DWORD& attributes) {
    h.Attach(OpenRealFile(path, access | FILE_READ_ATTRIBUTES, share, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    if (h.IsValid()) return KindOf(h, listedAsLink, expected, attributes);
    // Wine opens no socket, nor a device node without its driver, and lists both as files.
    return GetLastError() == kNoSuchDevice ? ENTRY_DEVICE : ENTRY_UNOPENED;
}

EntryKind OpenEntryItself(const CString& path, DWORD access, DWORD share, bool listedAsLink, const CString& expected,
                          CHandle& h, DWORD& attributes) {
    return OpenEntryItself(RealPathFrom(path), access, share, listedAsLink, RealPathFrom(expected), h, attributes);
}

bool IsSameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION one, two;
    return GetFileInformationByHandle(a, &one) && GetFileInformationByHandle(b, &two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh &&
           one.nFileIndexLow == two.nFileIndexLow;
}

HANDLE ReopenEntry(HANDLE entry, const CRealPath& path, DWORD access, DWORD share, DWORD flags) {
    if (FileCalls().reopen) {
        HANDLE h = FileCalls().reopen(entry, access, share, flags);
        if (h != INVALID_HANDLE_VALUE) return h;
        // Refused for its access or share: the path would be refused the same way.
        if (GetLastError() != ERROR_INVALID_PARAMETER && GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
            return INVALID_HANDLE_VALUE;
    }
    CHandle h(OpenRealFile(path, access, share, OPEN_EXISTING, flags | FILE_FLAG_OPEN_REPARSE_POINT));
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

bool RenameEntry(HANDLE h, const CRealPath& newPath) {
    if (newPath.empty()) return false;
    // A full name of the object manager's: "\??\C:\..." or "\??\UNC\server\share\...".
    const CRealPath name =
        newPath.compare(0, 2, L"\\\\") == 0 ? L"\\??\\UNC\\" + newPath.substr(2) : L"\\??\\" + newPath;
    const size_t fixed = offsetof(CRenameInformation, fileName);
    std::vector<CRenameInformation> room((fixed + sizeof(WCHAR) * (name.size() + 1)) / sizeof(CRenameInformation) + 1);
    CRenameInformation* info = room.data();
    info->replaceIfExists = FALSE;
    info->rootDirectory = nullptr;
    info->fileNameLength = ULONG(sizeof(WCHAR) * name.size());
    CopyMemory(info->fileName, name.c_str(), sizeof(WCHAR) * (name.size() + 1));
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

bool RemoveFolderEntries(const CRealPath& folder, const CRealPath& realFolder, const wchar_t* pattern,
                         CStringArray& left, int depth) {
    std::vector<WIN32_FIND_DATAW> entries;
    ListRealFolder(folder, entries, pattern);
    bool all = true;
    for (const WIN32_FIND_DATAW& entry : entries) all &= RemoveListedEntry(folder, realFolder, entry, left, depth);
    return all;
}

bool RemoveListedEntry(const CRealPath& folder, const CRealPath& realFolder, const WIN32_FIND_DATAW& listed,
                       CStringArray& left, int depth) {
    const CRealPath path = JoinRealPath(folder, listed.cFileName);
    const CRealPath expected = realFolder.empty() ? CRealPath() : JoinRealPath(realFolder, listed.cFileName);
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
                !RemoveFolderEntries(path, expected, L"*", left, depth + 1))
                return false;
        }
        const EntryKind kind =
            OpenEntryItself(path, DELETE | FILE_WRITE_ATTRIBUTES, kShareAll, listedAsLink, expected, h, attributes);
        removed = (kind == ENTRY_PLAIN || kind == ENTRY_LINK) && RemoveThroughHandle(h, attributes);
    } else if (!(listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // Systems without the disposition call know no links, nor wide names: the path is the entry.
        const CString shown = ShownPath(path);
        SetFileAttributesA(shown, FILE_ATTRIBUTE_NORMAL);
        if (listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!RemoveFolderEntries(path, CRealPath(), L"*", left, depth + 1)) return false;
            removed = RemoveDirectoryA(shown) != FALSE;
        } else {
            removed = DeleteFileA(shown) != FALSE;
        }
    }
    // Removed through a handle, the entry goes when that handle closes.
    if (removed && !FindRealEntry(path)) return true;
    left.Add(CodePageSpelling(path));
    return false;
}
