// DrivePage.h - the Shred Drive page (CMyPropertyPage4: free space or the
// whole drive, optionally formatted after), the Shred Recycle Bin page
// (CMyPropertyPage5).
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
    void OnSchedule();
};
