#include "OptionsPage.h"

#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "ShredSheet.h"
#include "Seams.h"
#include "SchedulerPage.h"
#include "SheetResources.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const char* const kRandomText = "Write random data.";
const char* const kComplementText = "Write complementary to previous pass pattern.";

CString PassDisplayText(const CAlgorithmPass& pass) {
    if (pass.type == PASS_RANDOM) return kRandomText;
    if (pass.type == PASS_COMPLEMENT) return kComplementText;
    return PatternToDisplayText(pass.pattern);
}
}  // namespace

// ---- algorithm editor ----------------------------------------------------

CAlgorithmEditorDlg::CAlgorithmEditorDlg(CShredderApp& app, HWND parent, int editIndex)
    : CShredDialog(IDD_ALGORITHM_EDITOR, app, parent), m_editIndex(editIndex) {}

BOOL CAlgorithmEditorDlg::OnInitDialog() {
    GrindelSkin().SkinWindow(m_hWnd);
    m_passes.SubclassDlgItem(IDC_PASSES, m_hWnd);
    m_passes.SetExtendedStyle(m_passes.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    m_passes.InsertColumn(0, "#", LVCFMT_LEFT, 40);
    const CString header = LoadLangControlText(13012, "Data");
    m_passes.InsertColumn(1, header, LVCFMT_LEFT, m_passes.TextWidth(header) + 15);
    ::SendMessageA(GetDlgItem(IDC_ALG_NAME), EM_LIMITTEXT, 30, 0);
    ::SendMessageA(GetDlgItem(IDC_ALG_DESCRIPTION), EM_LIMITTEXT, 199, 0);
    SetDlgItemText(IDC_PATTERN, "00");
    if (m_editIndex < 0)
        CheckDlgButton(IDC_PASS_PATTERN, BST_CHECKED);
    else
        LoadAlgorithm();
    return TRUE;
}

void CAlgorithmEditorDlg::EnableEditing(BOOL enable) {
    for (UINT id : {IDC_SAVE, IDC_PATTERN, IDC_PASS_PATTERN, IDC_PASS_RANDOM, IDC_PASS_COMPLEMENT})
        EnableDlgItem(id, enable);
}

void CAlgorithmEditorDlg::LoadAlgorithm() {
    EnableEditing(TRUE);
    if (!App().Algorithms().IsValidIndex(m_editIndex)) return;
    const CAlgorithm& algorithm = App().Algorithms().GetAt(m_editIndex);
    SetDlgItemText(IDC_ALG_NAME, algorithm.name);
    SetDlgItemText(IDC_ALG_DESCRIPTION, algorithm.description);
    for (int i = 0; i < algorithm.PassCount(); ++i) {
        CString number;
        number.Format("%d", i + 1);
        m_passes.InsertItem(i, number);
        m_passes.SetItemText(i, 1, PassDisplayText(algorithm.passes[size_t(i)]));
        if (algorithm.passes[size_t(i)].type == PASS_PATTERN) {
            CString digits = PassDisplayText(algorithm.passes[size_t(i)]);
            digits.Remove(' ');
            SetDlgItemText(IDC_PATTERN, digits);
        }
    }
    m_passes.AutoSizeColumn(1);
    SelectPass(0);
}

void CAlgorithmEditorDlg::SelectPass(int row) {
    m_passes.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CAlgorithmEditorDlg::SetPassText(int row, const char* text) {
    m_passes.SetItemText(row, 1, text);
    m_passes.AutoSizeColumn(1);
}

void CAlgorithmEditorDlg::OnAddPass() {
    const int row = m_passes.GetItemCount();
    CString number;
    number.Format("%d", row + 1);
    m_passes.InsertItem(row, number);
    SetPassText(row, "00");
    SetDlgItemText(IDC_PATTERN, "00");
    CheckRadioButton(m_hWnd, IDC_PASS_PATTERN, IDC_PASS_COMPLEMENT, IDC_PASS_PATTERN);
    EnableEditing(TRUE);
    SelectPass(row);
}

void CAlgorithmEditorDlg::OnDeletePass() {
    const int row = SelectedPass();
    if (row < 0) {
        Box(9074, "There's no selected pass. Please, Select a pass first.", MB_ICONEXCLAMATION);
        return;
    }
    m_passes.DeleteItem(row);
    const int count = m_passes.GetItemCount();
    for (int i = row; i < count; ++i) {
        CString number;
        number.Format("%d", i + 1);
        m_passes.SetItemText(i, 0, number);
    }
    if (count == 0) {
        EnableEditing(FALSE);
        return;
    }
    SelectPass(row < count ? row : count - 1);
}

void CAlgorithmEditorDlg::OnMove(int step) {
    const int row = SelectedPass();
    if (row < 0) {
        Box(9074, "There's no selected pass. Please, Select a pass first.", MB_ICONEXCLAMATION);
        return;
    }
    const int other = row + step;
    if (other < 0 || other >= m_passes.GetItemCount()) return;
    const CString mine = m_passes.GetItemText(row, 1), theirs = m_passes.GetItemText(other, 1);
    m_passes.SetItemText(row, 1, theirs);
    m_passes.SetItemText(other, 1, mine);
    m_passes.SetItemState(row, 0, LVIS_SELECTED | LVIS_FOCUSED);
    SelectPass(other);
}

void CAlgorithmEditorDlg::OnPassKind(UINT id) {
    const int row = SelectedPass();
    if (id == IDC_PASS_PATTERN) {
        EnableDlgItem(IDC_PATTERN, TRUE);
        if (row >= 0) SetPassText(row, PatternTextToDisplayText(GetDlgItemText(IDC_PATTERN)));
        return;
    }
    if (row < 0) {
        Box(9074, "There's no selected pass. Please, Select a pass first.", MB_ICONEXCLAMATION);
        return;
    }
    SetPassText(row, id == IDC_PASS_RANDOM ? kRandomText : kComplementText);
    EnableDlgItem(IDC_PATTERN, FALSE);
}

void CAlgorithmEditorDlg::OnPatternChanged() {
    if (::GetFocus() != GetDlgItem(IDC_PATTERN)) return;
    const int row = SelectedPass();
    if (row < 0) return;
    CheckRadioButton(m_hWnd, IDC_PASS_PATTERN, IDC_PASS_COMPLEMENT, IDC_PASS_PATTERN);
    SetPassText(row, PatternTextToDisplayText(GetDlgItemText(IDC_PATTERN)));
}

void CAlgorithmEditorDlg::OnPassSelected(int row) {
    // The first pass has nothing before it to complement.
    EnableDlgItem(IDC_PASS_COMPLEMENT, row != 0);
    const CString text = m_passes.GetItemText(row, 1);
    UINT radio = IDC_PASS_PATTERN;
    if (text == kRandomText)
        radio = IDC_PASS_RANDOM;
    else if (text == kComplementText)
        radio = IDC_PASS_COMPLEMENT;
    CheckRadioButton(m_hWnd, IDC_PASS_PATTERN, IDC_PASS_COMPLEMENT, radio);
    EnableDlgItem(IDC_PATTERN, radio == IDC_PASS_PATTERN);
    if (radio == IDC_PASS_PATTERN) {
        CString digits = text;
        digits.Remove(' ');
        SetDlgItemText(IDC_PATTERN, digits);
    }
}

void CAlgorithmEditorDlg::OnSave() {
    const int count = m_passes.GetItemCount();
    for (int row = 0; row < count; ++row) {
        const CString text = m_passes.GetItemText(row, 1);
        if (text == kRandomText || text == kComplementText) continue;
        if (!IsValidPatternText(text)) {
            Box(9085,
                "Your pattern include characters out of the Hexadecimal number system.\nPlease fix your pattern.",
                MB_ICONSTOP);
            ::SetFocus(GetDlgItem(IDC_PATTERN));
            return;
        }
    }
    CAlgorithm algorithm;
    algorithm.name = GetDlgItemText(IDC_ALG_NAME);
    algorithm.description = GetDlgItemText(IDC_ALG_DESCRIPTION);
    algorithm.userDefined = true;
    for (int row = 0; row < count; ++row) {
        const CString text = m_passes.GetItemText(row, 1);
        if (text == kRandomText)
            algorithm.passes.push_back(CAlgorithmPass::Random());
        else if (text == kComplementText)
            algorithm.passes.push_back(CAlgorithmPass::Complement());
        else
            algorithm.passes.push_back(CAlgorithmPass::Pattern(DisplayTextToPattern(text)));
    }
    switch (App().Algorithms().SaveAlgorithm(m_editIndex, algorithm)) {
    case SAVE_OK:
        m_savedName = algorithm.name;
        EndDialog(ID_SAVED);
        return;
    case SAVE_EMPTY_NAME:
        Box(9070, "Please, Enter the algorithm name.", MB_ICONSTOP);
        ::SetFocus(GetDlgItem(IDC_ALG_NAME));
        return;
    case SAVE_BAD_NAME:
        Box(TXT_ALG_BACKSLASH, kTextAlgBackslash, MB_ICONSTOP);
        ::SetFocus(GetDlgItem(IDC_ALG_NAME));
        return;
    case SAVE_NAME_EXISTS:
        Box(9071, "There's an algorithm with the same name.\nPlease change the algorithm name.", MB_ICONSTOP);
        return;
    case SAVE_EMPTY_DESCRIPTION:
        Box(9072, "Please, Enter the algorithm description.", MB_ICONSTOP);
        ::SetFocus(GetDlgItem(IDC_ALG_DESCRIPTION));
        return;
    case SAVE_NO_PASSES:
        Box(9074, "There's no selected pass. Please, Select a pass first.", MB_ICONEXCLAMATION);
        return;
    case SAVE_NOT_EDITABLE:
    case SAVE_WRITE_FAILED:
        // The store keeps the list as it was, so nothing half-saved stays behind.
        Box(9073, "Failed to save the shredding algorithm in the system registry.", MB_ICONSTOP);
        EndDialog(IDCANCEL);
        return;
    }
}

BOOL CAlgorithmEditorDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_PATTERN && code == EN_CHANGE) {
        OnPatternChanged();
        return TRUE;
    }
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
    case IDC_ADD_PASS: OnAddPass(); return TRUE;
    case IDC_DELETE_PASS: OnDeletePass(); return TRUE;
    case IDC_MOVE_UP: OnMove(-1); return TRUE;
    case IDC_MOVE_DOWN: OnMove(1); return TRUE;
    case IDC_PASS_PATTERN:
    case IDC_PASS_RANDOM:
    case IDC_PASS_COMPLEMENT: OnPassKind(id); return TRUE;
    case IDC_SAVE: OnSave(); return TRUE;
    default: return CShredDialog::OnCommand(wParam, lParam);
    }
}

BOOL CAlgorithmEditorDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const NMLISTVIEW* item = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (item->hdr.idFrom == IDC_PASSES && item->hdr.code == LVN_ITEMCHANGED && (item->uChanged & LVIF_STATE) &&
        (item->uNewState & LVIS_SELECTED) && !(item->uOldState & LVIS_SELECTED)) {
        OnPassSelected(item->iItem);
        *result = 0;
        return TRUE;
    }
    return CShredDialog::OnNotify(wParam, lParam, result);
}

// ---- Shred Options page ------------------------------------------------

CMyPropertyPage1::CMyPropertyPage1(CMyPropertySheet& sheet) : CShredPage(IDD_PAGE_OPTIONS, sheet) {}

void CMyPropertyPage1::SetPageTexts() {
    static const CControlText kTexts[] = {
        {IDC_GROUP_ALGORITHM, 9001, "&Algorithm Selection"},
        {IDC_GROUP_LANGUAGE, 9005, "&Language Setting"},
        {IDC_GROUP_UPDATE, 9000, "Live &Update"},
        {IDC_LIVE_UPDATE, 9000, "Live &Update"},
        {IDC_NEW_ALGORITHM, 9002, "&New"},
        {IDC_EDIT_ALGORITHM, 9003, "&Edit"},
        {IDC_DELETE_ALGORITHM, 9004, "&Delete"},
    };
    SetControlTexts(m_hWnd, kTexts);
}

BOOL CMyPropertyPage1::OnInitDialog() {
    GrindelSkin().Assign(nullptr);
    if (IDispatch* control = CreateSkinControl()) {
        GrindelSkin().Assign(control);
        control->Release();
    }
    GrindelSkin().LoadSkinFile(JoinPath(App().AppPath(), "Title.skn"));
    GrindelSkin().SkinWindow(GetSheetHwnd());
    SkinPage();
    m_algorithms.Attach(GetDlgItem(IDC_ALGORITHM));
    m_languages.Attach(GetDlgItem(IDC_LANGUAGE));
    CAlgorithmList& list = App().Algorithms();
    for (int i = 0; i < list.GetSize(); ++i) m_algorithms.AddString(list.GetAt(i).name);
    if (!list.IsValidIndex(App().Method())) App().SetMethod(0);
    m_algorithms.SetCurSel(App().Method());
    OnAlgorithmChanged();
    SetPageTexts();
    FillLanguageCombo();
    return TRUE;
}

BOOL CMyPropertyPage1::OnSetActive() {
    SetPageTexts();
    return TRUE;
}

void CMyPropertyPage1::OnAlgorithmChanged() {
    const int selection = m_algorithms.GetCurSel();
    CAlgorithmList& list = App().Algorithms();
    App().SetMethod(selection);
    const bool valid = list.IsValidIndex(selection);
    SetDlgItemText(IDC_DESCRIPTION, valid ? list.GetAt(selection).description.c_str() : "");
    const BOOL own = valid && list.GetAt(selection).userDefined;
    EnableDlgItem(IDC_EDIT_ALGORITHM, own);
    EnableDlgItem(IDC_DELETE_ALGORITHM, own);
}

void CMyPropertyPage1::AfterAlgorithmsChanged(const std::vector<CString>& before, int changedIndex,
                                              const char* changedName, const CString& select) {
    const CAlgorithmList& list = App().Algorithms();
    // Indexes past a new, renamed or deleted user algorithm move: the tasks follow their algorithms.
    RenumberTaskAlgorithms(Sheet(), list.MovedIndexes(before, changedIndex, changedName));
    m_algorithms.ResetContent();
    for (int i = 0; i < list.GetSize(); ++i) m_algorithms.AddString(list.GetAt(i).name);
    const int at = list.FindByName(select);
    m_algorithms.SetCurSel(at >= 0 ? at : 0);
    OnAlgorithmChanged();
}

void CMyPropertyPage1::OnNewAlgorithm() {
    const std::vector<CString> before = App().Algorithms().Names();
    const CString selected = before[size_t(App().Method())];
    CAlgorithmEditorDlg editor(App(), GetSheetHwnd(), -1);
    if (editor.DoModal() != CAlgorithmEditorDlg::ID_SAVED) return;
    AfterAlgorithmsChanged(before, -1, nullptr, selected);
}

void CMyPropertyPage1::OnEditAlgorithm() {
    const int selection = m_algorithms.GetCurSel();
    const std::vector<CString> before = App().Algorithms().Names();
    CAlgorithmEditorDlg editor(App(), GetSheetHwnd(), selection);
    if (editor.DoModal() != CAlgorithmEditorDlg::ID_SAVED) return;
    const CString name = editor.SavedName();
    AfterAlgorithmsChanged(before, selection, name, name);
}

void CMyPropertyPage1::OnDeleteAlgorithm() {
    const int selection = m_algorithms.GetCurSel();
    if (!App().Algorithms().IsValidIndex(selection) || !App().Algorithms().GetAt(selection).userDefined) return;
    const std::vector<CString> before = App().Algorithms().Names();
    if (!App().Algorithms().DeleteAlgorithm(selection)) {
        // Still stored, so still there after a restart: the list and the tasks keep it.
        Box(9080, "Failed to delete the shredding algorithm registry key.", MB_ICONSTOP);
        return;
    }
    AfterAlgorithmsChanged(before, selection, nullptr, before[0]);
}

void CMyPropertyPage1::OnLiveUpdate() {
    QvShellExecute(m_hWnd, "open", "Update.exe", nullptr, JoinPath(App().AppPath(), "Update"), SW_SHOWNORMAL);
}

void CMyPropertyPage1::FillLanguageCombo() {
    m_flags.DeleteImageList();
    m_flags.Create(16, 16, ILC_COLOR8, 0, 4);
    m_languages.SetImageList(m_flags);
    while (m_languages.GetCount() > 0) m_languages.DeleteItem(0);
    const CString folder = JoinPath(App().AppPath(), "Lang");
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(folder, "*.ini"), &found));
    if (find.IsValid()) {
        int index = 0;
        do {
            CString name = found.cFileName;
            if (name.GetLength() > 4 && name.Right(4).CompareNoCase(".ini") == 0) name = name.Left(name.GetLength() - 4);
            const int image = m_flags.AddBitmapFile(JoinPath(folder, name + ".bmp"), 16, 16);
            m_languages.InsertItem(index++, name, image, image);
        } while (FindNextFileA(find, &found));
    }
    m_languages.SetCurSel(m_languages.FindStringExact(-1, App().Language()));
}

void CMyPropertyPage1::OnLanguageChanged() {
    const int selection = m_languages.GetCurSel();
    if (selection < 0) return;
    const CString language = m_languages.GetItemText(selection);
    if (language == App().Language()) return;
    Sheet().Jobs().setLanguage(language);
    SetPageTexts();
    Sheet().LoadSheetTexts();
    Box(9061, "Context menu caption will be changed the next time you restart you system.", MB_ICONSTOP);
    Sheet().SetActivePage(5);
    Sheet().SetActivePage(0);
    App().RegisterRecycleBinVerb();
    if (!Sheet().Jobs().renewMutex()) {
        QvMessageBox(nullptr, LoadLangString(TXT_INSTANCE, kTextInstance),
                     LoadLangString(TXT_PRODUCT_TITLE, kTextProductTitle), MB_ICONINFORMATION);
        ExitProcess(0);
    }
}

BOOL CMyPropertyPage1::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_ALGORITHM && code == CBN_SELCHANGE) {
        OnAlgorithmChanged();
        return TRUE;
    }
    if (id == IDC_LANGUAGE && code == CBN_SELCHANGE) {
        OnLanguageChanged();
        return TRUE;
    }
    if (code != BN_CLICKED) return CShredPage::OnCommand(wParam, lParam);
    switch (id) {
    case IDC_NEW_ALGORITHM: OnNewAlgorithm(); return TRUE;
    case IDC_EDIT_ALGORITHM: OnEditAlgorithm(); return TRUE;
    case IDC_DELETE_ALGORITHM: OnDeleteAlgorithm(); return TRUE;
    case IDC_LIVE_UPDATE: OnLiveUpdate(); return TRUE;
    default: return CShredPage::OnCommand(wParam, lParam);
    }
}
