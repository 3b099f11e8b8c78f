// ShredderApp.h - CShredderApp, Grindel's application object: settings,
// algorithms, command line, single-instance mutex, platform probe (free-space
// functions, Recycle Bin functions, fixed drives, NTFS, user SID, protected
// folders), the Recycle Bin verb, message reporting (boxes, or log.txt in
// scheduled runs) and the command-line job. Folders (Folders.cpp), drive
// roots and whole drives (Drives.cpp), free space (FreeSpace.cpp), the
// Recycle Bin (RecycleBin.cpp) and the task-time checks (TaskChecks.cpp) are
// members too, since they share the job's state.
// The property sheet, its pages and the alert dialog are reached through
// virtual members, so start-up and jobs run and are tested without windows.
// Deliberately not: the pages' logic; they call into this object.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Algorithms.h"
#include "Overwrite.h"
#include "Profile.h"
#include "WholeDrive.h"
#include "Strings.h"

// Where the application keeps its state; tests point it at their own keys and folders.
struct CShredderEnvironment {
    CString productKey;     // below HKEY_CURRENT_USER
    HKEY classesRoot;       // the Recycle Bin verb and the component checks
    CString classesPrefix;  // prepended to every key below classesRoot
    CString programFolder;  // empty: the folder of the running program

    CShredderEnvironment();
};

struct CDriveRecord {
    char letter = 0;
    CString displayText;  // "%s (%c:)" with the label, or "Local Disk (%c:)"
    CString fileSystem;
    float totalGB = 0;
    float freeGB = 0;  // free to the current user
};

typedef BOOL(WINAPI* GetDiskFreeSpaceExProc)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
typedef BOOL(WINAPI* GetDiskFreeSpaceProc)(LPCSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD);
typedef BOOL(WINAPI* SetFilePointerExProc)(HANDLE, LARGE_INTEGER, PLARGE_INTEGER, DWORD);

enum { PROTECTED_FOLDER_COUNT = 8 };

// Writes the SID in its standard text form ("S-1-5-21-...") into buffer;
// false with ERROR_INSUFFICIENT_BUFFER (and *size set to the room needed)
// when it does not fit.
bool FormatSidText(PSID sid, char* buffer, DWORD* size);

// "C:", "c:\" or "C:/": the drive letter in upper case, else 0.
char DriveRootLetter(const char* path);
// The same for a path as Windows resolves it: "\" is the root of the current drive.
char RootLetterOf(const char* path);
// Nothing in it but "." and "..".
bool IsFolderEmpty(const char* path);
// After a shred: a file that is still there, or a folder that still holds one
// (empty folders the options keep are no remains); links are not followed.
bool IsItemLeft(const char* path, int depth = 0);

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

class CShredderApp : public IShredHost {
public:
    explicit CShredderApp(const CShredderEnvironment& environment = CShredderEnvironment());
    virtual ~CShredderApp();
    CShredderApp(const CShredderApp&) = delete;
    CShredderApp& operator=(const CShredderApp&) = delete;

    // False ends the program with ExitCode().
    bool InitInstance(const char* cmdLine);
    int ExitInstance();
    int ExitCode() const { return m_exitCode; }

    // Start-up pieces (also used by the pages).
    bool BuildDriveTable();
    int GetUserSidText();
    bool IsRecycleBinApiAvailable();
    virtual void LoadProtectedFolders();
    bool QueryDiskSpace(const char* root, ULONGLONG* freeToCaller, ULONGLONG* total, ULONGLONG* totalFree) const;
    bool ShellPathFromName(const char* name, CString& path) const;
    bool IsSchedulerAvailable();
    bool NamesRecycleBin() const;
    void CheckContextMenuHandler();
    bool RegisterRecycleBinVerb();

    // Command line.
    bool ParseCmdLine(const char* cmdLine);
    bool ProcessCmdToken(const CString& token);
    void RunCmdLineJob();
    // The scheduled run's closing line, once: the last message, or success or the session end.
    void LogJobEnd();
    void WriteLog(const char* text);

    // 0 done or skipped, 1 stopped by the user, 2 no file, folder or fixed-drive root.
    int ShredItem(const CString& path);
    // The files of a folder, and its subfolders by the Folder and Remove
    // options; in Recycle Bin mode every subfolder is entered and nothing removed.
    // 0 done or skipped, 1 stop the job.
    int ShredFolder(const CString& path, bool systemFolder, bool recycleMode, int depth = 0);
    // One of the protected system folders, whatever the case or a trailing backslash.
    bool IsProtectedFolder(const CString& path) const;
    // The questions a scheduled run cannot ask, asked when its task is made:
    // 2 add the path, 0 leave it out, 1 cancel the whole command.
    int CheckFileForTask(const CString& path);
    int CheckFileInFolderForTask(const CString& path);
    // Also settles Folder and Remove in the profile: a "prompt" becomes 0 or 2.
    int CheckFolderTreeForTask(const CString& folder, bool systemFolder, int depth = 0);
    // The Recycle Bin's Shred Now: the bin alert unless it was turned off, then the shred.
    int ShredRecycleBinNow();
    // The whole-drive shred of "X:" after its confirmation, then the Format dialog when asked
    // and only when the shred ran to its end; the system drive and Grindel's own are refused.
    int ShredWholeDrive(const CString& drive, const CString& fileSystem, int formatAfter);
    bool IsRefusedDrive(const CString& drive) const;
    // The drive mode of the engine: 1 stop the job, 0 go on; *completed when every pass
    // reached the end of the volume.
    int OverwriteDrive(const CString& drive, bool* completed);
    // The free space of a drive root ("C:\\"): temporary files of zeros, overwritten and deleted.
    int ShredFreeSpace(const CString& root);
    const std::vector<CSkipRun>& NtfsSkipRuns() const { return m_skipRuns; }
    // The algorithm of this run (/O when scheduled, else Method); null when it names none.
    const CAlgorithm* JobAlgorithm() const;

    // IShredHost: a box, or in scheduled runs the last message and log.txt.
    int Report(const CString& text, UINT type) override;
    int Ask(const CString& text, UINT type, int scheduledAnswer) override;
    void ShowSystemError(DWORD code) override;

    // Settings.
    int Method() const { return m_method; }
    void SetMethod(int index);
    const CString& Language() const { return m_language; }
    const CString& AppPath() const { return m_appPath; }
    const CString& ProductTitle() const { return m_productTitle; }
    const CShredderProfile& Profile() const { return m_profile; }
    CAlgorithmList& Algorithms() { return m_algorithms; }

    // State read by the pages and the tests.
    bool IsScheduled() const { return m_scheduled; }
    const CString& TaskName() const { return m_taskName; }
    const CStringArray& Items() const { return m_items; }
    int OptionO() const { return m_optionO; }
    int OptionD() const { return m_optionD; }
    int OptionF() const { return m_optionF; }
    int OptionR() const { return m_optionR; }
    const CString& LastMessage() const { return m_lastMessage; }
    bool HasMutex() const { return m_mutex != nullptr; }
    bool IsNT() const { return m_isNT; }
    bool IsSystemRestorePlatform() const { return m_systemRestore; }
    bool RecycleBinAvailable() const { return m_recycleBinAvailable; }
    bool SchedulerUnavailable() const { return m_schedulerUnavailable; }
    const CString& UserSid() const { return m_userSid; }
    const char* FixedDriveRoot(int letterIndex) const { return m_fixedRoots[letterIndex]; }
    int NtfsFlag(int letterIndex) const { return m_ntfs[letterIndex]; }
    const std::vector<CDriveRecord>& Drives() const { return m_drives; }
    const CString& ProtectedFolder(int i) const { return m_protected[i]; }
    const CString& WindowsFolder() const { return m_windowsFolder; }
    const CString& SystemFolder() const { return m_systemFolder; }
    bool HasDiskFreeSpaceEx() const { return m_getDiskFreeSpaceEx != nullptr; }
    bool HasSetFilePointerEx() const { return m_setFilePointerEx != nullptr; }
    ULONGLONG JobBlocks() const { return m_jobBlocks; }

    volatile bool& AbortFlag() { return m_abort; }
    volatile bool& EndSessionFlag() { return m_endSession; }

protected:
    // The property sheet's part of start-up: shown modally without items.
    virtual void RunSheet();
    // The alert dialog (IDD 129); true when closed with OK; *dontShow is the check box.
    virtual bool RunAlertDialog(int textKey, const char* defaultText, bool* dontShow);
    // The Recycle Bin's Shred Now and the drive-root modes; reported as not
    // available until the pages that carry them exist.
    virtual int ShredRecycleBin();
    virtual int ShredDriveRoot(const CString& root);
    // The Shred Drive Options question (dialog 132) for a drive root without /D: false is Cancel.
    virtual bool RunDriveOptionsDialog(const CString& root, const CString& fileSystem, bool* freeSpaceOnly,
                                       bool* formatAfter);
    virtual void FormatDrive(const CString& drive, bool ntfs);
    // "\\.\X:" opened for reading and writing; null when it cannot be opened.
    virtual IRawVolume* OpenNtVolume(const CString& drive);
    // The VWIN32 device of Windows 9x; null when it cannot be opened.
    virtual IVwin32Device* OpenVwin32Device();
    // The folder that holds the bin of one fixed drive (letter index 0 = A).
    virtual CString RecycleBinFolder(int letterIndex, bool* ownsDesktopIni);
    // The progress the engine drives; none in scheduled runs, which show no window.
    virtual IShredProgress* CreateProgress();
    // The DLL version of SHELL32; tests stand in for an old one.
    virtual bool GetShell32Version(DWORD* major, DWORD* minor);

    COverwriteEngine& Engine() { return *m_engine; }
    CString& ProtectedFolderSlot(int i) { return m_protected[i]; }

private:
    bool Fail(int key, const char* defaultText, UINT icon);
    CString ClassesKey(const char* subKey) const;
    ULONGLONG ItemSize(const CString& path, int depth = 0) const;
    // The job's progress, or one of this item's own (kept in own); opened; null after reporting 9010.
    IShredProgress* OpenJobProgress(COwnProgress& own);
    // A question a scheduled run cannot ask: logged, and answered No.
    int AskOrLogNo(const CString& text, UINT type);
    // *indexBytes: how much of the folder's index the entries it met took.
    int WalkFolder(const CString& path, bool systemFolder, bool recycleMode, int depth, bool* skipped,
                   ULONGLONG* indexBytes);
    void ReportRemoveFailure(const CString& path, int error);
    // 0 the file is full, 1 the disk is, 2 a write failed (reported), 3 cancelled.
    int FillTemporaryFile(HANDLE file, DWORD* bytes, IShredProgress& progress, const CString& root);
    // Up to count small files of resident data in folder, until no MFT record is left; their paths
    // go to records. False when they took clusters instead (their data is not kept in records).
    bool FillFileRecords(const CString& root, const CString& folder, std::vector<CString>& records,
                         IShredProgress& progress, int count);

    CShredderEnvironment m_env;
    CShredderProfile m_profile;
    CAlgorithmList m_algorithms;

    int m_exitCode = 0;
    int m_method = 0;
    CString m_language;
    CString m_appPath;
    CString m_productTitle;
    CString m_lastMessage;

    CStringArray m_items;
    bool m_scheduled = false;
    bool m_expectTaskName = false;
    CString m_taskName;
    int m_optionO = 0, m_optionD = -1, m_optionF = 0, m_optionR = 0;

    HANDLE m_mutex = nullptr;
    HMODULE m_kernel32 = nullptr;
    GetDiskFreeSpaceExProc m_getDiskFreeSpaceEx = nullptr;
    GetDiskFreeSpaceProc m_getDiskFreeSpace = nullptr;
    SetFilePointerExProc m_setFilePointerEx = nullptr;
    bool m_comInitialized = false;

    bool m_isNT = false;
    bool m_systemRestore = false;
    bool m_recycleBinAvailable = false;
    bool m_schedulerUnavailable = false;
    CString m_userSid;
    char m_fixedRoots[26][4] = {};
    int m_ntfs[26] = {};
    std::vector<CDriveRecord> m_drives;
    CString m_protected[PROTECTED_FOLDER_COUNT];
    CString m_windowsFolder, m_systemFolder;

    volatile bool m_abort = false;
    volatile bool m_endSession = false;
    ULONGLONG m_jobBlocks = 0;
    std::vector<BYTE> m_buffer;
    std::unique_ptr<COverwriteEngine> m_engine;
    std::unique_ptr<IShredProgress> m_progress;
    std::vector<CSkipRun> m_skipRuns;
};
