#include "RealFileNames.h"

#include <cstring>

#include "Files.h"
#include "Handles.h"

namespace {
std::wstring Widened(UINT codePage, DWORD flags, const char* text, int length) {
    if (length == 0) return std::wstring();
    const int count = MultiByteToWideChar(codePage, flags, text, length, nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring wide(size_t(count), L'\0');
    MultiByteToWideChar(codePage, flags, text, length, &wide[0], count);
    return wide;
}

CString Narrowed(UINT codePage, DWORD flags, const std::wstring& wide, const char* unknown, BOOL* usedUnknown) {
    if (wide.empty()) return CString();
    const int length = int(wide.size());
    const int count = WideCharToMultiByte(codePage, flags, wide.c_str(), length, nullptr, 0, unknown, usedUnknown);
    if (count <= 0) return CString();
    CString text;
    char* buffer = text.GetBuffer(count);
    WideCharToMultiByte(codePage, flags, wide.c_str(), length, buffer, count, unknown, usedUnknown);
    text.ReleaseBuffer(count);
    return text;
}
}  // namespace

std::wstring WideOf(const char* text) { return text ? Widened(CP_ACP, 0, text, int(strlen(text))) : std::wstring(); }

bool SpellInCodePage(const std::wstring& wide, CString& spelling) {
    BOOL usedUnknown = FALSE;
    spelling = Narrowed(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, "?", &usedUnknown);
    // A code page that refuses the flag (a multi-byte one) is asked plainly;
    // the way back tells whether the spelling is exact.
    if (spelling.IsEmpty() && !wide.empty()) spelling = Narrowed(CP_ACP, 0, wide, nullptr, nullptr);
    return !usedUnknown && WideOf(spelling) == wide;
}

CString SpellingOf(const std::wstring& wide) {
    CString spelling;
    SpellInCodePage(wide, spelling);
    return spelling;
}

CString Utf8Of(const std::wstring& wide) { return Narrowed(CP_UTF8, 0, wide, nullptr, nullptr); }

std::wstring WideOfUtf8(const CString& text) {
    return Widened(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), text.GetLength());
}

std::wstring JoinRealPath(const CString& folder, const std::wstring& name) {
    return WideOf(AddBackslash(folder)) + name;
}

std::vector<CRealFolderEntry> ListRealFolder(const CString& folder) {
    std::vector<CRealFolderEntry> entries;
    WIN32_FIND_DATAW found;
    CFindHandle find(FindFirstFileW(JoinRealPath(folder, L"*").c_str(), &found));
    if (!find.IsValid()) return entries;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") entries.push_back({name, found.dwFileAttributes});
    } while (FindNextFileW(find, &found));
    return entries;
}

bool RealFileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RealMoveFile(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RealDeleteFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool RealReadWholeFile(const std::wstring& path, CString& contents) {
    contents.Empty();
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && ReadOpenFile(file, contents);
}
