// RecycleBin.h - emptying the Recycle Bin without handing a link in it to a
// call that follows links. The shell's own empty does (under Wine, whose bin
// is the desktop trash, where a trashed link stays a link, it deletes what
// the link leads to), so every entry of a bin folder is removed first, as
// itself (FileEntries.h), together with the desktop trash's record of it; the
// shell is asked to empty the bin, for the index it keeps, only once nothing
// but that index is left. What stays is named, and a failed empty is told.
// Offers: DesktopTrashFolder, FormatSidText, ReadCurrentUserSid,
// CurrentUserSidText, BinFoldersOf, IsBinIndexName, CBinEmptied and
// EmptyRecycleBin.
// Deliberately not: overwriting what the bin holds (Grindel does that first),
// or any message: the callers word and show what stayed.
#pragma once

#include <windows.h>

#include "Strings.h"

// The desktop trash's "files" folder, where the system keeps its bin there
// (Wine); empty elsewhere.
CString DesktopTrashFolder();
// Writes the SID in its standard text form ("S-1-5-21-...") into buffer;
// false with ERROR_INSUFFICIENT_BUFFER (and *size set to the room needed)
// when it does not fit. Written here, since systems before Windows 2000 have
// no call for it.
bool FormatSidText(PSID sid, char* buffer, DWORD* size);
// The current user's SID as text into sid: 0, or 1 when the process token
// cannot be opened, 2 when its user cannot be read, 3 when the SID cannot be
// written.
int ReadCurrentUserSid(CString& sid);
// The same, empty where it cannot be read.
CString CurrentUserSidText();
// The bin folders of a drive root ("C:\") that exist: "$Recycle.Bin\<sid>",
// "Recycler\<sid>" and "RECYCLED". Not the desktop trash.
CStringArray BinFoldersOf(const char* root, const CString& sid);
// Files a Windows bin folder keeps for itself (its index and its look), which
// are never removed as entries: "INFO2" and "desktop.ini", in any letter case.
bool IsBinIndexName(const char* name);

struct CBinEmptied {
    CStringArray left;         // what stays in the bin, by its path there
    HRESULT shellResult = S_OK;  // the shell's empty, when it failed and the bin still holds something
    bool Emptied() const { return left.IsEmpty() && SUCCEEDED(shellResult); }
};

// Removes every entry of the bin folders as itself (in a Windows bin folder
// its own index files stay; in the desktop trash each entry's record goes
// with it). When nothing stays, the shell then empties the bin of root (null:
// of every drive) for its index; while anything stays it is never asked.
CBinEmptied EmptyRecycleBin(const char* root, const CStringArray& folders);
