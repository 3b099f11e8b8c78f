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
    for (const CString* name : {&names.userRun, &names.machineRun, &names.machineRunOnce, &names.machineRunOnceEx,
                                &names.userStartup, &names.allUsersStartup, &names.winIniLoad, &names.winIniRun})
        Combo1.InsertString(Combo1.GetCount(), *name);
    Combo1.SetCurSel(0);
    return TRUE;
}

CString frmAddTask::Combo1Text() const { return GetDlgItemText(IDC_COMBO1); }

void frmAddTask::Command1_Click() {
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY, "Programs (*.exe)|*.exe|All Files (*.*)|*.*",
                       m_hWnd);
    // A cancelled dialog keeps what was typed.
    if (dialog.DoModal() == IDOK) SetDlgItemText(IDC_TXTLOCATION, dialog.GetPathName());
}

// The win.ini lines have no names of their own.
void frmAddTask::Combo1_Click() {
    CLocationNames names;
    GetLocationNames(names);
    const CString text = Combo1Text();
    EnableDlgItem(IDC_TXTNAME, text != names.winIniLoad && text != names.winIniRun);
}

void frmAddTask::cmdAdd_Click() {
    const bool nameEnabled = ::IsWindowEnabled(GetDlgItem(IDC_TXTNAME)) != FALSE;
    if (!m_editor.AddTask(GetDlgItemText(IDC_TXTNAME), GetDlgItemText(IDC_TXTLOCATION), Combo1Text(), nameEnabled))
        QvMessageBox(m_hWnd, m_texts.message[1], kAppTitle, MB_OK);
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
