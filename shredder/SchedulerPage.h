// SchedulerPage.h - the Scheduler page CMyPropertyPage6 (Grindel's own tasks
// of the task folder: properties, run, delete, delete all, the log), the
// task-name dialog CTaskNameDlg, and the two steps of every page's Schedule
// command: making the task and giving it its "/s" command line.
// Deliberately not: triggers or the task file (the platform's property sheet).
#pragma once

#include <vector>

#include "RealNames.h"
#include "ShredListCtrl.h"
#include "ShredPage.h"

class CJobDriver;
class CScheduleDriver;

// Asks for a name and makes the task (creator "Quorvane Grindel", program
// Grindel.exe in the program folder); the name, or empty when cancelled.
CString CreateScheduledTask(CMyPropertySheet& sheet, HWND parent);
// Gives the task just made its command line, saves it and shows its properties;
// false (told to the user) when the Task Scheduler refused it.
bool FinishScheduledTask(CMyPropertySheet& sheet, const char* name, const CRealPath& commandLine);
inline bool FinishScheduledTask(CMyPropertySheet& sheet, const char* name, const char* commandLine) {
    return FinishScheduledTask(sheet, name, RealPathFrom(commandLine));
}

// The words for an error of the Task Scheduler: the system's text, or for one of
// the scheduler's own codes that the system has none for, Grindel's; only a code
// with no words anywhere is shown as a number.
CString TaskErrorText(HRESULT error);

// Grindel's tasks whose "/O" index moved get the new one (moved[old] = new), so
// each keeps the algorithm the user chose; a task whose algorithm is gone gets
// "/O-1", which shreds nothing and says so, and the user is told.
void RenumberTaskAlgorithms(CMyPropertySheet& sheet, const std::vector<int>& moved);

// Whose a task of the folder is: another program's; Grindel's (its creator);
// Grindel's by its file's bytes while another program holds the file, or
// while the file is damaged; or not to be told yet, its file held alone.
enum TaskOwner { TASK_OTHERS, TASK_GRINDELS, TASK_GRINDELS_HELD, TASK_GRINDELS_DAMAGED, TASK_HELD };
// Of the job attached, named name; commandLine gets its parameters when it is Grindel's.
TaskOwner OwnerOfTask(CJobDriver& job, const CString& name, CRealPath* commandLine = nullptr);

class CTaskNameDlg : public CShredDialog {
public:
    CTaskNameDlg(CShredderApp& app, HWND parent, CScheduleDriver& schedule);
    CString m_name;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CScheduleDriver& m_schedule;
};

class CMyPropertyPage6 : public CShredPage {
public:
    explicit CMyPropertyPage6(CMyPropertySheet& sheet);

    void FillTaskList();
    CShredListCtrl& List() { return m_list; }
    // 1-based collection index of each row's task.
    const std::vector<int>& RowMap() const { return m_rowMap; }
    // Each row's task name (a damaged task's row says so beside it).
    const std::vector<CString>& RowNames() const { return m_rowNames; }
    // Tasks left out of the list while another program holds their files alone.
    const std::vector<CString>& HeldNames() const { return m_heldNames; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;

private:
    // The selected row, or -1 after telling the user.
    int SelectedRow();
    bool AttachRowJob(int row);
    // Run Now or Task Properties on the row's task; a failure is told with the system's reason.
    void OnRowCommand(int row, bool run);
    void OnDeleteTask();
    void OnDeleteAll();
    void OnViewLog();

    CShredListCtrl m_list;
    std::vector<int> m_rowMap;
    std::vector<CString> m_rowNames;
    std::vector<CString> m_heldNames;
    int m_columnWidth = 0;
};
