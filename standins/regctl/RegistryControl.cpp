#include "RegistryControl.h"

#include "Registry.h"

LONG CRegistryControl::Read() {
    m_value.Empty();
    m_type = REG_SZ;
    CRegKey key;
    LONG rc = key.Open(m_root, m_keyPath, KEY_QUERY_VALUE);
    if (rc != ERROR_SUCCESS) return rc;
    CString bytes;
    DWORD type = REG_NONE;
    rc = key.QueryBinary(m_valueName, bytes, &type);
    if (rc != ERROR_SUCCESS) return rc;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        // Stored strings need not carry their terminator, nor stop at it.
        int nul = bytes.Find('\0');
        m_value = nul >= 0 ? bytes.Left(nul) : bytes;
        m_type = type;
        return ERROR_SUCCESS;
    }
    case REG_DWORD:
        if (bytes.GetLength() != int(sizeof(DWORD))) return ERROR_INVALID_DATATYPE;
        m_value.Format("%lu", static_cast<unsigned long>(*reinterpret_cast<const DWORD*>(bytes.c_str())));
        return ERROR_SUCCESS;
    default:
        return ERROR_INVALID_DATATYPE;
    }
}

LONG CRegistryControl::Write() {
    CRegKey key;
    LONG rc = key.Create(m_root, m_keyPath, KEY_SET_VALUE);
    if (rc != ERROR_SUCCESS) return rc;
    return key.SetString(m_valueName, m_value, m_type);
}

LONG CRegistryControl::Delete() {
    CRegKey key;
    LONG rc = key.Open(m_root, m_keyPath, KEY_SET_VALUE);
    if (rc != ERROR_SUCCESS) return rc;
    return key.DeleteValue(m_valueName);
}
