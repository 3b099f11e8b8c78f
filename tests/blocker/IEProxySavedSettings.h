// The prefix's real Internet Settings proxy values, put back when the test
// ends: InternetSetOptionA writes there whatever key the code under test reads.
#pragma once

#include "BrowserProxyContext.h"
#include "Registry.h"

class CSavedInternetSettings {
public:
    CSavedInternetSettings() {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, BLOKKUM_INTERNET_SETTINGS_KEY);
        for (int i = 0; i < 3; ++i) m_had[i] = key.QueryBinary(kNames[i], m_bytes[i], &m_types[i]) == ERROR_SUCCESS;
    }
    ~CSavedInternetSettings() {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, BLOKKUM_INTERNET_SETTINGS_KEY);
        for (int i = 0; i < 3; ++i) {
            if (m_had[i])
                key.SetBinary(kNames[i], m_bytes[i].c_str(), DWORD(m_bytes[i].GetLength()), m_types[i]);
            else
                key.DeleteValue(kNames[i]);
        }
    }
    CSavedInternetSettings(const CSavedInternetSettings&) = delete;
    CSavedInternetSettings& operator=(const CSavedInternetSettings&) = delete;

private:
    static constexpr const char* kNames[3] = {"ProxyEnable", "ProxyServer", "ProxyHttp1.1"};
    bool m_had[3] = {};
    CString m_bytes[3];
    DWORD m_types[3] = {};
};
