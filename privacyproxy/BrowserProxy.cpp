#include "BrowserProxy.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <vector>

#include "FileTransaction.h"
#include "Files.h"
#include "Handles.h"
#include "ProxyRecord.h"
#include "RegistryKey.h"
#include "TextTable.h"
#include "VeilrunGlobals.h"

namespace {

struct CPrefRow {
    const char* prefix;
    CString line;
    bool server;  // names the proxy server: what tells Veilrun's proxy from another
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

// The flags and proxy text of a per-connection value; false when the bytes
// are too short or damaged.
bool ReadConnection(const CString& bytes, DWORD& flags, CString& text) {
    if (bytes.GetLength() < 16) return false;
    DWORD length = 0;
    memcpy(&flags, bytes.c_str() + 8, 4);
    memcpy(&length, bytes.c_str() + 12, 4);
    if (length > DWORD(bytes.GetLength() - 16)) return false;
    text = bytes.Mid(16, int(length));
    return true;
}

// What each browser held before Veilrun's proxy first went on it, with the
// proxy text or lines Veilrun put there: a reset, in this run or after a
// kill, gives it back only where Veilrun's own still stand.
CProxyRecord Record() {
    const CRegistryKey key(g_Places.ProxyRecordKey);
    return CProxyRecord(RegistryRootOf(key.m_strRoot), key.m_strSubKey);
}
const char kLanPlace[] = "Internet Explorer\\LAN";
const char kDialUpGroup[] = "Internet Explorer\\Dial-up";
const char kSet[] = "Set";

CHeldValue HeldValue(const CRegistryKey& key, const char* name) {
    CRegistryValue value;
    if (!key.QueryValue(name, value)) return CHeldValue::Absent(name);
    return {name, true, value.m_dwType, BytesOf(value)};
}

void PutBack(const CString& keyPath, const CHeldValue& held) {
    if (!held.present) return;
    CRegistryValue value;
    value.m_strKeyPath = keyPath;
    value.m_strName = held.name;
    value.m_dwType = held.type;
    WriteBytes(value, held.data);
}

// Judged by the server text, whatever the switch beside it says: a proxy
// switched off by hand is still Veilrun's, not the user's to keep.
bool IsText(const CHeldValue& value, const CString& text) {
    return value.present && value.Text().CompareNoCase(text) == 0;
}

// A place's record: what it held, and what Veilrun set there.
CHeldValues KeptValues(std::initializer_list<const char*> names) {
    CHeldValues values;
    for (const char* name : names) values.push_back(CHeldValue::Absent(name));
    values.push_back(CHeldValue::Absent(kSet));
    return values;
}

void HoldAndSetLan(const CString& proxyText) {
    CRegistryKey settings(g_Places.IESettingsKey);
    CHeldValues held = {HeldValue(settings, "ProxyEnable"), HeldValue(settings, "ProxyServer"),
                        CHeldValue::Text(kSet, proxyText)};
    // Recorded where it outlives the process before the proxy goes on, or
    // the proxy does not go on.
    if (!Record().Keep(kLanPlace, held, IsText(held[1], proxyText))) return;
    settings.SetDWORD("ProxyEnable", 1);
    settings.SetString("ProxyServer", proxyText);
}

void PutBackLan() {
    CRegistryKey settings(g_Places.IESettingsKey);
    CHeldValues kept = KeptValues({"ProxyEnable", "ProxyServer"});
    if (!Record().Find(kLanPlace, kept) || !kept[2].present) {
        settings.SetDWORD("ProxyEnable", 0);
    } else if (IsText(HeldValue(settings, "ProxyServer"), kept[2].Text())) {
        // Only over Veilrun's own server: one someone has set since stays.
        if (kept[0].present)
            PutBack(g_Places.IESettingsKey, kept[0]);
        else
            settings.SetDWORD("ProxyEnable", 0);
        PutBack(g_Places.IESettingsKey, kept[1]);
    }
    Record().Forget(kLanPlace, kept);
}

// Each per-connection value whose bytes can be read, with its flags, its
// proxy text and the place of its record (empty for a name no key can have,
// which is then changed without a record).
template <typename Change>
void ForEachConnection(Change change) {
    CRegistryKey connections(g_Places.IESettingsKey + "\\Connections");
    connections.EnumerateValues();
    for (int i = 0; i < connections.m_values.GetSize(); ++i) {
        CRegistryValue& value = *connections.m_values[i];
        CString bytes = BytesOf(value), text;
        DWORD flags = 0;
        if (IsConnectionValue(value) && ReadConnection(bytes, flags, text))
            change(value, bytes, flags, text, CProxyRecord::Place(kDialUpGroup, value.m_strName));
    }
}

void SetConnections(const CString& proxyText) {
    ForEachConnection([&](CRegistryValue& value, CString& bytes, DWORD flags, const CString& text,
                          const CString& place) {
        if (!RewriteConnectionSettings(bytes, true, proxyText) || bytes.GetLength() > kRegistryDataLimit) return;
        const CHeldValues held = {CHeldValue::Number("Flags", flags), CHeldValue::Text("Server", text),
                                  CHeldValue::Text(kSet, proxyText)};
        if (place.IsEmpty() || Record().Keep(place, held, text.CompareNoCase(proxyText) == 0))
            WriteBytes(value, bytes);
    });
}

void PutBackConnections() {
    ForEachConnection([](CRegistryValue& value, CString& bytes, DWORD, const CString& text, const CString& place) {
        CHeldValues kept = KeptValues({"Flags", "Server"});
        if (place.IsEmpty() || !Record().Find(place, kept) || !kept[2].present) {
            RewriteConnectionSettings(bytes, false, CString());
            WriteBytes(value, bytes);
        } else if (text.CompareNoCase(kept[2].Text()) == 0) {
            // The connection's own text, and its proxy switch as it was.
            RewriteConnectionSettings(bytes, true, kept[1].Text());
            if (!(kept[0].Number() & 2)) RewriteConnectionSettings(bytes, false, CString());
            WriteBytes(value, bytes);
        }
        Record().Forget(place, kept);
    });
}

// One settings file's section: its header, section-start and comment prefixes.
struct CSettingsFile {
    CString path;
    const char* header;
    const char* startPrefix;
    const char* comment;
};

// The first line of the section that starts with the prefix, or empty.
CString FirstLine(const CSettingsFile& file, const CStringArray& lines, const char* prefix) {
    CStringArray found;
    SectionLinesOf(lines, file.header, file.startPrefix, prefix, "", file.comment, found, false);
    return found.IsEmpty() ? CString() : found[0];
}

CStringArray ReplacedLines(const CStringArray& lines, const char* header, const char* startPrefix,
                           const char* commentPrefix, const char* oldLine, const char* newLine, bool normalise) {
    CStringArray out;
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
    return out;
}

CStringArray InsertedLines(const CStringArray& lines, const char* header, const char* startPrefix,
                           const char* commentPrefix, const char* newLine, bool normalise) {
    CStringArray out;
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
    return out;
}

// Each row on the lines: the first line with the row's key prefix is
// replaced, or the row's line is inserted. A row without a line is left.
void ApplyRows(const CSettingsFile& file, CStringArray& lines, const CPrefRow* rows, int count) {
    for (int i = 0; i < count; ++i) {
        if (rows[i].line.IsEmpty()) continue;
        const CString line = FirstLine(file, lines, rows[i].prefix);
        lines = line.IsEmpty() ? InsertedLines(lines, file.header, file.startPrefix, file.comment, rows[i].line, false)
                               : ReplacedLines(lines, file.header, file.startPrefix, file.comment, line,
                                               rows[i].line, false);
    }
}

// The file read through one change, which replaces the file (or the file a
// link leads to) in one step once its new content stands written beside it.
struct CFileChange {
    CFileTransaction change;
    CString path, text;
    CStringArray lines;
    bool Read(const char* file) {
        path = file;
        if (!change.Read(path, text, false)) return false;
        lines = TextLinesOf(text);
        return true;
    }
    bool Write(const CStringArray& newLines) {
        CString newText;
        for (const CString& line : newLines) newText += line + "\r\n";
        return newText == text || (change.Stage(path, newText) && change.Commit());
    }
};

CString Joined(const CStringArray& lines) {
    CString text;
    for (int i = 0; i < lines.GetSize(); ++i) text += (i ? "\n" : "") + lines[i];
    return text;
}

// The row lines a file holds now, one for each row (empty where none).
CStringArray RowLines(const CSettingsFile& file, const CStringArray& lines, const CPrefRow* rows, int count) {
    CStringArray found;
    for (int i = 0; i < count; ++i) found.Add(FirstLine(file, lines, rows[i].prefix));
    return found;
}

// Veilrun's own proxy stands where every server row holds what set wrote,
// whatever the switch row says.
bool HoldsSetServer(const CStringArray& now, const CPrefRow* rows, const CStringArray& set) {
    for (int i = 0; i < set.GetSize(); ++i)
        if (rows[i].server && now[i] != set[i]) return false;
    return true;
}

// The record of a file: its path, the row lines it held and those set wrote.
CHeldValues FileRecord(const CString& path, const CString& before, const CString& set) {
    return {CHeldValue::Text("File", path), CHeldValue::Text("Before", before), CHeldValue::Text(kSet, set)};
}

void SetRows(const char* place, const CSettingsFile& file, const CPrefRow* rows, int count) {
    CFileChange change;
    if (!change.Read(file.path)) return;
    CStringArray set;
    for (int i = 0; i < count; ++i) set.Add(rows[i].line);
    const CStringArray before = RowLines(file, change.lines, rows, count);
    if (!Record().Keep(place, FileRecord(file.path, Joined(before), Joined(set)), HoldsSetServer(before, rows, set)))
        return;
    CStringArray lines = change.lines;
    ApplyRows(file, lines, rows, count);
    change.Write(lines);
}

// rows: the set's rows (for their key prefixes and which name the server);
// the first one is the proxy switch, whose off line (resetLine) goes in where
// nothing was kept for it.
void ResetRows(const char* place, const CSettingsFile& file, const CPrefRow* rows, int count,
               const CString& resetLine) {
    CFileChange change;
    if (!change.Read(file.path)) return;
    CStringArray lines = change.lines;
    CHeldValues kept = FileRecord(CString(), CString(), CString());
    const bool recorded = Record().Find(place, kept) && kept[1].present && kept[2].present &&
                          kept[0].Text().CompareNoCase(file.path) == 0;
    const CStringArray before = recorded ? SplitText(kept[1].Text(), "\n") : CStringArray();
    const CStringArray set = recorded ? SplitText(kept[2].Text(), "\n") : CStringArray();
    if (!recorded || before.GetSize() != count || set.GetSize() != count) {
        const CPrefRow off = {rows[0].prefix, resetLine, false};
        ApplyRows(file, lines, &off, 1);
    } else if (HoldsSetServer(RowLines(file, lines, rows, count), rows, set)) {
        // What the file held comes back; a row it did not have keeps
        // Veilrun's line, and the switch goes off.
        std::vector<CPrefRow> back;
        for (int i = 0; i < count; ++i)
            back.push_back({rows[i].prefix, i == 0 && before[i].IsEmpty() ? resetLine : before[i], rows[i].server});
        ApplyRows(file, lines, back.data(), count);
    }
    // A file whose proxy someone has set since stays as it is.
    if (change.Write(lines) && recorded) Record().Forget(place, kept);
}

const char* const kProxyType = "user_pref(\"network.proxy.type\"";
// Opera keys end at their '=', so that "Use HTTPS" is not taken for "Use HTTP".
const char* const kUseHttp = "Use HTTP=";

}  // namespace

bool RewriteConnectionSettings(CString& bytes, bool enable, const CString& proxyText) {
    DWORD flags = 0;
    CString text;
    if (!ReadConnection(bytes, flags, text)) return false;
    flags = enable ? (flags | 2) : (flags & ~DWORD(2));
    std::string data = bytes.str();
    memcpy(&data[8], &flags, 4);
    if (enable) {
        DWORD newLength = DWORD(proxyText.GetLength());
        memcpy(&data[12], &newLength, 4);
        data.replace(16, size_t(text.GetLength()), proxyText.str());
    }
    bytes = CString(data);
    return true;
}

void EnableIEProxy(const char* host, int port) {
    CRegistryKey(g_Places.IEAdvancedKey + "\\GENABLE").SetDWORD("CheckedValue", 1);
    CRegistryKey(g_Places.IEAdvancedKey + "\\PROXY").SetDWORD("CheckedValue", 1);
    const CString proxyText = CString(host) + ":" + IntToString(port);
    HoldAndSetLan(proxyText);
    SetConnections(proxyText);
    SettingsChanged();
}

void DisableIEProxy() {
    PutBackLan();
    PutBackConnections();
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
    CFileChange change;
    return change.Read(path) &&
           change.Write(ReplacedLines(change.lines, header, startPrefix, commentPrefix, oldLine, newLine, normalise));
}

bool InsertLine(const char* path, const char* header, const char* startPrefix, const char* commentPrefix,
                const char* newLine, bool normalise) {
    CFileChange change;
    return change.Read(path) &&
           change.Write(InsertedLines(change.lines, header, startPrefix, commentPrefix, newLine, normalise));
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
    rows[0] = {kProxyType, "user_pref(\"network.proxy.type\", 1);", false};
    rows[1] = {"user_pref(\"network.proxy.http\"", CString("user_pref(\"network.proxy.http\", \"") + host + "\");",
               true};
    rows[2] = {"user_pref(\"network.proxy.http_port\"",
               "user_pref(\"network.proxy.http_port\", " + IntToString(port) + ");", true};
}

void OperaRows(const char* host, int port, CPrefRow rows[3]) {
    rows[0] = {kUseHttp, "Use HTTP=1", false};
    rows[1] = {"HTTP Server=", "HTTP Server=" + CString(host) + ":" + IntToString(port), true};
    rows[2] = {"Enable HTTP 1.1 for proxy=", "Enable HTTP 1.1 for proxy=1", false};
}

CSettingsFile NetscapeFile(const CString& path) { return {path, "", "", "//"}; }
CSettingsFile OperaFile(const CString& path) { return {path, "[Proxy]", "[", ";"}; }

}  // namespace

void EnableNetscapeProxy(const char* host, int port) {
    const CString prefs = FindNetscapePrefs();
    if (prefs.IsEmpty()) return;
    CPrefRow rows[3];
    NetscapeRows(host, port, rows);
    SetRows("Netscape", NetscapeFile(prefs), rows, 3);
}

void DisableNetscapeProxy() {
    const CString prefs = FindNetscapePrefs();
    if (prefs.IsEmpty()) return;
    CPrefRow rows[3];
    NetscapeRows("", 0, rows);
    ResetRows("Netscape", NetscapeFile(prefs), rows, 3, "user_pref(\"network.proxy.type\", 0);");
}

void EnableOperaProxy(const char* host, int port) {
    const CString ini = FindOperaIni();
    if (ini.IsEmpty()) return;
    CPrefRow rows[3];
    OperaRows(host, port, rows);
    SetRows("Opera", OperaFile(ini), rows, 3);
}

void DisableOperaProxy() {
    const CString ini = FindOperaIni();
    if (ini.IsEmpty()) return;
    CPrefRow rows[3];
    OperaRows("", 0, rows);
    ResetRows("Opera", OperaFile(ini), rows, 3, "Use HTTP=0");
}
