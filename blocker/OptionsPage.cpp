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

// Names of the files matching pattern.
std::vector<CString> FileNames(const CString& pattern) {
    std::vector<CString> names;
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(pattern, &data));
    if (!find.IsValid()) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find.Get(), &data));
    return names;
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
    // Titles: the names without their four-character extension.
    for (const CString& name : FileNames(path + "\\" BLOKKUM_LANGUAGE_FOLDER "\\*.ini"))
        if (name.GetLength() > 4) packs.Add(name.Left(name.GetLength() - 4));
    return packs;
}

CString SoundTitle(const CString& fileName) {
    const int length = fileName.GetLength();
    if (length > 4 && fileName.Mid(length - 4).CompareNoCase(".wav") == 0) return fileName.Left(length - 4);
    return fileName;
}

CSoundList BuildSoundList(const CString& path, const CString& userWavPath) {
    CSoundList list;
    const CString folder = SoundsFolder(path) + "\\";
    std::vector<CString> names = FileNames(folder + "*.wav");
    std::sort(names.begin(), names.end(),
              [](const CString& a, const CString& b) { return SoundTitle(a).CompareNoCase(SoundTitle(b)) < 0; });
    for (const CString& name : names) {
        const CString title = SoundTitle(name);
        const bool isDefault = title.CompareNoCase(kDefaultSound) == 0;
        list.rows.InsertAt(isDefault ? 0 : list.rows.GetSize(), isDefault ? CString(kDefaultSound) : title);
        list.paths.InsertAt(isDefault ? 0 : list.paths.GetSize(), folder + name);
    }
    const int slash = userWavPath.ReverseFind('\\');
    list.currentFile = slash >= 0 ? userWavPath.Mid(slash + 1) : userWavPath;
    int current = -1;
    for (int i = 0; i < list.paths.GetSize() && current < 0; ++i)
        if (list.paths[i].CompareNoCase(userWavPath) == 0) current = i;
    if (current < 0 && !list.currentFile.IsEmpty()) {
        current = list.rows.Add(SoundTitle(list.currentFile));
        list.paths.Add(userWavPath);
        list.customListed = true;
    }
    list.rows.Add(BLOKKUM_CUSTOM_SOUND_ROW);
    list.paths.Add(CString());
    list.selected = std::max(0, current);
    return list;
}

UINT StartupFromButtons(bool windows, bool manual, bool explorer, UINT current) {
    if (windows) return kStartupWithWindows;
    if (manual) return kStartupManual;
    return explorer ? static_cast<UINT>(kStartupWithExplorer) : current;
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
    CheckDlgButton(IDC_ON_TOP, s.m_ini.DisplayOnTop ? BST_CHECKED : BST_UNCHECKED);
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
    const CSoundList list = BuildSoundList(s.m_strPath, s.AlertSound());
    HWND combo = GetDlgItem(IDC_SOUND_LIST);
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < list.rows.GetSize(); ++i) ::SendMessageA(combo, CB_INSERTSTRING, WPARAM(i), LPARAM(list.rows[i].c_str()));
    ::SendMessageA(combo, CB_SETCURSEL, WPARAM(list.selected), 0);
    SetDlgItemText(IDC_SOUND_CURRENT, list.currentFile);
    m_bCustomSoundListed = list.customListed;
    m_soundPaths = list.paths;
}

void COptionsPage::SelectCurrentSound() {
    const CString current = Settings().AlertSound();
    for (int i = 0; i < m_soundPaths.GetSize(); ++i)
        if (!m_soundPaths[i].IsEmpty() && m_soundPaths[i].CompareNoCase(current) == 0)
            ::SendDlgItemMessageA(m_hWnd, IDC_SOUND_LIST, CB_SETCURSEL, WPARAM(i), 0);
}

void COptionsPage::OnLanguageChanged() {
    // The single-instance mutex keeps its built-in name: re-creating it under
    // the pack's text would let a second copy start beside this one.
    CBlokkumSettings& s = Settings();
    HWND combo = GetDlgItem(IDC_LANGUAGE);
    CString text;
    if (!ComboExRowText(combo, int(::SendMessageA(combo, CB_GETCURSEL, 0, 0)), text)) return;
    // The same row chosen again (the control can report a selection twice)
    // leaves a pending change to be saved.
    if (s.m_strLanguage == text) return;
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
    if (row < 0 || row >= m_soundPaths.GetSize()) return;
    if (row != count - 1) {
        // The row's own file, wherever it lies.
        const CString& path = m_soundPaths[row];
        const int slash = path.ReverseFind('\\');
        SetDlgItemText(IDC_SOUND_CURRENT, slash >= 0 ? path.Mid(slash + 1) : path);
        s.m_strUserWavPath = path;
        MarkModified();
        return;
    }
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY, "Wav Files (*.wav)|*.wav||", m_hWnd);
    if (dialog.DoModal() != IDOK) {
        SelectCurrentSound();
        return;
    }
    s.m_strUserWavPath = dialog.GetPathName();
    const CString file = dialog.GetFileName();
    SetDlgItemText(IDC_SOUND_CURRENT, file);
    int at = row;
    if (m_bCustomSoundListed) {
        ::SendMessageA(combo, CB_DELETESTRING, WPARAM(row - 1), 0);
        m_soundPaths.RemoveAt(row - 1);
        --at;
    }
    m_bCustomSoundListed = true;
    ::SendMessageA(combo, CB_INSERTSTRING, WPARAM(at), LPARAM(SoundTitle(file).c_str()));
    m_soundPaths.InsertAt(at, s.m_strUserWavPath);
    ::SendMessageA(combo, CB_SETCURSEL, WPARAM(at), 0);
    MarkModified();
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
        QvPlaySound(s.AlertSound(), SND_FILENAME | SND_ASYNC);
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
