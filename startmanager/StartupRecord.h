// StartupRecord.h - one row of Bootlist's start-up list: six texts in the
// list's column order (task name, status, load-from location text, user,
// when, command line or shortcut target), plus what the texts cannot carry
// safely: the location as a code that no language changes, and the entry's
// identity (its real file name, the name of its private copy, its value
// type). The unit of the list, of the record file and of profiles.
#pragma once

#include <windows.h>

#include <string>

#include "Strings.h"

// Where an entry starts from, independent of the pack's texts.
enum StartupLocationCode {
    kNoLocation = 0,
    kUserRun,
    kMachineRun,
    kMachineRunOnce,
    kMachineRunOnceEx,
    kMachineRunServices,
    kWinIniLoad,
    kWinIniRun,
    kUserStartup,
    kCommonStartup,
    kLocationCodes
};

struct StartupRecord {
    static const int kColumns = 6;

    CString taskName;
    CString status;
    CString loadFrom;
    CString user;
    CString when;
    CString location;
    // Not columns: kept beside them, never shown or compared as texts.
    int code = kNoLocation;
    // A Startup folder entry's file name as it stands in the folder; empty
    // for other locations and for records that never had one.
    CString fileName;
    // That name when the ANSI code page cannot spell it: fileName (and the
    // task name) then hold the code page's spelling with a '?' for each
    // character it lacks, which names no file and only shows the entry; the
    // file is reached by this name alone. Empty for every other entry.
    std::wstring realName;
    // The name of the private copy a disabled Run value or Startup file
    // waits under, its own and no other entry's. Empty for a record written
    // before copies had names of their own: its copy bears the entry's name.
    CString copyName;
    // A Run value's registry type when it was disabled; REG_NONE when unknown.
    DWORD valueType = REG_NONE;
    // A record-file record whose texts no language pack knows: listed and
    // written back as it stands, acted on by nothing.
    bool unreadable = false;
    // A record cut short by the end of its file (an unreadable one): its text
    // there, byte for byte, written back last and as it is; with a line end
    // or lines added it would pass for a whole record. Empty for whole records.
    CString cutText;

    // Column 0 to 5 in list order; out-of-range access throws std::out_of_range.
    const CString& Column(int column) const;
    CString& Column(int column);
};

inline bool operator==(const StartupRecord& a, const StartupRecord& b) {
    for (int i = 0; i < StartupRecord::kColumns; ++i)
        if (a.Column(i) != b.Column(i)) return false;
    return true;
}

// The same entry: same location, name and data (two win.ini Run lines, or two
// values of one name under different keys, are different entries).
inline bool SameEntry(const StartupRecord& a, const StartupRecord& b) {
    return a.code == b.code && a.taskName == b.taskName && a.location == b.location &&
           (a.fileName.IsEmpty() || b.fileName.IsEmpty() ||
            (a.fileName.CompareNoCase(b.fileName) == 0 && lstrcmpiW(a.realName.c_str(), b.realName.c_str()) == 0));
}
