// StartupEditor.h - CStartupEditor, what Bootlist's main form does with its
// start-up list: the Disable/Enable, Remove and Reset All buttons, the item
// click, ApplyNow (the only step that changes the system) and the Apply menu,
// the record file SaveProf.pro of disabled entries, profiles of the whole
// list, and the rows the add-entry form appends.
// The records of the last build or apply are kept row for row in step with
// the list, so an apply acts on exactly the rows whose status differs from
// their last applied status.
// Deliberately not: windows and button texts (the form maps the results).
#pragma once

#include "Arrays.h"
#include "StartupList.h"
#include "StartupRecord.h"

// What a button press or item click asks of the Disable and Remove buttons.
struct CButtonUpdate {
    enum Caption { Unchanged, ShowDisable, ShowEnable };
    Caption disableCaption = Unchanged;
    bool removeEnabled = false;
};

class CStartupEditor {
public:
    explicit CStartupEditor(const CStartupLocations& where = CStartupLocations::OfThisSystem());

    // Builds the list (start-up and a language change) and takes its rows as
    // the applied state; unapplied changes are lost.
    void Load();

    // Each returns false, changing nothing, when row is not a row of the list
    // (or, for the item click, when its status is none of the three).
    // cmdDisable: Enabled becomes Disabled; any other status becomes Enabled.
    bool ToggleDisable(int row, CButtonUpdate& buttons);
    // cmdRemove.
    bool MarkRemove(int row, CButtonUpdate& buttons);
    // ListView1 item click.
    bool ButtonsForRow(int row, CButtonUpdate& buttons) const;

    // cmdReset: the applied rows that are not Disabled, then the record file's.
    void ResetAll();

    // Takes every changed row out of or back into its location, writes the
    // rows added since that are Enabled and drops the Remove rows. First
    // SaveProf.pro is written (through a temporary file, read back) with
    // every row Disabled now or about to be enabled; only when it keeps them
    // do entries leave their locations, each into a private copy of its own.
    // Each location step is checked: a failed one is logged and listed in
    // Failures(), and its row keeps its last applied status (and its record);
    // an entry whose place another of its name took meanwhile is not put
    // back, and the failure names what stands there. Afterwards SaveProf.pro
    // holds exactly the Disabled rows and the unreadable records (deleted
    // when none); a record file that could not be read when the list was
    // built is neither replaced nor deleted, and that is a failure. True
    // when nothing failed.
    bool ApplyNow();
    // What the last apply, profile save or profile load could not do, one
    // line per failure naming the entry or file, for the user.
    const CStringArray& Failures() const { return m_failures; }
    // The Apply menu items that end the session (log off, restart Windows):
    // only after an apply without failures. True when the session was ended.
    bool ApplyAndLogOff() { return ApplyAndExitWindows(0); }
    bool ApplyAndRestart() { return ApplyAndExitWindows(2); }

    // Rewrites SaveProf.pro from the Disabled rows, in the built-in English
    // texts with their identity, and the unreadable records as they stand;
    // none deletes it. False (and logged) when the file could not be written
    // or deleted.
    bool WriteSaveProf();

    // A profile: every row, whatever its status, in the record file format
    // (but a record cut short, which stays in SaveProf.pro alone). False
    // (logged and in Failures()) when the file could not be written; an
    // empty path (a cancelled dialog) writes nothing.
    bool SaveProfile(const char* path);
    // Replaces the rows with the profile's; each row that is an entry of the
    // list keeps that entry's applied status and identity, so the next apply
    // acts on what the profile changes (and puts nothing over a value or
    // file that stands in a row's place). Entries disabled now that the
    // profile lacks stay (as Disabled rows at the end), and so do unreadable
    // records: they live only in SaveProf.pro. A file that cannot be read,
    // or whose end cuts a record short, leaves the list as it was (false,
    // logged and in Failures()).
    bool LoadProfile(const char* path);

    // The add-entry form's row, appended Enabled with the pack's words; the
    // name gives way to the location name when the name box is disabled (the
    // win.ini lines, whose program joins the line at the apply). Refused,
    // adding nothing, unless name and location are filled, or when an entry
    // of that name already exists at that location (listed, standing there
    // or waiting disabled).
    enum AddResult { Added, Incomplete, Exists };
    AddResult AddTask(const CString& name, const CString& location, int code, bool nameEnabled);

    CStartupList& List() { return m_list; }
    const CStartupList& List() const { return m_list; }
    int LoadedCount() const { return m_loaded.GetSize(); }
    const StartupRecord& LoadedRecord(int k) const { return m_loaded.GetAt(k); }

private:
    bool IsRow(int row) const { return row >= 0 && row < m_list.GetCount(); }
    // A row of the list that the buttons may change: not an unreadable record.
    bool IsChangeable(int row) const { return IsRow(row) && !m_list.GetAt(row).unreadable; }
    bool ApplyAndExitWindows(long option);
    // Records and reports one failed step; inTheWay names what a refused one left standing.
    void Failed(const StartupRecord& row, DWORD error, const CString& inTheWay);
    // The copy names that rows and applied records hold, one list for each
    // location code (an unreadable record's in every list).
    CArray<CStringArray> ClaimedCopies() const;
    // Writes the records in the stored texts, or deletes the file for none.
    bool WriteKept(const CArray<StartupRecord>& rows);
    // Records and logs one failed file step, the file named, why in the
    // system's words unless given; a failure already listed is not repeated.
    void FileFailed(const CString& path, DWORD error, const char* method, const CString& why = CString());

    CStartupList m_list;
    // loadedRecords: the applied state, record k for row k; a row added
    // since (or a profile's row that is no entry of the list) has none, or
    // one with an empty status.
    CArray<StartupRecord> m_loaded;
    CStringArray m_failures;
};
