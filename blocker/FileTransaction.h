// FileTransaction.h - files that must change together or not at all: a
// browser's preference files, the profiles of one browser, the HOSTS file.
// Every file taking part is read first; each new content is written whole to
// a temporary file beside its target, and only when all of them stand are the
// targets replaced. A target that cannot be replaced (held open by another
// program, read-only) puts back the ones replaced before it, so a failure at
// any step leaves every target as it was; FailedFile names the culprit, and
// NotPutBack the targets that could not be put back (their old content stays
// in the *.qvold~ file beside them).
//
//     CFileTransaction change;
//     CString text;
//     if (!change.Read(path, text)) ... change.FailedFile()
//     change.Stage(path, newText);          // more files alike
//     if (!change.Commit()) ... change.FailedFile(); nothing changed unless
//                               change.NotPutBack() names a target
//
// Deliberately not: locking against other writers between Read and Commit,
// or recovery after a crash in the middle of Commit.
#pragma once

#include <windows.h>

#include <vector>

#include "Strings.h"

class CFileTransaction {
public:
    CFileTransaction() = default;
    // Temporary files of a change never committed are removed.
    ~CFileTransaction();
    CFileTransaction(const CFileTransaction&) = delete;
    CFileTransaction& operator=(const CFileTransaction&) = delete;

    // A missing file reads as empty when it may be absent; false when the
    // file exists but cannot be read, which fails the whole change.
    bool Read(const CString& path, CString& contents, bool mayBeAbsent = true);
    // Writes the new content beside the target; false when it cannot be
    // written or the target is read-only. Staging a path again replaces its
    // earlier content.
    bool Stage(const CString& path, const CString& contents);
    bool HasStaged() const { return !m_files.empty(); }
    // Replaces every staged target, all or none. Each new file keeps the
    // attributes of the file it replaces.
    bool Commit();

    const CString& FailedFile() const { return m_failed; }
    // After a failed Commit: the targets left changed, last replaced first.
    const CStringArray& NotPutBack() const { return m_notPutBack; }

private:
    struct Staged {
        CString target;
        CString temp;
        CString backup;
        DWORD attributes;  // of the target before, INVALID_FILE_ATTRIBUTES when absent
        bool setAside;     // the target moved to backup
        bool placed;       // the new file moved to target
    };
    bool Fail(const CString& path);
    void RollBack();
    void RemoveTemporaryFiles();

    std::vector<Staged> m_files;
    CString m_failed;
    CStringArray m_notPutBack;
};
