#include "ProxyRecord.h"

#include "Registry.h"

CHeldValue CHeldValue::Text(const CString& name, const CString& text) {
    // Stored as the registry stores a string, with its terminator.
    return {name, true, REG_SZ, text + CString(char(0), 1)};
}

CHeldValue CHeldValue::Number(const CString& name, DWORD number) {
    return {name, true, REG_DWORD, CString(reinterpret_cast<const char*>(&number), int(sizeof number))};
}

CHeldValue CHeldValue::Absent(const CString& name) { return {name, false, REG_NONE, CString()}; }

CString CHeldValue::Text() const {
    if (!present || (type != REG_SZ && type != REG_EXPAND_SZ)) return CString();
    const int nul = data.Find('\0');
    return nul < 0 ? data : data.Left(nul);
}

DWORD CHeldValue::Number(DWORD fallback) const {
    if (!present || data.GetLength() != int(sizeof(DWORD))) return fallback;
    DWORD number = 0;
    memcpy(&number, data.c_str(), sizeof number);
    return number;
}

bool CProxyRecord::Keep(const CString& place, const CHeldValues& held, bool own) const {
    if (own) return true;
    CRegKey key;
    if (place.IsEmpty() || key.Create(m_root, KeyOf(place)) != ERROR_SUCCESS) return false;
    for (const CHeldValue& v : held) {
        if (v.present) {
            if (key.SetBinary(v.name, v.data.c_str(), DWORD(v.data.GetLength()), v.type) != ERROR_SUCCESS)
                return false;
            continue;
        }
        const LONG rc = key.DeleteValue(v.name);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    }
    return true;
}

bool CProxyRecord::Find(const CString& place, CHeldValues& values) const {
    CRegKey key;
    const bool open = !place.IsEmpty() && key.Open(m_root, KeyOf(place)) == ERROR_SUCCESS;
    bool any = false;
    for (CHeldValue& v : values) {
        v.present = open && key.QueryBinary(v.name, v.data, &v.type) == ERROR_SUCCESS;
        if (!v.present) v = CHeldValue::Absent(v.name);
        any = any || v.present;
    }
    return any;
}

namespace {
bool IsEmptyKey(HKEY root, const CString& name) {
    CRegKey key;
    return key.Open(root, name) == ERROR_SUCCESS && key.EnumValueNames().IsEmpty() && key.EnumSubKeys().IsEmpty();
}
}  // namespace

void CProxyRecord::Forget(const CString& place, const CHeldValues& values) const {
    if (place.IsEmpty()) return;
    {
        CRegKey key;
        if (key.Open(m_root, KeyOf(place), KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return;
        for (const CHeldValue& v : values) key.DeleteValue(v.name);
    }
    // The place goes once empty, and so do the groups above it that hold
    // nothing else; the record's own key stays.
    for (CString left = place; !left.IsEmpty() && IsEmptyKey(m_root, KeyOf(left));) {
        CRegKey::DeleteTree(m_root, KeyOf(left));
        const int cut = left.ReverseFind('\\');
        left = cut < 0 ? CString() : left.Left(cut);
    }
}

CString CProxyRecord::Place(const CString& group, const CString& part) {
    if (part.IsEmpty() || part.Find('\\') >= 0) return CString();
    return group + "\\" + part;
}
