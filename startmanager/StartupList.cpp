#include "StartupList.h"

#include <stdexcept>

#include "Files.h"
#include "Handles.h"
#include "RealNames.h"
#include "ShellLink.h"
#include "modRecordFile.h"
#include "modStartupEntry.h"

const CString& StartupRecord::Column(int column) const {
    switch (column) {
    case 0: return taskName;
    case 1: return status;
    case 2: return loadFrom;
    case 3: return user;
    case 4: return when;
    case 5: return location;
    default: throw std::out_of_range("StartupRecord::Column");
    }
}

CString& StartupRecord::Column(int column) {
    return const_cast<CString&>(static_cast<const StartupRecord&>(*this).Column(column));
}

CStartupList::CStartupList(const CStartupLocations& where) : m_where(where) { RefreshLocationNames(); }

void CStartupList::Build() {
    Clear();
    RefreshLocationNames();
    SetRegRunIntoList(HKEY_CURRENT_USER, "Run");
    SetRegRunIntoList(HKEY_LOCAL_MACHINE, "Run");
    SetRegRunIntoList(HKEY_LOCAL_MACHINE, "RunOnce");
    SetRegRunIntoList(HKEY_LOCAL_MACHINE, "RunOnceEx");
    SetRegRunIntoList(HKEY_LOCAL_MACHINE, "RunServices");
    ReadWinIniEntries();
    ReadStartupFolders();
    ReadSaveProf();
}

void CStartupList::ReadSaveProf() {
    CArray<StartupRecord> kept;
    m_saveProfError = ERROR_SUCCESS;
    if (!m_where.saveProf.IsEmpty() && !ReadRecordFile(m_where.saveProf, kept)) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            m_saveProfError = error ? error : DWORD(ERROR_READ_FAULT);
            LogError(FormatErrorMessage(m_where.saveProf + ": " + SystemErrorText(m_saveProfError),
                                        long(m_saveProfError), "ReadSaveProf"));
        }
    }
    for (StartupRecord& record : kept) {
        if (!record.cutText.IsEmpty()) {
            m_rows.Add(record);
            continue;
        }
        StartupRecord shown = record;
        StartupStatus status = kUnknownStatus;
        const bool readable = ToShownRecord(shown, &status);
        if (!readable || status != kStatusDisabled) {
            record.unreadable = true;
            CString message;
            message.Format("%s: the record of \"%s\" (\"%s\", \"%s\") %s; kept as it stands",
                           m_where.saveProf.c_str(), record.taskName.c_str(), record.status.c_str(),
                           record.loadFrom.c_str(),
                           readable ? "is not of a disabled entry" : "is in no language pack's words");
            LogError(FormatErrorMessage(message, long(ERROR_INVALID_DATA), "ReadSaveProf"));
            m_rows.Add(record);
            continue;
        }
        // A program that put itself back into its location since it was
        // disabled is listed once, as it stands there.
        bool listed = false;
        if (!KeptCopyExists(shown, m_where))
            for (const StartupRecord& row : m_rows)
                if (!row.unreadable && SameEntry(row, shown)) listed = true;
        if (!listed) m_rows.Add(shown);
    }
}

bool CStartupList::ToShownRecord(StartupRecord& record, StartupStatus* status) const {
    TakeIdentity(record);
    const StartupStatus known = StatusOf(record.status);
    if (status) *status = known;
    if (known != kUnknownStatus) record.status = ShownStatus(known);
    record.code = LocationCodeOf(record.loadFrom);
    // A record of a pack no longer here keeps its texts and is acted on by nothing.
    if (record.code == kNoLocation) return false;
    DescribeLocation(record);
    if (record.code == kUserStartup || record.code == kCommonStartup) {
        // Records written before name no file: the likeliest one stands in.
        if (!record.fileName.IsEmpty() && StartupFileName(record, m_where).IsEmpty()) {
            record.fileName.Empty();
            record.realName.clear();
        }
        if (record.fileName.IsEmpty()) record.fileName = StartupFileName(record, m_where);
    } else {
        record.fileName.Empty();
        record.realName.clear();
    }
    return known != kUnknownStatus;
}

StartupRecord CStartupList::ToStoredRecord(const StartupRecord& row) {
    StartupRecord stored = row;
    if (row.unreadable) return stored;
    stored.status = StoredStatus(row.status);
    if (row.code != kNoLocation) stored.loadFrom = BuiltInLocationText(row.code);
    stored.when = WhenWithIdentity(row, true);
    return stored;
}

void CStartupList::SetRegRunIntoList(HKEY root, const char* key) {
    CRegKey runKey = OpenRunKey(root, m_where.runKeyBase, key);
    if (!runKey.IsOpen()) return;
    StartupRecord row;
    row.status = StatusEnabled();
    row.code = kUserRun;
    if (root != HKEY_CURRENT_USER) {
        const CString name(key);
        row.code = name == "RunOnce" ? kMachineRunOnce
                   : name == "RunOnceEx" ? kMachineRunOnceEx
                   : name == "RunServices" ? kMachineRunServices
                                            : kMachineRun;
    }
    DescribeLocation(row);
    const CString path = JoinPath(m_where.runKeyBase, key);
    for (const CString& name : runKey.EnumValueNames()) {
        row.taskName = name;
        m_reg1.SetRoot(root);
        m_reg1.SetKeyPath(path);
        m_reg1.SetValueName(name);
        // A value that cannot be read keeps its row with an empty command line.
        m_reg1.Read();
        row.location = m_reg1.GetValue();
        m_rows.Add(row);
    }
}

void CStartupList::ReadWinIniEntries() {
    // The Run row's user default is written with a small u, as the system always had it.
    const struct {
        const char* key;
        const char* taskName;
        int code;
    } lines[] = {
        {"Load", "Win.ini Load", kWinIniLoad},
        {"Run", "Win.ini Run", kWinIniRun},
    };
    StartupRecord row;
    row.status = StatusEnabled();
    for (const auto& line : lines) {
        row.location = ReadIniText(kWinIniSection, line.key, m_where.winIni);
        if (row.location.IsEmpty()) continue;
        row.taskName = line.taskName;
        row.code = line.code;
        DescribeLocation(row);
        m_rows.Add(row);
    }
}

void CStartupList::ReadStartupFolders() {
    ReadStartupFolder(m_where.userStartup, kUserStartup);
    ReadStartupFolder(m_where.commonStartup, kCommonStartup);
}

CString CStartupList::TaskNameOfFile(const CString& fileName) {
    const int n = fileName.GetLength();
    if (n > 4 && fileName.Right(4).CompareNoCase(".lnk") == 0) return fileName.Left(n - 4);
    return fileName;
}

void CStartupList::ReadStartupFolder(const CString& folder, int code) {
    if (folder.IsEmpty()) return;
    StartupRecord row;
    row.status = StatusEnabled();
    row.code = code;
    DescribeLocation(row);
    // Listed by their real names: the ANSI listing spells a name the code
    // page lacks so that it names no file, and its shortcut reads as none.
    const CRealPath realFolder = RealPathFrom(folder);
    std::vector<WIN32_FIND_DATAW> entries;
    ListRealFolder(realFolder, entries);
    for (const WIN32_FIND_DATAW& entry : entries) {
        // Only plain files: folders, and hidden or system files such as
        // desktop.ini, are not entries.
        const DWORD skip = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (entry.dwFileAttributes & skip) continue;
        SetStartupFileName(row, entry.cFileName);
        row.taskName = TaskNameOfFile(row.fileName);
        // A plain file is an entry too, without a target.
        row.location = row.taskName != row.fileName
                           ? ReadShortcutTarget(JoinRealPath(realFolder, entry.cFileName).c_str())
                           : CString();
        m_rows.Add(row);
    }
}

std::wstring CStartupList::ShownTaskName(const StartupRecord& row) {
    const std::wstring& name = row.realName;
    const size_t n = name.size();
    if (n > 4 && lstrcmpiW(name.c_str() + n - 4, L".lnk") == 0) return name.substr(0, n - 4);
    return name.empty() ? RealPathFrom(row.taskName) : name;
}
