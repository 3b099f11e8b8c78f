// StartupList.h - CStartupList, the rows of Bootlist's start-up list and the
// enumeration that fills them: the user Run key, the machine Run, RunOnce,
// RunOnceEx and RunServices keys, win.ini's Load and Run lines, and the
// Startup folders of the current user and of all users, in that order.
// Reading changes nothing. The main form shows these rows as they stand.
// Deliberately not: windows; status changes and applying (StartupEditor.h).
#pragma once

#include <windows.h>

#include "Arrays.h"
#include "RegistryControl.h"
#include "StartupRecord.h"
#include "modLanguage.h"
#include "modRegEnum.h"

class CStartupList {
public:
    explicit CStartupList(const CStartupLocations& where = CStartupLocations::OfThisSystem());

    // Clears the list, looks the location names up again and lists every
    // entry in the fixed order, the disabled ones of the record file last.
    void Build();
    void Clear() { m_rows.RemoveAll(); }

    // Every value of <root>\<Run key base>\<key>; a missing key adds nothing.
    // HKEY_CURRENT_USER rows are the user's, any other root's the machine's.
    void SetRegRunIntoList(HKEY root, const char* key);
    void ReadWinIniEntries();
    void ReadStartupFolders();
    // Appends the disabled entries kept in the record file. One listed
    // already from its location (same location, name and data) is listed
    // once, unless its private copy is still there: that copy is an entry of
    // its own. A record whose texts no pack knows is listed as it stands,
    // marked unreadable (and logged), so that it is written back unchanged;
    // so is a record cut short by the end of the file.
    void ReadSaveProf();
    // Why the record file could not be read at the last ReadSaveProf
    // (ERROR_SUCCESS when it was, or is not there): its records are then
    // missing from the list, and the file must not be replaced or deleted.
    DWORD SaveProfReadError() const { return m_saveProfError; }
    // A record as read from a record file (built-in English or any pack's
    // texts) in the active pack's texts, with its location code and its
    // identity (a Startup file name guessed for records without one). False
    // when its status or location text is none of any pack's. The status it
    // read goes to *status when asked.
    bool ToShownRecord(StartupRecord& record, StartupStatus* status = nullptr) const;
    // A row as SaveProf.pro stores it: built-in English texts and the
    // identity; an unreadable one as it stands.
    static StartupRecord ToStoredRecord(const StartupRecord& row);

    int GetCount() const { return m_rows.GetSize(); }
    const StartupRecord& GetAt(int row) const { return m_rows.GetAt(row); }
    CArray<StartupRecord>& Rows() { return m_rows; }
    const CArray<StartupRecord>& Rows() const { return m_rows; }

    void RefreshLocationNames() { GetLocationNames(m_names); }
    const CLocationNames& LocationNames() const { return m_names; }
    const CStartupLocations& Where() const { return m_where; }

    // The row text of a Startup folder file: a trailing ".lnk" is cut off,
    // unless it is the whole name.
    static CString TaskNameOfFile(const CString& fileName);
    // The task name as the list shows it: from the real file name where the
    // code page cannot spell it.
    static std::wstring ShownTaskName(const StartupRecord& row);

private:
    void ReadStartupFolder(const CString& folder, int code);

    CStartupLocations m_where;
    CLocationNames m_names;
    CArray<StartupRecord> m_rows;
    DWORD m_saveProfError = ERROR_SUCCESS;
    // The registry control the main form reads every value through (Reg1).
    CRegistryControl m_reg1;
};
