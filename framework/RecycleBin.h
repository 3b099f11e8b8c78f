// RecycleBin.h - emptying the Recycle Bin without handing anything in it to
// a call that follows links or skips what it cannot name. The shell's own
// empty does both (under Wine, whose bin is the desktop trash, where a
// trashed link stays a link, it deletes what the link leads to, and it
// leaves what its records do not list), so every place that the shell's
// empty of a root covers (that root's bin folders and, where the system
// keeps its bin there, the whole desktop trash) is walked first, entry by
// entry, each found by its real name (RealNames.h) and removed as itself
// (FileEntries.h) together with the desktop trash's record of it. The shell
// is asked to empty the bin, for the index it keeps, only once none of
// those places holds anything but that index. What stays is named, and a
// failed empty is told.
// Offers: DesktopTrashFolder, FormatSidText, ReadCurrentUserSid,
// CurrentUserSidText, CBinPlace, BinPlacesOf, CountBinEntries,
// IBinEntryShred, CBinEmptied and CRecycleBinSweep.
// Deliberately not: overwriting what the bin holds (Grindel does that, as
// each entry's IBinEntryShred), or any message: the callers word and show
// what stayed.
#pragma once

#include <windows.h>

#include <vector>

#include "RealNames.h"
#include "Strings.h"

// The desktop trash's "files" folder, where the system keeps its bin there
// (Wine), whether or not it exists yet; empty elsewhere.
CRealPath DesktopTrashFolder();
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

// One folder that holds bin entries.
struct CBinPlace {
    CRealPath folder;
    // The desktop trash: everything in it is a trashed entry, whatever its
    // name, with its record in "info" beside. A Windows bin folder keeps
    // files of its own ("INFO2", "desktop.ini"), which are no entries.
    bool desktopTrash = false;
};

// The places, as they exist, that the shell's empty of root ("C:\"; null:
// of every fixed drive) covers: the root's "$Recycle.Bin\<sid>",
// "Recycler\<sid>" and "RECYCLED", and the desktop trash, which the empty
// of any root empties whole.
std::vector<CBinPlace> BinPlacesOf(const char* root, const CString& sid);
// How many entries the places hold, recorded or not, and (bytes) the size of
// those that are files.
ULONGLONG CountBinEntries(const std::vector<CBinPlace>& places, ULONGLONG* bytes = nullptr);

// What an entry of the bin needs before it is removed.
class IBinEntryShred {
public:
    enum { BIN_REMOVE, BIN_KEEP, BIN_STOP };
    virtual ~IBinEntryShred() = default;
    // BIN_REMOVE: it may be removed now; BIN_KEEP: it stays (it could not be
    // made ready), and is named; BIN_STOP: nothing more is walked or emptied.
    virtual int Prepare(const CRealPath& path, const WIN32_FIND_DATAW& listed) = 0;
    // The shell is about to empty the bin of root.
    virtual void BeforeEmpty(const char* root) { (void)root; }
};

struct CBinEmptied {
    CStringArray left;           // what stays in the bin, by its path there in the code page ("?" where it lacks a letter)
    HRESULT shellResult = S_OK;  // the shell's empty, when it failed and the bin still holds something
    bool stopped = false;        // a Prepare said BIN_STOP
    std::vector<CBinPlace> walked;  // the places this sweep walked
    bool Emptied() const { return !stopped && left.IsEmpty() && SUCCEEDED(shellResult); }
};

// The bins of one operation, each place walked once however many roots share it.
class CRecycleBinSweep {
public:
    // prepare: what each entry needs before it is removed (null: nothing).
    CRecycleBinSweep(const CString& sid, IBinEntryShred* prepare);

    // Walks every place of root that no earlier Sweep of this object walked:
    // each entry is prepared, then removed as itself with its record, or kept
    // and named in left; a record of the desktop trash whose entry is gone
    // is removed. Then, when no place of root (those walked before included)
    // holds anything, the shell empties the bin of root for its index; while
    // anything stays it is never asked.
    CBinEmptied Sweep(const char* root);

private:
    CString m_sid;
    IBinEntryShred* m_prepare;
    std::vector<CRealPath> m_walked;
};
