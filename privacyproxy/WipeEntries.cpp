#include "WipeEntries.h"

#include <windows.h>
#include <shlobj.h>

#include "Arrays.h"
#include "FileEntries.h"
#include "Files.h"
#include "Handles.h"
#include "VeilrunGlobals.h"

namespace {

// A full path below its root: "X:\..." or "\\server\share\...".
bool IsBelowARoot(const CString& path) {
    int root = -1;
    if (path.GetLength() >= 2 && path[1] == ':') {
        root = 2;
    } else if (path.Left(2) == "\\\\") {
        const int share = path.Find('\\', 2);
        root = share < 0 ? -1 : path.Find('\\', share + 1);
    }
    return root >= 0 && path.GetLength() > root + 1 && path[root] == '\\';
}

// Strictly inside, and the profile a full path below a drive root: an empty
// or drive-root profile (a failed shell look-up, a profile at "C:") would
// otherwise wipe "\Cookies" and the like at the root of the drive.
bool LiesInside(CString target, CString base) {
    base.TrimRight("\\/");
    target.TrimRight("\\/");
    if (!IsBelowARoot(base)) return false;
    return target.GetLength() > base.GetLength() + 1 && target.Left(base.GetLength()).CompareNoCase(base) == 0 &&
           target[base.GetLength()] == '\\';
}

CString FullPathOf(const CString& path) {
    char full[MAX_PATH] = "";
    const DWORD n = path.IsEmpty() ? 0 : GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return n && n < MAX_PATH ? CString(full) : CString();
}

// Where the system cannot say where a folder leads (no final-path call before
// Windows Vista), only its path can: a junction as the folder or as any
// folder between it and the profile would lead the wipe out of the profile.
// Both are full paths, the folder's inside the profile's; a part that cannot
// be listed cannot be told, and counts as a link.
bool LinkBelow(CString folder, CString profile) {
    profile.TrimRight("\\/");
    folder.TrimRight("\\/");
    for (CString path = folder; path.GetLength() > profile.GetLength(); path = FolderOf(path)) {
        WIN32_FIND_DATAA listed;
        if (!FindListed(path, &listed) || (listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    }
    return false;
}

CString SystemFolder(int id) {
    char path[MAX_PATH] = "";
    return SHGetSpecialFolderPathA(nullptr, path, id, FALSE) ? CString(path) : CString();
}

}  // namespace

CCacheFolders::CCacheFolders() {
    for (int id : {CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY}) {
        const CString folder = FullPathOf(SystemFolder(id));
        if (folder.IsEmpty()) continue;
        m_texts.Add(folder);
        m_reals.Add(RealPathOf(folder));
    }
}

bool CCacheFolders::Holds(const CString& file, CRealFolders& folders) const {
    const CString real = folders.Of(FolderOf(file));
    const CString text = FullPathOf(file);
    for (int i = 0; i < m_texts.GetSize(); ++i) {
        if (!real.IsEmpty() && !m_reals[i].IsEmpty()) {
            if (LiesInside(JoinPath(real, FileNameOf(file)), m_reals[i])) return true;
        } else if (LiesInside(text, m_texts[i]) && !LinkBelow(FolderOf(text), m_texts[i])) {
            return true;
        }
    }
    return false;
}

// Both are compared where they really are, so a folder that is a link to
// somewhere else is no folder of the profile.
bool IsWipeableFolder(const CString& folder, const CString& profile) {
    if (profile.IsEmpty() || folder.IsEmpty()) return false;
    return LiesInside(ResolvedPath(folder), ResolvedPath(profile));
}

const CString& CRealFolders::Of(const CString& folder) {
    for (int i = 0; i < m_folders.GetSize(); ++i)
        if (m_folders[i] == folder) return m_reals[i];
    m_folders.Add(folder);
    return m_reals[m_reals.Add(RealPathOf(folder))];
}

bool RemoveFile(const CString& path, CRealFolders& folders, CStringArray& notWiped) {
    WIN32_FIND_DATAW listed;
    if (!FindRealEntry(RealPathFrom(path), &listed)) return true;
    if (listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        notWiped.Add(path);
        return false;
    }
    const CString folder = FolderOf(path);
    return RemoveListedEntry(RealPathFrom(folder), RealPathFrom(folders.Of(folder)), listed, notWiped);
}

void DeleteFolderContents(const CString& folder, const char* pattern, CStringArray& notWiped) {
    const CString profile = UserProfileFolder();
    // Resolved once and held open, for listing and without sharing its
    // removal, until it is emptied: the folder checked is the folder emptied,
    // and its entries are checked against the place it resolved to.
    CHandle held(CreateFileA(folder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const CRealPath realPath = held.IsValid() ? FinalRealPathOf(held) : CRealPath();
    const CString real = ShownPath(realPath);
    bool inside = false;
    if (!real.IsEmpty()) {
        inside = LiesInside(real, ResolvedPath(profile));
    } else {
        const CString text = FullPathOf(folder), base = FullPathOf(profile);
        inside = LiesInside(text, base) && !(held.IsValid() && LinkBelow(text, base));
    }
    // A folder that is there but cannot be opened is not wiped either.
    if (!inside || (!held.IsValid() && FindListed(folder))) {
        notWiped.Add(folder);
        return;
    }
    if (held.IsValid()) RemoveFolderEntries(RealPathFrom(folder), realPath, RealPathFrom(pattern).c_str(), notWiped);
}
