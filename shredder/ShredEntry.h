// ShredEntry.h - one entry Grindel shreds, opened as itself and checked to be
// the very entry its folder lists (FileEntries.h) before anything is done to
// it: its attributes, its data, its new names and its removal then go through
// the handle that was checked, never through its path looked up again, so a
// link met in its place never leads the shred to what it points to. It is
// reached by its real name (RealNames.h): one the ANSI calls spell otherwise
// is held like any other. Before Windows NT there are no links and no such
// handles: there the path is the entry.
// Deliberately not: what is written (Overwrite.h), what becomes of a link
// (COverwriteEngine::RemoveLink).
#pragma once

#include <windows.h>

#include "FileEntries.h"
#include "Handles.h"
#include "RealNames.h"
#include "Strings.h"

class CShredEntry {
public:
    // Opens path as itself for access, sharing share. realFolder: where the
    // entry's folder really is, when the caller knows; otherwise it is looked
    // up. The right to delete is taken only when a rename or the removal needs
    // it, so nothing else is kept from reading the entry before that.
    EntryKind Open(const CRealPath& path, DWORD access, DWORD share, const CRealPath& realFolder = CRealPath());
    void Close() { m_handle.Close(); }

    bool Listed() const { return m_isListed; }
    EntryKind Kind() const { return m_kind; }
    // A link, held as the link or followed by the system: never written to or entered.
    bool IsLink() const { return m_kind == ENTRY_LINK || m_kind == ENTRY_ELSEWHERE; }
    bool IsFolder() const { return m_isListed && (m_listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY); }
    const WIN32_FIND_DATAW& ListedData() const { return m_listed; }
    // Where the entry lies now: its real path, or its full path where the
    // system cannot tell; as it is, and as the ANSI calls spell it.
    const CRealPath& RealCurrent() const { return m_current; }
    CString Current() const { return ShownPath(m_current); }

    // How many names the file has (hard links); 1 where the system cannot tell.
    DWORD LinkCount() const;

    bool SetAttributes(DWORD attributes);
    // A handle to the entry's data (sharing reading and writing), or INVALID_HANDLE_VALUE.
    HANDLE OpenData(DWORD access, DWORD flags);
    // A new full path beside the old one; a name already taken is never replaced.
    bool RenameTo(const CRealPath& newPath);
    // Removes the entry (through the handle, it goes when the handle closes);
    // false with the system's error as the last error.
    bool Remove();

private:
    // The handle reopened with the right to delete, from itself where the system can.
    bool HoldForRemoval();

    CRealPath m_path;
    CRealPath m_current;
    CHandle m_handle;
    WIN32_FIND_DATAW m_listed = {};
    bool m_isListed = false;
    EntryKind m_kind = ENTRY_UNOPENED;
    DWORD m_attributes = 0;
    DWORD m_access = 0;
    DWORD m_share = 0;
};

// The runtime library's error number for a system error, as _rmdir would set it.
int ErrnoOfSystemError(DWORD error);
