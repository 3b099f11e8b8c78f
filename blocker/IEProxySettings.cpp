#include "IEProxySettings.h"

#include <wininet.h>

#include "BlokkumShared.h"
#include "Registry.h"

namespace {
const DWORD kDirectPlusProxy = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;  // 3
const int kBlobFlags = 8;
const int kBlobTextLength = 12;
const int kBlobText = 16;

DWORD BlobDWORD(const CString& blob, int offset) {
    DWORD value = 0;
    memcpy(&value, blob.c_str() + offset, sizeof value);
    return value;
}

bool ApplyOptions(const char* connection, INTERNET_PER_CONN_OPTIONA* options, DWORD count) {
    INTERNET_PER_CONN_OPTION_LISTA list = {};
    list.dwSize = sizeof list;
    list.pszConnection = const_cast<char*>(connection);
    list.dwOptionCount = count;
    list.pOptions = options;
    return InternetSetOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof list) != FALSE;
}

// ProxyHttp1.1 and the two notifications frame every set and reset.
bool WriteHttp11(const CBrowserProxyContext& context, DWORD value) {
    CRegKey key;
    if (key.Open(context.Root(), context.system.internetSettingsKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) return false;
    key.SetDWORD("ProxyHttp1.1", value);
    return true;
}

void TellFailure(const CBrowserProxyContext& context, bool set) {
    context.ShowError(set ? context.Text("2241", "Error, Failed to set Internet Explorer proxy setting.")
                          : context.Text("2244", "Error, Failed to reset Internet Explorer proxy setting."));
}

void NotifyInternetSettings() {
    InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    // Wine refuses the refresh without a handle; Windows accepts it.
    InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}
}  // namespace

CStringArray CIEProxySettings::ConnectionNames() const {
    CStringArray names;
    CRegKey key;
    if (key.Open(m_context.Root(), ConnectionsKey()) != ERROR_SUCCESS) return names;
    // Internet Explorer's own copies of the LAN settings, not connections: a
    // stale one would count as configured while nothing can reset it.
    for (const CString& name : key.EnumValueNames())
        if (name != "DefaultConnectionSettings" && name != "SavedLegacySettings") names.Add(name);
    return names;
}

void CIEProxySettings::ListDialUpConnections(bool setMode) {
    m_connections.RemoveAll();
    m_greyed.RemoveAll();
    m_connectionCount = m_greyedCount = m_configuredCount = 0;
    for (const CString& name : ConnectionNames()) {
        DialUpConnection record;
        record.name = name;
        const bool carriesProxy = IsConnectionProxySet(name);
        record.greyed = setMode ? carriesProxy : !carriesProxy;
        m_connections.Add(record);
        m_greyed.Add(record.greyed);
        if (record.greyed) ++m_greyedCount;
        if (!setMode && !record.greyed) ++m_configuredCount;
    }
    m_connectionCount = m_connections.GetSize();
}

bool CIEProxySettings::IsConnectionProxySet(const char* name) const {
    CRegKey key;
    if (key.Open(m_context.Root(), ConnectionsKey()) != ERROR_SUCCESS) return false;
    CString blob;
    if (key.QueryBinary(name, blob) != ERROR_SUCCESS) return false;
    if (blob.GetLength() < kBlobText) return false;
    if (BlobDWORD(blob, kBlobFlags) != kDirectPlusProxy) return false;
    // The whole 32-bit length counts, and the text must lie inside the blob:
    // a length of 0x10E must not pass for 14.
    const DWORD length = BlobDWORD(blob, kBlobTextLength);
    if (length > DWORD(blob.GetLength() - kBlobText)) return false;
    return blob.Mid(kBlobText, int(length)) == BLOKKUM_PROXY_TEXT;
}

bool CIEProxySettings::IsAnyConnectionProxySet() const {
    for (const CString& name : ConnectionNames())
        if (IsConnectionProxySet(name)) return true;
    return false;
}

bool CIEProxySettings::IsProxySet() const {
    // A dial-up connection that carries the proxy counts even while the LAN
    // proxy is off (ProxyEnable 0): a dial-up-only user is configured.
    CRegKey key;
    if (key.Open(m_context.Root(), m_context.system.internetSettingsKey) == ERROR_SUCCESS) {
        DWORD enabled = 0;
        CString server;
        if (key.QueryDWORD("ProxyEnable", enabled) == ERROR_SUCCESS && enabled != 0 &&
            key.QueryString("ProxyServer", server) == ERROR_SUCCESS && server.Left(MAX_PATH - 1) == BLOKKUM_PROXY_TEXT)
            return true;
    }
    return IsAnyConnectionProxySet();
}

bool CIEProxySettings::SetConnectionOptions(const char* connection, const char* proxyText) const {
    INTERNET_PER_CONN_OPTIONA options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[0].Value.dwValue = kDirectPlusProxy;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[1].Value.pszValue = const_cast<char*>(proxyText);
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    options[2].Value.pszValue = const_cast<char*>("local");
    if (ApplyOptions(connection, options, 3)) return true;
    TellFailure(m_context, true);
    return false;
}

bool CIEProxySettings::DisableConnectionProxy(const char* connection) const {
    INTERNET_PER_CONN_OPTIONA option = {};
    option.dwOption = INTERNET_PER_CONN_FLAGS;
    option.Value.dwValue = PROXY_TYPE_DIRECT;
    if (ApplyOptions(connection, &option, 1)) return true;
    TellFailure(m_context, false);
    return false;
}

void SetIEProxy(CIEProxySettings& settings, bool lanChosen, bool dialUpChosen) {
    const CBrowserProxyContext& context = settings.Context();
    if (!WriteHttp11(context, 1)) {
        TellFailure(context, true);
        return;
    }
    CBlokkumSettings& flags = context.settings;
    if (lanChosen && settings.SetConnectionOptions(nullptr, BLOKKUM_PROXY_TEXT)) {
        flags.m_dwLanConfigured = 1;
        context.WriteFlag(BLOKKUM_FLAG_LAN, 1);
    }
    if (dialUpChosen) {
        for (int i = 0; i < settings.m_connections.GetSize(); ++i) {
            const DialUpConnection& c = settings.m_connections[i];
            if (!c.checked || !settings.SetConnectionOptions(c.name, BLOKKUM_PROXY_TEXT)) continue;
            flags.m_dwDialUpConfigured = 1;
            context.WriteFlag(BLOKKUM_FLAG_DIALUP, 1);
        }
    }
    NotifyInternetSettings();
}

void ResetIEProxy(CIEProxySettings& settings, bool lanChosen, bool dialUpChosen) {
    const CBrowserProxyContext& context = settings.Context();
    if (!WriteHttp11(context, 0)) {
        TellFailure(context, false);
        return;
    }
    CBlokkumSettings& flags = context.settings;
    if (lanChosen && settings.DisableConnectionProxy(nullptr)) {
        flags.m_dwLanConfigured = 0;
        context.WriteFlag(BLOKKUM_FLAG_LAN, 0);
    }
    if (dialUpChosen) {
        for (int i = 0; i < settings.m_connections.GetSize(); ++i) {
            const DialUpConnection& c = settings.m_connections[i];
            if (!c.checked || !settings.DisableConnectionProxy(c.name)) continue;
            if (settings.m_configuredCount-- == 1) {
                flags.m_dwDialUpConfigured = 0;
                context.WriteFlag(BLOKKUM_FLAG_DIALUP, 0);
            }
        }
    }
    NotifyInternetSettings();
}

bool FindAppPath(const CBrowserSystem& system, const char* exeName, CString& path) {
    path.Empty();
    CString subKey;
    subKey.Format("%s\\%s", system.appPathsKey.c_str(), exeName);
    CRegKey key;
    // Read access is enough, and a limited user has no more under HKLM.
    if (key.Open(system.appPathsRoot, subKey) != ERROR_SUCCESS) return false;
    if (key.QueryString(nullptr, path) != ERROR_SUCCESS) return false;
    path = path.Left(MAX_PATH - 1);
    return !path.IsEmpty();
}

bool GetFileVersion(const char* file, CString* text, int* parts, int count) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &handle);
    if (size == 0) return false;
    CString data;
    char* buffer = data.GetBuffer(int(size));
    if (!GetFileVersionInfoA(file, 0, size, buffer)) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(buffer, "\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    const int values[4] = {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                           HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
    if (text) text->Format("%d.%d.%d.%d", values[0], values[1], values[2], values[3]);
    if (parts)
        for (int i = 0; i < count && i < 4; ++i) parts[i] = values[i];
    return true;
}
