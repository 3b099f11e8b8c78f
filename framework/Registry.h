// Registry.h - CRegKey, an owned registry key handle with typed reads/writes.
// Offers: Open (read-only by default, so a limited user keeps what it may read),
// Create, string/DWORD/binary queries of any length, writes, value and key
// deletion (whole trees too: RegDeleteKey refuses keys with subkeys on NT),
// and enumeration of subkey and value names.
// Deliberately not: change notification, remote registries, security.
#pragma once

#include <windows.h>

#include "Strings.h"

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    CRegKey(CRegKey&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
    CRegKey& operator=(CRegKey&& other) noexcept;

    // Return ERROR_SUCCESS or the Win32 error.
    LONG Open(HKEY parent, const char* subKey, REGSAM access = KEY_READ);
    LONG Create(HKEY parent, const char* subKey, REGSAM access = KEY_READ | KEY_WRITE, DWORD* disposition = nullptr);
    void Close();
    bool IsOpen() const { return m_key != nullptr; }
    HKEY Get() const { return m_key; }
    operator HKEY() const { return m_key; }

    // Reads REG_SZ/REG_EXPAND_SZ (unexpanded) of any length; a trailing NUL is not part of the text.
    LONG QueryString(const char* name, CString& value) const;
    LONG QueryDWORD(const char* name, DWORD& value) const;
    // Reads any value's raw bytes and its type.
    LONG QueryBinary(const char* name, CString& bytes, DWORD* type = nullptr) const;
    bool HasValue(const char* name) const;

    LONG SetString(const char* name, const char* value, DWORD type = REG_SZ);
    LONG SetDWORD(const char* name, DWORD value);
    LONG SetBinary(const char* name, const void* data, DWORD length, DWORD type = REG_BINARY);
    LONG DeleteValue(const char* name);

    // Names in the registry's own order; empty on failure.
    CStringArray EnumSubKeys() const;
    CStringArray EnumValueNames() const;

    // Deletes subKey of parent with everything below it.
    static LONG DeleteTree(HKEY parent, const char* subKey);

private:
    HKEY m_key = nullptr;
};
