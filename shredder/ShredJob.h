// ShredJob.h - what Grindel's shredding operations share in one run: the host
// they reach the user through (messages, questions, progress, the few windows
// of their own), the overwrite engine with its buffer and stop flags, which
// settings apply (a scheduled run's options, else the profile), and the
// machine as start-up found it.
// Offers CShredMachine, CJobSettings, CShredJob and COwnProgress. The
// dialog's pages, the command line and the tests build their operations
// (FolderShred.h, FreeSpaceShred.h, RecycleBinShred.h, DriveShred.h,
// TaskChecks.h, ItemShred.h) on the same CShredJob.
// Deliberately not: any operation's own logic, or any window.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Algorithms.h"
#include "Overwrite.h"
#include "Profile.h"
#include "RecycleBin.h"
#include "Strings.h"
#include "WholeDrive.h"

struct CDriveRecord {
    char letter = 0;
    CString displayText;  // "%s (%c:)" with the label, or "Local Disk (%c:)"
    CString fileSystem;
    float totalGB = 0;
    float freeGB = 0;  // free to the current user
};

typedef BOOL(WINAPI* GetDiskFreeSpaceExProc)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
typedef BOOL(WINAPI* GetDiskFreeSpaceProc)(LPCSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD);

enum { PROTECTED_FOLDER_COUNT = 8 };

// The machine as start-up probes it.
class CShredMachine {
public:
    // The fixed drives A-Z with their file systems, and the drive list; true when one of them is NTFS.
    bool FindFixedDrives();
    // 0, or 1 when the process token cannot be opened, 2 when its user cannot be read, 3 when the SID cannot be written.
    int ReadUserSid();
    // Windows, system, Fonts, Start Menu, Programs, Desktop, and the system folder's IOSUBSYS and VMM32.
    void LoadProtectedFolders();
    // The free-space functions kernel32 offers; false when it has neither.
    bool FindDiskSpaceFunctions(HMODULE kernel32);
    // 64-bit byte counts of a drive root.
    bool QueryDiskSpace(const char* root, ULONGLONG* freeToCaller, ULONGLONG* total, ULONGLONG* totalFree) const;
    bool HasDiskFreeSpaceEx() const { return m_getDiskFreeSpaceEx != nullptr; }
    // One of the protected folders, whatever the case or a trailing backslash.
    bool IsProtectedFolder(const CString& path) const;

    char fixedRoots[26][4] = {};
    int ntfs[26] = {};
    std::vector<CDriveRecord> drives;
    CString userSid;
    CString protectedFolders[PROTECTED_FOLDER_COUNT];
    CString windowsFolder, systemFolder;
    // Grindel's own folder: its drive is never shredded whole.
    CString programFolder;
    bool isNT = false;
    bool systemRestore = false;

private:
    GetDiskFreeSpaceExProc m_getDiskFreeSpaceEx = nullptr;
    GetDiskFreeSpaceProc m_getDiskFreeSpace = nullptr;
};

// Which settings a run takes: a scheduled run's options, else the profile's.
struct CJobSettings {
    bool scheduled = false;
    int optionO = 0, optionD = -1, optionF = 0, optionR = 0;
};

class COwnProgress;

class CShredJob {
public:
    // method: the selected algorithm, which the Shred Options page may change meanwhile.
    CShredJob(IShredHost& host, COverwriteEngine& engine, BYTE* buffer, volatile bool& abort, volatile bool& endSession,
              const CShredMachine& machine, const CJobSettings& settings, const CAlgorithmList& algorithms,
              const CShredderProfile& profile, const int& method);
    CShredJob(const CShredJob&) = delete;
    CShredJob& operator=(const CShredJob&) = delete;

    IShredHost& Host() const { return m_host; }
    COverwriteEngine& Engine() const { return m_engine; }
    // The engine's 64 KB buffer.
    BYTE* Buffer() const { return m_buffer; }
    volatile bool& Abort() const { return m_abort; }
    volatile bool& EndSession() const { return m_endSession; }
    bool Stopping() const { return m_abort || m_endSession; }
    const CShredMachine& Machine() const { return m_machine; }
    bool IsScheduled() const { return m_settings.scheduled; }
    const CJobSettings& Settings() const { return m_settings; }
    const CShredderProfile& Profile() const { return m_profile; }
    const CAlgorithmList& Algorithms() const { return m_algorithms; }

    // The algorithm of this run (/O when scheduled, else Method); null when it names none.
    const CAlgorithm* Algorithm() const;
    bool IsQuickShred(const CAlgorithm* algorithm) const;
    // The Folder and Remove options: /F and /R when scheduled, else the profile's (0-2).
    int FolderOption() const;
    int RemoveOption() const;
    // The job's progress, or one of this operation's own (kept in own), opened; null after reporting 9010.
    IShredProgress* OpenProgress(COwnProgress& own);
    // A question a scheduled run cannot ask: there answered No, and what was
    // left for that is logged (skipped).
    int AskOrSkip(const CString& question, UINT type, const CString& skipped);
    // The whole-drive shred's kept NTFS runs of the last drive.
    std::vector<CSkipRun>& SkipRuns() { return m_skipRuns; }

private:
    IShredHost& m_host;
    COverwriteEngine& m_engine;
    BYTE* m_buffer;
    volatile bool& m_abort;
    volatile bool& m_endSession;
    const CShredMachine& m_machine;
    const CJobSettings& m_settings;
    const CAlgorithmList& m_algorithms;
    const CShredderProfile& m_profile;
    const int& m_method;
    std::vector<CSkipRun> m_skipRuns;
};

// A progress an operation opens for itself when its job has none (the pages
// start operations without a job): the overwrite engine drives it too, until
// it closes when the operation returns.
class COwnProgress {
public:
    explicit COwnProgress(COverwriteEngine& engine) : m_engine(engine) {}
    ~COwnProgress() { Close(); }
    COwnProgress(const COwnProgress&) = delete;
    COwnProgress& operator=(const COwnProgress&) = delete;
    void Reset(IShredProgress* progress);
    void Close();
    IShredProgress* get() const { return m_progress.get(); }

private:
    COverwriteEngine& m_engine;
    std::unique_ptr<IShredProgress> m_progress;
};
