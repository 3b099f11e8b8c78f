#include "SchedulerPage.h"

#include <algorithm>

#include "Files.h"
#include "LangPack.h"
#include "ShredSheet.h"
#include "Seams.h"
#include "SheetResources.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"

using namespace Grindel;

CString CreateScheduledTask(CMyPropertySheet& sheet, HWND parent) {
    CTaskNameDlg dialog(sheet.App(), parent, sheet.Schedule());
    if (dialog.DoModal() != IDOK) return CString();
    sheet.Job().Attach(sheet.Schedule().CreateTask(dialog.m_name).Get());
    if (!sheet.Job().IsAttached()) return CString();
    sheet.Job().SetCreator(kCreator);
    sheet.Job().SetApplicationName(JoinPath(sheet.App().AppPath(), kProgramFile));
    return dialog.m_name;
}

void FinishScheduledTask(CMyPropertySheet& sheet, const char* commandLine) {
    sheet.Job().SetCommandLine(commandLine);
    sheet.Job().Save();
    sheet.Job().ShowProperties();
}

// ---- task name -----------------------------------------------------------

CTaskNameDlg::CTaskNameDlg(CShredderApp& app, HWND parent, CScheduleDriver& schedule)
    : CShredDialog(IDD_TASK_NAME, app, parent), m_schedule(schedule) {}

BOOL CTaskNameDlg::OnInitDialog() {
    GrindelSkin().SkinWindow(m_hWnd);
    SetWindowText(LoadLangControlText(10000, "Quorvane Grindel"));
    static const CControlText kTexts[] = {
        {IDC_TASK_PROMPT, 10001, "Please Enter the task name"},
        {IDOK, 10002, "OK"},
        {IDCANCEL, 10003, "Cancel"},
    };
    SetControlTexts(m_hWnd, kTexts);
    return TRUE;
}

void CTaskNameDlg::OnOK() {
    const CString name = GetDlgItemText(IDC_TASK_NAME);
    if (name.IsEmpty()) {
        Box(9057, "Please, Enter the task name.", MB_ICONSTOP);
        return;
    }
    m_schedule.Refresh();
    const long count = m_schedule.GetCount();
    CJobDriver job;
    for (long i = 1; i <= count; ++i) {
        job.Attach(m_schedule.GetJob(short(i)).Get());
        if (job.GetName() == name) {
            Box(9016, "There's a task with this name. Please, Specify another name.", MB_ICONSTOP);
            return;
        }
    }
    m_name = name;
    EndDialog(IDOK);
}

// ---- Scheduler page ------------------------------------------------------

CMyPropertyPage6::CMyPropertyPage6(CMyPropertySheet& sheet) : CShredPage(IDD_PAGE_SCHEDULER, sheet) {}

BOOL CMyPropertyPage6::OnInitDialog() {
    SkinPage();
    m_list.SubclassDlgItem(IDC_TASK_LIST, m_hWnd);
    const CString header = LoadLangControlText(9508, "Task Name");
    m_columnWidth = m_list.TextWidth(header) + 15;
    m_list.InsertColumn(0, header, LVCFMT_LEFT, m_columnWidth);
    return TRUE;
}

BOOL CMyPropertyPage6::OnSetActive() {
    if (!Sheet().SchedulerAvailable())
        EnableWindow(FALSE);
    else
        FillTaskList();
    static const CControlText kTexts[] = {
        {IDC_PAGE_GROUP, 9501, "Scheduler"},
        {IDC_TASK_PROPERTIES, 9503, "Task &Properties"},
        {IDC_RUN_NOW, 9504, "&Run Now"},
        {IDC_DELETE_TASK, 9505, "&Delete Task"},
        {IDC_DELETE_ALL, 9506, "Delete &All"},
        {IDC_VIEW_LOG, 9507, "&View Log"},
    };
    SetControlTexts(m_hWnd, kTexts);
    return TRUE;
}

void CMyPropertyPage6::FillTaskList() {
    m_list.DeleteAllItems();
    m_rowMap.clear();
    CScheduleDriver& schedule = Sheet().Schedule();
    schedule.Refresh();
    const long count = schedule.GetCount();
    CJobDriver& job = Sheet().Job();
    for (long i = 1; i <= count; ++i) {
        job.Attach(schedule.GetJob(short(i)).Get());
        if (job.GetCreator() != kCreator) continue;
        const CString name = job.GetName();
        m_rowMap.push_back(int(i));
        m_list.InsertItem(m_list.GetItemCount(), name);
        const int width = m_list.TextWidth(name);
        if (width > m_columnWidth) m_columnWidth = width;
    }
    m_list.SendMessage(LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(m_columnWidth + 15, 0));
}

int CMyPropertyPage6::SelectedRow() {
    const int row = m_list.GetSelectedItem();
    if (row < 0 || row >= int(m_rowMap.size())) {
        Box(9028, "There isn't any selected tasks. Please, Select a task first.", MB_ICONSTOP);
        return -1;
    }
    return row;
}

bool CMyPropertyPage6::AttachRowJob(int row) {
    Sheet().Job().Attach(Sheet().Schedule().GetJob(short(m_rowMap[size_t(row)] & 0xFFFF)).Get());
    return Sheet().Job().IsAttached();
}

void CMyPropertyPage6::OnDeleteTask() {
    const int row = SelectedRow();
    if (row < 0) return;
    const int index = m_rowMap[size_t(row)];
    if (!Sheet().Schedule().Delete(short(index & 0xFFFF))) return;
    m_list.DeleteItem(row);
    // Later tasks of the folder move down by one, so each row keeps naming its own.
    m_rowMap.erase(m_rowMap.begin() + row);
    for (int& entry : m_rowMap)
        if (entry > index) --entry;
}

void CMyPropertyPage6::OnDeleteAll() {
    if (QvMessageBox(GetSheetHwnd(), LoadLangString(9029, "Are you sure you want to delete all scheduled tasks?"),
                     LoadLangString(9064, "WARNING!"), MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2) != IDYES)
        return;
    // From the highest index down: a deletion moves only the tasks after it.
    std::vector<int> indexes = m_rowMap;
    std::sort(indexes.rbegin(), indexes.rend());
    for (int index : indexes) Sheet().Schedule().Delete(short(index & 0xFFFF));
    Sheet().Schedule().Refresh();
    m_list.DeleteAllItems();
    m_rowMap.clear();
}

void CMyPropertyPage6::OnViewLog() {
    CString log;
    log.Format("%s\\log.txt", App().AppPath().c_str());
    if (FileExists(log))
        QvShellExecute(GetSheetHwnd(), "open", kLogFile, nullptr, App().AppPath(), SW_SHOWNORMAL);
    else
        Box(9086, "Log file doesn't exist.", MB_OK);
}

BOOL CMyPropertyPage6::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CShredPage::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_TASK_PROPERTIES:
    case IDC_RUN_NOW: {
        const int row = SelectedRow();
        if (row >= 0 && AttachRowJob(row)) {
            if (LOWORD(wParam) == IDC_RUN_NOW)
                Sheet().Job().Run();
            else
                Sheet().Job().ShowProperties();
        }
        return TRUE;
    }
    case IDC_DELETE_TASK: OnDeleteTask(); return TRUE;
    case IDC_DELETE_ALL: OnDeleteAll(); return TRUE;
    case IDC_VIEW_LOG: OnViewLog(); return TRUE;
    default: return CShredPage::OnCommand(wParam, lParam);
    }
}
