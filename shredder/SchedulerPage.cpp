#include "SchedulerPage.h"

#include <algorithm>

#include "Files.h"
#include "LangPack.h"
#include "Overwrite.h"
#include "ShredSheet.h"
#include "Seams.h"
#include "SheetResources.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"
#include "TaskFile.h"
#include "TaskNames.h"

using namespace Grindel;

static_assert(sizeof kTextSchedErrors / sizeof kTextSchedErrors[0] == TXT_SCHED_ERROR_LAST - TXT_SCHED_ERROR_FIRST + 1,
              "one text for each of the Task Scheduler's errors");

CString TaskErrorText(HRESULT error) {
    CString text = SystemErrorText(DWORD(error));
    if (!text.IsEmpty()) return text;
    // SCHED_E_TRIGGER_NOT_FOUND (0x80041309) to SCHED_E_SERVICE_NOT_RUNNING (0x80041315).
    const HRESULT first = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x1309);
    const HRESULT last = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x1315);
    if (error >= first && error <= last) {
        const int at = int(error - first);
        return LoadLangString(TXT_SCHED_ERROR_FIRST + at, kTextSchedErrors[at]);
    }
    text.Format("0x%08lX", static_cast<unsigned long>(error));
    return text;
}

namespace {
// Every few seconds the page looks whether a task file another program held is free again.
const UINT_PTR kHeldTaskTimer = 1;
const UINT kHeldTaskRetry = 2000;

bool IsHeldError(HRESULT error) {
    return error == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) || error == HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION);
}

// The command line of Grindel's scheduled mode: Grindel.exe with "/s" first.
bool StartsScheduledGrindel(const CTaskFileFields& fields) {
    if (!fields.hasApplication || !fields.hasParameters) return false;
    const CString parameters = AnsiFromWide(fields.parameters.c_str()).c_str();
    return FileNameOf(AnsiFromWide(fields.application.c_str()).c_str()).CompareNoCase(kProgramFile) == 0 &&
           parameters.Left(4).CompareNoCase("\"/s\"") == 0;
}
}  // namespace

TaskOwner OwnerOfTask(CJobDriver& job, const CString& name, CRealPath* commandLine) {
    CString creator;
    const HRESULT why = job.GetCreator(creator);
    if (SUCCEEDED(why)) {
        if (creator != kCreator) return TASK_OTHERS;
        if (commandLine) *commandLine = job.GetRealCommandLine();
        return TASK_GRINDELS;
    }
    // Not loaded: held by another program (a sharing violation is no damage),
    // or damaged. Either way only the file's own bytes can tell whose it is.
    const bool held = IsHeldError(why);
    CTaskFileFields fields;
    const HRESULT read = ReadTaskFileFields(TaskFilePathOf(WideFromAnsi(name)), fields);
    if (FAILED(read)) return held || IsHeldError(read) ? TASK_HELD : TASK_OTHERS;
    const bool grindels =
        fields.hasCreator ? AnsiFromWide(fields.creator.c_str()) == kCreator : StartsScheduledGrindel(fields);
    if (!grindels) return TASK_OTHERS;
    if (commandLine) *commandLine = fields.hasParameters ? fields.parameters : CRealPath();
    return held ? TASK_GRINDELS_HELD : TASK_GRINDELS_DAMAGED;
}

namespace {
// With the error the Task Scheduler gave, when it gave one, in words.
void ReportTaskFailure(CMyPropertySheet& sheet, HWND parent, int key, const char* text, const char* name,
                       HRESULT error = S_OK) {
    CString message = LangText(key, text, name);
    if (FAILED(error)) message += "\n" + TaskErrorText(error);
    QvMessageBox(parent, message, sheet.App().ProductTitle(), MB_ICONERROR);
}
}  // namespace

CString CreateScheduledTask(CMyPropertySheet& sheet, HWND parent) {
    CTaskNameDlg dialog(sheet.App(), parent, sheet.Schedule());
    if (dialog.DoModal() != IDOK) return CString();
    sheet.Job().Attach(sheet.Schedule().CreateTask(dialog.m_name).Get());
    if (!sheet.Job().IsAttached() || !sheet.Job().SetCreator(kCreator) ||
        !sheet.Job().SetApplicationName(JoinPath(sheet.App().AppPath(), kProgramFile))) {
        const HRESULT error = sheet.Job().IsAttached() ? sheet.Job().LastError() : sheet.Schedule().LastError();
        sheet.Job().Attach(nullptr);
        ReportTaskFailure(sheet, parent, TXT_TASK_CREATE_FAILED, kTextTaskCreateFailed, dialog.m_name, error);
        return CString();
    }
    return dialog.m_name;
}

bool FinishScheduledTask(CMyPropertySheet& sheet, const char* name, const CRealPath& commandLine) {
    if (!sheet.Job().SetCommandLine(commandLine) || !sheet.Job().Save()) {
        ReportTaskFailure(sheet, sheet.GetSafeHwnd(), TXT_TASK_SAVE_FAILED, kTextTaskSaveFailed, name,
                          sheet.Job().LastError());
        return false;
    }
    // Saved all the same: the user can set its schedule from the Scheduler page.
    const HRESULT shown = sheet.Job().ShowProperties();
    if (FAILED(shown))
        ReportTaskFailure(sheet, sheet.GetSafeHwnd(), TXT_TASK_PROPERTIES_FAILED, kTextTaskPropertiesFailed, name,
                          shown);
    return true;
}

void RenumberTaskAlgorithms(CMyPropertySheet& sheet, const std::vector<int>& moved) {
    if (!sheet.SchedulerAvailable()) return;
    CScheduleDriver& schedule = sheet.Schedule();
    schedule.Refresh();
    const long count = schedule.GetCount();
    CJobDriver job;
    for (long i = 1; i <= count; ++i) {
        job.Attach(schedule.GetJob(short(i)).Get());
        const CString name = job.GetName();
        // Edited wide: written back in the code page, an item's name outside it would become a look-alike.
        CRealPath line;
        const TaskOwner owner = OwnerOfTask(job, name, &line);
        if (owner == TASK_OTHERS || owner == TASK_HELD) continue;
        const size_t at = line.find(L"\"/O");
        if (at == CRealPath::npos) continue;
        const size_t end = line.find(L'"', at + 3);
        if (end == CRealPath::npos) continue;
        const int old = atoi(ShownPath(line.substr(at + 3, end - at - 3)).c_str());
        if (old < 0 || old >= int(moved.size()) || moved[size_t(old)] == old) continue;
        const int now = moved[size_t(old)];
        line = line.substr(0, at) + L"\"/O" + std::to_wstring(now) + line.substr(end);
        // Its file held or damaged: the task cannot be changed, and its old number names another algorithm now.
        if (owner != TASK_GRINDELS)
            ReportTaskFailure(sheet, sheet.GetSafeHwnd(), TXT_TASK_NOT_RENUMBERED, kTextTaskNotRenumbered, name);
        else if (!job.SetCommandLine(line) || !job.Save())
            ReportTaskFailure(sheet, sheet.GetSafeHwnd(), TXT_TASK_SAVE_FAILED, kTextTaskSaveFailed, name,
                              job.LastError());
        else if (now < 0)
            ReportTaskFailure(sheet, sheet.GetSafeHwnd(), TXT_TASK_NO_ALGORITHM, kTextTaskNoAlgorithm, name);
    }
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
    // No longer than a task file can be named on this computer.
    SendDlgItemMessageA(m_hWnd, IDC_TASK_NAME, EM_LIMITTEXT, WPARAM(LongestTaskName()), 0);
    return TRUE;
}

void CTaskNameDlg::OnOK() {
    const CString name = GetDlgItemText(IDC_TASK_NAME);
    if (name.IsEmpty()) {
        Box(9057, "Please, Enter the task name.", MB_ICONSTOP);
        return;
    }
    const HRESULT fits = CheckTaskName(WideFromAnsi(name).c_str());
    if (fits == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)) {
        CString longest;
        longest.Format("%d", LongestTaskName());
        QvMessageBox(m_hWnd, LangText(TXT_TASK_NAME_TOO_LONG, kTextTaskNameTooLong, longest), App().ProductTitle(),
                     MB_ICONSTOP);
        return;
    }
    if (FAILED(fits)) {
        Box(TXT_TASK_NAME_INVALID, kTextTaskNameInvalid, MB_ICONSTOP);
        return;
    }
    m_schedule.Refresh();
    const long count = m_schedule.GetCount();
    CJobDriver job;
    for (long i = 1; i <= count; ++i) {
        job.Attach(m_schedule.GetJob(short(i)).Get());
        // Task names are file names: case makes no other task.
        if (job.GetName().CompareNoCase(name) == 0) {
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
    const int selected = m_list.GetSelectedItem();
    const CString selectedName = selected >= 0 && selected < int(m_rowNames.size()) ? m_rowNames[size_t(selected)] : "";
    m_list.DeleteAllItems();
    m_rowMap.clear();
    m_rowNames.clear();
    m_heldNames.clear();
    CScheduleDriver& schedule = Sheet().Schedule();
    schedule.Refresh();
    const long count = schedule.GetCount();
    CJobDriver& job = Sheet().Job();
    for (long i = 1; i <= count; ++i) {
        job.Attach(schedule.GetJob(short(i)).Get());
        if (!job.IsAttached()) continue;
        const CString name = job.GetName();
        // Only Grindel's tasks, so that no command of the page reaches another
        // program's. A damaged one of Grindel's is listed as such, so that the
        // user can delete it and make it anew; one whose maker cannot be told
        // yet, its file held, waits until the file is free.
        const TaskOwner owner = OwnerOfTask(job, name);
        if (owner == TASK_HELD) m_heldNames.push_back(name);
        if (owner == TASK_OTHERS || owner == TASK_HELD) continue;
        const CString text = owner == TASK_GRINDELS_DAMAGED ? LangText(TXT_TASK_DAMAGED, kTextTaskDamaged, name) : name;
        m_rowMap.push_back(int(i));
        m_rowNames.push_back(name);
        const int row = m_list.InsertItem(m_list.GetItemCount(), text);
        if (!selectedName.IsEmpty() && name == selectedName) m_list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        const int width = m_list.TextWidth(text);
        if (width > m_columnWidth) m_columnWidth = width;
    }
    m_list.SendMessage(LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(m_columnWidth + 15, 0));
    if (m_heldNames.empty())
        KillTimer(kHeldTaskTimer);
    else
        SetTimer(kHeldTaskTimer, kHeldTaskRetry);
}

void CMyPropertyPage6::OnTimer(UINT_PTR id) {
    if (id != kHeldTaskTimer) return CShredPage::OnTimer(id);
    // The page fills itself anew when it comes back.
    if (!IsWindowVisible()) {
        KillTimer(kHeldTaskTimer);
        return;
    }
    for (const CString& name : m_heldNames) {
        CTaskFileFields fields;
        if (!IsHeldError(ReadTaskFileFields(TaskFilePathOf(WideFromAnsi(name)), fields))) {
            FillTaskList();
            return;
        }
    }
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

void CMyPropertyPage6::OnRowCommand(int row, bool run) {
    HRESULT done = E_NOINTERFACE;
    if (AttachRowJob(row)) done = run ? Sheet().Job().Run() : Sheet().Job().ShowProperties();
    if (SUCCEEDED(done)) return;
    const CString& name = m_rowNames[size_t(row)];
    if (run)
        ReportTaskFailure(Sheet(), GetSheetHwnd(), TXT_TASK_RUN_FAILED, kTextTaskRunFailed, name, done);
    else
        ReportTaskFailure(Sheet(), GetSheetHwnd(), TXT_TASK_PROPERTIES_FAILED, kTextTaskPropertiesFailed, name, done);
}

void CMyPropertyPage6::OnDeleteTask() {
    const int row = SelectedRow();
    if (row < 0) return;
    const int index = m_rowMap[size_t(row)];
    const CString name = m_rowNames[size_t(row)];
    if (!Sheet().Schedule().Delete(short(index & 0xFFFF)))
        ReportTaskFailure(Sheet(), GetSheetHwnd(), TXT_TASK_DELETE_FAILED, kTextTaskDeleteFailed, name,
                          Sheet().Schedule().LastError());
    // The folder as it is now: the row goes only when its task did.
    FillTaskList();
}

void CMyPropertyPage6::OnDeleteAll() {
    if (QvMessageBox(GetSheetHwnd(), LoadLangString(9029, "Are you sure you want to delete all scheduled tasks?"),
                     LoadLangString(9064, "WARNING!"), MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2) != IDYES)
        return;
    // From the highest index down: a deletion moves only the tasks after it.
    std::vector<std::pair<int, CString>> tasks;
    for (size_t row = 0; row < m_rowMap.size(); ++row) tasks.emplace_back(m_rowMap[row], m_rowNames[row]);
    std::sort(tasks.rbegin(), tasks.rend(), [](const std::pair<int, CString>& a, const std::pair<int, CString>& b) {
        return a.first < b.first;
    });
    for (const auto& task : tasks)
        if (!Sheet().Schedule().Delete(short(task.first & 0xFFFF)))
            ReportTaskFailure(Sheet(), GetSheetHwnd(), TXT_TASK_DELETE_FAILED, kTextTaskDeleteFailed, task.second,
                              Sheet().Schedule().LastError());
    FillTaskList();
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
        if (row >= 0) OnRowCommand(row, LOWORD(wParam) == IDC_RUN_NOW);
        return TRUE;
    }
    case IDC_DELETE_TASK: OnDeleteTask(); return TRUE;
    case IDC_DELETE_ALL: OnDeleteAll(); return TRUE;
    case IDC_VIEW_LOG: OnViewLog(); return TRUE;
    default: return CShredPage::OnCommand(wParam, lParam);
    }
}
