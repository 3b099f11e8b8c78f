// WipeEntries.h - removing what the Wipe page names, and nothing a link leads
// to: every entry is opened as itself (a symbolic link or junction as the
// link), checked to be the very entry its folder lists, and removed through
// that same handle; a real folder is emptied the same way first, a link is
// never entered. Where the system cannot hold a link as itself (Wine resolves
// a Unix link to its target for every call), the link stays and is named.
// Opening an entry as itself and telling what it is: FileEntries.h, which
// Grindel's shredding shares.
// Deliberately not: overwriting contents (that is shredding); the Recycle Bin
// (RecycleBin.h, built on the same removal).
#pragma once

#include "FileEntries.h"
#include "Strings.h"

// Whether the folder lies inside the profile folder, both as the file system
// resolves them; the profile must be a full path below a drive root.
bool IsWipeableFolder(const CString& folder, const CString& profile);

// Where folders really lie, each asked of the system once for all the files
// that lie in it (empty where the system cannot tell).
class CRealFolders {
public:
    const CString& Of(const CString& folder);

private:
    CStringArray m_folders, m_reals;
};
// The folders the system names for the URL cache, its cookies and its
// history, each resolved once: a cached file is the cache's to delete only
// where it really lies inside one of them.
class CCacheFolders {
public:
    CCacheFolders();
    // file lies inside a cache folder, its own folder looked up in folders
    // (where the system cannot tell, no folder between is a link).
    bool Holds(const CString& file, CRealFolders& folders) const;

private:
    CStringArray m_texts, m_reals;
};

// Removes one file, or a link as a link; anything listed as a folder is left
// and named. Adds to notWiped what stayed; true when the file is gone (or
// was never there).
bool RemoveFile(const CString& path, CRealFolders& folders, CStringArray& notWiped);
// Removes the folder's entries that match the pattern (not the folder itself),
// adding to notWiped what stayed. The folder itself is refused and named when
// it does not lie inside the profile where it really is (or, where the system
// cannot say where, when it or a folder between it and the profile is a link),
// and named when it is there but cannot be opened.
void DeleteFolderContents(const CString& folder, const char* pattern, CStringArray& notWiped);
