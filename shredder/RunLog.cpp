#include "RunLog.h"

#include "Handles.h"

namespace {
// Longer than any other run holds its turn or a scanner holds the file.
const DWORD kWaitMs = 30000;
const DWORD kRetryMs = 20;

bool TimeLeft(DWORD start, DWORD waitMs) { return GetTickCount() - start < waitMs; }
}  // namespace

CRunLog::~CRunLog() { Flush(); }

void CRunLog::Add(const char* text) {
    CString lines(text);
    lines.Replace("\r\n", "\n");
    lines.Replace("\n", "\r\n");
    m_pending += lines;
}

bool CRunLog::Flush() {
    if (m_pending.IsEmpty() || m_path.IsEmpty()) return true;
    const bool written = Append(m_path, m_pending, kWaitMs);
    m_pending.Empty();
    return written;
}

bool CRunLog::Append(const char* path, const CString& block, DWORD waitMs) {
    const DWORD start = GetTickCount();
    CHandle file;
    for (;;) {
        file.Attach(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsValid()) break;
        // Held by a program that shares it with nobody (a scanner, a backup, an older Grindel): wait.
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION && error != ERROR_ACCESS_DENIED) ||
            !TimeLeft(start, waitMs))
            return false;
        Sleep(kRetryMs);
    }
    bool locked = false;
    for (;;) {
        locked = LockFile(file, kTurnOffset, 0, 1, 0) != FALSE;
        // Only another writer's turn is waited for; a system without such locks just writes.
        if (locked || GetLastError() != ERROR_LOCK_VIOLATION || !TimeLeft(start, waitMs)) break;
        Sleep(kRetryMs);
    }
    DWORD written = 0;
    const bool ok = SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
                    WriteFile(file, block.c_str(), DWORD(block.GetLength()), &written, nullptr) &&
                    written == DWORD(block.GetLength());
    if (locked) UnlockFile(file, kTurnOffset, 0, 1, 0);
    return ok;
}
