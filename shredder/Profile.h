// Profile.h - CShredderProfile, Grindel's per-user settings under
// HKEY_CURRENT_USER\<product key>\Shredder (Method, Language, AppPath, the
// alert flags, Folder, Remove).
// Reads open the key for reading only, so a limited user keeps every setting
// it may read; writes create the key when it is missing.
// Deliberately not: caching; each read goes to the registry.
#pragma once

#include <windows.h>

#include "Strings.h"

class CShredderProfile {
public:
    explicit CShredderProfile(const char* productKey);

    CString ProfileKey() const { return m_productKey + "\\" + "Shredder"; }
    const CString& ProductKey() const { return m_productKey; }

    DWORD GetInt(const char* name, DWORD defaultValue) const;
    CString GetString(const char* name, const char* defaultValue) const;
    bool WriteInt(const char* name, DWORD value) const;
    bool WriteString(const char* name, const char* value) const;

private:
    CString m_productKey;
};
