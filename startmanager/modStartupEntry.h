// modStartupEntry.h - taking an entry out of its auto-start location and
// putting it back, the location chosen by the record's location code: a Run
// key value, a program on win.ini's Load or Run line, or a file in a Startup
// folder. A disabled entry waits byte for byte in Bootlist's private places
// under a copy name of its own (a registry value with its type, the Startup
// file itself); a win.ini program waits in the record only, the rest of its
// line untouched. No step replaces anything it did not put there: another
// entry's copy, or a live value or file of the same name.
// Every step returns ERROR_SUCCESS or the Win32 error that stopped it; an
// entry already where the step would put it counts as done.
// Deliberately not: messages; the list's statuses (StartupEditor.h).
#pragma once

#include <windows.h>

#include "StartupRecord.h"
#include "modRegEnum.h"

enum class EntryStep {
    Disable,  // out of its location into the private keeping
    Enable,   // back from the keeping; written from the record when it has none
    Add,      // written from the record (a row of the add-entry form)
    Remove,   // deleted from its location for good
    Discard,  // a disabled entry's private keeping deleted for good
};

// Disable fills in what it moved: the copy's name (reserved here unless the
// record has one), the real file name, a value's type and data as text.
// Enable and Add refuse with ERROR_ALREADY_EXISTS, changing nothing, when
// something else of the entry's name stands in its place; inTheWay then
// says what (the value's name and data, or the file).
DWORD ChangeStartupEntry(EntryStep step, StartupRecord& record, const CStartupLocations& where,
                         CString* inTheWay = nullptr);

// A name for the record's private copy that no copy bears and that claimed
// (the names other records hold) does not list: "<name>.<n>", never the bare
// name that copies of records written before bear. Empty for the win.ini
// lines, which keep no copy.
CString ReserveCopyName(const StartupRecord& record, const CStartupLocations& where, const CStringArray& claimed);
// Whether the private copy the record names is there; false for a record
// without a copy name of its own.
bool KeptCopyExists(const StartupRecord& record, const CStartupLocations& where);

// Whether an entry of the record's name already stands at its location or
// waits in the keeping of it (the add-entry form must not overwrite either).
// Never for the win.ini lines, which take any number of programs.
bool StartupEntryExists(const StartupRecord& record, const CStartupLocations& where);

// Gives the record a Startup file's name as the folder lists it: fileName
// the code page's spelling, realName the name itself where that spelling
// is not exact (cleared otherwise).
void SetStartupFileName(StartupRecord& record, const std::wstring& realName);

// The Startup folder file a record names: its own file name when it has
// one, else the one waiting in the keeping or standing in the folder (a
// shortcut first when the record has a target), else "<task name>.lnk".
// Empty when the name would leave the folder: a record file is text anyone
// can edit, and "..\\x" must not touch a file elsewhere. For a record with a
// real name, the code page's spelling of it.
CString StartupFileName(const StartupRecord& record, const CStartupLocations& where);
