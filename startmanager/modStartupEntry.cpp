#include "modStartupEntry.h"

#include "Files.h"
#include "RegistryControl.h"
#include "ShellLink.h"

namespace {
const char* RunKeyOf(int code) {
    switch (code) {
    case kUserRun:
    case kMachineRun: return "Run";
    case kMachineRunOnce: return "RunOnce";
    case kMachineRunOnceEx: return "RunOnceEx";
    case kMachineRunServices: return "RunServices";
    default: return nullptr;
    }
}

// ---- Run keys ----

CRegistryControl PointReg1(HKEY root, const CString& keyPath, const CString& name) {
    CRegistryControl reg1;
    reg1.SetRoot(root);
    reg1.SetKeyPath(keyPath);
    reg1.SetValueName(name);
    return reg1;
}

DWORD DeletedOrAbsent(LONG rc) { return rc == ERROR_FILE_NOT_FOUND ? DWORD(ERROR_SUCCESS) : DWORD(rc); }

DWORD ChangeRunValue(EntryStep step, const StartupRecord& record, const CStartupLocations& where) {
    const HKEY root = record.code == kUserRun ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    CRegistryControl live = PointReg1(root, JoinPath(where.runKeyBase, RunKeyOf(record.code)), record.taskName);
    CRegistryControl kept = PointReg1(root, JoinPath(where.privateKey, RunKeyOf(record.code)), record.taskName);
    switch (step) {
    case EntryStep::Disable: {
        LONG rc = live.Read();
        if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return DWORD(rc);
        kept.SetValue(live.GetValue());
        kept.SetType(live.GetType());
        if ((rc = kept.Write()) != ERROR_SUCCESS) return DWORD(rc);
        return DeletedOrAbsent(live.Delete());
    }
    case EntryStep::Enable:
    case EntryStep::Add: {
        // The kept copy carries the type (REG_EXPAND_SZ stays one); it serves
        // only while it still holds the record's command line.
        live.SetType(REG_SZ);
        if (step == EntryStep::Enable && kept.Read() == ERROR_SUCCESS && kept.GetValue() == record.location)
            live.SetType(kept.GetType());
        live.SetValue(record.location);
        LONG rc = live.Write();
        if (rc != ERROR_SUCCESS) return DWORD(rc);
        if (step == EntryStep::Enable) kept.Delete();
        return ERROR_SUCCESS;
    }
    case EntryStep::Remove: return DeletedOrAbsent(live.Delete());
    case EntryStep::Discard: return DeletedOrAbsent(kept.Delete());
    }
    return ERROR_INVALID_FUNCTION;
}

// ---- win.ini lines ----

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }

// Where the program list text stands in the line as a whole part of it
// (bounded by separators or the line's ends); -1 when it does not.
int FindPart(const CString& line, const CString& part) {
    if (part.IsEmpty()) return -1;
    for (int at = line.Find(part); at >= 0; at = line.Find(part, at + 1)) {
        const int after = at + part.GetLength();
        if ((at == 0 || IsSeparator(line[at - 1])) && (after == line.GetLength() || IsSeparator(line[after])))
            return at;
    }
    return -1;
}

DWORD WriteIniLine(const char* key, const CString& line, const CStartupLocations& where) {
    if (WritePrivateProfileStringA(kWinIniSection, key, line, where.winIni)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    return error ? error : DWORD(ERROR_WRITE_FAULT);
}

DWORD ChangeIniLine(EntryStep step, const StartupRecord& record, const CStartupLocations& where) {
    const char* key = record.code == kWinIniRun ? "Run" : "Load";
    CString line = ReadIniText(kWinIniSection, key, where.winIni);
    const int at = FindPart(line, record.location);
    switch (step) {
    case EntryStep::Disable:
    case EntryStep::Remove: {
        if (at < 0) return ERROR_SUCCESS;
        // Only this program leaves the line; what others wrote there stays.
        int from = at, to = at + record.location.GetLength();
        while (to < line.GetLength() && IsSeparator(line[to])) ++to;
        if (to == line.GetLength())
            while (from > 0 && IsSeparator(line[from - 1])) --from;
        line.Delete(from, to - from);
        return WriteIniLine(key, line, where);
    }
    case EntryStep::Enable:
    case EntryStep::Add:
        if (at >= 0) return ERROR_SUCCESS;
        return WriteIniLine(key, line.IsEmpty() ? record.location : line + " " + record.location, where);
    case EntryStep::Discard: return ERROR_SUCCESS;
    }
    return ERROR_INVALID_FUNCTION;
}

// ---- Startup folders ----

bool IsPlainName(const CString& name) {
    return !name.IsEmpty() && name.FindOneOf("\\/:*?\"<>|") < 0 && name != "." && name != "..";
}

const CString& LiveFolder(const StartupRecord& record, const CStartupLocations& where) {
    return record.code == kUserStartup ? where.userStartup : where.commonStartup;
}

const CString& KeepingFolder(const StartupRecord& record, const CStartupLocations& where) {
    return record.code == kUserStartup ? where.userPrivateFolder : where.commonPrivateFolder;
}

bool EndsWithShortcut(const CString& name) {
    return name.GetLength() > 4 && name.Right(4).CompareNoCase(".lnk") == 0;
}

// Creates the folder and its missing parents.
bool MakeFolder(const CString& folder) {
    if (folder.IsEmpty() || FolderExists(folder)) return !folder.IsEmpty();
    const CString parent = FolderOf(folder);
    if (parent != folder && !parent.IsEmpty() && !FolderExists(parent)) MakeFolder(parent);
    return CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

DWORD ChangeStartupFile(EntryStep step, const StartupRecord& record, const CStartupLocations& where) {
    const CString name = StartupFileName(record, where);
    const CString& liveFolder = LiveFolder(record, where);
    const CString& keepingFolder = KeepingFolder(record, where);
    if (name.IsEmpty() || liveFolder.IsEmpty()) return ERROR_INVALID_NAME;
    const CString live = JoinPath(liveFolder, name);
    const CString kept = keepingFolder.IsEmpty() ? CString() : JoinPath(keepingFolder, name);
    switch (step) {
    case EntryStep::Disable:
        if (!FileExists(live)) return ERROR_SUCCESS;
        if (kept.IsEmpty() || !MakeFolder(keepingFolder)) return ERROR_PATH_NOT_FOUND;
        // The file itself moves: a shortcut keeps its arguments, folder and
        // icon, and a plain file stays a plain file.
        if (MoveFileExA(live, kept, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        return LastErrorOr(ERROR_WRITE_FAULT);
    case EntryStep::Enable:
        // A file of that name now in the folder is another entry: it stays.
        if (FileExists(live)) return ERROR_FILE_EXISTS;
        if (!kept.IsEmpty() && FileExists(kept)) {
            if (MoveFileExA(kept, live, MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) return ERROR_SUCCESS;
            return LastErrorOr(ERROR_WRITE_FAULT);
        }
        // Only a lost keeping makes a new shortcut from the recorded target.
        if (!EndsWithShortcut(name) || record.location.IsEmpty()) return ERROR_FILE_NOT_FOUND;
        return DWORD(CreateShortcut(live, record.location) == S_OK ? ERROR_SUCCESS : ERROR_WRITE_FAULT);
    case EntryStep::Add:
        if (FileExists(live)) return ERROR_FILE_EXISTS;
        return DWORD(CreateShortcut(live, record.location) == S_OK ? ERROR_SUCCESS : ERROR_WRITE_FAULT);
    case EntryStep::Remove:
        if (!FileExists(live) || DeleteFileA(live)) return ERROR_SUCCESS;
        return LastErrorOr(ERROR_ACCESS_DENIED);
    case EntryStep::Discard:
        if (kept.IsEmpty() || !FileExists(kept) || DeleteFileA(kept)) return ERROR_SUCCESS;
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    return ERROR_INVALID_FUNCTION;
}
}  // namespace

CString StartupFileName(const StartupRecord& record, const CStartupLocations& where) {
    if (!record.fileName.IsEmpty()) return IsPlainName(record.fileName) ? record.fileName : CString();
    if (!IsPlainName(record.taskName)) return CString();
    const CString shortcut = record.taskName + ".lnk";
    const CString first = record.location.IsEmpty() ? record.taskName : shortcut;
    const CString second = record.location.IsEmpty() ? shortcut : record.taskName;
    for (const CString* folder : {&KeepingFolder(record, where), &LiveFolder(record, where)})
        for (const CString* name : {&first, &second})
            if (!folder->IsEmpty() && FileExists(JoinPath(*folder, *name))) return *name;
    return shortcut;
}

DWORD ChangeStartupEntry(EntryStep step, const StartupRecord& record, const CStartupLocations& where) {
    switch (record.code) {
    case kUserRun:
    case kMachineRun:
    case kMachineRunOnce:
    case kMachineRunOnceEx:
    case kMachineRunServices: return ChangeRunValue(step, record, where);
    case kWinIniLoad:
    case kWinIniRun: return ChangeIniLine(step, record, where);
    case kUserStartup:
    case kCommonStartup: return ChangeStartupFile(step, record, where);
    default: return ERROR_INVALID_PARAMETER;
    }
}

bool StartupEntryExists(const StartupRecord& record, const CStartupLocations& where) {
    switch (record.code) {
    case kUserRun:
    case kMachineRun:
    case kMachineRunOnce:
    case kMachineRunOnceEx:
    case kMachineRunServices: {
        const HKEY root = record.code == kUserRun ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        for (const CString* base : {&where.runKeyBase, &where.privateKey}) {
            CRegKey key;
            if (key.Open(root, JoinPath(*base, RunKeyOf(record.code)), KEY_QUERY_VALUE) == ERROR_SUCCESS &&
                key.HasValue(record.taskName))
                return true;
        }
        return false;
    }
    case kUserStartup:
    case kCommonStartup: {
        const CString name = StartupFileName(record, where);
        if (name.IsEmpty()) return false;
        for (const CString* folder : {&LiveFolder(record, where), &KeepingFolder(record, where)})
            if (!folder->IsEmpty() && FileExists(JoinPath(*folder, name))) return true;
        return false;
    }
    default: return false;
    }
}
