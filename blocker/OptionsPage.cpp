#include "OptionsPage.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <vector>

#include "BlokkumShared.h"
#include "FileDialog.h"
#include "Files.h"
#include "Handles.h"
#include "MainPage.h"
#include "PopupBlockerApp.h"
#include "Seams.h"
#include "resource.h"

namespace {
const char kDefaultSound[] = "Default";

// Titles (names without their four-character extension) of the files matching pattern.
std::vector<CString> FileTitles(const CString& pattern) {
    std::vector<CString> titles;
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(pattern, &data));
    if (!find.IsValid()) return titles;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        CString name = data.cFileName;
        if (name.GetLength() > 4) titles.push_back(name.Left(name.GetLength() - 4));
    } while (FindNextFileA(find.Get(), &data));
    return titles;
}

int FindRow(const CStringArray& rows, const CString& text) {
    for (int i = 0; i < rows.GetSize(); ++i)
        if (rows[i].CompareNoCase(text) == 0) return i;
    return -1;
}

CBlokkumSettings& Settings() { return BlokkumApp()->m_settings; }

bool ComboExRowText(HWND combo, int row, CString& text) {
    char buffer[MAX_PATH] = "";
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = row;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    if (row < 0 || !::SendMessageA(combo, CBEM_GETITEMA, 0, LPARAM(&item))) return false;
    text = buffer;
    return true;
}
}  // namespace

CStringArray ListLanguagePacks(const CString& path) {
    CStringArray packs;
    for (const CString& title : FileTitles(path + "\\" BLOKKUM_LANGUAGE_FOLDER "\\*.ini")) packs.Add(title);
    return packs;
}

CSoundList BuildSoundList(const CString& path, const CString& userWavPath) {
    CSoundList list;
    std::vector<CString> titles = FileTitles(path + "\\Sounds\\*.wav");
    std::sort(titles.begin(), titles.end(), [](const CString& a, const CString& b) { return a.CompareNoCase(b) < 0; });
    bool hasDefault = false;
    for (const CString& title : titles) {
        if (title.CompareNoCase(kDefaultSound) == 0) hasDefault = true;
        else list.rows.Add(title);
    }
    if (hasDefault) list.rows.InsertAt(0, kDefaultSound);
    const int slash = userWavPath.ReverseFind('\\');
    list.currentFile = slash >= 0 ? userWavPath.Mid(slash + 1) : userWavPath;
    const CString current = list.currentFile.GetLength() > 4 ? list.currentFile.Left(list.currentFile.GetLength() - 4)
                                                             : CString();
    if (!current.IsEmpty() && FindRow(list.rows, current) < 0) {
        list.rows.Add(current);
        list.customListed = true;
    }
    list.rows.Add(BLOKKUM_CUSTOM_SOUND_ROW);
    list.selected = current.IsEmpty() ? 0 : std::max(0, FindRow(list.rows, current));
    return list;
}

UINT StartupFromButtons(bool windows, bool manual, bool explorer, UINT current) {
    if (windows) return kStartupWithWindows;
    if (manual) return kStartupManual;
    return explorer ? kStartupWithExplorer : current;
}

int StartupButton(UINT startup) {
    switch (startup) {
    case kStartupWithWindows: return IDC_STARTUP_WINDOWS;
    case kStartupManual: return IDC_STARTUP_MANUAL;
    case kStartupWithExplorer: return IDC_STARTUP_IE;
    default: return 0;
    }
}

COptionsPage::COptionsPage() : CPropertyPage(IDD_OPTIONS_PAGE) {}

COptionsPage::~COptionsPage() {
    if (m_hFlags) ImageList_Destroy(m_hFlags);
}

void COptionsPage::MarkModified() {
    SetModified();
    if (CMainPage* sheet = dynamic_cast<CMainPage*>(GetSheet())) sheet->m_bOptionsModified = true;
}

BOOL COptionsPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    FillLanguageCombo();
    RestoreControls();
    SetTexts();
    CheckDlgButton(IDC_CLOSE_TO_TRAY, Settings().m_dwCloseToTray ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void COptionsPage::SetTexts() {
    static const int kIds[] = {IDC_STARTUP_GROUP, IDC_STARTUP_WINDOWS, IDC_STARTUP_MANUAL, IDC_STARTUP_IE,
                               IDC_LANGUAGE_GROUP, IDC_GENERAL_GROUP, IDC_ON_TOP, IDC_SOUND_GROUP,
                               IDC_SOUND_CHANGE_LABEL, IDC_SOUND_TEST, IDC_SOUND_CURRENT_LABEL, IDC_CLOSE_TO_TRAY};
    const int count = int(sizeof kIds / sizeof kIds[0]);
    CString current[count];
    const char* defaults[count];
    for (int i = 0; i < count; ++i) {
        current[i] = GetDlgItemText(UINT(kIds[i]));
        defaults[i] = current[i];
    }
    Settings().Language().SetDlgItemLangTexts(m_hWnd, defaults, 9001, kIds, count);
}

void COptionsPage::EnableSoundControls() {
    const BOOL on = Settings().m_ini.PlayWave != 0;
    for (UINT id : {IDC_SOUND_CURRENT, IDC_SOUND_CURRENT_LABEL, IDC_SOUND_TEST, IDC_SOUND_CHANGE_LABEL, IDC_SOUND_LIST})
        EnableDlgItem(id, on);
}

void COptionsPage::RestoreControls() {
    if (!m_hWnd) return;
    CBlokkumSettings& s = Settings();
    if (int button = StartupButton(s.m_ini.Startup))
        CheckRadioButton(m_hWnd, IDC_STARTUP_WINDOWS, IDC_STARTUP_IE, button);
    if (s.m_ini.DisplayOnTop) CheckDlgButton(IDC_ON_TOP, BST_CHECKED);
    EnableSoundControls();
    if (s.m_bLanguageChanged) SetTexts();
    HWND combo = GetDlgItem(IDC_LANGUAGE);
    const int rows = int(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    int found = 0;
    for (int i = 0; i < rows; ++i) {
        CString text;
        if (ComboExRowText(combo, i, text) && s.m_strLanguage == text) {
            found = i;
            break;
        }
    }
    FillSoundList();
    ::SendMessageA(combo, CB_SETCURSEL, WPARAM(found), 0);
}

void COptionsPage::FillLanguageCombo() {
    const CString& path = Settings().m_strPath;
    if (!m_hFlags) m_hFlags = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 2);
    const CStringArray packs = ListLanguagePacks(path);
    HWND combo = GetDlgItem(IDC_LANGUAGE);
    for (int i = 0; i < packs.GetSize(); ++i) {
        HBITMAP flag = HBITMAP(LoadImageA(nullptr, path + "\\Flags\\" + packs[i] + ".bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        if (!flag) flag = HBITMAP(LoadImageA(nullptr, path + "\\Flags\\default.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        if (flag) {
            ImageList_AddMasked(m_hFlags, flag, RGB(0, 0, 0));
            DeleteObject(flag);
        }
    }
    ::SendMessageA(combo, CBEM_SETIMAGELIST, 0, LPARAM(m_hFlags));
    for (int i = 0; i < packs.GetSize(); ++i) {
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_OVERLAY;
        item.iItem = i;
        item.pszText = const_cast<char*>(packs[i].c_str());
        item.iImage = item.iSelectedImage = i;
        item.iOverlay = 1;
        ::SendMessageA(combo, CBEM_INSERTITEMA, 0, LPARAM(&item));
    }
}

void COptionsPage::FillSoundList() {
    CBlokkumSettings& s = Settings();
    const CSoundList list = BuildSoundList(s.m_strPath, s.m_strUserWavPath);
    HWND combo = GetDlgItem(IDC_SOUND_LIST);
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < list.rows.GetSize(); ++i) ::SendMessageA(combo, CB_INSERTSTRING, WPARAM(i), LPARAM(list.rows[i].c_str()));
    ::SendMessageA(combo, CB_SETCURSEL, WPARAM(list.selected), 0);
    SetDlgItemText(IDC_SOUND_CURRENT, list.currentFile);
    m_bCustomSoundListed = list.customListed;
}

void COptionsPage::OnLanguageChanged() {
    // The single-instance mutex keeps its built-in name: re-creating it under
    // the pack's text would let a second copy start beside this one.
    CBlokkumSettings& s = Settings();
    HWND combo = GetDlgItem(IDC_LANGUAGE);
    CString text;
    if (!ComboExRowText(combo, int(::SendMessageA(combo, CB_GETCURSEL, 0, 0)), text)) return;
    if (s.m_strLanguage == text) {
        s.m_bLanguageChanged = false;
        return;
    }
    s.m_strLanguage = text;
    s.m_bLanguageChanged = true;
    MarkModified();
    ::PostMessageA(m_hSheet, WM_LANGPACKCHANGED, 0, 0);
}

void COptionsPage::OnSoundChanged() {
    CBlokkumSettings& s = Settings();
    HWND combo = GetDlgItem(IDC_SOUND_LIST);
    const int row = int(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    const int count = int(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    if (row < 0) return;
    if (row != count - 1) {
        char text[MAX_PATH] = "";
        ::SendMessageA(combo, CB_GETLBTEXT, WPARAM(row), LPARAM(text));
        const CString file = CString(text) + ".wav";
        SetDlgItemText(IDC_SOUND_CURRENT, file);
        s.m_strUserWavPath = s.m_strPath + "\\Sounds\\" + file;
        MarkModified();
        return;
    }
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY, "Wav Files (*.wav)|*.wav||", m_hWnd);
    if (dialog.DoModal() != IDOK) return;
    s.m_strUserWavPath = dialog.GetPathName();
    const CString file = dialog.GetFileName();
    SetDlgItemText(IDC_SOUND_CURRENT, file);
    int at = row;
    if (m_bCustomSoundListed) {
        ::SendMessageA(combo, CB_DELETESTRING, WPARAM(row - 1), 0);
        --at;
    }
    m_bCustomSoundListed = true;
    ::SendMessageA(combo, CB_INSERTSTRING, WPARAM(at), LPARAM(file.c_str()));
    ::SendMessageA(combo, CB_SETCURSEL, WPARAM(at), 0);
}

BOOL COptionsPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    CBlokkumSettings& s = Settings();
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    switch (id) {
    case IDC_STARTUP_WINDOWS:
    case IDC_STARTUP_MANUAL:
    case IDC_STARTUP_IE:
        if (code != BN_CLICKED) break;
        s.m_ini.Startup = StartupFromButtons(IsDlgButtonChecked(IDC_STARTUP_WINDOWS) == BST_CHECKED,
                                             IsDlgButtonChecked(IDC_STARTUP_MANUAL) == BST_CHECKED,
                                             IsDlgButtonChecked(IDC_STARTUP_IE) == BST_CHECKED, s.m_ini.Startup);
        MarkModified();
        return TRUE;
    case IDC_LANGUAGE:
        if (code == CBN_SELCHANGE) OnLanguageChanged();
        return TRUE;
    case IDC_SOUND_LIST:
        if (code == CBN_SELCHANGE) OnSoundChanged();
        return TRUE;
    case IDC_SOUND_TEST:
        QvPlaySound(s.m_strUserWavPath, SND_FILENAME | SND_ASYNC);
        return TRUE;
    case IDC_ON_TOP:
        s.m_ini.DisplayOnTop = s.m_ini.DisplayOnTop ? 0 : 1;
        ::PostMessageA(m_hSheet, WM_TOPMOSTCHANGED, 0, 0);
        MarkModified();
        return TRUE;
    case IDC_CLOSE_TO_TRAY:
        s.m_dwCloseToTray = s.m_dwCloseToTray ? 0 : 1;
        MarkModified();
        return TRUE;
    default:
        break;
    }
    return CPropertyPage::OnCommand(wParam, lParam);
}

bool COptionsPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_SHOWWINDOW && wParam) EnableSoundControls();
    return CPropertyPage::OnMessage(msg, wParam, lParam, result);
}
