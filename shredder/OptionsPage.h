// OptionsPage.h - CMyPropertyPage1 "Shred Options": the algorithm every
// shred and task uses, the algorithm editor CAlgorithmEditorDlg over the
// algorithm store, the language pack choice, Live Update and the skin control.
// Deliberately not: the algorithm records or their registry form (Algorithms.h).
#pragma once

#include <vector>

#include "Algorithms.h"
#include "Controls.h"
#include "ShredListCtrl.h"
#include "ShredPage.h"

class CAlgorithmEditorDlg : public CShredDialog {
public:
    // editIndex -1: a new algorithm; otherwise the user algorithm at that index.
    CAlgorithmEditorDlg(CShredderApp& app, HWND parent, int editIndex);
    enum { ID_SAVED = 1023 };
    // The name the algorithm was saved under.
    const CString& SavedName() const { return m_savedName; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void LoadAlgorithm();
    void EnableEditing(BOOL enable);
    void SetPassText(int row, const char* text);
    int SelectedPass() const { return m_passes.GetSelectedItem(); }
    void SelectPass(int row);
    void OnAddPass();
    void OnDeletePass();
    void OnMove(int step);
    void OnPassKind(UINT id);
    void OnPatternChanged();
    void OnPassSelected(int row);
    void OnSave();

    int m_editIndex;
    CString m_savedName;
    CShredListCtrl m_passes;
};

class CMyPropertyPage1 : public CShredPage {
public:
    explicit CMyPropertyPage1(CMyPropertySheet& sheet);

    // The page's parts, also reached by tests through the controls.
    void OnAlgorithmChanged();
    void FillLanguageCombo();

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void SetPageTexts();
    void OnNewAlgorithm();
    void OnEditAlgorithm();
    void OnDeleteAlgorithm();
    void AfterAlgorithmsChanged(const std::vector<CString>& before, int changedIndex, const char* changedName,
                                const CString& select);
    void OnLiveUpdate();
    void OnLanguageChanged();

    CComboBox m_algorithms;
    CComboBoxEx m_languages;
    CImageList m_flags;
};
