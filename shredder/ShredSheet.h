// ShredSheet.h - CMyPropertySheet, Grindel's main window: the six pages,
// the tray icon (blinking while a job runs), the system menu with the About
// entry, help, and the driver that presses the buttons of the system's Format
// dialog after a whole-drive shred of an NTFS volume.
// CSheetJobs is what the pages ask of the application object to run a job on
// this thread; the application fills it when it runs the sheet.
// Deliberately not: the shredding itself (the engine's) or the pages' logic.
#pragma once

#include <windows.h>

#include <functional>

#include "DrivePage.h"
#include "FilesPage.h"
#include "OptionsPage.h"
#include "SchedulerClient.h"
#include "SchedulerPage.h"
#include "Tray.h"

class COSVersion;
class CShredderApp;

struct CSheetJobs {
    // Opens the job's progress for bytes (times the passes of the current
    // algorithm) and clears the abort and end-session flags.
    std::function<void(ULONGLONG bytes)> begin;
    std::function<void()> end;
    // 0 done or skipped, 1 stop the job, 2 no file, folder or fixed-drive root.
    std::function<int(const CRealPath& path)> shredItem;
    // A file's size, or the total of the files below a folder.
    std::function<ULONGLONG(const CRealPath& path)> itemSize;
    // Language, its pack, profile value and product title.
    std::function<void(const CString& language)> setLanguage;
    // The single-instance mutex again under the current product title; false
    // when another instance holds that name.
    std::function<bool()> renewMutex;
};

enum SheetTimer : UINT_PTR { TIMER_FORMAT_START = 10, TIMER_FORMAT_OK = 11, TIMER_ICON_BLINK = 32778 };

class CMyPropertySheet : public CPropertySheet {
public:
    CMyPropertySheet(CShredderApp& app, const CSheetJobs& jobs, bool schedulerAvailable);
    ~CMyPropertySheet() override;

    CShredderApp& App() const { return m_app; }
    const CSheetJobs& Jobs() const { return m_jobs; }
    bool SchedulerAvailable() const { return m_schedulerAvailable; }
    CScheduleDriver& Schedule() { return m_schedule; }
    CJobDriver& Job() { return m_job; }
    // A Schedule object made elsewhere (before Create); the scheduler is then available.
    void AttachSchedule(IDispatch* schedule) {
        m_schedule.Attach(schedule);
        m_schedulerAvailable = m_schedule.IsCreated();
    }

    void LoadSheetTexts();
    void AddTrayIcon();
    void ModifyTrayIcon();
    void DeleteTrayIcon() { m_tray.Delete(); }
    void StartIconBlink();
    void StopIconBlink();
    bool IconAdded() const { return m_tray.IsAdded(); }
    bool IconShown() const { return m_iconShown; }

    // A job of the pages: the sheet is disabled and the icon blinks meanwhile.
    void BeginJob(ULONGLONG bytes);
    void EndJob();
    // The same around a job that opens its own progress (drives, Recycle Bin).
    void RunEngineJob(const std::function<void()>& job);

    // The Format dialog of the drive whose display text the Shred Drive page
    // chose: timers 10 and 11 press its buttons while it is open.
    // The row's text as the Format dialog's title shows it, and its drive letter.
    void SetCurrentDrive(const char* text, char letter) {
        m_driveText = text;
        m_driveLetter = letter;
    }
    const CString& CurrentDriveText() const { return m_driveText; }
    void StartFormatDriver() { SetTimer(TIMER_FORMAT_START, 200); }
    void StopFormatDriver() {
        KillTimer(TIMER_FORMAT_START);
        KillTimer(TIMER_FORMAT_OK);
    }

    INT_PTR RunAboutBox();

    CMyPropertyPage1 m_page1;
    CMyPropertyPage2 m_page2;
    CMyPropertyPage3 m_page3;
    CMyPropertyPage4 m_page4;
    CMyPropertyPage5 m_page5;
    CMyPropertyPage6 m_page6;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;

private:
    void PrepareSystemMenu();
    void DriveFormatDialog(UINT_PTR timer);

    CShredderApp& m_app;
    CSheetJobs m_jobs;
    bool m_schedulerAvailable;
    CScheduleDriver m_schedule;
    CJobDriver m_job;
    HICON m_icon = nullptr;
    CTrayIcon m_tray;
    bool m_iconShown = true;
    CString m_driveText;
    char m_driveLetter = 0;
};

// The one sheet of the program while it exists, else null.
CMyPropertySheet* GetGrindelSheet();

// The Format dialog's window title for a drive's display text: "Format %s"
// with the text on XP, with the drive name and a backslash on 2000 and NT 4,
// empty elsewhere.
CString FormatDialogTitle(const char* driveText, char letter, const COSVersion& os);

// Tests take the services the application fills and run a sheet of their
// own; a hook answering true keeps the application from showing its sheet.
using SheetServicesHook = std::function<bool(const CSheetJobs& jobs)>;
void SetSheetServicesHook(SheetServicesHook hook);
