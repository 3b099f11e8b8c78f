#include "Files.h"

#include "Handles.h"

bool ReadWholeFile(const char* path, CString& contents) {
    contents.Empty();
    CHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
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

bool WriteWholeFile(const char* path, const void* data, DWORD length, const char* tempSuffix) {
    const CString temp = CString(path) + tempSuffix;
    // A temporary left standing, or a link planted at its name, is removed
    // as itself and the temporary made new: opened as it stood, a link would
    // take the write to the file it leads to. The move then replaces the
    // target's own entry in one step, never what a link there leads to.
    DeleteFileA(temp);
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
