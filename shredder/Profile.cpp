#include "Profile.h"

#include "Registry.h"

CShredderProfile::CShredderProfile(const char* productKey) : m_productKey(productKey) {}

DWORD CShredderProfile::GetInt(const char* name, DWORD defaultValue) const {
    CRegKey key;
    DWORD value = defaultValue;
    if (key.Open(HKEY_CURRENT_USER, ProfileKey()) != ERROR_SUCCESS || key.QueryDWORD(name, value) != ERROR_SUCCESS)
        return defaultValue;
    return value;
}

CString CShredderProfile::GetString(const char* name, const char* defaultValue) const {
    CRegKey key;
    CString value;
    if (key.Open(HKEY_CURRENT_USER, ProfileKey()) != ERROR_SUCCESS || key.QueryString(name, value) != ERROR_SUCCESS)
        return defaultValue;
    return value;
}

bool CShredderProfile::WriteInt(const char* name, DWORD value) const {
    CRegKey key;
    return key.Create(HKEY_CURRENT_USER, ProfileKey()) == ERROR_SUCCESS && key.SetDWORD(name, value) == ERROR_SUCCESS;
}

bool CShredderProfile::WriteString(const char* name, const char* value) const {
    CRegKey key;
    return key.Create(HKEY_CURRENT_USER, ProfileKey()) == ERROR_SUCCESS &&
           key.SetString(name, value) == ERROR_SUCCESS;
}
