// FileTransaction.h - files that must change together or not at all: a
// browser's preference files, the profiles of one browser, the HOSTS file.
// Every file taking part is read first; each new content is written whole to
// a temporary file beside the file its target finally names (a link is
// followed, never replaced, and two spellings of one file are one target),
// and only when all of them stand are the targets replaced, each in one move
// of the new file over the old, after the old content was copied aside. A
// target that cannot be replaced (held open by another program, read-only)
// puts back the ones replaced before it, so a failure at any step leaves every
// target as it was; FailedFile names the culprit, NotPutBack the targets that
// could not be put back and KeptBackups where their old content waits.
// Temporary and backup names never replace a file already there; such a file,
// left by a change that never finished, is kept and named by LeftBehind.
//
//     CFileTransaction change;
//     CString text;
//     if (!change.Read(path, text)) ... change.FailedFile()
//     change.Stage(path, newText);          // more files alike
//     if (!change.Commit()) ... change.FailedFile(); nothing changed unless
//                               change.NotPutBack() names a target
//     change.LeftBehind() ... tell the user, done or not
//
// Deliberately not: locking against other writers between Read and Commit,
// or putting back by itself what a crash in the middle of Commit left.
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
    // file exists but cannot be read (a link that leads nowhere too), which
    // fails the whole change.
    bool Read(const CString& path, CString& contents, bool mayBeAbsent = true);
    // Writes the new content beside the target; false when it cannot be
    // written, the target is read-only or a link that leads nowhere. Staging
    // the same file again, under any spelling, replaces its earlier content.
    bool Stage(const CString& path, const CString& contents);
    bool HasStaged() const { return !m_files.empty(); }
    // Replaces every staged target, all or none. Each new file keeps the
    // attributes of the file it replaces.
    bool Commit();

    const CString& FailedFile() const { return m_failed; }
    // After a failed Commit: the targets left changed, last replaced first.
    const CStringArray& NotPutBack() const { return m_notPutBack; }
    // After a failed Commit: the files holding the old content of the
    // targets left changed; they stay until the user removes them.
    const CStringArray& KeptBackups() const { return m_kept; }
    // Temporary or backup files an earlier change left beside the staged
    // targets, found by Stage and never touched.
    const CStringArray& LeftBehind() const { return m_leftBehind; }

private:
    struct Staged {
        CString target;    // as the caller named it, for what is reported
        CString resolved;  // the file it finally names
        CString temp;
        CString backup;    // the old content, copied aside by Commit
        DWORD attributes;  // of the file before, INVALID_FILE_ATTRIBUTES when absent
        DWORD volume, indexHigh, indexLow;
        bool identified;   // volume and index known (the file existed)
        bool placed;       // the new file moved to resolved
    };
    bool Fail(const CString& path);
    Staged* Find(const Staged& file);
    void NoteLeftBehind(const CString& beside);
    bool BackUp(Staged& file);
    void RollBack();
    void RemoveTemporaryFiles();

    std::vector<Staged> m_files;
    CString m_failed;
    CStringArray m_notPutBack;
    CStringArray m_kept;
    CStringArray m_leftBehind;
};
