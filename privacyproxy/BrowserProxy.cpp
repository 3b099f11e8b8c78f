#include "BrowserProxy.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <vector>

#include "Files.h"
#include "Handles.h"
#include "RegistryKey.h"
#include "TextTable.h"
#include "VeilrunGlobals.h"

namespace {

struct CPrefRow {
    const char* prefix;
    CString line;
};

void SettingsChanged() { InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0); }

bool IsConnectionValue(const CRegistryValue& value) {
    // Only the per-connection binary blocks; a value of another type under
    // the same key is no connection, whatever its bytes look like.
    return value.m_dwType == REG_BINARY && value.m_strName.CompareNoCase("DefaultConnectionSettings") != 0 &&
           value.m_strName.CompareNoCase("SavedLegacySettings") != 0;
}

CString BytesOf(const CRegistryValue& value) {
    return CString(reinterpret_cast<const char*>(value.m_data), int(value.m_dwSize));
}

void WriteBytes(CRegistryValue& value, const CString& bytes) {
    if (bytes.GetLength() > kRegistryDataLimit) return;
    memcpy(value.m_data, bytes.c_str(), size_t(bytes.GetLength()));
    value.SetSize(DWORD(bytes.GetLength()));
    value.Write();
}

// What Internet Explorer used before this run pointed it at Veilrun, so that
// the reset puts back that (another program's proxy included) rather than
// switching the proxy off; only values still as Veilrun set them go back.
struct CHeldConnection {
    CString name, before, set;
};
struct CHeldIESettings {
    bool held = false;
    CString key, proxyText;
    DWORD enableBefore = 0;
    bool hadServer = false;
    CString serverBefore;
    std::vector<CHeldConnection> connections;
};
CHeldIESettings g_ieHeld;

CString DisabledConnection(CString bytes) {
    RewriteConnectionSettings(bytes, false, CString());
    return bytes;
}

void HoldIESettings(const CString& proxyText) {
    // A second set keeps what the first one found.
    if (g_ieHeld.held && g_ieHeld.key == g_Places.IESettingsKey) return;
    CRegistryKey settings(g_Places.IESettingsKey);
    CRegistryValue value;
    g_ieHeld = CHeldIESettings();
    g_ieHeld.held = true;
    g_ieHeld.key = g_Places.IESettingsKey;
    g_ieHeld.proxyText = proxyText;
    g_ieHeld.hadServer = settings.QueryValue("ProxyServer", value) && value.m_dwType == REG_SZ;
    if (g_ieHeld.hadServer) g_ieHeld.serverBefore = reinterpret_cast<const char*>(value.m_data);
    // A run that ended without its reset left Veilrun's own proxy behind:
    // that is nothing to put back.
    if (settings.QueryValue("ProxyEnable", value) && value.m_dwType == REG_DWORD &&
        g_ieHeld.serverBefore.CompareNoCase(proxyText) != 0)
        g_ieHeld.enableBefore = *reinterpret_cast<const DWORD*>(value.m_data);
}

bool HoldsConnection(const CString& name) {
    for (const CHeldConnection& held : g_ieHeld.connections)
        if (held.name.CompareNoCase(name) == 0) return true;
    return false;
}

void RewriteConnections(bool enable, const CString& proxyText) {
    CRegistryKey connections(g_Places.IESettingsKey + "\\Connections");
    connections.EnumerateValues();
    for (int i = 0; i < connections.m_values.GetSize(); ++i) {
        CRegistryValue& value = *connections.m_values[i];
        if (!IsConnectionValue(value)) continue;
        const CString before = BytesOf(value);
        CString bytes = before;
        if (!RewriteConnectionSettings(bytes, enable, proxyText) || bytes.GetLength() > kRegistryDataLimit) continue;
        WriteBytes(value, bytes);
        if (enable && g_ieHeld.held && !HoldsConnection(value.m_strName)) {
            CString wasOurs = before;
            RewriteConnectionSettings(wasOurs, true, proxyText);
            g_ieHeld.connections.push_back({value.m_strName, wasOurs == before ? DisabledConnection(before) : before,
                                            bytes});
        }
    }
}

// Puts back every held value that still holds what Veilrun wrote.
void PutBackIESettings() {
    CRegistryKey settings(g_Places.IESettingsKey);
    CRegistryValue value;
    const bool stillOurs = settings.QueryValue("ProxyServer", value) && value.m_dwType == REG_SZ &&
                           CString(reinterpret_cast<const char*>(value.m_data)) == g_ieHeld.proxyText;
    if (stillOurs) {
        settings.SetDWORD("ProxyEnable", g_ieHeld.enableBefore);
        if (g_ieHeld.hadServer) settings.SetString("ProxyServer", g_ieHeld.serverBefore);
    }
    CRegistryKey connections(g_Places.IESettingsKey + "\\Connections");
    for (const CHeldConnection& held : g_ieHeld.connections) {
        if (!connections.QueryValue(held.name, value) || !IsConnectionValue(value) || BytesOf(value) != held.set)
            continue;
        WriteBytes(value, held.before);
    }
    g_ieHeld = CHeldIESettings();
}

// One settings file's section: its header, section-start and comment prefixes.
struct CSettingsFile {
    CString path;
    const char* header;
    const char* startPrefix;
    const char* comment;
};

// The first line of the file's section that starts with the prefix, or empty.
CString FirstLine(const CSettingsFile& file, const char* prefix) {
    CStringArray found;
    ReadSectionLines(file.path, file.header, file.startPrefix, prefix, "", file.comment, found, false);
    return found.IsEmpty() ? CString() : found[0];
}

// Applies each row to the file: the first line with the row's key prefix is
// replaced, or the row's line is inserted.
void ApplyRows(const CSettingsFile& file, const CPrefRow* rows, int count) {
    for (int i = 0; i < count; ++i) {
        const CString line = FirstLine(file, rows[i].prefix);
        if (!line.IsEmpty())
            ReplaceLine(file.path, file.header, file.startPrefix, file.comment, line, rows[i].line, false);
        else
            InsertLine(file.path, file.header, file.startPrefix, file.comment, rows[i].line, false);
    }
}

// The lines a set found in a browser's file, so that the reset puts them back
// (another program's proxy included) instead of only switching the proxy off.
struct CHeldLines {
    CString path;
    std::vector<CString> before, set;
};
CHeldLines g_netscapeHeld, g_operaHeld;

void SetRows(CHeldLines& held, const CSettingsFile& file, const CPrefRow* rows, int count) {
    if (held.path != file.path) {
        held = CHeldLines();
        held.path = file.path;
        for (int i = 0; i < count; ++i) {
            held.before.push_back(FirstLine(file, rows[i].prefix));
            held.set.push_back(rows[i].line);
        }
    }
    ApplyRows(file, rows, count);
}

// rows: the set's rows (for their key prefixes); resetRow: the switch's off
// line, used when nothing was there before or only Veilrun's own lines were.
void ResetRows(CHeldLines& held, const CSettingsFile& file, const CPrefRow* rows, int count,
               const CPrefRow& resetRow) {
    if (held.path != file.path || int(held.set.size()) != count) {
        ApplyRows(file, &resetRow, 1);
        return;
    }
    bool stillSet = true;
    for (int i = 0; i < count && stillSet; ++i) stillSet = FirstLine(file, rows[i].prefix) == held.set[size_t(i)];
    // A file changed while Veilrun ran belongs to whoever changed it.
    if (stillSet) {
        const bool leftOver = held.before == held.set;
        for (int i = 0; i < count; ++i) {
            CString line = held.before[size_t(i)];
            if (i == 0 && (line.IsEmpty() || leftOver)) line = resetRow.line;
            if (!line.IsEmpty() && line != held.set[size_t(i)])
                ReplaceLine(file.path, file.header, file.startPrefix, file.comment, held.set[size_t(i)], line, false);
        }
    }
    held = CHeldLines();
}

const char* const kProxyType = "user_pref(\"network.proxy.type\"";
// Opera keys end at their '=', so that "Use HTTPS" is not taken for "Use HTTP".
const char* const kUseHttp = "Use HTTP=";

// The settings file is replaced only once its new content stands complete
// beside it, so a failed write leaves it as it was.
bool Rewrite(const char* path, const CStringArray& lines) {
    CString text;
    for (const CString& line : lines) text += line + "\r\n";
    return WriteWholeFile(path, text.c_str(), DWORD(text.GetLength()), "__temp");
}

}  // namespace

bool RewriteConnectionSettings(CString& bytes, bool enable, const CString& proxyText) {
    if (bytes.GetLength() < 16) return false;
    DWORD flags = 0, length = 0;
    memcpy(&flags, bytes.c_str() + 8, 4);
    memcpy(&length, bytes.c_str() + 12, 4);
    if (length > DWORD(bytes.GetLength() - 16)) return false;
    flags = enable ? (flags | 2) : (flags & ~DWORD(2));
    std::string data = bytes.str();
    memcpy(&data[8], &flags, 4);
    if (enable) {
        DWORD newLength = DWORD(proxyText.GetLength());
        memcpy(&data[12], &newLength, 4);
        data.replace(16, length, proxyText.str());
    }
    bytes = CString(data);
    return true;
}

void EnableIEProxy(const char* host, int port) {
    CRegistryKey(g_Places.IEAdvancedKey + "\\GENABLE").SetDWORD("CheckedValue", 1);
    CRegistryKey(g_Places.IEAdvancedKey + "\\PROXY").SetDWORD("CheckedValue", 1);
    const CString proxyText = CString(host) + ":" + IntToString(port);
    HoldIESettings(proxyText);
    CRegistryKey settings(g_Places.IESettingsKey);
    settings.SetDWORD("ProxyEnable", 1);
    settings.SetString("ProxyServer", proxyText);
    RewriteConnections(true, proxyText);
    SettingsChanged();
}

void DisableIEProxy() {
    if (g_ieHeld.held && g_ieHeld.key == g_Places.IESettingsKey) {
        PutBackIESettings();
    } else {
        CRegistryKey(g_Places.IESettingsKey).SetDWORD("ProxyEnable", 0);
        RewriteConnections(false, CString());
    }
    SettingsChanged();
}

void ListSubfolders(const char* folder, CStringArray& names) {
    names.RemoveAll();
    char saved[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, saved);
    if (!SetCurrentDirectoryA(folder)) return;
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA("*.*", &data));
    if (find.IsValid()) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && lstrcmpA(data.cFileName, ".") != 0 &&
                lstrcmpA(data.cFileName, "..") != 0)
                names.Add(data.cFileName);
        } while (FindNextFileA(find, &data));
    }
    SetCurrentDirectoryA(saved);
}

bool StartsWithNoCase(const char* prefix, const char* text) {
    const int n = lstrlenA(prefix);
    if (lstrlenA(text) < n) return false;
    return CString(text, n).CompareNoCase(prefix) == 0;
}

bool ReplaceLine(const char* path, const char* header, const char* startPrefix, const char* commentPrefix,
                 const char* oldLine, const char* newLine, bool normalise) {
    CStringArray lines, out;
    if (!ReadTextLines(path, lines)) return false;
    const CString head = header;
    bool inSection = head.IsEmpty(), replaced = false;
    for (const CString& line : lines) {
        const CString k = normalise ? NormaliseLine(line) : line;
        if (*commentPrefix && StartsWithNoCase(commentPrefix, line)) {
            out.Add(line);
        } else if (inSection) {
            if (!replaced && k.CompareNoCase(oldLine) == 0) {
                out.Add(newLine);
                replaced = true;
                continue;
            }
            if (!head.IsEmpty() && StartsWithNoCase(startPrefix, k)) inSection = k.CompareNoCase(head) == 0;
            out.Add(line);
        } else {
            inSection = k.CompareNoCase(head) == 0;
            out.Add(line);
        }
    }
    return Rewrite(path, out);
}

bool InsertLine(const char* path, const char* header, const char* startPrefix, const char* commentPrefix,
                const char* newLine, bool normalise) {
    CStringArray lines, out;
    if (!ReadTextLines(path, lines)) return false;
    const CString head = header;
    bool inSection = false, inserted = false;
    for (const CString& line : lines) {
        const CString k = normalise ? NormaliseLine(line) : line;
        if (*commentPrefix && StartsWithNoCase(commentPrefix, line)) {
            out.Add(line);
        } else if (inSection) {
            if (!inserted) {
                out.Add(newLine);
                out.Add(line);
                inserted = true;
                continue;
            }
            if (!head.IsEmpty() && StartsWithNoCase(startPrefix, k)) inSection = k.CompareNoCase(head) == 0;
            out.Add(line);
        } else {
            if (!head.IsEmpty()) inSection = k.CompareNoCase(head) == 0;
            out.Add(line);
        }
    }
    // A section that ends the file still gets its line.
    if (head.IsEmpty() || (inSection && !inserted)) out.Add(newLine);
    return Rewrite(path, out);
}

CString FindNetscapePrefs() {
    const CString mozilla = UserProfileFolder() + "\\Application Data\\Mozilla";
    if (!FolderExists(mozilla)) return CString();
    CStringArray profiles;
    ListSubfolders(mozilla, profiles);
    for (const CString& a : profiles) {
        const CString defaults = mozilla + "\\" + a + "\\default";
        if (!FolderExists(defaults)) continue;
        CStringArray salts;
        ListSubfolders(defaults, salts);
        for (const CString& b : salts) {
            const CString prefs = defaults + "\\" + b + "\\prefs.js";
            if (FileExists(prefs)) return prefs;
        }
    }
    return CString();
}

CString FindOperaIni() {
    const CString opera = UserProfileFolder() + "\\Application Data\\Opera";
    if (!FolderExists(opera)) return CString();
    CStringArray users;
    ListSubfolders(opera, users);
    for (const CString& a : users) {
        const CString ini = opera + "\\" + a + "\\profile\\opera6.ini";
        if (FileExists(ini)) return ini;
    }
    return CString();
}

namespace {

void NetscapeRows(const char* host, int port, CPrefRow rows[3]) {
    rows[0] = {kProxyType, "user_pref(\"network.proxy.type\", 1);"};
    rows[1] = {"user_pref(\"network.proxy.http\"", CString("user_pref(\"network.proxy.http\", \"") + host + "\");"};
    rows[2] = {"user_pref(\"network.proxy.http_port\"", "user_pref(\"network.proxy.http_port\", " + IntToString(port) + ");"};
}

void OperaRows(const char* host, int port, CPrefRow rows[3]) {
    rows[0] = {kUseHttp, "Use HTTP=1"};
    rows[1] = {"HTTP Server=", "HTTP Server=" + CString(host) + ":" + IntToString(port)};
    rows[2] = {"Enable HTTP 1.1 for proxy=", "Enable HTTP 1.1 for proxy=1"};
}

}  // namespace

void EnableNetscapeProxy(const char* host, int port) {
    const CString prefs = FindNetscapePrefs();
    if (prefs.IsEmpty()) return;
    CPrefRow rows[3];
    NetscapeRows(host, port, rows);
    SetRows(g_netscapeHeld, {prefs, "", "", "//"}, rows, 3);
}

void DisableNetscapeProxy() {
    const CString prefs = FindNetscapePrefs();
    if (prefs.IsEmpty()) return;
    CPrefRow rows[3];
    NetscapeRows("", 0, rows);
    const CPrefRow reset = {kProxyType, "user_pref(\"network.proxy.type\", 0);"};
    ResetRows(g_netscapeHeld, {prefs, "", "", "//"}, rows, 3, reset);
}

void EnableOperaProxy(const char* host, int port) {
    const CString ini = FindOperaIni();
    if (ini.IsEmpty()) return;
    CPrefRow rows[3];
    OperaRows(host, port, rows);
    SetRows(g_operaHeld, {ini, "[Proxy]", "[", ";"}, rows, 3);
}

void DisableOperaProxy() {
    const CString ini = FindOperaIni();
    if (ini.IsEmpty()) return;
    CPrefRow rows[3];
    OperaRows("", 0, rows);
    const CPrefRow reset = {kUseHttp, "Use HTTP=0"};
    ResetRows(g_operaHeld, {ini, "[Proxy]", "[", ";"}, rows, 3, reset);
}
