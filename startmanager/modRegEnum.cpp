#include "modRegEnum.h"

#include <shlobj.h>

#include "Files.h"

const char* const kRunKeyBase = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kWinIniSection = "Windows";

CStartupLocations CStartupLocations::OfThisSystem() {
    CStartupLocations where;
    where.runKeyBase = kRunKeyBase;
    where.winIni = JoinPath(GetWindowsFolder(), "win.ini");
    where.userStartup = GetShellFolder(CSIDL_STARTUP);
    where.commonStartup = GetShellFolder(CSIDL_COMMON_STARTUP);
    where.saveProf = JoinPath(GetWindowsFolder(), "SaveProf.pro");
    where.privateKey = "Software\\Quorvane\\Bootlist\\Disabled";
    const char* const kPrivateFolder = "Quorvane Bootlist\\Disabled StartUp";
    const CString userData = GetShellFolder(CSIDL_APPDATA);
    const CString commonData = GetShellFolder(CSIDL_COMMON_APPDATA);
    if (!userData.IsEmpty()) where.userPrivateFolder = JoinPath(userData, kPrivateFolder);
    if (!commonData.IsEmpty()) where.commonPrivateFolder = JoinPath(commonData, kPrivateFolder);
    return where;
}

CRegKey OpenRunKey(HKEY root, const char* base, const char* subkey) {
    CRegKey key;
    key.Open(root, JoinPath(base, subkey), KEY_QUERY_VALUE);
    return key;
}

CString ReadIniText(const char* section, const char* key, const char* file) {
    CString text;
    // The profile call cuts a long line to the buffer and says so only by
    // filling it; grow until the line fits with room to spare.
    for (DWORD size = 256; size <= 16 * 1024 * 1024; size *= 2) {
        char* buffer = text.GetBuffer(int(size));
        DWORD length = GetPrivateProfileStringA(section, key, "", buffer, size, file);
        text.ReleaseBuffer(int(length));
        if (length < size - 1) return text;
    }
    return text;
}

CString GetWindowsFolder() {
    char buffer[MAX_PATH + 1] = "";
    UINT length = GetWindowsDirectoryA(buffer, sizeof(buffer));
    if (length == 0 || length > MAX_PATH) return CString();
    CString folder(buffer, int(length));
    return folder.TrimRight("\\");
}

CString GetShellFolder(int csidl) {
    char buffer[MAX_PATH + 1] = "";
    HRESULT hr = SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer);
    if (hr != S_OK) return CString();
    return CString(buffer);
}
