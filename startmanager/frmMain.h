// frmMain.h - Bootlist's main form and only main window: the start-up list
// with its Disable/Enable, Remove, Reset All and Add Task buttons, the
// language combo and switch, the captions step, the blinking note and the
// Edit, Profile, Apply and Help menus. The form moves values between its
// controls and CStartupEditor, which does the work.
// Deliberately not: resizing; the list's logic (StartupEditor.h).
#pragma once

#include "BootlistForms.h"
#include "Controls.h"
#include "Dialog.h"
#include "ListView.h"
#include "SingleInstance.h"
#include "Skin.h"
#include "StartupEditor.h"

// Where the form finds the system; tests point these at fabricated places.
struct CBootlistPlaces {
    CStartupLocations where = CStartupLocations::OfThisSystem();
    // The per-user program setting that keeps the language file name.
    CString settingsKey = "Software\\VB and VBA Program Settings\\Quorvane\\Language";
    // Names the mutex by which a second copy of the program knows the first.
    CString instanceName = "Quorvane Bootlist";
};

extern const char* const kLanguageValue;

class frmMain : public CDialog {
public:
    explicit frmMain(const CBootlistPlaces& places = CBootlistPlaces());

    // Public as the form's own procedures are: the other forms and the menus call them.
    bool ApplyNow();
    void RestLang();
    // Stores the language choice and ends the form (the program).
    void FormUnload();

    CStartupEditor& Editor() { return m_editor; }
    const CSharedTexts& Texts() const { return m_texts; }
    // The second copy of the program ended at once.
    bool EndedAsSecondInstance() const { return m_secondInstance; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    // Escape does not end the program; the close box does.
    void OnCancel() override {}
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnTimer(UINT_PTR id) override;

private:
    void FillLanguageCombo();
    void ApplyCaptions();
    void ShowList();
    // Repaints after an apply; a failed one is shown with what failed.
    bool ShowApplied(bool applied);
    // A box with the heading and the editor's failures, one a line.
    void ShowFailures(const CString& heading);
    void ShowButtons(const CButtonUpdate& buttons);
    void ButtonsFromSelectedRow();
    int SelectedRow() const;
    void ChangeSelectedRow(bool (CStartupEditor::*change)(int, CButtonUpdate&));

    void cmdDisable_Click();
    void cmdRemove_Click();
    void cmdReset_Click();
    void cmdAddTask_Click();
    void ListView1_ItemClick(int row);
    void ComboLang_Click();
    void mnuSaveProf_Click();
    void mnuLoadProf_Click();
    void mnuAuto_Click(const char* fileName);
    void mnyRegistry_Click();
    void mnuHelpIndex_Click();
    void mnuUpdate_Click();
    void mnuAbout_Click();

    CBootlistPlaces m_places;
    CStartupEditor m_editor;
    CSharedTexts m_texts;
    CSingleInstance m_instance;
    bool m_secondInstance = false;
    CSkinObject m_skin;
    CListCtrl ListView1;
    CComboBoxEx ComboLang;
    CImageList ImageList1;
    CString m_disableCaption;
    CString m_enableCaption;
    bool m_noteShown = true;
};
