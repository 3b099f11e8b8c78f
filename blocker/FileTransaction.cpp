#include "FileTransaction.h"

#include "FileEntries.h"
#include "Files.h"
#include "Handles.h"

namespace {
const char kNewSuffix[] = ".qvnew~";
const char kOldSuffix[] = ".qvold~";
// More earlier crashes than that beside one file are not to be expected.
const int kFreshNames = 100;

bool IsAbsent(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }
bool IsTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// The suffix alone first, then numbered: ".qvold~", ".qvold~2", ...
CString FreshName(const CString& base, const char* suffix, int n) {
    CString name = base + suffix;
    if (n > 1) name.AppendFormat("%d", n);
    return name;
}

// One of the names FreshName gives for the file name.
bool IsFreshNameOf(const CString& listed, const CString& name) {
    for (const char* suffix : {kNewSuffix, kOldSuffix}) {
        const CString stem = name + suffix;
        if (listed.GetLength() < stem.GetLength() || listed.Left(stem.GetLength()).CompareNoCase(stem) != 0) continue;
        bool digits = true;
        for (int i = stem.GetLength(); i < listed.GetLength(); ++i)
            digits = digits && listed[i] >= '0' && listed[i] <= '9';
        if (digits) return true;
    }
    return false;
}

CString FullPath(const CString& path) {
    char full[MAX_PATH] = "";
    const DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? CString(full) : CString();
}

// Nothing stands at the name. A link that leads nowhere (to a disk that is
// not there) is something, though nothing opens through it; Wine lists no
// such link, not even by its own name, so the name itself is tried: a file
// made only where none stands cannot be made there.
bool NothingAt(const CString& path) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES || !IsAbsent(GetLastError()) || FindListed(path))
        return false;
    CHandle probe(CreateFileA(path, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return probe.IsValid() || !IsTaken(GetLastError());
}

bool RemoveFile(const CString& path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) != FALSE;
}

// Created only where no file stands, so nothing an earlier change left is
// overwritten.
bool WriteFresh(const CString& beside, const CString& contents, CString& temp) {
    for (int n = 1; n <= kFreshNames; ++n) {
        const CString name = FreshName(beside, kNewSuffix, n);
        bool written;
        {
            CHandle file(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file.IsValid()) {
                if (IsTaken(GetLastError())) continue;
                return false;
            }
            written = WriteAllBytes(file, contents) && FlushFileBuffers(file);
        }
        if (!written) {
            DeleteFileA(name);
            return false;
        }
        temp = name;
        return true;
    }
    return false;
}
}  // namespace

CFileTransaction::~CFileTransaction() { RemoveTemporaryFiles(); }

bool CFileTransaction::Fail(const CString& path) {
    m_failed = path;
    return false;
}

bool CFileTransaction::Read(const CString& path, CString& contents, bool mayBeAbsent) {
    if (ReadWholeFile(path, contents)) return true;
    contents.Empty();
    // A file that is not there yet is empty; one that is there but cannot be
    // read (a link that leads nowhere too) would be replaced by a text that
    // lost its content.
    if (mayBeAbsent && NothingAt(path)) return true;
    return Fail(path);
}

CFileTransaction::Staged* CFileTransaction::Find(const Staged& file) {
    for (Staged& s : m_files) {
        const bool sameFile = file.identified && s.identified && s.volume == file.volume &&
                              s.indexHigh == file.indexHigh && s.indexLow == file.indexLow;
        if (sameFile || s.resolved.CompareNoCase(file.resolved) == 0) return &s;
    }
    return nullptr;
}

void CFileTransaction::NoteLeftBehind(const CString& beside) {
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(beside + ".qv*~*", &found));
    if (!find.IsValid()) return;
    do {
        // The pattern matches short names too: only the long name counts.
        if (!IsFreshNameOf(found.cFileName, FileNameOf(beside))) continue;
        const CString path = JoinPath(FolderOf(beside), found.cFileName);
        if (m_leftBehind.Find(path, true) < 0) m_leftBehind.Add(path);
    } while (FindNextFileA(find, &found));
}

bool CFileTransaction::Stage(const CString& path, const CString& contents) {
    Staged file = {path, CString(), CString(), CString(), INVALID_FILE_ATTRIBUTES, 0, 0, 0, false, false};
    {
        // Opened without access, so neither another program's sharing nor
        // a missing right stops it; a link is followed to the file it names.
        CHandle h(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info;
        if (h.IsValid() && GetFileInformationByHandle(h, &info)) {
            file.attributes = info.dwFileAttributes;
            file.volume = info.dwVolumeSerialNumber;
            file.indexHigh = info.nFileIndexHigh;
            file.indexLow = info.nFileIndexLow;
            file.identified = true;
        } else if (h.IsValid()) {
            file.attributes = GetFileAttributesA(path);
        } else if (!IsAbsent(GetLastError()) || !NothingAt(path)) {
            // Not opened though there, or not there yet something stands at
            // its name: a link that leads nowhere, which the new file would
            // replace by a plain one.
            return Fail(path);
        }
        if (h.IsValid()) file.resolved = FinalPathOf(h);
    }
    if (file.attributes != INVALID_FILE_ATTRIBUTES &&
        (file.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return Fail(path);
    const CString full = FullPath(path);
    if (full.IsEmpty()) return Fail(path);
    if (file.resolved.IsEmpty()) {
        // A file not there yet may still lie in a folder reached through a
        // link or a short name: its folder tells where it will be.
        const CString folder = file.identified ? CString() : ResolvedPath(AddBackslash(FolderOf(full)));
        file.resolved = folder.IsEmpty() ? full : JoinPath(folder, FileNameOf(full));
    }

    if (Staged* staged = Find(file)) {
        if (WriteFlushedFile(staged->temp, contents.c_str(), DWORD(contents.GetLength()))) return true;
        staged->temp.Empty();
        return Fail(path);
    }
    // Looked for before the new temporary file is made, so only what
    // others left is found; earlier versions staged beside a link itself.
    NoteLeftBehind(file.resolved);
    if (full.CompareNoCase(file.resolved) != 0) NoteLeftBehind(full);
    if (!WriteFresh(file.resolved, contents, file.temp)) return Fail(path);
    m_files.push_back(file);
    return true;
}

bool CFileTransaction::BackUp(Staged& file) {
    for (int n = 1; n <= kFreshNames; ++n) {
        const CString name = FreshName(file.resolved, kOldSuffix, n);
        if (!CopyFileA(file.resolved, name, TRUE)) {
            if (IsTaken(GetLastError())) continue;
            return false;
        }
        file.backup = name;
        // On the disk before the old file goes, or a power loss could take
        // the only copy of the old content with it.
        CHandle copy(CreateFileA(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        return copy.IsValid() && FlushFileBuffers(copy);
    }
    return false;
}

bool CFileTransaction::Commit() {
    m_notPutBack.RemoveAll();
    m_kept.RemoveAll();
    // Every old content is copied aside before any target changes: a file
    // that cannot be read or copied fails the change with nothing done.
    for (Staged& s : m_files) {
        s.attributes = GetFileAttributesA(s.resolved);
        const bool absent = s.attributes == INVALID_FILE_ATTRIBUTES && IsAbsent(GetLastError());
        if (absent) continue;
        if (s.attributes == INVALID_FILE_ATTRIBUTES ||
            (s.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) || !BackUp(s)) {
            Fail(s.target);
            RollBack();
            return false;
        }
    }
    // The new file goes over the old one in one move, so there is no moment
    // without the file; the move is refused while another program holds it.
    for (Staged& s : m_files) {
        if (!MoveFileExA(s.temp, s.resolved, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            Fail(s.target);
            RollBack();
            return false;
        }
        s.placed = true;
        if (!s.backup.IsEmpty()) SetFileAttributesA(s.resolved, s.attributes);
    }
    for (Staged& s : m_files)
        if (!s.backup.IsEmpty()) RemoveFile(s.backup);
    m_files.clear();
    return true;
}

void CFileTransaction::RollBack() {
    m_notPutBack.RemoveAll();
    m_kept.RemoveAll();
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        bool restored = true;
        if (it->placed && !it->backup.IsEmpty()) {
            // The copy keeps the old attributes, and goes back in one move.
            restored =
                MoveFileExA(it->backup, it->resolved, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        } else if (it->placed) {
            restored = RemoveFile(it->resolved);
        } else if (!it->backup.IsEmpty()) {
            RemoveFile(it->backup);
        }
        // The backup stays where the move failed: it holds the old content.
        if (!restored) {
            m_notPutBack.Add(it->target);
            if (!it->backup.IsEmpty()) m_kept.Add(it->backup);
        }
        it->placed = false;
        it->backup.Empty();
    }
    RemoveTemporaryFiles();
}

void CFileTransaction::RemoveTemporaryFiles() {
    for (const Staged& s : m_files)
        if (!s.placed && !s.temp.IsEmpty()) DeleteFileA(s.temp);
    m_files.clear();
}
