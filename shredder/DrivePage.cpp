#include "DrivePage.h"

#include "LangPack.h"
#include "ShredSheet.h"
#include "SchedulerPage.h"
#include "SheetResources.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const int kColumnKeys[4] = {9309, 9310, 9311, 9312};
const char* const kColumnTexts[4] = {"Label", "File System", "Free Space", "Total Space"};

bool IsNtfs(const char* fileSystem) { return lstrcmpA(fileSystem, "NTFS") == 0; }
}  // namespace

CMyPropertyPage4::CMyPropertyPage4(CMyPropertySheet& sheet) : CShredPage(IDD_PAGE_DRIVE, sheet) {}

BOOL CMyPropertyPage4::OnInitDialog() {
    SkinPage();
    m_list.SubclassDlgItem(IDC_DRIVE_LIST, m_hWnd);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 4; ++i) m_list.InsertColumn(i, LoadLangControlText(kColumnKeys[i], kColumnTexts[i]));
    CheckRadioButton(m_hWnd, IDC_FREE_SPACE, IDC_WHOLE_DRIVE, IDC_FREE_SPACE);
    m_driveMode = 0;
    FillDriveList();
    return TRUE;
}

void CMyPropertyPage4::FillDriveList() {
    m_list.DeleteAllItems();
    int row = 0;
    for (const CDriveRecord& drive : App().Drives()) {
        CString free, total;
        free.Format("%.2f GB", double(drive.freeGB));
        total.Format("%.2f GB", double(drive.totalGB));
        // The row keeps its letter: a label may hold anything, "(" and ":" too.
        m_list.InsertItem(row, drive.displayText, LPARAM(drive.letter));
        m_list.SetItemText(row, 1, drive.fileSystem);
        m_list.SetItemText(row, 2, free);
        m_list.SetItemText(row, 3, total);
        ++row;
    }
    for (int i = 0; i < 4; ++i) m_list.AutoSizeColumn(i);
}

BOOL CMyPropertyPage4::OnSetActive() {
    static const CControlText kTexts[] = {
        {IDC_DRIVE_GROUP, 9301, "&Choose Drive"},
        {IDC_DRIVE_SHRED_NOW, 9302, "Shred &Now"},
        {IDC_SCHEDULE, 9303, "&Schedule"},
        {IDC_WHOLE_DRIVE, 9305, "Shred the whole &drive."},
        {IDC_AFTER_GROUP, 9306, "&After shredding whole drive"},
        {IDC_LEAVE_DRIVE, 9307, "&Leave drive as it's."},
        {IDC_FORMAT_DRIVE, 9308, "&Format drive."},
    };
    SetControlTexts(m_hWnd, kTexts);
    EnableDlgItem(IDC_SCHEDULE, Sheet().SchedulerAvailable() && m_driveMode == 0);
    return TRUE;
}

bool CMyPropertyPage4::SelectedIsNtfs() const {
    const int row = m_list.GetSelectedItem();
    return row >= 0 && IsNtfs(m_list.GetItemText(row, 1));
}

void CMyPropertyPage4::OnWholeDrive() {
    m_driveMode = 1;
    // Whole-drive jobs cannot be scheduled.
    EnableDlgItem(IDC_SCHEDULE, FALSE);
    for (UINT id : {IDC_AFTER_GROUP, IDC_LEAVE_DRIVE, IDC_FORMAT_DRIVE}) ShowDlgItem(id, SW_SHOW);
    CheckRadioButton(m_hWnd, IDC_LEAVE_DRIVE, IDC_FORMAT_DRIVE, IDC_FORMAT_DRIVE);
    m_formatAfter = 1;
    // An NTFS drive is always formatted after a whole-drive shred.
    EnableDlgItem(IDC_LEAVE_DRIVE, !SelectedIsNtfs());
}

void CMyPropertyPage4::OnFreeSpace() {
    m_driveMode = 0;
    EnableDlgItem(IDC_SCHEDULE, Sheet().SchedulerAvailable());
    for (UINT id : {IDC_AFTER_GROUP, IDC_LEAVE_DRIVE, IDC_FORMAT_DRIVE}) ShowDlgItem(id, SW_HIDE);
}

void CMyPropertyPage4::OnShredNow() {
    const int row = m_list.GetSelectedItem();
    if (row < 0) {
        Box(9075, "There's no selected drive, Please select a drive first.", MB_ICONSTOP);
        return;
    }
    const char letter = char(m_list.GetItemData(row));
    Sheet().SetCurrentDrive(m_list.GetItemText(row, 0), letter);
    const CString drive = CString(letter) + ":";
    App().EndSessionFlag() = false;
    if (m_driveMode == 1) {
        const CString fileSystem = m_list.GetItemText(row, 1);
        const bool format = m_formatAfter != 0;
        Sheet().RunEngineJob([&] {
            // The Format dialog opens inside the shred and is gone when it returns.
            if (format && IsNtfs(fileSystem)) Sheet().StartFormatDriver();
            CDriveShred(App().Job()).ShredWholeDrive(drive, fileSystem, format ? 1 : 0);
            Sheet().StopFormatDriver();
        });
    } else {
        Sheet().RunEngineJob([&] { CFreeSpaceShred(App().Job()).Run(drive + "\\"); });
    }
}

void CMyPropertyPage4::OnSchedule() {
    const int row = m_list.GetSelectedItem();
    if (row < 0) {
        Box(9075, "There's no selected drive, Please select a drive first.", MB_ICONSTOP);
        return;
    }
    const CString root = CString(char(m_list.GetItemData(row))) + ":\\";
    const CString name = CreateScheduledTask(Sheet(), GetSheetHwnd());
    if (name.IsEmpty()) return;
    CString line;
    line.Format("\"/s\" \"%s\" \"/O%d\" \"/D%d\" \"%s\"", name.c_str(), int(App().Profile().GetInt(kValueMethod, 0)),
                m_driveMode, root.c_str());
    FinishScheduledTask(Sheet(), name, line);
}

BOOL CMyPropertyPage4::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CShredPage::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_WHOLE_DRIVE: OnWholeDrive(); return TRUE;
    case IDC_FREE_SPACE: OnFreeSpace(); return TRUE;
    case IDC_FORMAT_DRIVE: m_formatAfter = 1; return TRUE;
    case IDC_LEAVE_DRIVE: m_formatAfter = 0; return TRUE;
    case IDC_DRIVE_SHRED_NOW: OnShredNow(); return TRUE;
    case IDC_SCHEDULE: OnSchedule(); return TRUE;
    default: return CShredPage::OnCommand(wParam, lParam);
    }
}

BOOL CMyPropertyPage4::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const NMLISTVIEW* item = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (item->hdr.idFrom == IDC_DRIVE_LIST && item->hdr.code == LVN_ITEMCHANGED && (item->uNewState & LVIS_SELECTED) &&
        !(item->uOldState & LVIS_SELECTED)) {
        const bool ntfs = IsNtfs(m_list.GetItemText(item->iItem, 1));
        if (!ntfs) {
            EnableDlgItem(IDC_LEAVE_DRIVE, TRUE);
        } else if (::IsWindowVisible(GetDlgItem(IDC_LEAVE_DRIVE))) {
            EnableDlgItem(IDC_LEAVE_DRIVE, FALSE);
            CheckRadioButton(m_hWnd, IDC_LEAVE_DRIVE, IDC_FORMAT_DRIVE, IDC_FORMAT_DRIVE);
            m_formatAfter = 1;
        }
        *result = 0;
        return TRUE;
    }
    return CShredPage::OnNotify(wParam, lParam, result);
}

// ---- Shred Recycle Bin -----------------------------------------------------

CMyPropertyPage5::CMyPropertyPage5(CMyPropertySheet& sheet) : CShredPage(IDD_PAGE_RECYCLE, sheet) {}

BOOL CMyPropertyPage5::OnInitDialog() {
    SkinPage();
    return TRUE;
}

BOOL CMyPropertyPage5::OnSetActive() {
    static const CControlText kTexts[] = {
        {IDC_DRIVE_GROUP, 9401, "Shred &Recycle Bin"},
        {IDC_DRIVE_SHRED_NOW, 9302, "Shred &Now"},
        {IDC_SCHEDULE, 9303, "&Schedule"},
    };
    SetControlTexts(m_hWnd, kTexts);
    EnableDlgItem(IDC_SCHEDULE, Sheet().SchedulerAvailable());
    return TRUE;
}

void CMyPropertyPage5::OnSchedule() {
    const CString name = CreateScheduledTask(Sheet(), GetSheetHwnd());
    if (name.IsEmpty()) return;
    CString line;
    line.Format("\"/s\" \"%s\" \"/O%d\" \"recycle\"", name.c_str(), int(App().Profile().GetInt(kValueMethod, 0)));
    FinishScheduledTask(Sheet(), name, line);
}

BOOL CMyPropertyPage5::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_DRIVE_SHRED_NOW) {
        Sheet().RunEngineJob([this] { CRecycleBinShred(App().Job()).ShredNow(); });
        return TRUE;
    }
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_SCHEDULE) {
        OnSchedule();
        return TRUE;
    }
    return CShredPage::OnCommand(wParam, lParam);
}
