// RegistryKey.h - CRegistryKey and CRegistryValue, Veilrun's one way into the
// registry: a key is named by one path text that starts with a root name
// ("HKEY_CURRENT_USER\..." or "HKCU\..."), and every operation opens the key,
// works and closes it again, so no handle stays open between calls.
// Deliberately not: values over 1025 bytes (treated as absent), security.
#pragma once

#include <windows.h>

#include "Arrays.h"
#include "Strings.h"

const DWORD kRegistryDataRoom = 1030;
const int kRegistryDataLimit = 1025;

// The root key of a root name (any letter case), or null.
HKEY RegistryRootOf(const CString& rootName);

class CRegistryValue {
public:
    CString m_strKeyPath;
    DWORD m_dwType = 0;
    CString m_strName;
    DWORD m_dwSize = 0;
    BYTE m_data[kRegistryDataRoom] = {};

    BYTE* GetData() { return m_data; }
    void SetSize(DWORD size) { m_dwSize = size < kRegistryDataRoom ? size : kRegistryDataRoom; }
    bool Write() const;
    bool Delete() const;
};

class CRegistryKey {
public:
    explicit CRegistryKey(const CString& path);

    // The key's handle (the caller closes it), or null.
    HKEY OpenPath(bool create) const;
    void SetString(const char* name, const char* text) const;
    void SetDWORD(const char* name, DWORD value) const;
    bool QueryValue(const char* name, CRegistryValue& value) const;
    // Fills m_values with every value of at most 1025 bytes.
    void EnumerateValues();
    // The key with everything below it.
    void DeleteKey() const;

    CString m_strRoot;
    CString m_strSubKey;
    COwnedPtrArray<CRegistryValue> m_values;

private:
    void Set(const char* name, DWORD type, const void* data, DWORD size) const;
};
