// RunLog.h - log.txt of Grindel's scheduled runs. A run's lines are kept
// together and appended as one block when the run ends: runs started at the
// same time (tasks at log-on) share the file for writing and take turns at a
// lock on one byte far past its end, so no line is lost and no run's lines
// are split by another's.
// A run killed outright (its task's time limit, a crash, a power loss) never
// reaches its end, so each line is also written, flushed, to a pending file of
// the run's own beside the log ("log-<start>-<process>.run"), which the run
// holds open for writing as long as it lives. Any run that finds such a file
// nobody holds appends its lines, and a line saying that run ended early.
// Deliberately not: reading or trimming the log; the user reads it.
#pragma once

#include <windows.h>

#include "Handles.h"
#include "Strings.h"

class CRunLog {
public:
    // The byte every writer locks for its turn; no log ever reaches it.
    static const DWORD kTurnOffset = 0xFFFFFFFEu;

    CRunLog() = default;
    // Writes what is still pending.
    ~CRunLog();
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    void SetPath(const CString& path) { m_path = path; }
    // Keeps the text for the run's block and writes it to the pending file;
    // every line end becomes CR LF.
    void Add(const char* text);
    // Appends the records runs that ended early left, then this run's block,
    // and removes the pending file; false when the log could not be opened in
    // the time allowed (the pending file then keeps the block for a later run).
    bool Flush();
    bool HasPending() const { return !m_pending.IsEmpty(); }
    // Appends the records runs that ended early left; at a run's start.
    void AppendEndedRuns();

private:
    void OpenPendingFile();
    // The block stays in the pending file, marked as a run that finished.
    void KeepPendingFile();
    void RemovePendingFile();

    CString m_path;
    CString m_pending;
    CHandle m_file;
    CString m_filePath;
    bool m_fileTried = false;
};
