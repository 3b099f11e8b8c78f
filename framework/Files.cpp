#include "Files.h"

#include "FileEntries.h"
#include "Handles.h"

bool ReadWholeFile(const char* path, CString& contents) {
    contents.Empty();
    CHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && ReadOpenFile(file, contents);
}

bool ReadOpenFile(HANDLE file, CString& contents) {
    contents.Empty();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFFF) return false;
    const DWORD total = DWORD(size.QuadPart);
    if (total == 0) return true;
    char* buffer = contents.GetBuffer(int(total));
    DWORD done = 0;
    while (done < total) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, total - done, &got, nullptr)) {
            contents.Empty();
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    contents.ReleaseBuffer(int(done));
    return true;
}

bool WriteAllBytes(HANDLE file, const void* data, DWORD length) {
    const char* p = static_cast<const char*>(data);
    DWORD done = 0;
    while (done < length) {
        DWORD wrote = 0;
        if (!WriteFile(file, p + done, length - done, &wrote, nullptr) || wrote == 0) return false;
        done += wrote;
    }
    return true;
}

namespace {
bool WriteFlushed(const char* path, const void* data, DWORD length, DWORD creation) {
    bool written = false;
    {
        CHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) return false;
        written = WriteAllBytes(file, data, length) && FlushFileBuffers(file);
    }
    if (!written) {
        const DWORD error = GetLastError();
        DeleteFileA(path);
        SetLastError(error);
    }
    return written;
}
}  // namespace

bool WriteFlushedFile(const char* path, const void* data, DWORD length) {
    return WriteFlushed(path, data, length, CREATE_ALWAYS);
}

namespace {
// A temporary that a write never finished left at the name is removed as
// itself, and so is a link the system holds as the link. Anything else there
// stays, and the write is refused: a folder, or a link the system follows
// whatever it is asked (Wine deletes and opens a Unix link's target).
bool RemoveStaleTemporary(const CString& temp) {
    WIN32_FIND_DATAA listed;
    if (!FindListed(temp, &listed)) return true;
    const bool listedAsLink = (listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!CanHoldEntries()) {
        // Systems without the handle calls know no links: the path is the entry.
        return !(listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !listedAsLink && DeleteFileA(temp);
    }
    const CString realFolder = RealPathOf(FolderOf(temp));
    const CString expected = realFolder.IsEmpty() ? CString() : JoinPath(realFolder, listed.cFileName);
    CHandle h;
    DWORD attributes = 0;
    const EntryKind kind = OpenEntryItself(temp, DELETE | FILE_WRITE_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, listedAsLink,
                                           expected, h, attributes);
    const bool removable = kind == ENTRY_LINK || (kind == ENTRY_PLAIN && !(attributes & FILE_ATTRIBUTE_DIRECTORY));
    if (!removable) {
        if (kind != ENTRY_UNOPENED) SetLastError(ERROR_FILE_EXISTS);
        return false;
    }
    if (!RemoveThroughHandle(h, attributes)) return false;
    // Removed through a handle, the entry goes when that handle closes.
    h.Close();
    return true;
}
}  // namespace

bool WriteWholeFile(const char* path, const void* data, DWORD length, const char* tempSuffix) {
    const CString temp = CString(path) + tempSuffix;
    // The temporary is made new: opened as it stood, a link at its name would
    // take the write to the file it leads to. The move then replaces the
    // target's own entry in one step, never what a link there leads to.
    if (!RemoveStaleTemporary(temp)) return false;
    if (!WriteFlushed(temp, data, length, CREATE_NEW)) return false;
    if (!MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileA(temp);
        SetLastError(error);
        return false;
    }
    return true;
}

bool FileExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString GetModuleFilePath(HMODULE module) {
    CString path;
    DWORD size = MAX_PATH;
    for (;;) {
        char* buffer = path.GetBuffer(int(size));
        DWORD got = GetModuleFileNameA(module, buffer, size);
        if (got == 0) {
            path.ReleaseBuffer(0);
            return path;
        }
        if (got < size) {
            path.ReleaseBuffer(int(got));
            return path;
        }
        size *= 2;  // truncated: try again with room to spare
    }
}

CString GetModuleFolder(HMODULE module) { return FolderOf(GetModuleFilePath(module)); }

CString AddBackslash(const CString& folder) {
    if (folder.IsEmpty()) return folder;
    char last = folder[folder.GetLength() - 1];
    if (last == '\\' || last == '/') return folder;
    return folder + "\\";
}

CString JoinPath(const CString& folder, const char* name) {
    CString tail(name);
    if (folder.IsEmpty()) return tail;
    tail.TrimLeft("\\/");
    return AddBackslash(folder) + tail;
}

namespace {
int LastSeparator(const CString& path) {
    int back = path.ReverseFind('\\');
    int slash = path.ReverseFind('/');
    return back > slash ? back : slash;
}
}  // namespace

CString FileNameOf(const CString& path) { return path.Mid(LastSeparator(path) + 1); }

CString FolderOf(const CString& path) {
    int sep = LastSeparator(path);
    return sep < 0 ? CString() : path.Left(sep);
}
