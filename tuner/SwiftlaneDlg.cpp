#include "SwiftlaneDlg.h"

#include <vector>

#include "App.h"
#include "Files.h"
#include "Handles.h"
#include "Seams.h"
#include "Swiftlane.h"
#include "TuningWizard.h"
#include "resource.h"

namespace {
CString Caption() { return LoadLangString("18", "Quorvane Swiftlane"); }
}

CSwiftlaneDlg::CSwiftlaneDlg(CWnd* parent) : CDialog(IDD_SWIFTLANE_DIALOG, parent) {
    m_icon = LoadIconA(QvResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CSwiftlaneDlg::~CSwiftlaneDlg() {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app && app->m_pMainDlg == this) app->m_pMainDlg = nullptr;
}

void CSwiftlaneDlg::PostNcDestroy() {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app && app->m_pMainDlg == this) app->m_pMainDlg = nullptr;
}

BOOL CSwiftlaneDlg::OnInitDialog() {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app) app->m_pMainDlg = this;
    CString about = LoadResourceString(IDS_ABOUTBOX);
    HMENU system = GetSystemMenu(FALSE);
    if (system && !about.IsEmpty()) {
        AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, about);
    }
    SetIcon(m_icon, TRUE);
    SetIcon(m_icon, FALSE);
    m_languages.Attach(GetDlgItem(IDC_LANGUAGE_COMBO));
    FillLanguageCombo();
    SetTexts();
    EnableDlgItem(IDC_RESET_SETTINGS, app && app->HasBackup());
    m_link.SubclassDlgItem(IDC_HYPERLINK, m_hWnd);
    m_link.SetURL(kMakerAddress);
    m_link.SetLinkStyle(0, CHyperLink::StyleHover, TRUE);
    m_skin.Create(m_hWnd, IDC_SKIN);
    m_skin.SkinWindowAs(m_hWnd, "Main");
    m_skin.SkinWindowAs(GetDlgItem(IDC_SET_SETTINGS), "Button");
    m_skin.SkinWindowAs(GetDlgItem(IDC_RESET_SETTINGS), "Button");
    m_skin.SkinWindowAs(GetDlgItem(IDC_Language), "GroupBox");
    m_skin.SkinWindowAs(GetDlgItem(IDC_GROUP_INTRODUCTION), "GroupBox");
    return TRUE;
}

void CSwiftlaneDlg::SetTexts() {
    SetWindowText(Caption());
    SetDlgItemLangText(m_hWnd, IDC_static_Introduction, "IDC_static_Introduction", kDefaultIntroduction);
    SetDlgItemLangText(m_hWnd, IDC_HINT, "IDC_HINT", kDefaultHint);
    SetDlgItemLangText(m_hWnd, IDC_SET_SETTINGS, "IDC_SET_SETTINGS", "&Set Connection Settings");
    SetDlgItemLangText(m_hWnd, IDC_RESET_SETTINGS, "IDC_RESET_SETTINGS", "&Reset Connection Settings");
    SetDlgItemLangText(m_hWnd, IDC_Language, "IDC_Language", "Language");
}

void CSwiftlaneDlg::FillLanguageCombo() {
    CSwiftlaneApp* app = SwiftlaneApp();
    CString folder = (app ? app->m_appPath : CString()) + "\\Lang";
    m_flags.Create(16, 16, ILC_COLOR16, 0, 4);
    m_languages.SetImageList(m_flags);
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA(JoinPath(folder, "*.ini"), &found));
    if (search.IsValid()) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            CString name = found.cFileName;
            int dot = name.ReverseFind('.');
            if (dot >= 0) name = name.Left(dot);
            int image = m_flags.AddBitmapFile(JoinPath(folder, name + ".bmp"), 16, 16);
            if (image < 0) image = I_IMAGENONE;
            m_languages.InsertItem(m_languages.GetCount(), name, image, image);
        } while (FindNextFileA(search, &found));
    }
    if (app) m_languages.SetCurSel(m_languages.FindItemExact(app->m_language));
}

void CSwiftlaneDlg::OnLanguageChanged() {
    CSwiftlaneApp* app = SwiftlaneApp();
    int selected = m_languages.GetCurSel();
    if (!app || selected < 0) return;
    app->m_language = m_languages.GetItemText(selected);
    SetTexts();
    app->SaveLanguage();
}

void CSwiftlaneDlg::OnSetSettings() {
    if (::IsWindowEnabled(GetDlgItem(IDC_RESET_SETTINGS))) {
        if (QvMessageBox(m_hWnd, LoadLangString("43", kReplaceBackupQuestion), Caption(), MB_YESNO | MB_ICONQUESTION) ==
            IDNO)
            return;
    }
    {
        CMyPropertySheet sheet(this);
        sheet.DoModal();
    }
    // Finish wrote a backup unless that failed; Cancel left the old one, if any.
    EnableDlgItem(IDC_RESET_SETTINGS, SwiftlaneApp() && SwiftlaneApp()->HasBackup());
}

void CSwiftlaneDlg::OnResetSettings() {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (!app) return;
    if (app->Store().Reset(app->m_family)) {
        QvMessageBox(m_hWnd,
                     LoadLangString("42", "Quorvane Swiftlane has reset your system to the backup settings.\nPlease, "
                                          "restart your computer in order to feel the change."),
                     Caption(), MB_OK);
    } else {
        QvMessageBox(m_hWnd, "Failed to reset your connection settings.", Caption(), MB_OK);
    }
    // A backup kept by a failed restore stays reachable, and Set still asks before replacing it.
    EnableDlgItem(IDC_RESET_SETTINGS, app->HasBackup());
}

BOOL CSwiftlaneDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_SET_SETTINGS:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        OnSetSettings();
        return TRUE;
    case IDC_RESET_SETTINGS:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        OnResetSettings();
        return TRUE;
    case IDC_LANGUAGE_COMBO:
        if (HIWORD(wParam) != CBN_SELCHANGE) return FALSE;
        OnLanguageChanged();
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}

void CSwiftlaneDlg::PaintIcon() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, WPARAM(dc));
    RECT client = GetClientRect();
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(m_hWnd, &ps);
}

bool CSwiftlaneDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return false;
        {
            CSwiftlaneAboutDlg about(this);
            about.DoModal();
        }
        result = 0;
        return true;
    case WM_PAINT:
        if (!IsIconic(m_hWnd)) return false;
        PaintIcon();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_icon);
        return true;
    case WM_HELP:
        result = TRUE;
        return true;
    default:
        return false;
    }
}

CSwiftlaneAboutDlg::CSwiftlaneAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

BOOL CSwiftlaneAboutDlg::OnInitDialog() {
    SetDlgItemLangText(m_hWnd, IDOK, "IDOK", "OK");
    SetDlgItemLangText(m_hWnd, IDC_STATIC2, "IDC_STATIC2", "Version");
    FillVersionInfo();
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app && app->m_pMainDlg) app->m_pMainDlg->Skin().SkinWindow(m_hWnd);
    return TRUE;
}

void CSwiftlaneAboutDlg::FillVersionInfo() {
    CString program = GetModuleFilePath(nullptr);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(program, &handle);
    if (!size) return;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(program, 0, size, block.data())) return;
    for (UINT id : {IDC_LEGAL_COPYRIGHT, IDC_FILE_VERSION}) {
        CString name = GetDlgItemText(id).Left(256);
        CString query = CString("\\StringFileInfo\\040904b0\\") + name;
        char* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) && length > 0 && value &&
            *value)
            SetDlgItemText(id, value);
    }
}
