#include "FilesPage.h"

#include <shellapi.h>
#include <shlobj.h>

#include "FileDialog.h"
#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "ShredSheet.h"
#include "SchedulerPage.h"
#include "Seams.h"
#include "ShellNames.h"
#include "SheetResources.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const CPathPageKind kFilesKind = {false, IDC_FILE_LIST, 9108, "File Name"};
const CPathPageKind kFoldersKind = {true, IDC_FOLDER_LIST, 9209, "Folder Name"};

int ProfileOption(const CShredderApp& app, const char* name) {
    const DWORD value = app.Profile().GetInt(name, 0);
    return value <= 2 ? int(value) : 0;
}

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM) {
    if (msg == BFFM_SELCHANGED) {
        char path[MAX_PATH] = "";
        if (SHGetPathFromIDListA(reinterpret_cast<LPITEMIDLIST>(lParam), path))
            SendMessageA(hwnd, BFFM_SETSTATUSTEXTA, 0, LPARAM(path));
    }
    return 0;
}
}  // namespace

CPathListPage::CPathListPage(UINT templateId, CMyPropertySheet& sheet, const CPathPageKind& kind)
    : CShredPage(templateId, sheet), m_kind(kind) {}

BOOL CPathListPage::OnInitDialog() {
    SkinPage();
    m_list.SubclassDlgItem(m_kind.listId, m_hWnd);
    const CString header = LoadLangControlText(m_kind.columnKey, m_kind.columnText);
    m_list.InsertColumn(0, header, LVCFMT_LEFT, m_list.TextWidth(header) + 15);
    DragAcceptFiles(m_hWnd, TRUE);
    return TRUE;
}

BOOL CPathListPage::OnSetActive() {
    SetPageTexts();
    EnableDlgItem(IDC_SCHEDULE, Sheet().SchedulerAvailable());
    return TRUE;
}

bool CPathListPage::AddPath(const CRealPath& path) {
    for (const CRealPath& listed : m_paths)
        if (listed == path) return false;
    // Rows and paths keep one order: the list never sorts.
    m_list.InsertItem(m_list.GetItemCount(), CodePageSpelling(path));
    m_paths.push_back(path);
    return true;
}

void CPathListPage::RemoveAllPaths() {
    m_list.DeleteAllItems();
    m_paths.clear();
}

void CPathListPage::OnDropFiles(HDROP drop) {
    for (const CRealPath& path : DroppedRealPaths(drop)) {
        const DWORD attributes = RealAttributesOf(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder != m_kind.folders) {
            if (m_kind.folders)
                Box(9024, "Sorry, You can drag folders only in the folders list box.", MB_ICONSTOP);
            else
                Box(9017, "Sorry, You can drag files only in the files list box.", MB_ICONSTOP);
            continue;
        }
        AddPath(path);
    }
    DragFinish(drop);
}

void CPathListPage::OnRemoveItem() {
    const int row = m_list.GetSelectedItem();
    if (row < 0) {
        if (m_kind.folders)
            Box(9025, "There isn't any selected folders to be removed from the list, Please select a folder first.",
                MB_ICONSTOP);
        else
            Box(9018, "There isn't any selected files to be removed from the list, Please select a file first.",
                MB_ICONSTOP);
        return;
    }
    if (size_t(row) < m_paths.size()) m_paths.erase(m_paths.begin() + row);
    m_list.DeleteItem(row);
}

void CPathListPage::OnRemoveAll() {
    if (m_list.GetItemCount() == 0) {
        if (m_kind.folders)
            Box(9069, "There's not any folders in the list box.", MB_ICONSTOP);
        else
            Box(9068, "There's not any files in the list box.", MB_ICONSTOP);
        return;
    }
    const int answer = m_kind.folders
                           ? Box(9067, "Are you sure you want to remove all folders in the list box?",
                                 MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2)
                           : Box(9066, "Are you sure you want to remove all files in the list box?",
                                 MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2);
    if (answer == IDYES) RemoveAllPaths();
}

void CPathListPage::OnShredNow() {
    if (m_paths.empty()) {
        if (m_kind.folders)
            Box(9022, "There isn't any folders to be shredded. Please, Specify the folders first.", MB_ICONSTOP);
        else
            Box(9021, "There isn't any files to be shredded. Please, Specify the files first.", MB_ICONSTOP);
        return;
    }
    const CString question =
        m_kind.folders
            ? LoadLangString(9023, "Shredded files and folders cannot be recovered! Are you sure you want to do this?")
            : LoadLangString(9032, "Shredded files cannot be recovered! Are you sure you want to do this?");
    if (QvMessageBox(GetSheetHwnd(), question, LoadLangString(9064, "WARNING!"), MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2) !=
        IDYES)
        return;
    const CSheetJobs& jobs = Sheet().Jobs();
    ULONGLONG bytes = 0;
    for (const CRealPath& path : m_paths) bytes += jobs.itemSize(path);
    Sheet().BeginJob(bytes);
    for (const CRealPath& path : m_paths) {
        const bool readable = RealAttributesOf(path) != INVALID_FILE_ATTRIBUTES;
        const int rc = readable ? jobs.shredItem(path) : 2;
        if (rc == 2) {
            Box(LangText(TXT_ACCESS, kTextAccess, CodePageSpelling(path)), MB_OKCANCEL | MB_ICONINFORMATION);
            break;
        }
        if (rc == 1 || App().AbortFlag() || App().EndSessionFlag()) break;
    }
    // What failed, was skipped or was never reached stays listed and selected, so the user sees what is left.
    std::vector<CRealPath> left;
    for (const CRealPath& path : m_paths)
        if (IsItemLeft(path)) left.push_back(path);
    RemoveAllPaths();
    for (const CRealPath& path : left)
        if (AddPath(path)) m_list.SetItemState(m_list.GetItemCount() - 1, LVIS_SELECTED, LVIS_SELECTED);
    Sheet().EndJob();
}

CRealPath CPathListPage::CheckedItems(bool* cancelled) {
    CRealPath items;
    *cancelled = false;
    for (const CRealPath& path : m_paths) {
        CTaskChecks checks(App().Job());
        const int verdict = m_kind.folders ? checks.CheckFolderTree(
                                                 path, (RealAttributesOf(path) & FILE_ATTRIBUTE_SYSTEM) != 0)
                                           : checks.CheckFile(path);
        if (verdict == 1) {
            *cancelled = true;
            return CRealPath();
        }
        if (verdict != 2) continue;
        if (!items.empty()) items += L" ";
        items += L"\"" + path + L"\"";
    }
    return items;
}

void CPathListPage::OnSchedule() {
    bool cancelled = false;
    const CRealPath items = m_paths.empty() ? CRealPath() : CheckedItems(&cancelled);
    if (cancelled) {
        RemoveAllPaths();
        return;
    }
    if (items.empty()) {
        RemoveAllPaths();
        if (m_kind.folders)
            Box(9030, "There isn't any folders to be scheduled. Please, Specify the folders first.", MB_ICONSTOP);
        else
            Box(9019, "There isn't any files to be scheduled. Please, Specify the files first.", MB_ICONSTOP);
        return;
    }
    const CString name = CreateScheduledTask(Sheet(), GetSheetHwnd());
    if (!name.IsEmpty()) {
        const int method = int(App().Profile().GetInt(kValueMethod, 0));
        CString options;
        if (m_kind.folders)
            options.Format("\"/s\" \"%s\" \"/O%d\" \"/F%d\" \"/R%d\" ", name.c_str(), method,
                           ProfileOption(App(), kValueFolder), ProfileOption(App(), kValueRemove));
        else
            options.Format("\"/s\" \"%s\" \"/O%d\" ", name.c_str(), method);
        // The task keeps its items by their real names, as the Task Scheduler stores its lines.
        const CRealPath line = RealPathFrom(options) + items;
        // A task that was not saved leaves the list as it was, to try again.
        if (!FinishScheduledTask(Sheet(), name, line)) return;
    }
    RemoveAllPaths();
}

BOOL CPathListPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CShredPage::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_BROWSE: OnBrowse(); return TRUE;
    case IDC_REMOVE_ITEM: OnRemoveItem(); return TRUE;
    case IDC_REMOVE_ALL: OnRemoveAll(); return TRUE;
    case IDC_SHRED_NOW: OnShredNow(); return TRUE;
    case IDC_SCHEDULE: OnSchedule(); return TRUE;
    default: return CShredPage::OnCommand(wParam, lParam);
    }
}

bool CPathListPage::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_DROPFILES) return false;
    OnDropFiles(reinterpret_cast<HDROP>(wParam));
    result = 0;
    return true;
}

// ---- Shred Files ---------------------------------------------------------

CMyPropertyPage2::CMyPropertyPage2(CMyPropertySheet& sheet) : CPathListPage(IDD_PAGE_FILES, sheet, kFilesKind) {}

void CMyPropertyPage2::SetPageTexts() {
    static const CControlText kTexts[] = {
        {IDC_PAGE_GROUP, 9101, "Add Files"},
        {IDC_PAGE_HINT, 9102, "Drag and drop files in the list box or use browse button"},
        {IDC_BROWSE, 9103, "&Browse"},
        {IDC_SCHEDULE, 9104, "&Schedule"},
        {IDC_SHRED_NOW, 9105, "Shred &Now"},
        {IDC_REMOVE_ITEM, 9106, "&Remove Item"},
        {IDC_REMOVE_ALL, 9107, "Remove &All"},
    };
    SetControlTexts(m_hWnd, kTexts);
}

void CMyPropertyPage2::OnBrowse() {
    std::vector<CRealPath> chosen;
    const INT_PTR rc = ChooseRealFiles(GetSheetHwnd(), "All Files (*.*)|*.*||", chosen);
    if (rc == IDRETRY) Box(TXT_TOO_MANY_CHOSEN, kTextTooManyChosen, MB_ICONSTOP);
    for (const CRealPath& path : chosen) AddPath(path);
}

// ---- Shred Folders -------------------------------------------------------

CMyPropertyPage3::CMyPropertyPage3(CMyPropertySheet& sheet) : CPathListPage(IDD_PAGE_FOLDERS, sheet, kFoldersKind) {}

BOOL CMyPropertyPage3::OnInitDialog() {
    CPathListPage::OnInitDialog();
    for (const char* name : {kValueFolder, kValueRemove})
        if (App().Profile().GetInt(name, 0) > 2) App().Profile().WriteInt(name, 0);
    return TRUE;
}

void CMyPropertyPage3::SetPageTexts() {
    static const CControlText kTexts[] = {
        {IDC_PAGE_GROUP, 9201, "Add Folders"},
        {IDC_PAGE_HINT, 9202, "Drag and drop folders in the list box or use browse button"},
        {IDC_BROWSE, 9103, "&Browse"},
        {IDC_SCHEDULE, 9104, "&Schedule"},
        {IDC_SHRED_NOW, 9105, "Shred &Now"},
        {IDC_REMOVE_ITEM, 9206, "&Remove Item"},
        {IDC_REMOVE_ALL, 9207, "Remove &All"},
        {IDC_SUBFOLDER_OPTIONS, 9208, "SubFolder &Options"},
    };
    SetControlTexts(m_hWnd, kTexts);
}

void CMyPropertyPage3::OnBrowse() {
    BROWSEINFOA info{};
    info.hwndOwner = GetSheetHwnd();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info.lpfn = BrowseCallback;
    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (!list) return;
    const CRealPath path = RealPathOfIdList(list);
    CoTaskMemFree(list);
    if (path.empty()) return;
    for (int i = 0; i < 26; ++i) {
        if (App().FixedDriveRoot(i)[0] && SameRealPath(RealPathFrom(App().FixedDriveRoot(i)), path)) {
            Box(9087, "You select a drive not a folder.\nIf you want to shred a drive go to Shred Drive page.",
                MB_ICONSTOP);
            return;
        }
    }
    AddPath(path);
}

BOOL CMyPropertyPage3::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_SUBFOLDER_OPTIONS && HIWORD(wParam) == BN_CLICKED) {
        const int folder = ProfileOption(App(), kValueFolder), remove = ProfileOption(App(), kValueRemove);
        CSubFolderOptionsDlg dialog(App(), GetSheetHwnd(), folder, remove);
        if (dialog.DoModal() == IDOK) {
            if (dialog.m_folder != folder) App().Profile().WriteInt(kValueFolder, DWORD(dialog.m_folder));
            if (dialog.m_remove != remove) App().Profile().WriteInt(kValueRemove, DWORD(dialog.m_remove));
        }
        return TRUE;
    }
    return CPathListPage::OnCommand(wParam, lParam);
}

// ---- SubFolder Options -----------------------------------------------------

CSubFolderOptionsDlg::CSubFolderOptionsDlg(CShredderApp& app, HWND parent, int folder, int remove)
    : CShredDialog(IDD_SUBFOLDER_OPTIONS, app, parent), m_folder(folder), m_remove(remove) {}

BOOL CSubFolderOptionsDlg::OnInitDialog() {
    GrindelSkin().SkinWindow(m_hWnd);
    // The caption shares its text with the Shred Folders page's button, whose
    // '&' marks a shortcut; a title shows no shortcuts.
    CString caption = LoadLangControlText(9208, "SubFolder &Options");
    caption.Replace("&&", "\x01");
    caption.Remove('&');
    caption.Replace('\x01', '&');
    SetWindowText(caption);
    static const CControlText kTexts[] = {
        {IDC_PAGE_GROUP, 9700, "&Shred contents of subfolders"},
        {IDC_FOLDER_NEVER, 9701, "Never"},
        {IDC_REMOVE_NEVER, 9701, "Never"},
        {IDC_FOLDER_PROMPT, 9702, "Prompt"},
        {IDC_REMOVE_PROMPT, 9702, "Prompt"},
        {IDC_FOLDER_ALWAYS, 9703, "Always"},
        {IDC_REMOVE_ALWAYS, 9703, "Always"},
        {IDC_REMOVE_GROUP, 9704, "&Remove subfolders after shredding"},
        {IDCANCEL, 9705, "Cancel"},
        {IDOK, 9706, "OK"},
        {IDC_SHEET_HELP, 9609, "Help"},
    };
    SetControlTexts(m_hWnd, kTexts);
    CheckRadioButton(m_hWnd, IDC_FOLDER_NEVER, IDC_FOLDER_ALWAYS, IDC_FOLDER_NEVER + UINT(m_folder));
    CheckRadioButton(m_hWnd, IDC_REMOVE_NEVER, IDC_REMOVE_ALWAYS, IDC_REMOVE_NEVER + UINT(m_remove));
    ApplyFolderRule();
    return TRUE;
}

void CSubFolderOptionsDlg::ApplyFolderRule() {
    const BOOL enable = m_folder != 0;
    for (UINT id : {UINT(IDC_REMOVE_GROUP), UINT(IDC_REMOVE_NEVER), UINT(IDC_REMOVE_PROMPT), UINT(IDC_REMOVE_ALWAYS)})
        EnableDlgItem(id, enable);
}

BOOL CSubFolderOptionsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED) {
        if (id >= IDC_FOLDER_NEVER && id <= IDC_FOLDER_ALWAYS) {
            m_folder = int(id - IDC_FOLDER_NEVER);
            ApplyFolderRule();
            return TRUE;
        }
        if (id >= IDC_REMOVE_NEVER && id <= IDC_REMOVE_ALWAYS) {
            m_remove = int(id - IDC_REMOVE_NEVER);
            return TRUE;
        }
        if (id == IDC_SHEET_HELP) {
            OpenGrindelHelp(m_hWnd, App().AppPath());
            return TRUE;
        }
    }
    return CShredDialog::OnCommand(wParam, lParam);
}

bool CSubFolderOptionsDlg::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != WM_HELP) return false;
    OpenGrindelHelp(m_hWnd, App().AppPath());
    result = FALSE;
    return true;
}
