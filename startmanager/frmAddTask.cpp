#include "frmAddTask.h"

#include "BootlistResources.h"
#include "FileDialog.h"
#include "Seams.h"
#include "modLanguage.h"

frmAddTask::frmAddTask(CStartupEditor& editor, const CSharedTexts& texts, CWnd* parent)
    : CDialog(IDD_FRMADDTASK, parent), m_editor(editor), m_texts(texts) {}

BOOL frmAddTask::OnInitDialog() {
    SkinForm(m_skin, m_hWnd);
    SetFormRightToLeft(m_hWnd);
    if (m_texts.languageFilesPresent) {
        SetWindowText(SetCaptionfromINI("201", ""));
        const std::pair<UINT, const char*> captions[] = {
            {IDC_ADD_LABEL1, "151"}, {IDC_ADD_LABEL3, "202"}, {IDC_ADD_LABEL5, "156"},
            {IDC_CMDADD, "203"},     {IDC_CMDCANCEL, "204"},  {IDC_COMMAND1, "205"},
        };
        for (const auto& caption : captions) SetDlgItemText(caption.first, SetCaptionfromINI(caption.second, ""));
    }
    CLocationNames names;
    GetLocationNames(names);
    Combo1.Detach();
    Combo1.Attach(GetDlgItem(IDC_COMBO1));
    // Each item carries its location code: the texts of a pack may repeat
    // (key 414 is one of them) or change with the language.
    const std::pair<const CString*, int> items[] = {
        {&names.userRun, kUserRun},         {&names.machineRun, kMachineRun},
        {&names.machineRunOnce, kMachineRunOnce}, {&names.machineRunOnceEx, kMachineRunOnceEx},
        {&names.userStartup, kUserStartup}, {&names.allUsersStartup, kCommonStartup},
        {&names.winIniLoad, kWinIniLoad},   {&names.winIniRun, kWinIniRun},
    };
    for (const auto& item : items) {
        const int index = Combo1.InsertString(Combo1.GetCount(), *item.first);
        if (index >= 0) Combo1.SetItemData(index, DWORD_PTR(item.second));
    }
    Combo1.SetCurSel(0);
    return TRUE;
}

int frmAddTask::Combo1Code() const {
    const int item = Combo1.GetCurSel();
    return item >= 0 ? int(Combo1.GetItemData(item)) : kNoLocation;
}

void frmAddTask::Command1_Click() {
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY, "Programs (*.exe)|*.exe|All Files (*.*)|*.*",
                       m_hWnd);
    // A cancelled dialog keeps what was typed.
    if (dialog.DoModal() == IDOK) SetDlgItemText(IDC_TXTLOCATION, dialog.GetPathName());
}

// The win.ini lines have no names of their own.
void frmAddTask::Combo1_Click() {
    const int code = Combo1Code();
    EnableDlgItem(IDC_TXTNAME, code != kWinIniLoad && code != kWinIniRun);
}

void frmAddTask::cmdAdd_Click() {
    const bool nameEnabled = ::IsWindowEnabled(GetDlgItem(IDC_TXTNAME)) != FALSE;
    switch (m_editor.AddTask(GetDlgItemText(IDC_TXTNAME), GetDlgItemText(IDC_TXTLOCATION), Combo1Code(),
                             nameEnabled)) {
    case CStartupEditor::Incomplete: QvMessageBox(m_hWnd, m_texts.message[1], kAppTitle, MB_OK); break;
    case CStartupEditor::Exists:
        QvMessageBox(m_hWnd, SetCaptionfromINI("434", "An entry with this name already exists at this location."),
                     kAppTitle, MB_OK | MB_ICONEXCLAMATION);
        break;
    case CStartupEditor::Added: break;
    }
    EndDialog(IDOK);
}

BOOL frmAddTask::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_COMMAND1: Command1_Click(); return TRUE;
    case IDC_COMBO1:
        if (HIWORD(wParam) != CBN_SELCHANGE) return FALSE;
        Combo1_Click();
        return TRUE;
    case IDC_CMDADD: cmdAdd_Click(); return TRUE;
    case IDC_CMDCANCEL: EndDialog(IDCANCEL); return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
    }
}
