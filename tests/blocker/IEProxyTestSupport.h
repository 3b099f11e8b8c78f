// What the browser proxy and Blokkout tests share: a Windows version to
// hand the classes, DWORD values written and read back (99 when absent), and
// keys of the prefix put back when a test ends (InternetSetOptionA writes the
// real Internet Settings whatever key the code under test reads).
#pragma once

#include "BrowserProxyContext.h"
#include <shlwapi.h>

#include "Registry.h"
#include "TestSupport.h"

inline COSVersion TestVersion(DWORD platform, DWORD major, DWORD minor) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return COSVersion(info);
}

// A connection's settings blob: flags at 8, text length at 12, text at 16.
inline CString ConnectionBlob(DWORD flags, const CString& text, DWORD length) {
    char head[16] = {};
    memcpy(head + 8, &flags, 4);
    memcpy(head + 12, &length, 4);
    return CString(head, 16) + text + CString(char(0), 12);
}
inline CString ConnectionBlob(DWORD flags, const CString& text) {
    return ConnectionBlob(flags, text, DWORD(text.GetLength()));
}

inline DWORD ReadDWORD(const CString& subKey, const char* name) {
    CRegKey key;
    DWORD value = 99;
    if (key.Open(HKEY_CURRENT_USER, subKey) == ERROR_SUCCESS) key.QueryDWORD(name, value);
    return value;
}

inline void WriteDWORD(const CString& subKey, const char* name, DWORD value) {
    CRegKey key;
    if (key.Create(HKEY_CURRENT_USER, subKey) == ERROR_SUCCESS) key.SetDWORD(name, value);
}

// A key of the prefix copied aside and put back as it was when the test ends.
class CSavedKey {
public:
    explicit CSavedKey(const char* subKey) : m_subKey(subKey) {
        CRegKey real, copy;
        m_had = real.Open(HKEY_CURRENT_USER, subKey) == ERROR_SUCCESS &&
                copy.Create(HKEY_CURRENT_USER, m_copy.SubKey()) == ERROR_SUCCESS &&
                SHCopyKeyA(HKEY_CURRENT_USER, subKey, copy, 0) == ERROR_SUCCESS;
    }
    ~CSavedKey() {
        CRegKey::DeleteTree(HKEY_CURRENT_USER, m_subKey);
        CRegKey real;
        if (m_had && real.Create(HKEY_CURRENT_USER, m_subKey) == ERROR_SUCCESS)
            SHCopyKeyA(HKEY_CURRENT_USER, m_copy.SubKey(), real, 0);
    }
    CSavedKey(const CSavedKey&) = delete;
    CSavedKey& operator=(const CSavedKey&) = delete;

private:
    CString m_subKey;
    CTestRegistryKey m_copy;
    bool m_had = false;
};
