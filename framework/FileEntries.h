// FileEntries.h - one entry of a folder opened as itself, never through a
// link at its own name: a symbolic link or junction is held as the link, and
// where the system follows a link whatever it is asked (Wine resolves a Unix
// link for every call, lists a folder link as a reparse point yet opens its
// target, and shows a file link as a plain file) the entry is told apart by
// where its handle leads, compared with where its folder lies plus the name
// the folder lists. What is then done to the entry goes through that handle
// (its attributes, its data, a new name, its removal), never through its path
// looked up again. Systems without the handle calls (before Windows NT) know
// no links: there the path is the entry. Entries are reached by their real
// names (RealNames.h), so one named outside the code page is held like any other.
// Offers: EntryKind, CanHoldEntries, FinalPathOf, RealPathOf, ResolvedPath,
// FindListed, OpenEntryItself, ReopenEntry, IsSameFile, SetEntryAttributes,
// RenameEntry, RemoveThroughHandle, and RemoveListedEntry/RemoveFolderEntries,
// which remove entries that way (a real folder emptied first, a link as the
// link, or left and named where the system would follow it).
// Deliberately not: overwriting, or choosing which folders may be emptied.
#pragma once

#include <windows.h>

#include "Handles.h"
#include "RealNames.h"
#include "Strings.h"

// What an entry opened as itself turned out to be.
enum EntryKind {
    ENTRY_PLAIN,      // a file or folder that is the listed entry itself
    ENTRY_LINK,       // a symbolic link or junction, held as the link
    ENTRY_ELSEWHERE,  // the system followed a link it was asked to hold, or
                      // the entry resolves outside its folder
    ENTRY_PIPE,       // a named pipe (a FIFO): no data of its own to write over
    ENTRY_DEVICE,     // a device or a socket: neither a file nor a folder
    ENTRY_UNOPENED,   // not opened at all (GetLastError tells why)
};

// The system can hold an entry as itself and rename and remove it through its
// handle (Windows NT and later).
bool CanHoldEntries();

// Where an open handle leads ("\\?\" forms undone); empty when the system cannot tell.
CString FinalPathOf(HANDLE h);
// The same for a path, links followed; empty when it cannot be opened
// (*opened false) or the system cannot tell.
CRealPath RealPathOf(const CRealPath& path, bool* opened = nullptr);
CString RealPathOf(const CString& path, bool* opened = nullptr);
// RealPathOf, or the full path as text when that is empty.
CString ResolvedPath(const CString& path);

// The entry itself, as its folder lists it (on Windows a dangling link too),
// by its ANSI name; FindRealEntry (RealNames.h) finds it by its real one.
bool FindListed(const CString& path, WIN32_FIND_DATAA* listed = nullptr);

// Opens path as itself (a link as the link) with access (attribute reading is
// added) and share, and tells what it is. listedAsLink: the folder lists it as
// a reparse point; expected: where the entry lies (its folder's real path plus
// its listed name), empty when the folder's real path is unknown.
EntryKind OpenEntryItself(const CRealPath& path, DWORD access, DWORD share, bool listedAsLink,
                          const CRealPath& expected, CHandle& h, DWORD& attributes);
EntryKind OpenEntryItself(const CString& path, DWORD access, DWORD share, bool listedAsLink, const CString& expected,
                          CHandle& h, DWORD& attributes);

// A second handle to the entry an open handle holds, for other access: reopened
// from the handle where the system can, else path opened as itself and kept
// only when it is the same file. INVALID_HANDLE_VALUE when neither gives it.
HANDLE ReopenEntry(HANDLE entry, const CRealPath& path, DWORD access, DWORD share, DWORD flags);
// Both handles hold the same file of the same volume.
bool IsSameFile(HANDLE a, HANDLE b);

// New attributes through the handle (zero times stay as they are).
bool SetEntryAttributes(HANDLE h, DWORD attributes);
// A new full path in the same volume through the handle; an entry already of
// that name is never replaced.
bool RenameEntry(HANDLE h, const CRealPath& newPath);
// Marks the entry for deletion through the handle (a read-only one made
// writable first); it goes when the last handle to it closes.
bool RemoveThroughHandle(HANDLE h, DWORD attributes);

// Removes one entry of folder as its listing gave it: a file, a link as the
// link, a real folder after its own entries. realFolder: where folder really
// is (empty where the system cannot tell). What stays (a link the system would
// follow, an entry in use, a pipe or a device, a tree deeper than 100
// folders) is added to left, in the code page ("?" where it lacks a letter); true when the entry
// is gone.
bool RemoveListedEntry(const CRealPath& folder, const CRealPath& realFolder, const WIN32_FIND_DATAW& listed,
                       CStringArray& left, int depth = 0);
// The same for every entry of folder matching pattern (not the folder itself);
// false when something stayed.
bool RemoveFolderEntries(const CRealPath& folder, const CRealPath& realFolder, const wchar_t* pattern,
                         CStringArray& left, int depth = 0);
