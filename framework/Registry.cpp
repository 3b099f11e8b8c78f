#include "Registry.h"

#include "Seams.h"

#include <shlwapi.h>

CRegKey& CRegKey::operator=(CRegKey&& other) noexcept {
    if (this != &other) {
        Close();
        m_key = other.m_key;
        other.m_key = nullptr;
    }
    return *this;
}

LONG CRegKey::Open(HKEY parent, const char* subKey, REGSAM access) {
    Close();
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(parent, subKey, 0, access, &key);
    if (rc == ERROR_SUCCESS) m_key = key;
    return rc;
}

LONG CRegKey::Create(HKEY parent, const char* subKey, REGSAM access, DWORD* disposition) {
    Close();
    HKEY key = nullptr;
    DWORD disp = 0;
    LONG rc = RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disp);
    if (rc == ERROR_SUCCESS) m_key = key;
    if (disposition) *disposition = disp;
    return rc;
}

void CRegKey::Close() {
    if (m_key) RegCloseKey(m_key);
    m_key = nullptr;
}

LONG CRegKey::QueryBinary(const char* name, CString& bytes, DWORD* type) const {
    bytes.Empty();
    if (!m_key) return ERROR_INVALID_HANDLE;
    DWORD size = 0, t = 0;
    LONG rc = RegQueryValueExA(m_key, name, nullptr, &t, nullptr, &size);
    // The value may grow between the two calls; ask again until it fits.
    for (int attempt = 0; rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA; ++attempt) {
        DWORD room = size + 1;
        char* buffer = bytes.GetBuffer(int(room));
        size = room;
        rc = RegQueryValueExA(m_key, name, nullptr, &t, reinterpret_cast<BYTE*>(buffer), &size);
        if (rc == ERROR_SUCCESS) {
            bytes.ReleaseBuffer(int(size));
            if (type) *type = t;
            return rc;
        }
        bytes.ReleaseBuffer(0);
        if (rc != ERROR_MORE_DATA || attempt > 8) break;
    }
    return rc;
}

LONG CRegKey::QueryString(const char* name, CString& value) const {
    DWORD type = 0;
    LONG rc = QueryBinary(name, value, &type);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        value.Empty();
        return ERROR_INVALID_DATATYPE;
    }
    int nul = value.Find('\0');
    if (nul >= 0) value = value.Left(nul);
    return ERROR_SUCCESS;
}

LONG CRegKey::QueryDWORD(const char* name, DWORD& value) const {
    if (!m_key) return ERROR_INVALID_HANDLE;
    DWORD type = 0, data = 0, size = sizeof(data);
    LONG rc = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_DWORD || size != sizeof(DWORD)) return ERROR_INVALID_DATATYPE;
    value = data;
    return ERROR_SUCCESS;
}

bool CRegKey::HasValue(const char* name) const {
    return m_key && RegQueryValueExA(m_key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG CRegKey::SetString(const char* name, const char* value, DWORD type) {
    if (!m_key) return ERROR_INVALID_HANDLE;
    const char* text = value ? value : "";
    return RegSetValueExA(m_key, name, 0, type, reinterpret_cast<const BYTE*>(text), DWORD(lstrlenA(text) + 1));
}

LONG CRegKey::SetDWORD(const char* name, DWORD value) {
    if (!m_key) return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG CRegKey::SetBinary(const char* name, const void* data, DWORD length, DWORD type) {
    if (!m_key) return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), length);
}

LONG CRegKey::DeleteValue(const char* name) {
    if (!m_key) return ERROR_INVALID_HANDLE;
    return RegDeleteValueA(m_key, name);
}

namespace {
// Walks names by index until the enumeration ends; buffers are sized from the
// key's own longest name, so no name is ever cut.
template <typename EnumFn>
CStringArray EnumNames(DWORD maxLength, EnumFn enumerate) {
    CStringArray names;
    CString name;
    for (DWORD i = 0;; ++i) {
        DWORD len = maxLength + 1;
        char* buffer = name.GetBuffer(int(len));
        if (enumerate(i, buffer, &len) != ERROR_SUCCESS) break;
        name.ReleaseBuffer(int(len));
        names.Add(name);
    }
    return names;
}
}  // namespace

CStringArray CRegKey::EnumSubKeys() const {
    DWORD maxLen = 0;
    if (!m_key || RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, nullptr, &maxLen, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return CStringArray();
    return EnumNames(maxLen, [this](DWORD i, char* buffer, DWORD* len) {
        return RegEnumKeyExA(m_key, i, buffer, len, nullptr, nullptr, nullptr, nullptr);
    });
}

CStringArray CRegKey::EnumValueNames() const {
    DWORD maxLen = 0;
    if (!m_key || RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxLen,
                                   nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return CStringArray();
    // Names only: data is not read, so a long value never ends the walk.
    return EnumNames(maxLen, [this](DWORD i, char* buffer, DWORD* len) {
        return RegEnumValueA(m_key, i, buffer, len, nullptr, nullptr, nullptr, nullptr);
    });
}

LONG CRegKey::DeleteTree(HKEY parent, const char* subKey) { return QvDeleteKeyTree(parent, subKey); }
