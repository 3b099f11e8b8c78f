// RunLog.h - log.txt of Grindel's scheduled runs. A run's lines are kept
// together and appended as one block when the run ends: runs started at the
// same time (tasks at log-on) share the file for writing and take turns at a
// lock on one byte far past its end, so no line is lost and no run's lines
// are split by another's.
// Deliberately not: reading or trimming the log; the user reads it.
#pragma once

#include <windows.h>

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
    // Keeps the text for the run's block; every line end becomes CR LF.
    void Add(const char* text);
    // Appends the pending block; false when the file could not be opened in
    // the time allowed (the block is dropped then: nothing else can keep it).
    bool Flush();
    bool HasPending() const { return !m_pending.IsEmpty(); }

    // Opens path for appending beside other writers, waits up to waitMs for
    // the file and for its turn, and writes block at the end. A turn that does
    // not come in that time is taken anyway: a line is never dropped for it.
    static bool Append(const char* path, const CString& block, DWORD waitMs);

private:
    CString m_path;
    CString m_pending;
};
