#include "RegistryKey.h"

#include <shlwapi.h>

HKEY RegistryRootOf(const CString& rootName) {
    CString name = rootName;
    name.MakeUpper();
    if (name == "HKEY_CLASSES_ROOT" || name == "HKCR") return HKEY_CLASSES_ROOT;
    if (name == "HKEY_CURRENT_USER" || name == "HKCU") return HKEY_CURRENT_USER;
    if (name == "HKEY_LOCAL_MACHINE" || name == "HKLM") return HKEY_LOCAL_MACHINE;
    if (name == "HKEY_USERS" || name == "HKU") return HKEY_USERS;
    if (name == "HKEY_CURRENT_CONFIG" || name == "HCC") return HKEY_CURRENT_CONFIG;
    return nullptr;
}

static HKEY OpenKeyPath(const CString& root, const CString& subKey, bool create) {
    HKEY rootKey = RegistryRootOf(root);
    if (!rootKey) return nullptr;
    if (subKey.IsEmpty()) return rootKey;
    HKEY key = nullptr;
    LONG rc = create ? RegCreateKeyExA(rootKey, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                       &key, nullptr)
                     : RegOpenKeyExA(rootKey, subKey, 0, KEY_ALL_ACCESS, &key);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

static void SplitKeyPath(const CString& path, CString& root, CString& subKey) {
    int cut = path.Find('\\');
    root = cut < 0 ? path : path.Left(cut);
    subKey = cut < 0 ? CString() : path.Mid(cut + 1);
}

static void CloseKeyPath(HKEY key, const CString& subKey) {
    if (key && !subKey.IsEmpty()) RegCloseKey(key);
}

CRegistryKey::CRegistryKey(const CString& path) { SplitKeyPath(path, m_strRoot, m_strSubKey); }

HKEY CRegistryKey::OpenPath(bool create) const { return OpenKeyPath(m_strRoot, m_strSubKey, create); }

void CRegistryKey::Set(const char* name, DWORD type, const void* data, DWORD size) const {
    if (m_strRoot.IsEmpty() || m_strSubKey.IsEmpty()) return;
    HKEY key = OpenPath(true);
    if (!key) return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    CloseKeyPath(key, m_strSubKey);
}

void CRegistryKey::SetString(const char* name, const char* text) const {
    Set(name, REG_SZ, text, DWORD(lstrlenA(text) + 1));
}

void CRegistryKey::SetDWORD(const char* name, DWORD value) const { Set(name, REG_DWORD, &value, sizeof value); }

bool CRegistryKey::QueryValue(const char* name, CRegistryValue& value) const {
    value.m_strKeyPath = m_strRoot + "\\" + m_strSubKey;
    value.m_strName = name;
    value.m_dwType = 0;
    value.m_dwSize = 0;
    HKEY key = OpenPath(false);
    if (!key) return false;
    DWORD type = 0, size = kRegistryDataRoom;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, value.m_data, &size);
    CloseKeyPath(key, m_strSubKey);
    if (rc != ERROR_SUCCESS || size > DWORD(kRegistryDataLimit)) return false;
    value.m_dwType = type;
    value.m_dwSize = size;
    return true;
}

void CRegistryKey::EnumerateValues() {
    m_values.RemoveAll();
    HKEY key = OpenPath(false);
    if (!key) return;
    for (DWORD index = 0;; ++index) {
        char name[kRegistryDataRoom];
        BYTE data[kRegistryDataRoom];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        LONG rc = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        // A value too large for the buffers is skipped; any other error (the
        // key deleted meanwhile) would repeat for every index, so it ends the walk.
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        if (dataSize > DWORD(kRegistryDataLimit)) continue;
        auto* value = new CRegistryValue;
        value->m_strKeyPath = m_strRoot + "\\" + m_strSubKey;
        value->m_strName = name;
        value->m_dwType = type;
        value->m_dwSize = dataSize;
        memcpy(value->m_data, data, dataSize);
        m_values.Add(value);
    }
    CloseKeyPath(key, m_strSubKey);
}

void CRegistryKey::DeleteKey() const {
    HKEY root = RegistryRootOf(m_strRoot);
    if (!root || m_strSubKey.IsEmpty()) return;
    SHDeleteKeyA(root, m_strSubKey);
}

bool CRegistryValue::Write() const {
    CString root, subKey;
    SplitKeyPath(m_strKeyPath, root, subKey);
    HKEY key = OpenKeyPath(root, subKey, true);
    if (!key) return false;
    LONG rc = RegSetValueExA(key, m_strName, 0, m_dwType, m_data, m_dwSize);
    CloseKeyPath(key, subKey);
    return rc == ERROR_SUCCESS;
}

bool CRegistryValue::Delete() const {
    CString root, subKey;
    SplitKeyPath(m_strKeyPath, root, subKey);
    HKEY key = OpenKeyPath(root, subKey, false);
    if (!key) return false;
    LONG rc = RegDeleteValueA(key, m_strName);
    CloseKeyPath(key, subKey);
    return rc == ERROR_SUCCESS;
}
