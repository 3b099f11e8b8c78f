#include "frmMain.h"

#include <commctrl.h>

#include "BootlistResources.h"
#include "FileDialog.h"
#include "Files.h"
#include "Handles.h"
#include "Registry.h"
#include "Seams.h"
#include "frmAbout.h"
#include "frmAddTask.h"
#include "modLanguage.h"

const char* const kLanguageValue = "Name";

namespace {
const UINT_PTR kTimer1 = 1;
const UINT kTimer1Interval = 500;
const char* const kProfileFilter = "Profiles (*.Pro)|*.Pro|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

const struct {
    const char* header;
    int width;
} kColumns[StartupRecord::kColumns] = {
    {"Task Name", 110}, {"Status", 60}, {"Load From", 130}, {"User", 80}, {"When?", 120}, {"Location", 220},
};

// The button's built-in texts. Without a pack the caption lookups are empty,
// and a click would leave the button without any label.
const char* const kDisable = "&Disable";
const char* const kEnable = "&Enable";
const char* CaptionOr(const CString& caption, const char* builtIn) {
    return caption.IsEmpty() ? builtIn : caption.c_str();
}

CString KeyOf(int number) {
    CString key;
    key.Format("%d", number);
    return key;
}

// The files (not folders) of a folder, in the order the system lists them.
CStringArray FilesOf(const CString& folder) {
    CStringArray names;
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(folder, "*.*"), &found));
    if (!find.IsValid()) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.Add(found.cFileName);
    } while (FindNextFileA(find, &found));
    return names;
}

bool EndsWithNoCase(const CString& text, const char* end) {
    return text.GetLength() >= 4 && text.Right(4).CompareNoCase(end) == 0;
}

// "German.INI" is listed as German: the text before the first ".ini".
CString LanguageNameOf(const CString& fileName) { return fileName.Left(fileName.FindNoCase(".ini")); }
}  // namespace

frmMain::frmMain(const CBootlistPlaces& places)
    : CDialog(IDD_FRMMAIN), m_places(places), m_editor(places.where) {}

BOOL frmMain::OnInitDialog() {
    SkinForm(m_skin, m_hWnd);
    if (!m_instance.Recreate(m_places.instanceName)) {
        // The first copy keeps the language choice: nothing is stored here.
        m_secondInstance = true;
        EndDialog(IDCANCEL);
        return TRUE;
    }
    ListView1.Detach();
    ListView1.Attach(GetDlgItem(IDC_LISTVIEW1));
    ListView1.SetExtendedStyle(ListView1.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    for (int c = 0; c < StartupRecord::kColumns; ++c) ListView1.InsertColumn(c, kColumns[c].header, LVCFMT_LEFT, kColumns[c].width);
    ComboLang.Detach();
    ComboLang.Attach(GetDlgItem(IDC_COMBOLANG));

    CRegKey setting;
    CString language;
    if (setting.Open(HKEY_CURRENT_USER, m_places.settingsKey, KEY_QUERY_VALUE) == ERROR_SUCCESS)
        setting.QueryString(kLanguageValue, language);
    SetLanguageFile(language.IsEmpty() ? kDefaultLanguageFile : language.c_str());
    m_texts.languageFilesPresent = false;
    FillLanguageCombo();
    m_disableCaption = SetCaptionfromINI("423", "");
    m_enableCaption = SetCaptionfromINI("413", "");
    if (m_texts.languageFilesPresent) ApplyCaptions();
    m_editor.Load();
    ShowList();
    ButtonsFromSelectedRow();
    SetTimer(kTimer1, kTimer1Interval);
    return TRUE;
}

void frmMain::FormUnload() {
    KillTimer(kTimer1);
    CRegKey setting;
    if (setting.Create(HKEY_CURRENT_USER, m_places.settingsKey) == ERROR_SUCCESS)
        setting.SetString(kLanguageValue, GetLanguageFile());
    EndDialog(IDOK);
}

void frmMain::FillLanguageCombo() {
    const CString folder = JoinPath(GetAppPath(), "Lang");
    const CStringArray files = FilesOf(folder);
    CStringArray pictures;
    ImageList1.Create(16, 16, ILC_COLOR24, 0, 4);
    for (const CString& file : files) {
        if (!EndsWithNoCase(file, ".bmp")) continue;
        if (ImageList1.AddBitmapFile(JoinPath(folder, file), 16, 16) >= 0) pictures.Add(file.Left(file.GetLength() - 4));
    }
    if (ImageList1.GetImageCount() > 0) ComboLang.SetImageList(ImageList1);
    CString current = GetLanguageFile();
    current.MakeUpper();
    for (const CString& file : files) {
        if (!EndsWithNoCase(file, ".ini")) continue;
        const CString name = LanguageNameOf(file);
        m_texts.languageFilesPresent = true;
        const int picture = pictures.Find(name, true);
        const int item = ComboLang.InsertItem(ComboLang.GetCount(), name, picture, picture);
        CString candidate = name + ".ini";
        if (candidate.MakeUpper() == current) ComboLang.SetCurSel(item);
    }
}

void frmMain::ApplyCaptions() {
    auto text = [](const char* key) { return SetCaptionfromINI(key, ""); };
    SetDlgItemText(IDC_LBLNOTE, text("108"));
    SetWindowText(text("109"));
    HMENU menu = ::GetMenu(m_hWnd);
    const struct {
        int position;
        const char* key;
        std::initializer_list<std::pair<UINT, const char*>> items;
    } menus[] = {
        {0, "110", {{IDM_AUTO, "111"}, {IDM_CONFIG, "112"}, {IDM_REGISTRY, "113"}}},
        {1, "120", {{IDM_SAVEPROF, "121"}, {IDM_LOADPROF, "122"}}},
        {2, "130", {{IDM_APP_REST, "131"}, {IDM_APP_LOG, "132"}, {IDM_APP_EXIT, "133"}, {IDM_APP_JUST, "134"}}},
        {3, "140", {{IDM_HELPINDEX, "141"}, {IDM_ABOUT, "142"}, {IDM_UPDATE, "143"}}},
    };
    for (const auto& m : menus) {
        SetMenuText(menu, UINT(m.position), true, text(m.key));
        for (const auto& item : m.items) SetMenuText(menu, item.first, false, text(item.second));
    }
    ::DrawMenuBar(m_hWnd);
    SetDlgItemText(IDC_LABEL1, text("101"));
    SetDlgItemText(IDC_CMDREMOVE, text("103"));
    SetDlgItemText(IDC_CMDRESET, text("104"));
    SetDlgItemText(IDC_CMDADDTASK, text("105"));
    SetDlgItemText(IDC_LABEL3, text("106"));
    for (int i = 0; i < 7; ++i) m_texts.about[i] = text(KeyOf(301 + i));
    for (int i = 0; i < 3; ++i) m_texts.message[i] = text(KeyOf(410 + i));
    for (int c = 0; c < StartupRecord::kColumns; ++c) ListView1.SetColumnText(c, text(KeyOf(151 + c)));
    m_enableCaption = text("107");
    m_disableCaption = text("102");
    SetDlgItemText(IDC_CMDDISABLE, CaptionOr(m_disableCaption, kDisable));
}

void frmMain::ShowList() {
    const int selected = SelectedRow();
    ListView1.DeleteAllItems();
    const CStartupList& list = m_editor.List();
    for (int row = 0; row < list.GetCount(); ++row) {
        const StartupRecord& record = list.GetAt(row);
        ListView1.InsertItem(row, record.taskName);
        if (!record.realName.empty()) {
            // The list keeps wide texts: the name shows as it is, not as
            // the code page spells it.
            std::wstring shown = CStartupList::ShownTaskName(record);
            LVITEMW item = {};
            item.pszText = &shown[0];
            ListView1.SendMessage(LVM_SETITEMTEXTW, WPARAM(row), LPARAM(&item));
        }
        for (int c = 1; c < StartupRecord::kColumns; ++c) ListView1.SetItemText(row, c, record.Column(c));
    }
    if (list.GetCount() > 0) {
        const int row = selected >= 0 && selected < list.GetCount() ? selected : 0;
        ListView1.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

int frmMain::SelectedRow() const { return ListView1.m_hWnd ? ListView1.GetSelectedItem() : -1; }

void frmMain::ShowButtons(const CButtonUpdate& buttons) {
    if (buttons.disableCaption == CButtonUpdate::ShowDisable)
        SetDlgItemText(IDC_CMDDISABLE, CaptionOr(m_disableCaption, kDisable));
    else if (buttons.disableCaption == CButtonUpdate::ShowEnable)
        SetDlgItemText(IDC_CMDDISABLE, CaptionOr(m_enableCaption, kEnable));
    EnableDlgItem(IDC_CMDREMOVE, buttons.removeEnabled);
    for (UINT id : {IDC_CMDADDTASK, IDC_CMDRESET, IDC_CMDREMOVE, IDC_CMDDISABLE})
        ::InvalidateRect(GetDlgItem(id), nullptr, TRUE);
}

void frmMain::ButtonsFromSelectedRow() {
    CButtonUpdate buttons;
    if (m_editor.ButtonsForRow(SelectedRow(), buttons)) ShowButtons(buttons);
}

// A status change touches only its row's status column.
void frmMain::ChangeSelectedRow(bool (CStartupEditor::*change)(int, CButtonUpdate&)) {
    const int row = SelectedRow();
    CButtonUpdate buttons;
    if (!(m_editor.*change)(row, buttons)) return;
    ListView1.SetItemText(row, 1, m_editor.List().GetAt(row).status);
    ShowButtons(buttons);
}

void frmMain::cmdDisable_Click() { ChangeSelectedRow(&CStartupEditor::ToggleDisable); }
void frmMain::cmdRemove_Click() { ChangeSelectedRow(&CStartupEditor::MarkRemove); }

void frmMain::cmdReset_Click() {
    m_editor.ResetAll();
    ShowList();
    ButtonsFromSelectedRow();
}

void frmMain::cmdAddTask_Click() {
    frmAddTask form(m_editor, m_texts, this);
    form.DoModal();
    ShowList();
    ButtonsFromSelectedRow();
}

void frmMain::ListView1_ItemClick(int row) {
    CButtonUpdate buttons;
    if (m_editor.ButtonsForRow(row, buttons)) ShowButtons(buttons);
}

bool frmMain::ApplyNow() { return ShowApplied(m_editor.ApplyNow()); }

bool frmMain::ShowApplied(bool applied) {
    ShowList();
    ButtonsFromSelectedRow();
    if (applied) return true;
    ShowFailures(SetCaptionfromINI("435", "These changes could not be applied; their entries keep their last "
                                          "applied status (details in errorlog.txt):"));
    return false;
}

void frmMain::ShowFailures(const CString& heading) {
    CString text = heading;
    for (const CString& failure : m_editor.Failures()) text += "\n" + failure;
    QvMessageBox(m_hWnd, text, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

void frmMain::RestLang() {
    m_editor.Load();
    ShowList();
    ButtonsFromSelectedRow();
}

void frmMain::ComboLang_Click() {
    const CString current = GetLanguageFile();
    if (QvMessageBox(m_hWnd, "This will reset the startup list,continue?!", kAppTitle, MB_YESNO | MB_ICONQUESTION) !=
        IDYES) {
        ComboLang.SetCurSel(ComboLang.FindItemExact(current.Left(current.GetLength() - 4)));
        return;
    }
    const int item = ComboLang.GetCurSel();
    const CString chosen = item >= 0 ? ComboLang.GetItemText(item) + ".ini" : CString();
    if (item >= 0 && chosen != current) {
        SetLanguageFile(chosen);
        ApplyCaptions();
    }
    RestLang();
}

void frmMain::mnuSaveProf_Click() {
    CFileDialog dialog(false, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kProfileFilter, m_hWnd);
    if (dialog.DoModal() != IDOK) return;
    if (!m_editor.SaveProfile(dialog.GetPathName()))
        ShowFailures(SetCaptionfromINI("437", "The profile could not be saved (details in errorlog.txt):"));
}

void frmMain::mnuLoadProf_Click() {
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kProfileFilter, m_hWnd);
    if (dialog.DoModal() != IDOK) return;
    if (!m_editor.LoadProfile(dialog.GetPathName())) {
        ShowFailures(SetCaptionfromINI("438", "The profile could not be loaded; the list is unchanged (details in "
                                              "errorlog.txt):"));
        return;
    }
    ShowList();
    ButtonsFromSelectedRow();
}

// notepad.exe with the file in the root of the Windows folder's drive, or C:\.
void frmMain::mnuAuto_Click(const char* fileName) {
    CString file = GetWindowsFolder().Left(3) + fileName;
    if (!FileExists(file)) file = CString("C:\\") + fileName;
    QvShellExecute(m_hWnd, nullptr, "notepad.exe", file, nullptr, SW_SHOWNORMAL);
}

void frmMain::mnyRegistry_Click() {
    const UINT style = MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2;
    if (QvMessageBox(m_hWnd, m_texts.message[2], SetCaptionfromINI("425", ""), style) != IDYES) return;
    QvShellExecute(m_hWnd, nullptr, GetWindowsFolder() + "\\regedit.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

void frmMain::mnuHelpIndex_Click() {
    QvShellExecute(m_hWnd, nullptr, JoinPath(GetAppPath(), "BootlistHelp.chm"), nullptr, "C:\\", SW_SHOWNORMAL);
}

void frmMain::mnuUpdate_Click() {
    QvShellExecute(m_hWnd, nullptr, JoinPath(GetAppPath(), "liveupdate.exe"), nullptr, nullptr, SW_SHOWNORMAL);
}

void frmMain::mnuAbout_Click() {
    frmAbout form(m_texts, this);
    form.DoModal();
}

bool frmMain::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_CLOSE) {
        FormUnload();
        result = 0;
        return true;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}

BOOL frmMain::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_CMDDISABLE: cmdDisable_Click(); return TRUE;
    case IDC_CMDREMOVE: cmdRemove_Click(); return TRUE;
    case IDC_CMDRESET: cmdReset_Click(); return TRUE;
    case IDC_CMDADDTASK: cmdAddTask_Click(); return TRUE;
    case IDC_COMBOLANG:
        if (code != CBN_SELCHANGE) return FALSE;
        ComboLang_Click();
        return TRUE;
    case IDM_AUTO: mnuAuto_Click("autoexec.bat"); return TRUE;
    case IDM_CONFIG: mnuAuto_Click("CONFIG.SYS"); return TRUE;
    case IDM_REGISTRY: mnyRegistry_Click(); return TRUE;
    case IDM_SAVEPROF: mnuSaveProf_Click(); return TRUE;
    case IDM_LOADPROF: mnuLoadProf_Click(); return TRUE;
    case IDM_APP_JUST: ApplyNow(); return TRUE;
    case IDM_APP_EXIT:
        // The program stays open after a failed apply, with the failure shown.
        if (ApplyNow()) FormUnload();
        return TRUE;
    case IDM_APP_LOG: ShowApplied(m_editor.ApplyAndLogOff()); return TRUE;
    case IDM_APP_REST: ShowApplied(m_editor.ApplyAndRestart()); return TRUE;
    case IDM_HELPINDEX: mnuHelpIndex_Click(); return TRUE;
    case IDM_UPDATE: mnuUpdate_Click(); return TRUE;
    case IDM_ABOUT: mnuAbout_Click(); return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
    }
}

BOOL frmMain::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (wParam != IDC_LISTVIEW1 || header->code != LVN_ITEMCHANGED) return CDialog::OnNotify(wParam, lParam, result);
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
        ListView1_ItemClick(change->iItem);
    *result = 0;
    return TRUE;
}

void frmMain::OnTimer(UINT_PTR id) {
    if (id != kTimer1) return CDialog::OnTimer(id);
    m_noteShown = !m_noteShown;
    ShowDlgItem(IDC_LBLNOTE, m_noteShown ? SW_SHOW : SW_HIDE);
}
