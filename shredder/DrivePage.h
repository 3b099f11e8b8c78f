// DrivePage.h - the Shred Drive page (CMyPropertyPage4: free space or the
// whole drive, optionally formatted after), the Shred Recycle Bin page
// (CMyPropertyPage5) and CDriveOptionsDlg, the same drive question for a
// drive root that reaches the engine without a drive mode.
// Deliberately not: the free-space fill, the whole-drive shred or the Recycle
// Bin walk (the engine's).
#pragma once

#include "ShredListCtrl.h"
#include "ShredPage.h"

class CMyPropertyPage4 : public CShredPage {
public:
    explicit CMyPropertyPage4(CMyPropertySheet& sheet);

    int m_driveMode = 0;   // 0 free space, 1 whole drive
    int m_formatAfter = 1;
    CShredListCtrl& List() { return m_list; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void FillDriveList();
    bool SelectedIsNtfs() const;
    void OnWholeDrive();
    void OnFreeSpace();
    void OnShredNow();
    void OnSchedule();

    CShredListCtrl m_list;
};

class CMyPropertyPage5 : public CShredPage {
public:
    explicit CMyPropertyPage5(CMyPropertySheet& sheet);

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void OnShredNow();
    void OnSchedule();
};

// The drive question for a drive root given without a drive mode: false on
// Cancel; otherwise *freeSpaceOnly and *formatAfter hold the choice.
bool AskDriveOptions(CShredderApp& app, const char* fileSystem, bool* freeSpaceOnly, bool* formatAfter);

class CDriveOptionsDlg : public CShredDialog {
public:
    CDriveOptionsDlg(CShredderApp& app, HWND parent, const char* fileSystem);
    int m_freeSpaceOnly = 1;
    int m_formatAfter = 0;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    CString m_fileSystem;
};
