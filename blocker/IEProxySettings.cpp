#include "IEProxySettings.h"

#include <vector>

#include "BlokkumShared.h"
#include "Registry.h"

namespace {
const DWORD kDirectPlusProxy = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;  // 3
const int kBlobFlags = 8;
const int kBlobTextLength = 12;
const int kBlobText = 16;
const char kHttp11[] = "ProxyHttp1.1";
const char kNothingChangedKey[] = "2264";
const char kNothingChanged[] = "%s can't be read or changed. Internet Explorer's settings were not changed.";

DWORD BlobDWORD(const CString& blob, int offset) {
    DWORD value = 0;
    memcpy(&value, blob.c_str() + offset, sizeof value);
    return value;
}

INTERNET_PER_CONN_OPTION_LISTA OptionList(const char* connection, INTERNET_PER_CONN_OPTIONA* options, DWORD count) {
    INTERNET_PER_CONN_OPTION_LISTA list = {};
    list.dwSize = sizeof list;
    list.pszConnection = const_cast<char*>(connection);
    list.dwOptionCount = count;
    list.pOptions = options;
    return list;
}

// A queried string is globally allocated and the caller's to free.
CString TakeString(char* text) {
    if (!text) return CString();
    CString value = text;
    GlobalFree(text);
    return value;
}

// A registry value as it stands, whatever its type, or its absence: what the
// put-back writes again.
struct SavedValue {
    bool present = false;
    DWORD type = REG_NONE;
    CString data;
};

bool SaveValue(const CRegKey& key, const char* name, SavedValue& saved) {
    const LONG rc = key.QueryBinary(name, saved.data, &saved.type);
    saved.present = rc == ERROR_SUCCESS;
    return saved.present || rc == ERROR_FILE_NOT_FOUND;
}

bool RestoreValue(CRegKey& key, const char* name, const SavedValue& saved) {
    if (saved.present)
        return key.SetBinary(name, saved.data.c_str(), DWORD(saved.data.GetLength()), saved.type) == ERROR_SUCCESS;
    const LONG rc = key.DeleteValue(name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

CString FailureText(const CBrowserProxyContext& context, bool set) {
    return set ? context.Text("2241", "Error, Failed to set Internet Explorer proxy setting.")
               : context.Text("2244", "Error, Failed to reset Internet Explorer proxy setting.");
}

// One box for the whole change: what failed, and either that nothing
// changed or what is left changed.
bool TellChangeFailed(const CBrowserProxyContext& context, bool set, const CString& failed,
                      const CStringArray& notPutBack) {
    if (!notPutBack.IsEmpty()) {
        context.TellNotPutBack(FailureText(context, set), failed, notPutBack);
        return false;
    }
    CString detail = context.Text(kNothingChangedKey, kNothingChanged);
    detail.Replace("%s", failed);
    context.ShowError(FailureText(context, set) + "\n" + detail);
    return false;
}

void NotifyInternetSettings() {
    InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    // Wine refuses the refresh without a handle; Windows accepts it.
    InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}

// The LAN's values as the registry holds them, which its put-back writes
// again byte for byte. The per-connection query answers what WinINet makes
// of them (Wine drops the "http=" of "http=cache:3128"): written back, that
// would change the user's proxy server.
struct LanValue {
    bool underConnections;
    const char* name;
};
const LanValue kLanValues[] = {
    {false, "ProxyEnable"},
    {false, "ProxyServer"},
    {false, "ProxyOverride"},
    {true, "DefaultConnectionSettings"},
    {true, "SavedLegacySettings"},
};
const size_t kLanValueCount = sizeof kLanValues / sizeof kLanValues[0];

class CSavedLan {
public:
    explicit CSavedLan(const CIEProxySettings& settings) : m_settings(settings) {}

    // False when a value stands but cannot be read.
    bool Save() {
        for (size_t i = 0; i < kLanValueCount; ++i) {
            CRegKey key;
            const LONG rc = key.Open(Root(), KeyOf(kLanValues[i]));
            if (rc == ERROR_FILE_NOT_FOUND) continue;  // absent with its key
            if (rc != ERROR_SUCCESS || !SaveValue(key, kLanValues[i].name, m_values[i])) return false;
        }
        return true;
    }

    bool Restore() const {
        bool all = true;
        for (size_t i = 0; i < kLanValueCount; ++i) {
            CRegKey key;
            const bool present = m_values[i].present;
            const LONG rc = present ? key.Create(Root(), KeyOf(kLanValues[i]))
                                    : key.Open(Root(), KeyOf(kLanValues[i]), KEY_READ | KEY_WRITE);
            if (!present && rc == ERROR_FILE_NOT_FOUND) continue;
            if (rc != ERROR_SUCCESS || !RestoreValue(key, kLanValues[i].name, m_values[i])) all = false;
        }
        return all;
    }

private:
    HKEY Root() const { return m_settings.Context().Root(); }
    CString KeyOf(const LanValue& value) const {
        return value.underConnections ? m_settings.ConnectionsKey() : m_settings.Context().system.internetSettingsKey;
    }

    const CIEProxySettings& m_settings;
    SavedValue m_values[kLanValueCount];
};

// One connection of a change and what it held before.
struct ConnectionChange {
    const char* connection;  // null: the LAN, whose registry values lan holds
    CString name;            // as the user is told it
    IEConnectionOptions before;
    bool applied;
    bool ours;  // carried the proxy before the change
};

std::vector<ConnectionChange> ChosenConnections(const CIEProxySettings& settings, bool lanChosen,
                                                bool dialUpChosen) {
    std::vector<ConnectionChange> changes;
    if (lanChosen) changes.push_back({nullptr, settings.Context().Text("3005", "LAN"), {}, false, false});
    if (dialUpChosen)
        for (const DialUpConnection& c : settings.m_connections)
            if (c.checked) changes.push_back({c.name.c_str(), c.name, {}, false, false});
    return changes;
}

CString Http11Name(const CBrowserProxyContext& context) {
    return context.system.internetSettingsKey + "\\" + kHttp11;
}

// What a connection held before Blokkum's proxy went on, kept under Proxy
// Setting so that a reset gives the user's own proxy back instead of
// turning the proxy off. Empty when the name cannot be a key name: such a connection is not kept.
CString RecordPlace(const char* connection) {
    return connection ? CProxyRecord::Place("Internet Explorer\\Dial-up", connection) : CString("Internet Explorer\\LAN");
}

CHeldValues RecordValues(const IEConnectionOptions& options = IEConnectionOptions()) {
    return {CHeldValue::Number("Flags", options.flags), CHeldValue::Text("Server", options.server),
            CHeldValue::Text("Bypass", options.bypass)};
}

// A connection already on Blokkum's proxy keeps what was kept when the
// proxy first went on it.
bool KeepConnection(const CIEProxySettings& settings, const char* connection, const IEConnectionOptions& options,
                    bool own) {
    const CString place = RecordPlace(connection);
    return place.IsEmpty() || settings.Context().Record().Keep(place, RecordValues(options), own);
}

// False when no whole record is kept.
bool FindKept(const CIEProxySettings& settings, const char* connection, IEConnectionOptions& options) {
    CHeldValues kept = RecordValues();
    if (!settings.Context().Record().Find(RecordPlace(connection), kept)) return false;
    for (const CHeldValue& v : kept)
        if (!v.present) return false;
    options.flags = kept[0].Number();
    options.server = kept[1].Text();
    options.bypass = kept[2].Text();
    return true;
}

void ForgetKept(const CIEProxySettings& settings, const char* connection) {
    settings.Context().Record().Forget(RecordPlace(connection), RecordValues());
}

// The LAN's options as the registry holds them: the per-connection query
// answers what WinINet makes of the server text (Wine drops the "http=" of
// "http=cache:3128"), which put back would change the user's server.
bool QueryLanOptions(const CIEProxySettings& settings, IEConnectionOptions& options) {
    if (!settings.QueryConnectionOptions(nullptr, options)) return false;
    CRegKey key;
    if (key.Open(settings.Context().Root(), settings.Context().system.internetSettingsKey) != ERROR_SUCCESS)
        return true;
    options.server.Empty();
    options.bypass.Empty();
    LONG rc = key.QueryString("ProxyServer", options.server);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    rc = key.QueryString("ProxyOverride", options.bypass);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

// What a reset writes on a connection that still carries the proxy: what it
// held before Blokkum's set, or, with nothing kept, the proxy off and
// Blokkum's texts gone.
IEConnectionOptions ResetOptions(const CIEProxySettings& settings, const char* connection) {
    IEConnectionOptions options;
    if (!FindKept(settings, connection, options)) options = IEConnectionOptions();
    return options;
}

// The Proxy Setting flags after the LAN (lan) and dialUps dial-up
// connections changed: a set marks the dial-up flag, a reset clears it with
// the last of the connections that were configured.
void RecordFlags(CIEProxySettings& settings, bool set, bool lan, int dialUps) {
    const CBrowserProxyContext& context = settings.Context();
    CBlokkumSettings& flags = context.settings;
    if (lan) {
        flags.m_dwLanConfigured = set ? 1 : 0;
        context.WriteFlag(BLOKKUM_FLAG_LAN, flags.m_dwLanConfigured);
    }
    if (dialUps <= 0) return;
    const int configured = settings.m_configuredCount;
    if (!set) settings.m_configuredCount -= dialUps;
    if (set || (configured > 0 && settings.m_configuredCount <= 0)) {
        flags.m_dwDialUpConfigured = set ? 1 : 0;
        context.WriteFlag(BLOKKUM_FLAG_DIALUP, flags.m_dwDialUpConfigured);
    }
}

// The set and the reset: the HTTP/1.1 value and every chosen connection are
// read first, then changed in turn; a step that fails puts back, last first,
// each one already changed, so the user's browser is never left half set.
// The LAN is changed through the per-connection options like the others and
// put back through its registry values.
bool ChangeIEProxy(CIEProxySettings& settings, bool set, bool lanChosen, bool dialUpChosen) {
    const CBrowserProxyContext& context = settings.Context();
    std::vector<ConnectionChange> changes = ChosenConnections(settings, lanChosen, dialUpChosen);
    const CString http11Name = Http11Name(context);
    CRegKey key;
    SavedValue http11;
    if (key.Open(context.Root(), context.system.internetSettingsKey, KEY_ALL_ACCESS) != ERROR_SUCCESS ||
        !SaveValue(key, kHttp11, http11))
        return TellChangeFailed(context, set, http11Name, CStringArray());
    CSavedLan lan(settings);
    for (ConnectionChange& c : changes) {
        const bool read = c.connection ? settings.QueryConnectionOptions(c.connection, c.before)
                                       : lan.Save() && QueryLanOptions(settings, c.before);
        if (!read) return TellChangeFailed(context, set, c.name, CStringArray());
        // Judged by the server it holds, whatever its switch says: a proxy
        // switched off by hand is still Blokkum's, not the user's to keep.
        c.ours = settings.HoldsOwnProxy(c.before);
        // What the user had is kept before the proxy first goes on.
        if (set && !KeepConnection(settings, c.connection, c.before, c.ours))
            return TellChangeFailed(context, set,
                                    context.settings.Locations().ProxySettingKey() + "\\" + RecordPlace(c.connection),
                                    CStringArray());
    }

    IEConnectionOptions proxy;
    proxy.flags = kDirectPlusProxy;
    proxy.server = BLOKKUM_PROXY_TEXT;
    proxy.bypass = "local";
    if (key.SetDWORD(kHttp11, set ? 1 : 0) != ERROR_SUCCESS)
        return TellChangeFailed(context, set, http11Name, CStringArray());
    for (ConnectionChange& c : changes) {
        // A reset leaves a connection that someone has set otherwise since.
        if (!set && !c.ours) continue;
        c.applied = settings.ApplyConnectionOptions(c.connection, set ? proxy : ResetOptions(settings, c.connection));
        if (c.applied) continue;
        CStringArray notPutBack;
        for (auto done = changes.rbegin(); done != changes.rend(); ++done) {
            if (!done->applied) continue;
            const bool putBack = done->connection ? settings.ApplyConnectionOptions(done->connection, done->before)
                                                  : lan.Restore();
            if (!putBack) notPutBack.Add(done->name);
        }
        if (!RestoreValue(key, kHttp11, http11)) notPutBack.Add(http11Name);
        NotifyInternetSettings();
        return TellChangeFailed(context, set, c.name, notPutBack);
    }
    if (!set)
        for (const ConnectionChange& c : changes) ForgetKept(settings, c.connection);

    RecordFlags(settings, set, lanChosen, int(changes.size()) - (lanChosen ? 1 : 0));
    NotifyInternetSettings();
    return true;
}

// Blokkout's reset: the HTTP/1.1 value and each connection on its own, past
// any that fails; one box names what is still set.
bool ResetEachIEConnection(CIEProxySettings& settings, bool lanChosen, bool dialUpChosen) {
    const CBrowserProxyContext& context = settings.Context();
    CStringArray stillSet;
    CRegKey key;
    if (key.Open(context.Root(), context.system.internetSettingsKey, KEY_ALL_ACCESS) != ERROR_SUCCESS ||
        key.SetDWORD(kHttp11, 0) != ERROR_SUCCESS)
        stillSet.Add(Http11Name(context));
    bool lan = false;
    int dialUps = 0;
    for (const ConnectionChange& c : ChosenConnections(settings, lanChosen, dialUpChosen)) {
        IEConnectionOptions now;
        const bool read = c.connection ? settings.QueryConnectionOptions(c.connection, now)
                                       : QueryLanOptions(settings, now);
        bool reset = read && (!settings.HoldsOwnProxy(now) ||
                              settings.ApplyConnectionOptions(c.connection, ResetOptions(settings, c.connection)));
        if (!reset) {
            stillSet.Add(c.name);
            continue;
        }
        ForgetKept(settings, c.connection);
        if (c.connection)
            ++dialUps;
        else
            lan = true;
    }
    RecordFlags(settings, false, lan, dialUps);
    NotifyInternetSettings();
    if (stillSet.IsEmpty()) return true;
    context.TellStillSet(FailureText(context, false), stillSet);
    return false;
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

bool CIEProxySettings::IsLanProxySet() const {
    return LanCarriesProxy(m_context.Root(), m_context.system.internetSettingsKey);
}

bool CIEProxySettings::IsProxySet() const {
    // A dial-up connection that carries the proxy counts even while the LAN
    // proxy is off (ProxyEnable 0): a dial-up-only user is configured.
    return IsLanProxySet() || IsAnyConnectionProxySet();
}

bool CIEProxySettings::HoldsOwnProxy(const IEConnectionOptions& options) const {
    return IsBlokkumProxyText(options.server);
}

void CIEProxySettings::CorrectFlags() {
    CBlokkumSettings& flags = m_context.settings;
    const struct {
        const char* name;
        DWORD* value;
        bool really;
    } rows[] = {
        {BLOKKUM_FLAG_LAN, &flags.m_dwLanConfigured, IsLanProxySet()},
        {BLOKKUM_FLAG_DIALUP, &flags.m_dwDialUpConfigured, IsAnyConnectionProxySet()},
    };
    CRegKey key;
    key.Open(m_context.Root(), flags.Locations().ProxySettingKey());
    for (const auto& r : rows) {
        DWORD stored = 0;
        const bool have = key.IsOpen() && key.QueryDWORD(r.name, stored) == ERROR_SUCCESS;
        *r.value = r.really ? 1 : 0;
        if (have ? (stored != 0) != r.really : r.really) m_context.WriteFlag(r.name, *r.value);
    }
}

bool CIEProxySettings::QueryConnectionOptions(const char* connection, IEConnectionOptions& options) const {
    INTERNET_PER_CONN_OPTIONA values[3] = {};
    values[0].dwOption = INTERNET_PER_CONN_FLAGS;
    values[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    values[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    INTERNET_PER_CONN_OPTION_LISTA list = OptionList(connection, values, 3);
    DWORD size = sizeof list;
    if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size)) return false;
    options.flags = values[0].Value.dwValue;
    options.server = TakeString(values[1].Value.pszValue);
    options.bypass = TakeString(values[2].Value.pszValue);
    return true;
}

bool CIEProxySettings::ApplyConnectionOptions(const char* connection, const IEConnectionOptions& options) const {
    // An empty text goes as none, as the query gave it.
    auto text = [](const CString& value) { return value.IsEmpty() ? nullptr : const_cast<char*>(value.c_str()); };
    INTERNET_PER_CONN_OPTIONA values[3] = {};
    values[0].dwOption = INTERNET_PER_CONN_FLAGS;
    values[0].Value.dwValue = options.flags;
    values[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    values[1].Value.pszValue = text(options.server);
    values[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    values[2].Value.pszValue = text(options.bypass);
    INTERNET_PER_CONN_OPTION_LISTA list = OptionList(connection, values, 3);
    return InternetSetOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof list) != FALSE;
}

bool SetIEProxy(CIEProxySettings& settings, bool lanChosen, bool dialUpChosen) {
    return ChangeIEProxy(settings, true, lanChosen, dialUpChosen);
}

bool ResetIEProxy(CIEProxySettings& settings, bool lanChosen, bool dialUpChosen, ResetRule rule) {
    if (rule == ResetRule::kAllOrNothing) return ChangeIEProxy(settings, false, lanChosen, dialUpChosen);
    return ResetEachIEConnection(settings, lanChosen, dialUpChosen);
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
