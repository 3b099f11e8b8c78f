// ShredderApp.h - CShredderApp, Grindel's application object: settings,
// algorithms, command line, single-instance mutex, platform probe (free-space
// functions, Recycle Bin functions, fixed drives, NTFS, user SID, protected
// folders), the Recycle Bin verb, message reporting (boxes, or log.txt in
// scheduled runs), the windows the operations ask for, and the command-line
// job.
// The operations themselves (ItemShred.h, FolderShred.h, FreeSpaceShred.h,
// RecycleBinShred.h, DriveShred.h, TaskChecks.h) run on the CShredJob it
// holds and reach the user only through it as their IShredHost.
// The property sheet, its pages and the dialogs are reached through virtual
// members, so start-up and jobs run and are tested without windows.
// Deliberately not: the pages' logic; they call into this object.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Algorithms.h"
#include "DriveShred.h"
#include "FolderShred.h"
#include "FreeSpaceShred.h"
#include "ItemShred.h"
#include "Overwrite.h"
#include "Profile.h"
#include "RecycleBinShred.h"
#include "RunLog.h"
#include "ShredJob.h"
#include "Strings.h"
#include "TaskChecks.h"

// Where the application keeps its state; tests point it at their own keys and folders.
struct CShredderEnvironment {
    CString productKey;     // below HKEY_CURRENT_USER
    HKEY classesRoot;       // the Recycle Bin verb and the component checks
    CString classesPrefix;  // prepended to every key below classesRoot
    CString programFolder;  // empty: the folder of the running program

    CShredderEnvironment();
};

typedef BOOL(WINAPI* SetFilePointerExProc)(HANDLE, LARGE_INTEGER, PLARGE_INTEGER, DWORD);

class CShredderApp : public IShredHost {
public:
    explicit CShredderApp(const CShredderEnvironment& environment = CShredderEnvironment());
    virtual ~CShredderApp();
    CShredderApp(const CShredderApp&) = delete;
    CShredderApp& operator=(const CShredderApp&) = delete;

    // False ends the program with ExitCode(). The items of the command line
    // are taken by their real names; the ANSI form is the code page's text.
    bool InitInstance(const CRealPath& cmdLine);
    bool InitInstance(const char* cmdLine) { return InitInstance(RealPathFrom(cmdLine)); }
    int ExitInstance();
    int ExitCode() const { return m_exitCode; }

    // Start-up pieces.
    bool BuildDriveTable();
    int GetUserSidText();
    bool IsRecycleBinApiAvailable();
    virtual void LoadProtectedFolders();
    bool ShellPathFromName(const CRealPath& name, CRealPath& path) const;
    bool IsSchedulerAvailable();
    bool NamesRecycleBin() const;
    void CheckContextMenuHandler();
    bool RegisterRecycleBinVerb();

    // Command line.
    bool ParseCmdLine(const CRealPath& cmdLine);
    bool ParseCmdLine(const char* cmdLine) { return ParseCmdLine(RealPathFrom(cmdLine)); }
    bool ProcessCmdToken(const CRealPath& token);
    void RunCmdLineJob();
    // The scheduled run's closing line, once (success or the session end, when
    // nothing was recorded), and the run's lines appended to log.txt.
    void LogJobEnd();
    // Adds text to the run's block of log.txt, on the disk at once in case the run is killed.
    void WriteLog(const char* text);
    // Reports what the command line held but named no item by.
    void ReportUnreadCommandLine();

    // What the operations share; there once start-up made the engine.
    CShredJob& Job() { return *m_job; }
    const std::vector<CSkipRun>& NtfsSkipRuns() const { return m_job->SkipRuns(); }

    // IShredHost: a box, or in scheduled runs the last message and log.txt.
    int Report(const CString& text, UINT type) override;
    int Ask(const CString& text, UINT type, int scheduledAnswer) override;
    int AskCaptioned(const CString& text, const char* caption, UINT type, int scheduledAnswer) override;
    void ShowSystemError(DWORD code) override;
    // The progress the engine drives; none in scheduled runs, which show no window.
    IShredProgress* CreateProgress() override;
    // The alert dialog (IDD 129); true when closed with OK; *dontShow is the check box.
    bool ShowAlert(int textKey, const char* defaultText, bool* dontShow) override;
    // The Shred Drive Options question (dialog 132): false is Cancel.
    bool AskDriveOptions(const CString& root, const CString& fileSystem, bool* freeSpaceOnly,
                         bool* formatAfter) override;
    bool FormatDrive(const CString& drive, bool ntfs) override;

    // Settings.
    int Method() const { return m_method; }
    void SetMethod(int index);
    const CString& Language() const { return m_language; }
    const CString& AppPath() const { return m_appPath; }
    const CString& ProductTitle() const { return m_productTitle; }
    const CShredderProfile& Profile() const { return m_profile; }
    CAlgorithmList& Algorithms() { return m_algorithms; }

    // State read by the pages and the tests.
    bool IsScheduled() const { return m_settings.scheduled; }
    const CString& TaskName() const { return m_taskName; }
    const std::vector<CRealPath>& Items() const { return m_items; }
    const CStringArray& UnreadCommandLine() const { return m_unread; }
    int OptionO() const { return m_settings.optionO; }
    int OptionD() const { return m_settings.optionD; }
    int OptionF() const { return m_settings.optionF; }
    int OptionR() const { return m_settings.optionR; }
    const CString& LastMessage() const { return m_lastMessage; }
    bool HasMutex() const { return m_mutex != nullptr; }
    bool IsNT() const { return m_machine.isNT; }
    bool IsSystemRestorePlatform() const { return m_machine.systemRestore; }
    bool RecycleBinAvailable() const { return m_recycleBinAvailable; }
    bool SchedulerUnavailable() const { return m_schedulerUnavailable; }
    const CString& UserSid() const { return m_machine.userSid; }
    const char* FixedDriveRoot(int letterIndex) const { return m_machine.fixedRoots[letterIndex]; }
    int NtfsFlag(int letterIndex) const { return m_machine.ntfs[letterIndex]; }
    const std::vector<CDriveRecord>& Drives() const { return m_machine.drives; }
    const CString& ProtectedFolder(int i) const { return m_machine.protectedFolders[i]; }
    const CString& WindowsFolder() const { return m_machine.windowsFolder; }
    const CString& SystemFolder() const { return m_machine.systemFolder; }
    bool HasDiskFreeSpaceEx() const { return m_machine.HasDiskFreeSpaceEx(); }
    bool HasSetFilePointerEx() const { return m_setFilePointerEx != nullptr; }
    ULONGLONG JobBlocks() const { return m_jobBlocks; }

    volatile bool& AbortFlag() { return m_abort; }
    volatile bool& EndSessionFlag() { return m_endSession; }

protected:
    // The property sheet's part of start-up: shown modally without items.
    virtual void RunSheet();
    // The DLL version of SHELL32; tests stand in for an old one.
    virtual bool GetShell32Version(DWORD* major, DWORD* minor);

    CString& ProtectedFolderSlot(int i) { return m_machine.protectedFolders[i]; }

private:
    bool Fail(int key, const char* defaultText, UINT icon);
    CString ClassesKey(const char* subKey) const;

    CShredderEnvironment m_env;
    CShredderProfile m_profile;
    CAlgorithmList m_algorithms;

    int m_exitCode = 0;
    int m_method = 0;
    CString m_language;
    CString m_appPath;
    CString m_productTitle;
    CString m_lastMessage;
    CRunLog m_log;

    std::vector<CRealPath> m_items;
    CStringArray m_unread;
    CStringArray m_unreadLists;
    CJobSettings m_settings;
    bool m_expectTaskName = false;
    CString m_taskName;

    HANDLE m_mutex = nullptr;
    HMODULE m_kernel32 = nullptr;
    SetFilePointerExProc m_setFilePointerEx = nullptr;
    bool m_comInitialized = false;

    CShredMachine m_machine;
    bool m_recycleBinAvailable = false;
    bool m_schedulerUnavailable = false;

    volatile bool m_abort = false;
    volatile bool m_endSession = false;
    ULONGLONG m_jobBlocks = 0;
    std::vector<BYTE> m_buffer;
    std::unique_ptr<COverwriteEngine> m_engine;
    std::unique_ptr<CShredJob> m_job;
    std::unique_ptr<IShredProgress> m_progress;
};
