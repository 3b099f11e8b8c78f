// RecycleBin.h - emptying the Recycle Bin without handing a link in it to a
// call that follows links. The shell's own empty does (under Wine, whose bin
// is the desktop trash, where a trashed link stays a link, it deletes what
// the link leads to), so every entry of a bin folder is removed first, as
// itself (FileEntries.h), together with the desktop trash's record of it; the
// shell is asked to empty the bin, for the index it keeps, only once nothing
// but that index is left. What stays is named, and a failed empty is told.
// Offers: DesktopTrashFolder, CurrentUserSidText, BinFoldersOf,
// IsBinIndexName, CBinEmptied and EmptyRecycleBin.
// Deliberately not: overwriting what the bin holds (Grindel does that first),
// or any message: the callers word and show what stayed.
#pragma once

#include <windows.h>

#include "Strings.h"

// The desktop trash's "files" folder, where the system keeps its bin there
// (Wine); empty elsewhere.
CString DesktopTrashFolder();
// The current user's SID as text ("S-1-5-..."), empty where it cannot be read.
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
