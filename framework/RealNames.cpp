#include "RealNames.h"

#include <cstring>
#include <cwchar>

#include "Files.h"
#include "Handles.h"

namespace {

// Looked up at run time: missing before Windows Vista.
using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFn FinalPathCall() {
    static const FinalPathFn call = [] {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        return kernel ? reinterpret_cast<FinalPathFn>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleW")))
                      : nullptr;
    }();
    return call;
}

CRealPath Widened(UINT codePage, DWORD flags, const char* text, int length) {
    if (length <= 0) return CRealPath();
    const int count = MultiByteToWideChar(codePage, flags, text, length, nullptr, 0);
    if (count <= 0) return CRealPath();
    CRealPath wide(size_t(count), L'\0');
    MultiByteToWideChar(codePage, flags, text, length, &wide[0], count);
    return wide;
}

CString Narrowed(UINT codePage, DWORD flags, const CRealPath& wide, const char* unknown, BOOL* usedUnknown) {
    if (wide.empty()) return CString();
    const int length = int(wide.size());
    const int count = WideCharToMultiByte(codePage, flags, wide.c_str(), length, nullptr, 0, unknown, usedUnknown);
    if (count <= 0) return CString();
    CString text;
    WideCharToMultiByte(codePage, flags, wide.c_str(), length, text.GetBuffer(count), count, unknown, usedUnknown);
    text.ReleaseBuffer(count);
    return text;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

int LastSeparator(const CRealPath& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return int(i - 1);
    return -1;
}

// The ANSI listing, for systems whose wide calls do nothing.
WIN32_FIND_DATAW WideFindData(const WIN32_FIND_DATAA& a) {
    WIN32_FIND_DATAW w = {};
    w.dwFileAttributes = a.dwFileAttributes;
    w.ftCreationTime = a.ftCreationTime;
    w.ftLastAccessTime = a.ftLastAccessTime;
    w.ftLastWriteTime = a.ftLastWriteTime;
    w.nFileSizeHigh = a.nFileSizeHigh;
    w.nFileSizeLow = a.nFileSizeLow;
    w.dwReserved0 = a.dwReserved0;
    MultiByteToWideChar(CP_ACP, 0, a.cFileName, -1, w.cFileName, MAX_PATH);
    MultiByteToWideChar(CP_ACP, 0, a.cAlternateFileName, -1, w.cAlternateFileName, 14);
    return w;
}

HANDLE FindFirst(const CRealPath& pattern, WIN32_FIND_DATAW* found) {
    if (HasWideFileCalls()) return FindFirstFileW(pattern.c_str(), found);
    WIN32_FIND_DATAA a;
    HANDLE h = FindFirstFileA(ShownPath(pattern), &a);
    if (h != INVALID_HANDLE_VALUE) *found = WideFindData(a);
    return h;
}

bool FindNext(HANDLE h, WIN32_FIND_DATAW* found) {
    if (HasWideFileCalls()) return FindNextFileW(h, found) != FALSE;
    WIN32_FIND_DATAA a;
    if (!FindNextFileA(h, &a)) return false;
    *found = WideFindData(a);
    return true;
}

}  // namespace

CRealPath RealPathFrom(const char* ansi) { return ansi ? Widened(CP_ACP, 0, ansi, int(strlen(ansi))) : CRealPath(); }

CString ShownPath(const CRealPath& path) { return Narrowed(CP_ACP, 0, path, nullptr, nullptr); }

bool SpellInCodePage(const CRealPath& name, CString& spelling) {
    BOOL usedUnknown = FALSE;
    spelling = Narrowed(CP_ACP, WC_NO_BEST_FIT_CHARS, name, "?", &usedUnknown);
    // A code page that refuses the flag (a multi-byte one) is asked plainly;
    // the way back tells whether the spelling is exact.
    if (spelling.IsEmpty() && !name.empty()) spelling = Narrowed(CP_ACP, 0, name, nullptr, nullptr);
    return !usedUnknown && RealPathFrom(spelling) == name;
}

CString CodePageSpelling(const CRealPath& name) {
    CString spelling;
    SpellInCodePage(name, spelling);
    return spelling;
}

CString Utf8Of(const CRealPath& name) { return Narrowed(CP_UTF8, 0, name, nullptr, nullptr); }

CRealPath RealPathFromUtf8(const CString& text) {
    return Widened(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), text.GetLength());
}

CRealPath JoinRealPath(const CRealPath& folder, const CRealPath& name) {
    if (folder.empty()) return name;
    if (IsSeparator(folder[folder.size() - 1])) return folder + name;
    return folder + L"\\" + name;
}

CRealPath JoinRealPath(const char* folder, const CRealPath& name) { return JoinRealPath(RealPathFrom(folder), name); }

CRealPath RealFolderOf(const CRealPath& path) {
    const int at = LastSeparator(path);
    return at < 0 ? CRealPath() : path.substr(0, size_t(at));
}

CRealPath RealNameOf(const CRealPath& path) { return path.substr(size_t(LastSeparator(path) + 1)); }

bool SameRealPath(const CRealPath& a, const CRealPath& b) {
    if (HasWideFileCalls()) return lstrcmpiW(a.c_str(), b.c_str()) == 0;
    return ShownPath(a).CompareNoCase(ShownPath(b)) == 0;
}

CRealPath FullRealPath(const CRealPath& path) {
    CRealPath full = path;
    if (!HasWideFileCalls()) {
        char buffer[MAX_PATH * 2];
        const DWORD n = GetFullPathNameA(ShownPath(path), sizeof buffer, buffer, nullptr);
        if (n > 0 && n < sizeof buffer) full = RealPathFrom(buffer);
    } else if (!path.empty()) {
        std::vector<wchar_t> buffer(MAX_PATH * 4);
        const DWORD n = GetFullPathNameW(path.c_str(), DWORD(buffer.size()), buffer.data(), nullptr);
        if (n > 0 && n < buffer.size()) full.assign(buffer.data(), n);
    }
    while (full.size() > 3 && IsSeparator(full[full.size() - 1])) full.erase(full.size() - 1);
    return full;
}

bool HasWideFileCalls() { return (GetVersion() & 0x80000000u) == 0; }

bool FindRealEntry(const CRealPath& path, WIN32_FIND_DATAW* listed) {
    if (path.empty()) return false;
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirst(path, &data));
    if (!find.IsValid()) return false;
    if (listed) *listed = data;
    return true;
}

bool ListRealFolder(const CRealPath& folder, std::vector<WIN32_FIND_DATAW>& entries, const wchar_t* pattern) {
    entries.clear();
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirst(JoinRealPath(folder, pattern), &data));
    if (!find.IsValid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (lstrcmpW(data.cFileName, L".") != 0 && lstrcmpW(data.cFileName, L"..") != 0) entries.push_back(data);
    } while (FindNext(find, &data));
    return true;
}

DWORD RealAttributesOf(const CRealPath& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    if (HasWideFileCalls()) return GetFileAttributesW(path.c_str());
    return GetFileAttributesA(ShownPath(path));
}

bool RealFileExists(const CRealPath& path) {
    const DWORD attributes = RealAttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HANDLE OpenRealFile(const CRealPath& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (HasWideFileCalls()) return CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    return CreateFileA(ShownPath(path), access, share, nullptr, disposition, flags, nullptr);
}

bool ReadWholeRealFile(const CRealPath& path, CString& contents) {
    contents.Empty();
    CHandle file(OpenRealFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    return file.IsValid() && ReadOpenFile(file, contents);
}

bool MoveRealFile(const CRealPath& from, const CRealPath& to) {
    if (HasWideFileCalls())
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != FALSE;
    // Windows 9x has no MoveFileEx; its MoveFile moves a file to another drive as well.
    return MoveFileA(ShownPath(from), ShownPath(to)) != FALSE;
}

bool DeleteRealFile(const CRealPath& path) {
    if (HasWideFileCalls()) return DeleteFileW(path.c_str()) != FALSE;
    return DeleteFileA(ShownPath(path)) != FALSE;
}

CRealPath FinalRealPathOf(HANDLE h) {
    if (!FinalPathCall()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return CRealPath();
    }
    std::vector<wchar_t> buffer(MAX_PATH * 4);
    const DWORD n = FinalPathCall()(h, buffer.data(), DWORD(buffer.size()), 0);
    if (n >= buffer.size()) SetLastError(ERROR_INSUFFICIENT_BUFFER);
    if (n == 0 || n >= buffer.size()) return CRealPath();
    const CRealPath path(buffer.data(), n);
    if (path.size() >= 8 && _wcsnicmp(path.c_str(), L"\\\\?\\UNC\\", 8) == 0) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
    return path;
}
