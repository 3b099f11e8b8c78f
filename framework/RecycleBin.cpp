#include "RecycleBin.h"

#include <shellapi.h>

#include <cstdlib>

#include "FileEntries.h"
#include "Files.h"
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

// The trash keeps a record of each trashed entry, "info\<name>.trashinfo"
// beside its "files" folder; a record without its entry would stay in the bin.
void RemoveTrashRecord(const CString& files, const char* name) {
    const CString info = JoinPath(FolderOf(files), "info");
    WIN32_FIND_DATAA listed;
    CStringArray ignored;
    if (FindListed(JoinPath(info, CString(name) + ".trashinfo"), &listed))
        RemoveListedEntry(info, RealPathOf(info), listed, ignored);
}

}  // namespace

CString DesktopTrashFolder() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    DosFileNameProc toDos = kernel ? reinterpret_cast<DosFileNameProc>(
                                         reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")))
                                   : nullptr;
    if (!toDos) return CString();
    CString unixPath;
    const char* data = getenv("XDG_DATA_HOME");
    const char* home = getenv("HOME");
    if (data && *data)
        unixPath = CString(data) + "/Trash/files";
    else if (home && *home)
        unixPath = CString(home) + "/.local/share/Trash/files";
    else
        return CString();
    LPWSTR wide = toDos(unixPath);
    if (!wide) return CString();
    char path[MAX_PATH * 2] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, path, sizeof(path) - 1, nullptr, nullptr);
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

CStringArray BinFoldersOf(const char* root, const CString& sid) {
    CStringArray folders;
    const CString base(root);
    CStringArray candidates;
    if (!sid.IsEmpty()) {
        candidates.Add(base + "$Recycle.Bin\\" + sid);
        candidates.Add(base + "Recycler\\" + sid);
    }
    candidates.Add(base + "RECYCLED");
    for (const CString& folder : candidates)
        if (FolderExists(folder)) folders.Add(folder);
    return folders;
}

bool IsBinIndexName(const char* name) { return lstrcmpiA(name, "INFO2") == 0 || lstrcmpiA(name, "desktop.ini") == 0; }

CBinEmptied EmptyRecycleBin(const char* root, const CStringArray& folders) {
    CBinEmptied result;
    const CString trash = DesktopTrashFolder();
    for (const CString& folder : folders) {
        // In the desktop trash every entry is something trashed, whatever its name.
        const bool isTrash = !trash.IsEmpty() && folder.CompareNoCase(trash) == 0;
        const CString real = RealPathOf(folder);
        CStringArray names;
        {
            WIN32_FIND_DATAA found;
            CFindHandle find(FindFirstFileA(JoinPath(folder, "*.*"), &found));
            if (!find.IsValid()) continue;
            do {
                if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0 &&
                    (isTrash || !IsBinIndexName(found.cFileName)))
                    names.Add(found.cFileName);
            } while (FindNextFileA(find, &found));
        }
        for (const CString& name : names) {
            WIN32_FIND_DATAA listed;
            if (!FindListed(JoinPath(folder, name), &listed)) continue;
            if (RemoveListedEntry(folder, real, listed, result.left) && isTrash) RemoveTrashRecord(folder, name);
        }
    }
    if (!result.left.IsEmpty()) return result;
    EmptyBinProc empty = LateProc<EmptyBinProc>("shell32.dll", "SHEmptyRecycleBinA");
    if (!empty) return result;
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
