// frmAddTask.h - the add-entry form: a name, a program path (typed or
// browsed for) and one of the eight locations; Add appends an Enabled row to
// the main form's list, which the next apply writes to its location.
// Deliberately not: writing anything itself.
#pragma once

#include "BootlistForms.h"
#include "Controls.h"
#include "Dialog.h"
#include "Skin.h"
#include "StartupEditor.h"

class frmAddTask : public CDialog {
public:
    frmAddTask(CStartupEditor& editor, const CSharedTexts& texts, CWnd* parent);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override { cmdAdd_Click(); }
    void OnCancel() override { EndDialog(IDCANCEL); }

private:
    void Command1_Click();
    void Combo1_Click();
    void cmdAdd_Click();
    // The chosen location's code (the item data of Combo1).
    int Combo1Code() const;

    CStartupEditor& m_editor;
    const CSharedTexts& m_texts;
    CSkinObject m_skin;
    CComboBox Combo1;
};
