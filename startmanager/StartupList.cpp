#include "StartupList.h"

#include <stdexcept>

#include "Files.h"
#include "Handles.h"
#include "ShellLink.h"
#include "modRecordFile.h"

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
    ReadRecordFile(m_where.saveProf, kept);
    for (const StartupRecord& record : kept) {
        // A program that put itself back into its location since it was
        // disabled is listed once, as it stands there.
        bool listed = false;
        for (const StartupRecord& row : m_rows)
            if (row.taskName == record.taskName && row.loadFrom == record.loadFrom) listed = true;
        if (!listed) m_rows.Add(record);
    }
}

void CStartupList::SetRegRunIntoList(HKEY root, const char* key) {
    CRegKey runKey = OpenRunKey(root, m_where.runKeyBase, key);
    if (!runKey.IsOpen()) return;
    const bool user = root == HKEY_CURRENT_USER;
    StartupRecord row;
    row.status = StatusEnabled();
    if (user) {
        row.loadFrom = m_names.userRun;
        row.user = SetCaptionfromINI("415", "Current User");
        row.when = SetCaptionfromINI("418", "Current User logs On");
    } else {
        row.loadFrom = MachineLocationName(key);
        row.user = SetCaptionfromINI("416", "All Users");
        row.when = SetCaptionfromINI("420", "Any User Logs On");
    }
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
        const CString& loadFrom;
        const char* user;
    } lines[] = {
        {"Load", "Win.ini Load", m_names.winIniLoad, "All Users"},
        {"Run", "Win.ini Run", m_names.winIniRun, "All users"},
    };
    StartupRecord row;
    row.status = StatusEnabled();
    row.when = SetCaptionfromINI("420", "Any User Logs On");
    for (const auto& line : lines) {
        row.location = ReadIniText(kWinIniSection, line.key, m_where.winIni);
        if (row.location.IsEmpty()) continue;
        row.taskName = line.taskName;
        row.loadFrom = line.loadFrom;
        row.user = SetCaptionfromINI("416", line.user);
        m_rows.Add(row);
    }
}

void CStartupList::ReadStartupFolders() {
    ReadStartupFolder(m_where.userStartup, m_names.userStartup, SetCaptionfromINI("415", "Current User"),
                      SetCaptionfromINI("418", "Current User Logs On"));
    ReadStartupFolder(m_where.commonStartup, m_names.allUsersStartup, SetCaptionfromINI("416", "All Users"),
                      SetCaptionfromINI("420", "Any User Logs On"));
}

CString CStartupList::TaskNameOfFile(const CString& fileName) {
    const int n = fileName.GetLength();
    if (n > 4 && fileName.Right(4).CompareNoCase(".lnk") == 0) return fileName.Left(n - 4);
    return fileName;
}

void CStartupList::ReadStartupFolder(const CString& folder, const CString& loadFrom, const CString& user,
                                     const CString& when) {
    if (folder.IsEmpty()) return;
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(folder, "*.*"), &found));
    if (!find.IsValid()) return;
    StartupRecord row;
    row.status = StatusEnabled();
    row.loadFrom = loadFrom;
    row.user = user;
    row.when = when;
    do {
        // Only plain files: folders, and hidden or system files such as
        // desktop.ini, are not entries.
        const DWORD skip = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (found.dwFileAttributes & skip) continue;
        row.taskName = TaskNameOfFile(found.cFileName);
        row.location = ReadShortcutTarget(JoinPath(folder, row.taskName + ".lnk"));
        m_rows.Add(row);
    } while (FindNextFileA(find, &found));
}
