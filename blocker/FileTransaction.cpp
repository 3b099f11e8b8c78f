#include "FileTransaction.h"

#include "Files.h"

namespace {
const char kNewSuffix[] = ".qvnew~";
const char kOldSuffix[] = ".qvold~";

bool IsAbsent(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool RemoveFile(const CString& path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) != FALSE;
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
    // read would be replaced by a text that lost its content.
    if (mayBeAbsent && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && IsAbsent(GetLastError())) return true;
    return Fail(path);
}

bool CFileTransaction::Stage(const CString& path, const CString& contents) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return Fail(path);
    Staged* staged = nullptr;
    for (Staged& s : m_files)
        if (s.target.CompareNoCase(path) == 0) staged = &s;
    if (!staged) {
        m_files.push_back({path, path + kNewSuffix, path + kOldSuffix, INVALID_FILE_ATTRIBUTES, false, false});
        staged = &m_files.back();
    }
    if (!WriteFlushedFile(staged->temp, contents.c_str(), DWORD(contents.GetLength()))) return Fail(path);
    return true;
}

bool CFileTransaction::Commit() {
    m_notPutBack.RemoveAll();
    for (Staged& s : m_files) {
        s.attributes = GetFileAttributesA(s.target);
        const bool exists = s.attributes != INVALID_FILE_ATTRIBUTES;
        if (exists && (s.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
            Fail(s.target);
            RollBack();
            return false;
        }
        // Moved aside rather than overwritten: the move is refused while
        // another program holds the file, before anything of the change is
        // in place, and the old file stays whole until the end.
        if (exists) {
            if (!MoveFileExA(s.target, s.backup, MOVEFILE_REPLACE_EXISTING)) {
                Fail(s.target);
                RollBack();
                return false;
            }
            s.setAside = true;
        }
        if (!MoveFileExA(s.temp, s.target, 0)) {
            Fail(s.target);
            RollBack();
            return false;
        }
        s.placed = true;
        if (exists) SetFileAttributesA(s.target, s.attributes);
    }
    for (Staged& s : m_files)
        if (s.setAside) RemoveFile(s.backup);
    m_files.clear();
    return true;
}

void CFileTransaction::RollBack() {
    m_notPutBack.RemoveAll();
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        bool restored = true;
        // The old file goes back over the new one in one move: were the new
        // one deleted first, a failed move would leave no file at the target
        // and the user's content only in the backup.
        if (it->setAside) {
            if (it->placed) SetFileAttributesA(it->target, FILE_ATTRIBUTE_NORMAL);
            restored = MoveFileExA(it->backup, it->target, MOVEFILE_REPLACE_EXISTING) != FALSE;
        } else if (it->placed) {
            restored = RemoveFile(it->target);
        }
        // The backup stays where the move failed: it holds the old content.
        if (!restored) m_notPutBack.Add(it->target);
        it->placed = it->setAside = false;
    }
    RemoveTemporaryFiles();
}

void CFileTransaction::RemoveTemporaryFiles() {
    for (const Staged& s : m_files) DeleteFileA(s.temp);
    m_files.clear();
}
