#include "ShredEntry.h"

#include <cerrno>

EntryKind CShredEntry::Open(const CRealPath& path, DWORD access, DWORD share, const CRealPath& realFolder) {
    Close();
    m_path = FullRealPath(path);
    m_current = m_path;
    m_share = share;
    m_attributes = 0;
    m_isListed = FindRealEntry(m_path, &m_listed);
    if (!m_isListed) return m_kind = ENTRY_UNOPENED;
    m_attributes = m_listed.dwFileAttributes;
    if (!CanHoldEntries()) return m_kind = ENTRY_PLAIN;

    CRealPath folder = RealFolderOf(m_path);
    if (folder.size() == 2 && folder[1] == L':') folder += L"\\";
    const CRealPath real = realFolder.empty() ? RealPathOf(folder) : realFolder;
    const CRealPath expected = real.empty() ? CRealPath() : JoinRealPath(real, m_listed.cFileName);
    const bool listedAsLink = (m_listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    m_kind = OpenEntryItself(m_path, access, share, listedAsLink, expected, m_handle, m_attributes);
    m_access = access;
    if (!expected.empty()) m_current = expected;
    return m_kind;
}

bool CShredEntry::HoldForRemoval() {
    if (!m_handle.IsValid() || (m_access & DELETE)) return m_handle.IsValid();
    HANDLE h = ReopenEntry(m_handle, m_path, m_access | DELETE | FILE_READ_ATTRIBUTES, m_share,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
    if (h == INVALID_HANDLE_VALUE) return false;
    m_handle.Attach(h);
    m_access |= DELETE;
    return true;
}

DWORD CShredEntry::LinkCount() const {
    BY_HANDLE_FILE_INFORMATION info;
    if (!m_handle.IsValid() || !GetFileInformationByHandle(m_handle, &info) || info.nNumberOfLinks == 0) return 1;
    return info.nNumberOfLinks;
}

bool CShredEntry::SetAttributes(DWORD attributes) {
    const bool done = CanHoldEntries() ? m_handle.IsValid() && SetEntryAttributes(m_handle, attributes)
                                       : SetFileAttributesA(Current(), attributes) != FALSE;
    if (done) m_attributes = attributes;
    return done;
}

HANDLE CShredEntry::OpenData(DWORD access, DWORD flags) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (m_handle.IsValid()) return ReopenEntry(m_handle, m_path, access, share, flags);
    if (CanHoldEntries()) return INVALID_HANDLE_VALUE;
    return OpenRealFile(m_current, access, share, OPEN_EXISTING, flags);
}

bool CShredEntry::RenameTo(const CRealPath& newPath) {
    const bool done = CanHoldEntries() ? HoldForRemoval() && RenameEntry(m_handle, newPath)
                                       : MoveFileA(Current(), ShownPath(newPath)) != FALSE;
    if (done) m_current = newPath;
    return done;
}

bool CShredEntry::Remove() {
    if (CanHoldEntries()) return HoldForRemoval() && RemoveThroughHandle(m_handle, m_attributes);
    return (m_listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(Current()) != FALSE
                                                                  : DeleteFileA(Current()) != FALSE;
}

int ErrnoOfSystemError(DWORD error) {
    switch (error) {
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_INVALID_NAME:
        return EINVAL;
    default:
        return EACCES;
    }
}
