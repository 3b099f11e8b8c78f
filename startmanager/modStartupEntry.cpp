#include "modStartupEntry.h"

#include <cstdlib>

#include "Files.h"
#include "RealNames.h"
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

bool IsStartupCode(int code) { return code == kUserStartup || code == kCommonStartup; }

// ---- Run keys ----

HKEY RootOf(const StartupRecord& record) { return record.code == kUserRun ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

CRegistryControl PointReg1(HKEY root, const CString& keyPath, const CString& name) {
    CRegistryControl reg1;
    reg1.SetRoot(root);
    reg1.SetKeyPath(keyPath);
    reg1.SetValueName(name);
    return reg1;
}

DWORD DeletedOrAbsent(LONG rc) { return rc == ERROR_FILE_NOT_FOUND ? DWORD(ERROR_SUCCESS) : DWORD(rc); }

// A value's exact bytes and type: the registry control speaks strings only.
struct CRawValue {
    CString bytes;
    DWORD type = REG_NONE;
};

LONG ReadRaw(HKEY root, const CString& path, const CString& name, CRawValue& value) {
    CRegKey key;
    LONG rc = key.Open(root, path, KEY_QUERY_VALUE);
    if (rc == ERROR_SUCCESS) rc = key.QueryBinary(name, value.bytes, &value.type);
    return rc;
}

LONG WriteRaw(HKEY root, const CString& path, const CString& name, const CRawValue& value) {
    CRegKey key;
    LONG rc = key.Create(root, path, KEY_SET_VALUE);
    if (rc == ERROR_SUCCESS) rc = key.SetBinary(name, value.bytes.c_str(), DWORD(value.bytes.GetLength()), value.type);
    return rc;
}

// The value's data as the list shows it.
CString TextOf(HKEY root, const CString& path, const CString& name) {
    CRegistryControl reg1 = PointReg1(root, path, name);
    reg1.Read();
    return reg1.GetValue();
}

// The same bytes, or strings of one type that read alike (stored with a
// terminator or without).
bool SameData(const CRawValue& a, const CRawValue& b) {
    if (a.type != b.type) return false;
    if (a.bytes == b.bytes) return true;
    if (a.type != REG_SZ && a.type != REG_EXPAND_SZ) return false;
    auto text = [](const CString& bytes) {
        const int nul = bytes.Find('\0');
        return nul >= 0 ? bytes.Left(nul) : bytes;
    };
    return text(a.bytes) == text(b.bytes);
}

// The value a record describes, for one whose copy is gone or that never had
// one: its text as the type it had. False when the text cannot give that
// type back (a binary value is listed without text).
bool ValueOfRecord(const StartupRecord& record, CRawValue& value) {
    value.type = record.valueType == REG_NONE ? DWORD(REG_SZ) : record.valueType;
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        value.bytes = record.location;
        value.bytes += '\0';
        return true;
    }
    if (value.type != REG_DWORD || record.location.IsEmpty() || record.location.FindOneOf("+- \t") >= 0) return false;
    char* end = nullptr;
    const DWORD number = DWORD(strtoul(record.location, &end, 10));
    if (!end || *end) return false;
    value.bytes = CString(reinterpret_cast<const char*>(&number), int(sizeof(number)));
    return true;
}

// Puts the value under the name unless another value of that name stands there.
DWORD PutValue(HKEY root, const CString& path, const CString& name, const CRawValue& value, CString* inTheWay) {
    CRawValue live;
    const LONG rc = ReadRaw(root, path, name, live);
    if (rc == ERROR_SUCCESS) {
        if (SameData(live, value)) return ERROR_SUCCESS;
        if (inTheWay) *inTheWay = (name.IsEmpty() ? CString("(Default)") : name) + " = " + TextOf(root, path, name);
        return ERROR_ALREADY_EXISTS;
    }
    if (rc != ERROR_FILE_NOT_FOUND) return DWORD(rc);
    return DWORD(WriteRaw(root, path, name, value));
}

DWORD ChangeRunValue(EntryStep step, StartupRecord& record, const CStartupLocations& where, CString* inTheWay) {
    const HKEY root = RootOf(record);
    const CString livePath = JoinPath(where.runKeyBase, RunKeyOf(record.code));
    const CString keptPath = JoinPath(where.privateKey, RunKeyOf(record.code));
    // A record written before copies had names of their own finds its copy
    // by the entry's name; that copy serves only while it holds the record's
    // command line (as the record file keeps it, line breaks blanked).
    const bool ownCopy = !record.copyName.IsEmpty();
    const CString copyName = ownCopy ? record.copyName : record.taskName;
    auto copyIsOurs = [&]() {
        if (ownCopy) return true;
        CString text = TextOf(root, keptPath, copyName);
        text.Replace('\r', ' ');
        text.Replace('\n', ' ');
        return text == record.location;
    };
    switch (step) {
    case EntryStep::Disable: {
        CRawValue live, existing;
        LONG rc = ReadRaw(root, livePath, record.taskName, live);
        if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return DWORD(rc);
        const CString copy = ownCopy ? copyName : ReserveCopyName(record, where, CStringArray());
        if (copy.IsEmpty()) return ERROR_INVALID_NAME;
        rc = ReadRaw(root, keptPath, copy, existing);
        if (rc == ERROR_SUCCESS) return ERROR_ALREADY_EXISTS;
        if (rc != ERROR_FILE_NOT_FOUND) return DWORD(rc);
        if ((rc = WriteRaw(root, keptPath, copy, live)) != ERROR_SUCCESS) return DWORD(rc);
        const CString text = TextOf(root, livePath, record.taskName);
        const DWORD error = DeletedOrAbsent(PointReg1(root, livePath, record.taskName).Delete());
        if (error != ERROR_SUCCESS) {
            // Still in its place: the copy would be a second one.
            PointReg1(root, keptPath, copy).Delete();
            return error;
        }
        record.copyName = copy;
        record.location = text;
        record.valueType = live.type;
        return ERROR_SUCCESS;
    }
    case EntryStep::Enable:
    case EntryStep::Add: {
        CRawValue value;
        const bool fromCopy =
            step == EntryStep::Enable && ReadRaw(root, keptPath, copyName, value) == ERROR_SUCCESS && copyIsOurs();
        if (!fromCopy && !ValueOfRecord(record, value)) return ERROR_FILE_NOT_FOUND;
        const DWORD error = PutValue(root, livePath, record.taskName, value, inTheWay);
        if (error != ERROR_SUCCESS || !fromCopy) return error;
        // A copy that stays keeps its name in the record, so that it is not lost.
        const DWORD deleted = DeletedOrAbsent(PointReg1(root, keptPath, copyName).Delete());
        if (deleted == ERROR_SUCCESS) record.copyName.Empty();
        return deleted;
    }
    case EntryStep::Remove: return DeletedOrAbsent(PointReg1(root, livePath, record.taskName).Delete());
    case EntryStep::Discard: {
        const DWORD error = copyIsOurs() ? DeletedOrAbsent(PointReg1(root, keptPath, copyName).Delete())
                                         : DWORD(ERROR_SUCCESS);
        if (error == ERROR_SUCCESS) record.copyName.Empty();
        return error;
    }
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

bool IsPlainName(const std::wstring& name) {
    return !name.empty() && name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos && name != L"." &&
           name != L"..";
}

bool IsPlainName(const CString& name) { return IsPlainName(RealPathFrom(name)); }

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

bool SameFile(const std::wstring& a, const std::wstring& b) {
    CString one, other;
    return ReadWholeRealFile(a, one) && ReadWholeRealFile(b, other) && one == other;
}

// The real name of the file a record names; empty when it would leave the folder.
std::wstring StartupRealName(const StartupRecord& record, const CStartupLocations& where) {
    if (!record.realName.empty()) return IsPlainName(record.realName) ? record.realName : std::wstring();
    return RealPathFrom(StartupFileName(record, where));
}

DWORD ChangeStartupFile(EntryStep step, StartupRecord& record, const CStartupLocations& where, CString* inTheWay) {
    const std::wstring name = StartupRealName(record, where);
    const CString& liveFolder = LiveFolder(record, where);
    const CString& keepingFolder = KeepingFolder(record, where);
    // A record written before copies had names of their own: its copy bears the file's name.
    const std::wstring copyName = record.copyName.IsEmpty() ? name : RealPathFrom(record.copyName);
    if (name.empty() || liveFolder.IsEmpty() || !IsPlainName(copyName)) return ERROR_INVALID_NAME;
    const std::wstring live = JoinRealPath(liveFolder, name);
    const std::wstring kept = keepingFolder.IsEmpty() ? std::wstring() : JoinRealPath(keepingFolder, copyName);
    // Another file of that name now in the folder is another entry: it stays.
    auto inPlace = [&]() {
        if (inTheWay) *inTheWay = CodePageSpelling(live);
        return DWORD(ERROR_ALREADY_EXISTS);
    };
    switch (step) {
    case EntryStep::Disable: {
        if (!RealFileExists(live)) return ERROR_SUCCESS;
        const CString copy = record.copyName.IsEmpty() ? ReserveCopyName(record, where, CStringArray()) : record.copyName;
        if (copy.IsEmpty() || !MakeFolder(keepingFolder)) return ERROR_PATH_NOT_FOUND;
        // The file itself moves: a shortcut keeps its arguments, folder and
        // icon, and a plain file stays a plain file. Never over another copy.
        if (!MoveRealFile(live, JoinRealPath(keepingFolder, RealPathFrom(copy)))) return LastErrorOr(ERROR_WRITE_FAULT);
        record.copyName = copy;
        SetStartupFileName(record, name);
        return ERROR_SUCCESS;
    }
    case EntryStep::Enable:
        if (!kept.empty() && RealFileExists(kept)) {
            if (RealFileExists(live) && !SameFile(live, kept)) return inPlace();
            const bool done = RealFileExists(live) ? DeleteRealFile(kept) : MoveRealFile(kept, live);
            if (!done) return LastErrorOr(ERROR_WRITE_FAULT);
            record.copyName.Empty();
            return ERROR_SUCCESS;
        }
        if (RealFileExists(live)) return inPlace();
        // Only a lost keeping makes a new shortcut from the recorded target.
        if (!EndsWithShortcut(CodePageSpelling(name)) || record.location.IsEmpty()) return ERROR_FILE_NOT_FOUND;
        if (CreateShortcut(live.c_str(), record.location) != S_OK) return ERROR_WRITE_FAULT;
        record.copyName.Empty();
        return ERROR_SUCCESS;
    case EntryStep::Add:
        if (RealFileExists(live)) return inPlace();
        return DWORD(CreateShortcut(live.c_str(), record.location) == S_OK ? ERROR_SUCCESS : ERROR_WRITE_FAULT);
    case EntryStep::Remove:
        if (!RealFileExists(live) || DeleteRealFile(live)) return ERROR_SUCCESS;
        return LastErrorOr(ERROR_ACCESS_DENIED);
    case EntryStep::Discard:
        if (!kept.empty() && RealFileExists(kept) && !DeleteRealFile(kept)) return LastErrorOr(ERROR_ACCESS_DENIED);
        record.copyName.Empty();
        return ERROR_SUCCESS;
    }
    return ERROR_INVALID_FUNCTION;
}
}  // namespace

void SetStartupFileName(StartupRecord& record, const std::wstring& realName) {
    record.realName.clear();
    if (!SpellInCodePage(realName, record.fileName)) record.realName = realName;
}

CString StartupFileName(const StartupRecord& record, const CStartupLocations& where) {
    if (!record.realName.empty()) return IsPlainName(record.realName) ? record.fileName : CString();
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

CString ReserveCopyName(const StartupRecord& record, const CStartupLocations& where, const CStringArray& claimed) {
    const bool run = RunKeyOf(record.code) != nullptr;
    CString base, folder;
    CRegKey keeping;
    if (run) {
        base = record.taskName;
        // A missing key holds no copy yet.
        keeping.Open(RootOf(record), JoinPath(where.privateKey, RunKeyOf(record.code)), KEY_QUERY_VALUE);
    } else if (IsStartupCode(record.code)) {
        base = StartupFileName(record, where);
        folder = KeepingFolder(record, where);
        if (base.IsEmpty() || folder.IsEmpty()) return CString();
        // A copy's name is the code page's: the '?' of a character it lacks
        // would make no file name.
        base.Replace('?', '_');
    } else {
        return CString();
    }
    for (unsigned n = 1; n <= 100000; ++n) {
        CString name;
        name.Format("%s.%u", base.c_str(), n);
        if (claimed.Find(name, true) >= 0) continue;
        if (run ? keeping.IsOpen() && keeping.HasValue(name) : FileExists(JoinPath(folder, name))) continue;
        return name;
    }
    return CString();
}

bool KeptCopyExists(const StartupRecord& record, const CStartupLocations& where) {
    if (record.copyName.IsEmpty()) return false;
    if (RunKeyOf(record.code)) {
        CRegKey keeping;
        return keeping.Open(RootOf(record), JoinPath(where.privateKey, RunKeyOf(record.code)), KEY_QUERY_VALUE) ==
                   ERROR_SUCCESS &&
               keeping.HasValue(record.copyName);
    }
    const CString folder = IsStartupCode(record.code) ? KeepingFolder(record, where) : CString();
    return !folder.IsEmpty() && IsPlainName(record.copyName) && FileExists(JoinPath(folder, record.copyName));
}

DWORD ChangeStartupEntry(EntryStep step, StartupRecord& record, const CStartupLocations& where, CString* inTheWay) {
    switch (record.code) {
    case kUserRun:
    case kMachineRun:
    case kMachineRunOnce:
    case kMachineRunOnceEx:
    case kMachineRunServices: return ChangeRunValue(step, record, where, inTheWay);
    case kWinIniLoad:
    case kWinIniRun: return ChangeIniLine(step, record, where);
    case kUserStartup:
    case kCommonStartup: return ChangeStartupFile(step, record, where, inTheWay);
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
        for (const CString* base : {&where.runKeyBase, &where.privateKey}) {
            CRegKey key;
            if (key.Open(RootOf(record), JoinPath(*base, RunKeyOf(record.code)), KEY_QUERY_VALUE) == ERROR_SUCCESS &&
                key.HasValue(record.taskName))
                return true;
        }
        return false;
    }
    case kUserStartup:
    case kCommonStartup: {
        const std::wstring name = StartupRealName(record, where);
        if (name.empty()) return false;
        for (const CString* folder : {&LiveFolder(record, where), &KeepingFolder(record, where)})
            if (!folder->IsEmpty() && RealFileExists(JoinRealPath(*folder, name))) return true;
        return false;
    }
    default: return false;
    }
}
