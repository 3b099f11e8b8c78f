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

bool WriteFlushedFile(const char* path, const void* data, DWORD length) {
    bool written = false;
    {
        CHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) return false;
        written = WriteAllBytes(file, data, length) && FlushFileBuffers(file);
    }
    if (!written) DeleteFileA(path);
    return written;
}

bool WriteWholeFile(const char* path, const void* data, DWORD length, const char* tempSuffix) {
    const CString temp = CString(path) + tempSuffix;
    if (!WriteFlushedFile(temp, data, length)) return false;
    if (!MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp);
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
