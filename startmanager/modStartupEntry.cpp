#include "modStartupEntry.h"

#include <windows.h>

#include "Files.h"
#include "RegistryControl.h"
#include "ShellLink.h"
#include "modLanguage.h"

namespace {
enum class Kind { None, Registry, WinIni, Startup };

struct CEntryLocation {
    Kind kind = Kind::None;
    HKEY root = nullptr;
    const char* runKey = nullptr;  // Registry
    const char* iniKey = nullptr;  // WinIni
    CString folder;                // Startup
};

CEntryLocation LocationOf(const CString& loadFrom, const CStartupLocations& where) {
    CEntryLocation at;
    CLocationNames names;
    GetLocationNames(names);
    if (loadFrom == names.userRun) {
        at.kind = Kind::Registry;
        at.root = HKEY_CURRENT_USER;
        at.runKey = "Run";
        return at;
    }
    for (const char* key : {"Run", "RunOnce", "RunOnceEx", "RunServices"}) {
        // The list builds machine texts from the pack's word for "Registry";
        // the English texts stay recognised for records saved under English.
        if (loadFrom == CString("Registry(Machine ") + key + ")" || loadFrom == MachineLocationName(key)) {
            at.kind = Kind::Registry;
            at.root = HKEY_LOCAL_MACHINE;
            at.runKey = key;
            return at;
        }
    }
    if (loadFrom == names.winIniRun || loadFrom == names.winIniLoad) {
        at.kind = Kind::WinIni;
        at.iniKey = loadFrom == names.winIniRun ? "Run" : "Load";
    } else if (loadFrom == names.userStartup || loadFrom == names.allUsersStartup) {
        at.kind = Kind::Startup;
        at.folder = loadFrom == names.userStartup ? where.userStartup : where.commonStartup;
    }
    return at;
}

CRegistryControl PointReg1(const CEntryLocation& at, const StartupRecord& record, const CStartupLocations& where) {
    CRegistryControl reg1;
    reg1.SetRoot(at.root);
    reg1.SetKeyPath(JoinPath(where.runKeyBase, at.runKey));
    reg1.SetValueName(record.taskName);
    return reg1;
}

// Empty when the name would leave the folder: a record file is text anyone
// can edit, and "..\\x" must not delete or create a file elsewhere.
CString ShortcutPath(const CEntryLocation& at, const StartupRecord& record) {
    if (at.folder.IsEmpty() || record.taskName.IsEmpty() || record.taskName.FindOneOf("\\/:*?\"<>|") >= 0 ||
        record.taskName == "." || record.taskName == "..")
        return CString();
    return JoinPath(at.folder, record.taskName + ".lnk");
}
}  // namespace

bool RemoveStartupEntry(const StartupRecord& record, const CStartupLocations& where) {
    const CEntryLocation at = LocationOf(record.loadFrom, where);
    switch (at.kind) {
    case Kind::Registry:
        return PointReg1(at, record, where).Delete() == ERROR_SUCCESS;
    case Kind::WinIni:
        return WritePrivateProfileStringA(kWinIniSection, at.iniKey, "", where.winIni) != FALSE;
    case Kind::Startup: {
        const CString link = ShortcutPath(at, record);
        return !link.IsEmpty() && DeleteFileA(link);
    }
    default:
        return false;
    }
}

bool WriteStartupEntry(const StartupRecord& record, const CStartupLocations& where) {
    const CEntryLocation at = LocationOf(record.loadFrom, where);
    switch (at.kind) {
    case Kind::Registry: {
        CRegistryControl reg1 = PointReg1(at, record, where);
        reg1.SetValue(record.location);
        return reg1.Write() == ERROR_SUCCESS;
    }
    case Kind::WinIni:
        return WritePrivateProfileStringA(kWinIniSection, at.iniKey, record.location, where.winIni) != FALSE;
    case Kind::Startup: {
        const CString link = ShortcutPath(at, record);
        return !link.IsEmpty() && CreateShortcut(link, record.location) == S_OK;
    }
    default:
        return false;
    }
}
