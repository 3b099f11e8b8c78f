// RegistryControl.h - CRegistryControl stands in for the outside registry
// control (ProgID "Registry.Reg") that Bootlist places on its main form.
// Offers: the control's three settable properties (root, key path, value
// name), its data property, and Read, Write and Delete on the value they name.
// Data of any length is returned as text; writes store a string of the type
// last read (REG_SZ or REG_EXPAND_SZ), so a value read and written keeps it.
// Deliberately not: enumeration, key deletion, non-string types for writing.
#pragma once

#include <windows.h>

#include "Strings.h"

class CRegistryControl {
public:
    void SetRoot(HKEY root) { m_root = root; }
    HKEY GetRoot() const { return m_root; }
    void SetKeyPath(const char* path) { m_keyPath = path; }
    const CString& GetKeyPath() const { return m_keyPath; }
    void SetValueName(const char* name) { m_valueName = name; }
    const CString& GetValueName() const { return m_valueName; }
    void SetValue(const char* data) { m_value = data; }
    const CString& GetValue() const { return m_value; }
    // REG_SZ or REG_EXPAND_SZ; any other type is taken as REG_SZ.
    void SetType(DWORD type) { m_type = type == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ; }
    DWORD GetType() const { return m_type; }

    // Each returns ERROR_SUCCESS or the Win32 error.
    // Read: strings as stored (not expanded) with their type, DWORDs in
    // decimal (type REG_SZ); any failure leaves the data empty and REG_SZ.
    LONG Read();
    // Write: the data property as the type; a missing key is created.
    LONG Write();
    // Delete: the named value only; the key stays.
    LONG Delete();

private:
    HKEY m_root = HKEY_CURRENT_USER;
    CString m_keyPath;
    CString m_valueName;
    CString m_value;
    DWORD m_type = REG_SZ;
};
