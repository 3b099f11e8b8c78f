#include "TuningStore.h"

#include <cstdlib>
#include <cstring>

#include "ModemPatch.h"
#include "Registry.h"
#include "Swiftlane.h"

namespace {
const char* const kInternetSettingsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char* const kTcpipKey = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char* const kInterfacesKey = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
const char* const kMstcpKey = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char* const kNetTransKey = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\";
const char* const kDialUpAdapters = "Enum\\Root\\Net";
const char* const kMstcpBindings = "Enum\\Network\\MSTCP\\";
const char* const kMTUSettings = "MTU Settings";
const char* const kMSSSettings = "MSS Settings";
// A backed-up MaxMTU of "0" stands for one that was not there.
const char* const kNoMaxMTU = "0";
// The interfaces a backup saw, one value each: Reset touches no other, so an
// adapter installed after the tuning keeps its own MTU and MSS.
const char* const kSeenInterfaces = "Interfaces";
// Written last into a backup made in full, so that one an interruption left
// in part is told apart.
const char* const kCompleteMark = "Backup Complete";
const char* const kPendingSuffix = " (new)";
const char* const kOldSuffix = " (old)";

// One backed-up value: what Apply writes into it (the chosen setting, or a
// fixed number) and whether its current value is the one the page shows.
struct Parameter {
    const char* name;
    TuningValue TuningSettings::*setting;
    DWORD fixed;
    bool shown;
};

const Parameter kInternetParameters[] = {
    {"MaxConnectionsPer1_0Server", &TuningSettings::http10, 0, true},
    {"MaxConnectionsPerServer", &TuningSettings::http11, 0, true},
};
const Parameter kNTParameters[] = {
    {"SackOpts", nullptr, 1, false},
    {"Tcp1323Opts", nullptr, 1, false},
    {"GlobalMaxTcpWindowSize", &TuningSettings::rwin, 0, false},
    {"TcpMaxDupAcks", nullptr, 2, false},
    {"DefaultTTL", &TuningSettings::ttl, 0, true},
    {"TcpWindowSize", &TuningSettings::rwin, 0, true},
    {"DefaultReceiveWindow", nullptr, 8192, false},
    {"EnablePMTUBHDetect", &TuningSettings::blackHoleDetect, 0, true},
    {"EnablePMTUDiscovery", &TuningSettings::pmtuDiscovery, 0, true},
    {"KeepAliveTime", &TuningSettings::keepAliveTime, 0, true},
    {"KeepAliveInterval", &TuningSettings::keepAliveInterval, 0, true},
    {"SYNAttackProtect", &TuningSettings::synProtect, 0, true},
    {"EnableICMPRedirects", &TuningSettings::icmpRedirects, 0, true},
};
// GlobalMaxTcpWindoSize (one "w") is a value of its own that 9x stacks read.
const Parameter k9xParameters[] = {
    {"SackOpts", nullptr, 1, false},
    {"Tcp1323Opts", nullptr, 1, false},
    {"DefaultTTL", &TuningSettings::ttl, 0, true},
    {"DefaultRcvWindow", &TuningSettings::rwin, 0, true},
    {"GlobalMaxTcpWindowSize", &TuningSettings::rwin, 0, false},
    {"GlobalMaxTcpWindoSize", &TuningSettings::rwin, 0, false},
    {"PMTUBlackHoleDetect", &TuningSettings::blackHoleDetect, 0, true},
    {"PMTUDiscovery", &TuningSettings::pmtuDiscovery, 0, true},
    {"KeepAliveTime", &TuningSettings::keepAliveTime, 0, true},
    {"KeepAliveInterval", &TuningSettings::keepAliveInterval, 0, true},
};

// A live key and its values; 9x keeps numbers as decimal strings.
struct Group {
    bool machine;
    const char* key;
    bool strings;
    const Parameter* parameters;
    size_t count;
};
template <size_t N>
Group MakeGroup(bool machine, const char* key, bool strings, const Parameter (&parameters)[N]) {
    return {machine, key, strings, parameters, N};
}

std::vector<Group> GroupsOf(OSFamily family) {
    std::vector<Group> groups{MakeGroup(false, kInternetSettingsKey, false, kInternetParameters)};
    if (family == FAMILY_NT) groups.push_back(MakeGroup(true, kTcpipKey, false, kNTParameters));
    if (family == FAMILY_9X) groups.push_back(MakeGroup(true, kMstcpKey, true, k9xParameters));
    return groups;
}

bool IsAbsent(LONG rc) { return rc == ERROR_FILE_NOT_FOUND; }

// A DWORD, or a decimal string as 9x keeps it.
void ShowCurrent(const CString& bytes, DWORD type, TuningValue& value) {
    if (value.present) return;
    if (type == REG_DWORD && bytes.GetLength() == int(sizeof(DWORD))) {
        memcpy(&value.current, bytes.c_str(), sizeof(DWORD));
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
        value.current = DWORD(strtoul(bytes.c_str(), nullptr, 10));
    } else {
        return;
    }
    value.present = true;
}

// Reads one value when it exists and, given the originals, keeps it there
// as key\name; false when it exists but could not be read, since Reset would
// then delete an original.
bool CopyValue(const CRegKey& from, const char* fromName, TuningOriginals* to, const char* toKey, const char* toName,
               TuningValue* shown) {
    CString bytes;
    DWORD type = 0;
    LONG rc = from.QueryBinary(fromName, bytes, &type);
    if (IsAbsent(rc)) return true;
    if (rc != ERROR_SUCCESS) return false;
    if (shown) ShowCurrent(bytes, type, *shown);
    if (to) to->values.push_back({toKey, toName, type, bytes});
    return true;
}

void KeepText(TuningOriginals* to, const char* key, const char* name, const char* text) {
    if (to) to->values.push_back({key, name, REG_SZ, CString(text, int(strlen(text)) + 1)});
}

bool HasSubKey(const CRegKey& key, const char* name) {
    CRegKey sub;
    return key.IsOpen() && sub.Open(key, name, KEY_READ) == ERROR_SUCCESS;
}

bool IsMarked(HKEY root, const char* path) {
    CRegKey key;
    return key.Open(root, path, KEY_READ) == ERROR_SUCCESS && key.HasValue(kCompleteMark);
}

// A backup older than the mark: the adapter lists without the interface record.
bool IsUnmarkedBackup(HKEY root, const char* path) {
    CRegKey key;
    return key.Open(root, path, KEY_READ) == ERROR_SUCCESS && !key.HasValue(kCompleteMark) &&
           !HasSubKey(key, kSeenInterfaces) && HasSubKey(key, kMTUSettings) && HasSubKey(key, kMSSSettings);
}

// The mark first, then the adapter lists before the interface record, so
// that what an interruption leaves is never taken for a backup.
LONG RemoveBackup(HKEY root, const CString& path) {
    {
        CRegKey key;
        LONG rc = key.Open(root, path, KEY_READ | KEY_WRITE);
        if (IsAbsent(rc)) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        rc = key.DeleteValue(kCompleteMark);
        if (rc != ERROR_SUCCESS && !IsAbsent(rc)) return rc;
    }
    for (const char* sub : {kMTUSettings, kMSSSettings, kSeenInterfaces}) {
        LONG rc = CRegKey::DeleteTree(root, path + "\\" + sub);
        if (rc != ERROR_SUCCESS && !IsAbsent(rc)) return rc;
    }
    LONG rc = CRegKey::DeleteTree(root, path);
    return IsAbsent(rc) ? ERROR_SUCCESS : rc;
}

// Subkeys before values, the mark last: a copy cut short has none. A whole
// copy of a backup older than the mark gets one too.
bool CopyTree(const CRegKey& from, CRegKey& to) {
    for (const CString& name : from.EnumSubKeys()) {
        CRegKey source, target;
        if (source.Open(from, name, KEY_READ) != ERROR_SUCCESS || target.Create(to, name) != ERROR_SUCCESS ||
            !CopyTree(source, target))
            return false;
    }
    for (const CString& name : from.EnumValueNames()) {
        if (name.CompareNoCase(kCompleteMark) == 0) continue;
        CString bytes;
        DWORD type = 0;
        if (from.QueryBinary(name, bytes, &type) != ERROR_SUCCESS ||
            to.SetBinary(name, bytes.c_str(), DWORD(bytes.GetLength()), type) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

// Puts a copy of the backup at from in place of whatever is at to.
bool CopyBackup(HKEY root, const CString& from, const CString& to) {
    if (RemoveBackup(root, to) != ERROR_SUCCESS) return false;
    CRegKey source, target;
    return source.Open(root, from, KEY_READ) == ERROR_SUCCESS && target.Create(root, to) == ERROR_SUCCESS &&
           CopyTree(source, target) && target.SetDWORD(kCompleteMark, 1) == ERROR_SUCCESS;
}

// The keys in their order, then the values, the mark last.
bool WriteOriginals(HKEY root, const CString& path, const TuningOriginals& originals) {
    CRegKey target;
    if (target.Create(root, path) != ERROR_SUCCESS) return false;
    for (const CString& sub : originals.keys) {
        CRegKey key;
        if (key.Create(target, sub) != ERROR_SUCCESS) return false;
    }
    for (const TuningOriginals::Value& v : originals.values) {
        CRegKey opened;
        CRegKey* key = &target;
        if (!v.key.IsEmpty()) {
            if (opened.Create(target, v.key) != ERROR_SUCCESS) return false;
            key = &opened;
        }
        if (key->SetBinary(v.name, v.bytes.c_str(), DWORD(v.bytes.GetLength()), v.type) != ERROR_SUCCESS) return false;
    }
    return target.SetDWORD(kCompleteMark, 1) == ERROR_SUCCESS;
}

// Every value and subkey with type and bytes, in registry order.
void DumpTree(const CRegKey& key, CString& out) {
    for (const CString& name : key.EnumValueNames()) {
        CString bytes;
        DWORD type = 0;
        key.QueryBinary(name, bytes, &type);
        out += name;
        out.AppendFormat("=%lu:%d:", static_cast<unsigned long>(type), bytes.GetLength());
        out.Append(bytes.str().data(), bytes.GetLength());
        out += '\n';
    }
    for (const CString& name : key.EnumSubKeys()) {
        CRegKey sub;
        out += "[" + name + "]\n";
        if (sub.Open(key, name, KEY_READ) == ERROR_SUCCESS) DumpTree(sub, out);
        out += "[]\n";
    }
}

// Writes the backed-up value back, or deletes the live one the backup does not have.
bool RestoreValue(const CRegKey& backup, const char* backupName, CRegKey& live, const char* liveName) {
    CString bytes;
    DWORD type = 0;
    LONG rc = backup.IsOpen() ? backup.QueryBinary(backupName, bytes, &type) : ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_SUCCESS) return live.SetBinary(liveName, bytes.c_str(), DWORD(bytes.GetLength()), type) == ERROR_SUCCESS;
    if (!IsAbsent(rc)) return false;
    rc = live.DeleteValue(liveName);
    return rc == ERROR_SUCCESS || IsAbsent(rc);
}

HKEY RootOf(const TuningRegistry& where, const Group& group) { return group.machine ? where.machine : where.user; }

bool BackupGroup(const TuningRegistry& where, const Group& group, TuningOriginals* backup, TuningSettings& settings) {
    CRegKey live;
    LONG rc = live.Open(RootOf(where, group), group.key, KEY_READ);
    if (IsAbsent(rc)) return true;
    if (rc != ERROR_SUCCESS) return false;
    bool complete = true;
    for (size_t i = 0; i < group.count; ++i) {
        const Parameter& p = group.parameters[i];
        complete &= CopyValue(live, p.name, backup, "", p.name, p.shown ? &(settings.*p.setting) : nullptr);
    }
    return complete;
}

bool RestoreGroup(const TuningRegistry& where, const Group& group, const CRegKey& backup) {
    bool anyBackedUp = false;
    for (size_t i = 0; i < group.count; ++i) anyBackedUp |= backup.HasValue(group.parameters[i].name);
    CRegKey live;
    LONG rc = live.Open(RootOf(where, group), group.key, KEY_READ | KEY_WRITE);
    // A key that is gone holds nothing to delete; it is made only for values to put back.
    if (IsAbsent(rc) && !anyBackedUp) return true;
    if (IsAbsent(rc)) rc = live.Create(RootOf(where, group), group.key);
    if (rc != ERROR_SUCCESS) return false;
    bool complete = true;
    for (size_t i = 0; i < group.count; ++i)
        complete &= RestoreValue(backup, group.parameters[i].name, live, group.parameters[i].name);
    return complete;
}

CString Behind(const CString& text, const char* marker) {
    int at = text.Find(marker);
    return at < 0 ? CString() : text.Mid(at + int(strlen(marker)));
}

// The NetTrans instance of the dial-up adapter's TCP/IP binding, or empty.
CString DialUpInstance(HKEY machine) {
    CRegKey adapters;
    if (adapters.Open(machine, kDialUpAdapters, KEY_READ) != ERROR_SUCCESS) return CString();
    CRegKey adapter;
    bool found = false;
    for (const CString& name : adapters.EnumSubKeys()) {
        CString description;
        if (adapter.Open(adapters, name, KEY_READ) == ERROR_SUCCESS &&
            adapter.QueryString("DeviceDesc", description) == ERROR_SUCCESS && description == "Dial-Up Adapter") {
            found = true;
            break;
        }
    }
    CRegKey bindings;
    if (!found || bindings.Open(adapter, "Bindings", KEY_READ) != ERROR_SUCCESS) return CString();
    CString binding;
    for (const CString& name : bindings.EnumValueNames()) {
        if (name.Find("MSTCP\\") < 0) continue;
        binding = Behind(name, "MSTCP\\");
        break;
    }
    CRegKey mstcp;
    CString driver;
    if (binding.IsEmpty() || mstcp.Open(machine, kMstcpBindings + binding, KEY_READ) != ERROR_SUCCESS ||
        mstcp.QueryString("Driver", driver) != ERROR_SUCCESS)
        return CString();
    return Behind(driver, "NetTrans\\");
}

// The adapter instance the backup was made for: the first name in its MTU list.
CString BackedUpInstance(const CRegKey& mtuBackup) {
    CStringArray names = mtuBackup.EnumValueNames();
    return names.IsEmpty() ? CString() : names[0];
}

bool BackupDialUpAdapter(HKEY machine, TuningOriginals* backup, TuningSettings& settings) {
    CString instance = DialUpInstance(machine);
    CRegKey adapter;
    if (instance.IsEmpty() || adapter.Open(machine, kNetTransKey + instance, KEY_READ) != ERROR_SUCCESS) return true;
    bool complete = true;
    if (adapter.HasValue("MaxMTU"))
        complete &= CopyValue(adapter, "MaxMTU", backup, kMTUSettings, instance, &settings.mtu);
    else
        KeepText(backup, kMTUSettings, instance, kNoMaxMTU);
    complete &= CopyValue(adapter, "MaxMSS", backup, kMSSSettings, instance, &settings.mss);
    return complete;
}

bool RestoreDialUpAdapter(HKEY machine, const CRegKey& mtuBackup, const CRegKey& mssBackup) {
    CString instance = BackedUpInstance(mtuBackup);
    CRegKey adapter;
    if (instance.IsEmpty()) return true;
    LONG rc = adapter.Open(machine, kNetTransKey + instance, KEY_READ | KEY_WRITE);
    if (IsAbsent(rc)) return true;
    if (rc != ERROR_SUCCESS) return false;
    CString mtu;
    bool complete = true;
    if (mtuBackup.QueryString(instance, mtu) == ERROR_SUCCESS && mtu == kNoMaxMTU) {
        rc = adapter.DeleteValue("MaxMTU");
        complete &= rc == ERROR_SUCCESS || IsAbsent(rc);
    } else {
        complete &= RestoreValue(mtuBackup, instance, adapter, "MaxMTU");
    }
    complete &= RestoreValue(mssBackup, instance, adapter, "MaxMSS");
    return complete;
}

bool BackupInterfaces(HKEY machine, TuningOriginals* backup, TuningSettings& settings) {
    CRegKey interfaces;
    LONG rc = interfaces.Open(machine, kInterfacesKey, KEY_READ);
    if (IsAbsent(rc)) return true;
    if (rc != ERROR_SUCCESS) return false;
    bool complete = true;
    for (const CString& name : interfaces.EnumSubKeys()) {
        CRegKey live;
        if (live.Open(interfaces, name, KEY_READ) != ERROR_SUCCESS) {
            complete = false;
            continue;
        }
        complete &= CopyValue(live, "MTU", backup, kMTUSettings, name, &settings.mtu);
        complete &= CopyValue(live, "MSS", backup, kMSSSettings, name, &settings.mss);
        KeepText(backup, kSeenInterfaces, name, "");
    }
    return complete;
}

// The interfaces a backup saw; a backup without that record stands for every
// live interface, as such backups were put back before.
bool BackedUpInterfaces(const CRegKey& backup, const CRegKey& interfaces, CStringArray& names) {
    CRegKey seen;
    LONG rc = backup.IsOpen() ? seen.Open(backup, kSeenInterfaces, KEY_READ) : ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_SUCCESS) {
        names = seen.EnumValueNames();
        return true;
    }
    if (!IsAbsent(rc)) return false;
    names = interfaces.EnumSubKeys();
    return true;
}

bool RestoreInterfaces(HKEY machine, const CRegKey& backup, const CRegKey& mtuBackup, const CRegKey& mssBackup) {
    CRegKey interfaces;
    LONG rc = interfaces.Open(machine, kInterfacesKey, KEY_READ);
    if (IsAbsent(rc)) return true;
    if (rc != ERROR_SUCCESS) return false;
    CStringArray names;
    if (!BackedUpInterfaces(backup, interfaces, names)) return false;
    bool complete = true;
    for (const CString& name : names) {
        CRegKey live;
        rc = live.Open(interfaces, name, KEY_READ | KEY_WRITE);
        // An interface removed since the tuning has nothing to put back.
        if (IsAbsent(rc)) continue;
        if (rc != ERROR_SUCCESS) {
            complete = false;
            continue;
        }
        complete &= RestoreValue(mtuBackup, name, live, "MTU");
        complete &= RestoreValue(mssBackup, name, live, "MSS");
    }
    return complete;
}

// Keeps the first failure of an apply; the later writes still go ahead.
void Note(TuningApplyResult& result, bool written, const CString& key, const char* name) {
    if (written || result.outcome == TuningApplyResult::WriteFailed) return;
    result.outcome = TuningApplyResult::WriteFailed;
    result.failedValue = key + "\\" + name;
}

void WriteNumber(CRegKey& key, const CString& keyPath, const char* name, DWORD value, bool asString,
                 TuningApplyResult& result) {
    LONG rc;
    if (asString) {
        CString text;
        text.Format("%lu", static_cast<unsigned long>(value));
        rc = key.SetString(name, text);
    } else {
        rc = key.SetDWORD(name, value);
    }
    Note(result, rc == ERROR_SUCCESS, keyPath, name);
}

void ApplyGroup(const TuningRegistry& where, const Group& group, const TuningSettings& settings,
                TuningApplyResult& result) {
    CRegKey live;
    if (live.Create(RootOf(where, group), group.key, KEY_WRITE) != ERROR_SUCCESS) {
        // Not one value of the group can be written: the first one is named.
        Note(result, false, group.key, group.parameters[0].name);
        return;
    }
    for (size_t i = 0; i < group.count; ++i) {
        const Parameter& p = group.parameters[i];
        WriteNumber(live, group.key, p.name, p.setting ? (settings.*p.setting).chosen : p.fixed, group.strings, result);
    }
}

// Reads every value the tuner changes and, given the originals, keeps them
// there; false when one could not be read.
bool Capture(const TuningRegistry& where, TuningSettings& settings, TuningOriginals* backup) {
    bool complete = true;
    for (const Group& group : GroupsOf(settings.family)) {
        if (group.machine) {
            if (backup && settings.family == FAMILY_NT) backup->keys.push_back(kSeenInterfaces);
            if (backup) backup->keys.insert(backup->keys.end(), {kMTUSettings, kMSSSettings});
            if (settings.family == FAMILY_NT) complete &= BackupInterfaces(where.machine, backup, settings);
            if (settings.family == FAMILY_9X) complete &= BackupDialUpAdapter(where.machine, backup, settings);
        }
        complete &= BackupGroup(where, group, backup, settings);
    }
    return complete;
}
}  // namespace

TuningRegistry DefaultTuningRegistry() {
    TuningRegistry where;
    where.backupKey = CString(kSwiftlaneKey) + "\\" + kOriginalSettingsKey;
    return where;
}

CTuningStore::CTuningStore(const TuningRegistry& where)
    : m_where(where), m_pendingKey(where.backupKey + kPendingSuffix), m_oldKey(where.backupKey + kOldSuffix) {}

void CTuningStore::ReadCurrent(TuningSettings& settings, TuningOriginals& originals) {
    originals = TuningOriginals();
    originals.complete = Capture(m_where, settings, &originals);
    originals.backupSeen = BackupContents();
}

// Beside a pending or old backup, one without the mark is one cut short.
bool CTuningStore::WholeBackupStands() const {
    return IsMarked(m_where.user, m_where.backupKey) ||
           (!IsMarked(m_where.user, m_pendingKey) && !IsMarked(m_where.user, m_oldKey) &&
            IsUnmarkedBackup(m_where.user, m_where.backupKey));
}

CString CTuningStore::BackupContents() const {
    CRegKey backup;
    CString contents;
    if (WholeBackupStands() && backup.Open(m_where.user, m_where.backupKey, KEY_READ) == ERROR_SUCCESS)
        DumpTree(backup, contents);
    return contents;
}

bool CTuningStore::HasBackup() {
    Recover();
    return WholeBackupStands();
}

// A whole backup stands at every step: the old one is copied aside before
// the backup key is emptied and goes only once the new one stands there
// whole; an interruption is finished from the copies (Recover).
bool CTuningStore::ReplaceBackup(const TuningOriginals& originals) {
    const HKEY root = m_where.user;
    const CString& backup = m_where.backupKey;
    // An old backup that Recover could not put back is the only one left.
    if (IsMarked(root, m_oldKey)) return false;
    const bool hadOld = WholeBackupStands();
    if (hadOld && !CopyBackup(root, backup, m_oldKey)) {
        RemoveBackup(root, m_oldKey);
        return false;
    }
    if (RemoveBackup(root, m_pendingKey) != ERROR_SUCCESS || !WriteOriginals(root, m_pendingKey, originals) ||
        !CopyBackup(root, m_pendingKey, backup)) {
        // Where even putting the old one back fails, its copy stays for Recover.
        if (!hadOld) RemoveBackup(root, backup);
        if (!hadOld || IsMarked(root, backup) || CopyBackup(root, m_oldKey, backup)) RemoveBackup(root, m_oldKey);
        RemoveBackup(root, m_pendingKey);
        return false;
    }
    RemoveBackup(root, m_oldKey);
    RemoveBackup(root, m_pendingKey);
    return true;
}

void CTuningStore::Recover() {
    if (!IsMarked(m_where.user, m_where.backupKey)) {
        // The old backup first: a Finish cut short while it was aside had written nothing yet.
        if (IsMarked(m_where.user, m_oldKey))
            CopyBackup(m_where.user, m_oldKey, m_where.backupKey);
        else if (IsMarked(m_where.user, m_pendingKey))
            CopyBackup(m_where.user, m_pendingKey, m_where.backupKey);
    }
    const bool whole = WholeBackupStands();
    // Without a whole backup, and with no copy left to put back, what stands is remains.
    if (!whole && (IsMarked(m_where.user, m_oldKey) || IsMarked(m_where.user, m_pendingKey))) return;
    if (!whole) RemoveBackup(m_where.user, m_where.backupKey);
    RemoveBackup(m_where.user, m_oldKey);
    RemoveBackup(m_where.user, m_pendingKey);
}

TuningApplyResult CTuningStore::Apply(const TuningSettings& settings, const TuningOriginals& originals,
                                      bool patchModem) {
    TuningApplyResult result;
    Recover();
    const CString found = BackupContents();
    if (originals.complete && !found.IsEmpty() && found != originals.backupSeen) {
        result.outcome = TuningApplyResult::BackupChanged;
        result.backupFound = found;
        return result;
    }
    CRegKey backup, mtuBackup;
    if (!originals.complete || !ReplaceBackup(originals) ||
        backup.Open(m_where.user, m_where.backupKey, KEY_READ) != ERROR_SUCCESS) {
        result.outcome = TuningApplyResult::NoBackup;
        result.backupKept = WholeBackupStands();
        return result;
    }
    if (patchModem) Note(result, RaiseModems(m_where.machine, settings.family), "Modem", "Properties");
    for (const Group& group : GroupsOf(settings.family)) ApplyGroup(m_where, group, settings, result);
    if (settings.family == FAMILY_9X) {
        mtuBackup.Open(backup, kMTUSettings, KEY_READ);
        CString instance = BackedUpInstance(mtuBackup);
        if (!instance.IsEmpty()) {
            const CString adapterKey = kNetTransKey + instance;
            CRegKey adapter;
            if (adapter.Open(m_where.machine, adapterKey, KEY_WRITE) == ERROR_SUCCESS) {
                WriteNumber(adapter, adapterKey, "MaxMTU", settings.mtu.chosen, true, result);
                WriteNumber(adapter, adapterKey, "MaxMSS", settings.mss.chosen, true, result);
            } else {
                Note(result, false, adapterKey, "MaxMTU");
            }
        }
    }
    if (settings.family == FAMILY_NT) {
        // Only the interfaces the backup saw: Reset can put back no other.
        CRegKey interfaces, seen;
        if (interfaces.Open(m_where.machine, kInterfacesKey, KEY_READ) == ERROR_SUCCESS &&
            seen.Open(backup, kSeenInterfaces, KEY_READ) == ERROR_SUCCESS) {
            for (const CString& name : seen.EnumValueNames()) {
                const CString interfaceKey = CString(kInterfacesKey) + "\\" + name;
                CRegKey live;
                LONG rc = live.Open(interfaces, name, KEY_WRITE);
                if (IsAbsent(rc)) continue;
                if (rc != ERROR_SUCCESS) {
                    Note(result, false, interfaceKey, "MTU");
                    continue;
                }
                WriteNumber(live, interfaceKey, "MTU", settings.mtu.chosen, false, result);
                WriteNumber(live, interfaceKey, "MSS", settings.mss.chosen, false, result);
            }
        }
    }
    return result;
}

bool CTuningStore::Reset(OSFamily family) {
    Recover();
    CRegKey backup, mtuBackup, mssBackup;
    if (!WholeBackupStands() || backup.Open(m_where.user, m_where.backupKey, KEY_READ) != ERROR_SUCCESS) return false;
    mtuBackup.Open(backup, kMTUSettings, KEY_READ);
    mssBackup.Open(backup, kMSSSettings, KEY_READ);
    bool complete = true;
    for (const Group& group : GroupsOf(family)) {
        if (family == FAMILY_9X && group.machine) complete &= RestoreDialUpAdapter(m_where.machine, mtuBackup, mssBackup);
        if (family == FAMILY_NT && group.machine)
            complete &= RestoreInterfaces(m_where.machine, backup, mtuBackup, mssBackup);
        complete &= RestoreGroup(m_where, group, backup);
    }
    // Deleting the backup after a failed restore would lose the originals for good.
    if (!complete) return false;
    backup.Close();
    mtuBackup.Close();
    mssBackup.Close();
    return RemoveBackup(m_where.user, m_where.backupKey) == ERROR_SUCCESS;
}

bool CTuningStore::FindModem(OSFamily family) { return FindUnraisedModem(m_where.machine, family); }
