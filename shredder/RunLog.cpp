#include "RunLog.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>
#include <vector>

#include "Files.h"
#include "LangPack.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
// Longer than any other run holds its turn or a scanner holds the file.
const DWORD kWaitMs = 30000;
const DWORD kRetryMs = 20;

// A pending file's name after the log's own stem: "-", its start as 16 hex
// digits, "-", its process as 8, then what is known of its run.
const int kIdLength = 25;
const char* const kRunning = ".run";   // its run may still live
const char* const kFinished = ".done"; // its run ended, but could not reach the log
const char* const kUnread = ".kept";   // it could not be read; the log names it

bool TimeLeft(DWORD start, DWORD waitMs) { return GetTickCount() - start < waitMs; }

// "log-" of "...\log.txt".
CString PendingStem(const CString& logPath) {
    CString name = FileNameOf(logPath);
    const int dot = name.ReverseFind('.');
    return (dot > 0 ? name.Left(dot) : name) + "-";
}

// Only names of the exact shape: the search also matches short names, so
// "log-x.running" is found as LOG-X~1.RUN.
bool IsPendingName(const CString& name, const CString& stem, bool* finished) {
    const int length = stem.GetLength();
    if (name.GetLength() < length + kIdLength || name.Left(length).CompareNoCase(stem) != 0) return false;
    for (int i = 0; i < kIdLength; ++i) {
        const char c = name[length + i];
        if (i == 16 ? c != '-' : !isxdigit(static_cast<unsigned char>(c))) return false;
    }
    const CString kind = name.Mid(length + kIdLength);
    *finished = kind.CompareNoCase(kFinished) == 0;
    return *finished || kind.CompareNoCase(kRunning) == 0;
}

// The text as the log shows it: CR LF line ends, none of the zeros or other
// control bytes a power loss or a damaged disk leaves.
CString LogText(const char* data, int length) {
    CString text;
    bool afterCr = false;
    for (int i = 0; i < length; ++i) {
        const char c = data[i];
        // Zeros where a power loss kept a file's length but not its data, and other damage.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') continue;
        if (c == '\n' && afterCr) {
            afterCr = false;
            continue;
        }
        afterCr = c == '\r';
        if (c == '\r' || c == '\n')
            text += "\r\n";
        else
            text += c;
    }
    return text;
}
CString LogText(const CString& text) { return LogText(text.c_str(), text.GetLength()); }

bool EndsWithLineEnd(const CString& text) { return text.GetLength() >= 2 && text.Right(2) == "\r\n"; }

// Emptied before it goes, so a run that takes it between the close and the
// delete finds nothing to append a second time.
void EmptyAndDelete(CHandle& file, const CString& path) {
    if (!file.IsValid()) return;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0) SetEndOfFile(file);
    file.Close();
    DeleteFileA(path);
}

// log.txt opened for appending beside other writers, with this run's turn at
// the lock for as long as the object lives.
class CLogTurn {
public:
    CLogTurn(const char* path, DWORD waitMs) {
        const DWORD start = GetTickCount();
        for (;;) {
            m_file.Attach(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
            if (m_file.IsValid()) break;
            // Held by a program that shares it with nobody (a scanner, a backup, an older Grindel): wait.
            const DWORD error = GetLastError();
            if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION && error != ERROR_ACCESS_DENIED) ||
                !TimeLeft(start, waitMs))
                return;
            Sleep(kRetryMs);
        }
        for (;;) {
            m_locked = LockFile(m_file, CRunLog::kTurnOffset, 0, 1, 0) != FALSE;
            // Only another writer's turn is waited for, and not for good: a line
            // is never dropped for it. A system without such locks just writes.
            if (m_locked || GetLastError() != ERROR_LOCK_VIOLATION || !TimeLeft(start, waitMs)) break;
            Sleep(kRetryMs);
        }
    }
    ~CLogTurn() {
        if (m_locked) UnlockFile(m_file, CRunLog::kTurnOffset, 0, 1, 0);
    }
    CLogTurn(const CLogTurn&) = delete;
    CLogTurn& operator=(const CLogTurn&) = delete;

    bool IsOpen() const { return m_file.IsValid(); }
    bool Write(const CString& block) {
        return SetFilePointer(m_file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER && WriteAllBytes(m_file, block);
    }
    // On the disk before the pending files it came from go.
    void Commit() { FlushFileBuffers(m_file); }

private:
    CHandle m_file;
    bool m_locked = false;
};

// One pending file of a run that ended without appending it, held shared with
// nobody so that no other run takes it meanwhile.
struct CEndedRun {
    CString path;
    CString unreadFrom;  // where an unreadable file stood before it was kept aside
    CHandle file;
    CString record;      // what it brings to the log; empty: nothing
    bool inLog = false;
};

CString EndedRecord(const CString& lines, bool finished) {
    CString record = LogText(lines);
    if (!record.IsEmpty() && !EndsWithLineEnd(record)) record += "\r\n";
    if (!finished) {
        const CString ended = LoadLangString(TXT_RUN_ENDED_EARLY, kTextRunEndedEarly);
        record += LogText(ended) + "\r\n\r\n";
    }
    return record;
}

// Oldest first: the names sort by start.
std::vector<CEndedRun> TakeEndedRuns(const CString& logPath) {
    const CString folder = FolderOf(logPath), stem = PendingStem(logPath);
    std::vector<std::pair<CString, bool>> names;  // and whether its run finished
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(folder, stem + "*"), &found));
    if (find.IsValid()) {
        do {
            bool finished = false;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPendingName(found.cFileName, stem, &finished))
                names.emplace_back(found.cFileName, finished);
        } while (FindNextFileA(find, &found));
    }
    std::sort(names.begin(), names.end(), [](const std::pair<CString, bool>& a, const std::pair<CString, bool>& b) {
        return a.first.CompareNoCase(b.first) < 0;
    });

    std::vector<CEndedRun> runs;
    for (const auto& name : names) {
        CEndedRun run;
        run.path = JoinPath(folder, name.first);
        // Its writer holds it for writing as long as it lives, and another run
        // may have taken it: either way this open fails and the file is left.
        run.file.Attach(CreateFileA(run.path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!run.file.IsValid()) continue;
        CString lines;
        if (ReadOpenFile(run.file, lines)) {
            // An empty file is one whose record is already in the log, or whose run died before its first line.
            if (!lines.IsEmpty()) run.record = EndedRecord(lines, name.second);
        } else {
            // Kept aside under a name no run takes again, so it is named once.
            run.file.Close();
            const CString kept = run.path + kUnread;
            if (MoveFileA(run.path, kept)) {
                run.unreadFrom = run.path;
                run.path = kept;
            }
            const CString text = LoadLangStringWith(TXT_RUN_UNREADABLE, kTextRunUnreadable, run.path);
            run.record = LogText(text) + "\r\n\r\n";
        }
        runs.push_back(std::move(run));
    }
    return runs;
}

void ReleaseEndedRun(CEndedRun& run) {
    if (run.inLog || run.record.IsEmpty())
        EmptyAndDelete(run.file, run.path);
    else if (!run.unreadFrom.IsEmpty())
        MoveFileA(run.path, run.unreadFrom);  // back where a later run finds it and names it
    run.file.Close();
}

// The ended runs' records, then own, in one turn; true when own is in the log.
bool AppendRecords(const CString& logPath, std::vector<CEndedRun>& ended, const CString& own) {
    bool needed = !own.IsEmpty();
    for (const CEndedRun& run : ended) needed = needed || !run.record.IsEmpty();
    bool ownInLog = own.IsEmpty();
    if (needed) {
        CLogTurn turn(logPath, kWaitMs);
        if (turn.IsOpen()) {
            for (CEndedRun& run : ended) run.inLog = !run.record.IsEmpty() && turn.Write(run.record);
            if (!own.IsEmpty()) ownInLog = turn.Write(own);
            turn.Commit();
        }
    }
    for (CEndedRun& run : ended) ReleaseEndedRun(run);
    return ownInLog;
}
}  // namespace

CRunLog::~CRunLog() { Flush(); }

void CRunLog::Add(const char* text) {
    const CString lines = LogText(text, text ? int(strlen(text)) : 0);
    m_pending += lines;
    if (m_path.IsEmpty() || lines.IsEmpty()) return;
    if (!m_fileTried) OpenPendingFile();
    // Line by line on the disk: a run killed outright keeps what it wrote.
    if (m_file.IsValid() && WriteAllBytes(m_file, lines)) FlushFileBuffers(m_file);
}

void CRunLog::AppendEndedRuns() {
    if (m_path.IsEmpty()) return;
    std::vector<CEndedRun> ended = TakeEndedRuns(m_path);
    AppendRecords(m_path, ended, CString());
}

bool CRunLog::Flush() {
    if (m_path.IsEmpty()) return true;
    std::vector<CEndedRun> ended = TakeEndedRuns(m_path);
    const bool written = AppendRecords(m_path, ended, m_pending);
    if (written)
        RemovePendingFile();
    else
        KeepPendingFile();
    m_pending.Empty();
    return written;
}

void CRunLog::OpenPendingFile() {
    m_fileTried = true;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG start = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const CString prefix = JoinPath(FolderOf(m_path), PendingStem(m_path));
    for (int tries = 0; tries < 100; ++tries, ++start) {
        CString path;
        path.Format("%s%08lX%08lX-%08lX%s", prefix.c_str(), static_cast<unsigned long>(start >> 32),
                    static_cast<unsigned long>(start & 0xFFFFFFFFu), static_cast<unsigned long>(GetCurrentProcessId()),
                    kRunning);
        // Readable by anyone, writable by nobody else: a run that can open it
        // for writing knows that its writer is gone, whatever process has its id now.
        m_file.Attach(
            CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (m_file.IsValid()) {
            m_filePath = path;
            return;
        }
        // Two logs of one process within one tick of the clock take the next name.
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return;
    }
}

void CRunLog::KeepPendingFile() {
    if (m_file.IsValid()) {
        // Whole, even where a line could not be written as it came.
        if (SetFilePointer(m_file, 0, nullptr, FILE_BEGIN) == 0 && WriteAllBytes(m_file, m_pending)) {
            SetEndOfFile(m_file);
            FlushFileBuffers(m_file);
        }
        m_file.Close();
        const CString stem = m_filePath.Left(m_filePath.GetLength() - int(strlen(kRunning)));
        MoveFileA(m_filePath, stem + kFinished);
    }
    m_filePath.Empty();
    m_fileTried = false;
}

void CRunLog::RemovePendingFile() {
    EmptyAndDelete(m_file, m_filePath);
    m_filePath.Empty();
    m_fileTried = false;
}
