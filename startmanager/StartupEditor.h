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

    // Writes every changed row to or out of its location, writes the rows
    // added since the last build that are Enabled, drops the Remove rows and
    // rewrites the record file. The record file is written first: when it
    // cannot be, newly Disabled rows stay in their location (and count as
    // unapplied), the failure goes to the error log, and the result is false.
    bool ApplyNow();
    // The Apply menu items that end the session (log off, restart Windows).
    void ApplyAndLogOff() { ApplyAndExitWindows(0); }
    void ApplyAndRestart() { ApplyAndExitWindows(2); }

    // Rewrites SaveProf.pro from the Disabled rows; none deletes it. False
    // (and logged) when the file could not be written.
    bool WriteSaveProf();

    // A profile: every row, whatever its status, in the record file format.
    // False (and logged) when the file could not be written; an empty path
    // (a cancelled dialog) writes nothing.
    bool SaveProfile(const char* path) const;
    // Replaces the rows with the profile's; the applied state stays, so the
    // next apply acts on the rows whose status differs at the same position.
    // A file that cannot be read leaves the list as it was (false, logged).
    bool LoadProfile(const char* path);

    // The add-entry form's row, appended Enabled with the pack's words; the
    // name gives way to the location name when the name box is disabled (the
    // win.ini lines). False, adding nothing, unless name and location are filled.
    bool AddTask(const CString& name, const CString& location, const CString& loadFrom, bool nameEnabled);

    CStartupList& List() { return m_list; }
    const CStartupList& List() const { return m_list; }
    int LoadedCount() const { return m_loaded.GetSize(); }
    const StartupRecord& LoadedRecord(int k) const { return m_loaded.GetAt(k); }

private:
    bool IsRow(int row) const { return row >= 0 && row < m_list.GetCount(); }
    void ApplyAndExitWindows(long option);

    CStartupList m_list;
    // loadedRecords: the applied state, record k for row k.
    CArray<StartupRecord> m_loaded;
};
