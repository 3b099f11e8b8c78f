#include "MainDialog.h"

#include <htmlhelp.h>

#include "AnonymousHub.h"
#include "App.h"
#include "BlockResources.h"
#include "BrowserProxy.h"
#include "EngineSettings.h"
#include "Files.h"
#include "Handles.h"
#include "Menu.h"
#include "OptionsFile.h"
#include "RegistryKey.h"
#include "Seams.h"
#include "TextTable.h"
#include "VeilrunGlobals.h"

const char* const kHelpTopics[5] = {"Help\\Sites.htm", "Help\\Events.htm", "Help\\Trace.htm", "Help\\Wipe.htm",
                                    "Help\\Options.htm"};

namespace {

const char* const kLoopback = "127.0.0.1";

void OnTrayDoubleClick(WPARAM, LPARAM) {
    CWinApp* app = CWinApp::Current();
    if (app && app->m_pMainWnd) ::SendMessageA(app->m_pMainWnd->m_hWnd, WM_COMMAND, ID_TRAY_OPEN, 0);
}

void OnTrayRightClick(WPARAM, LPARAM) {
    CWinApp* app = CWinApp::Current();
    if (!app || !app->m_pMainWnd) return;
    CMenu menu;
    if (!menu.CreatePopupMenu()) return;
    menu.AppendMenu(MF_STRING, ID_TRAY_OPEN, g_Texts[57]);
    menu.AppendMenu(MF_STRING, ID_TRAY_EXIT, g_Texts[58]);
    menu.SetDefaultItem(ID_TRAY_OPEN);
    TrackTrayMenu(menu, app->m_pMainWnd->m_hWnd, 0);
}

}  // namespace

// ---- CPageContainer

CPageContainer::~CPageContainer() { DestroyPages(); }

void CPageContainer::DestroyPages() {
    for (CDialog* page : m_pages) {
        if (page->m_hWnd) page->DestroyWindow();
        delete page;
    }
    m_pages.clear();
    m_nCurrent = -1;
}

bool CPageContainer::AddPage(UINT templateId, HWND parent, CDialog* page) {
    if (!page) return false;
    m_pages.push_back(page);
    if (!page->Create(templateId, parent)) return true;
    const RECT r = page->GetWindowRect();
    int x = m_rcArea.left, y = m_rcArea.top;
    if (m_bCentre) {
        x += ((m_rcArea.right - m_rcArea.left) - (r.right - r.left)) / 2;
        y += ((m_rcArea.bottom - m_rcArea.top) - (r.bottom - r.top)) / 2;
    }
    page->SetWindowPos(nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    return true;
}

bool CPageContainer::ShowPage(int index) {
    if (index >= GetCount()) return false;
    if (index == -1) {
        if (m_nCurrent < 0) m_nCurrent = 0;
    } else {
        if (CDialog* current = GetPage(m_nCurrent))
            if (current->m_hWnd) current->ShowWindow(SW_HIDE);
        m_nCurrent = index;
    }
    CDialog* page = GetPage(m_nCurrent);
    if (!page || !page->m_hWnd) return false;
    page->ShowWindow(SW_SHOW);
    page->Invalidate(TRUE);
    RedrawWindow(page->m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    return true;
}

// ---- CLanguageCombo

void CLanguageCombo::Fill() {
    m_images.DeleteImageList();
    m_images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 4);
    SetImageList(m_images);
    ResetContent();
    const CString folder = g_strModuleDir + "\\Language";
    // A saved language without a pack selects nothing: the built-in texts stay.
    int selected = -1;
    WIN32_FIND_DATAA data;
    // Without the folder the list stays empty rather than showing another folder's files.
    CFindHandle find(SetCurrentDirectoryA(folder) ? FindFirstFileA("*.*", &data) : INVALID_HANDLE_VALUE);
    if (!find.IsValid()) {
        SetCurSel(-1);
        return;
    }
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        CString name = data.cFileName;
        const int slash = name.Find('\\');
        if (slash >= 0) name = name.Mid(slash + 1);
        const int dot = name.Find('.');
        if (dot < 0) continue;
        const CString base = name.Left(dot), extension = name.Mid(dot + 1);
        if (extension.CompareNoCase("ini") != 0) continue;
        int image = -1;
        const CString flag = folder + "\\" + base + ".bmp";
        if (FileExists(flag)) {
            HBITMAP bitmap = HBITMAP(LoadImageA(nullptr, flag, IMAGE_BITMAP, 16, 16, LR_LOADFROMFILE));
            if (bitmap) {
                image = m_images.Add(bitmap, RGB(0, 0, 0));
                DeleteObject(bitmap);
            }
        }
        const int index = InsertItem(GetCount(), base, image, image);
        if (base.CompareNoCase(g_strLanguage) == 0) selected = index;
    } while (FindNextFileA(find, &data));
    SetCurSel(selected);
}

bool CLanguageCombo::OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return false;
    const int index = GetCurSel();
    if (index >= 0) {
        CString text = GetItemText(index);
        if (text.GetLength() > 1030) text = text.Left(1030);
        g_strLanguage = text;
        LoadLanguagePack();
    }
    result = 0;
    return true;
}

// ---- CMainDialog

CMainDialog::CMainDialog() : CDialogSkin1(IDD_MAIN) {}

CMainDialog::~CMainDialog() {
    ShutDown();
    m_pages.DestroyPages();
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
    if (m_hAccel && m_hWnd && TranslateAcceleratorA(m_hWnd, m_hAccel, msg)) return TRUE;
    return CDialogSkin1::PreTranslateMessage(msg);
}

BOOL CMainDialog::OnInitDialog() {
    m_bStarted = true;
    // A second copy checks first, so that it changes nothing the running one
    // set up (its Run value, the browsers, Options.opt) and probes no hub.
    if (!m_instance.Recreate(kProgramTitle)) {
        QvMessageBox(m_hWnd, LoadResourceString(IDS_PREVIOUS_INSTANCE), kProgramTitle, MB_OK);
        EndAfterFailedStart();
        return TRUE;
    }
    const CString program = g_Places.ModuleFilePath.IsEmpty() ? GetModuleFilePath() : g_Places.ModuleFilePath;
    g_strModuleDir = ProgramFolderOf(program);
    SetBlockFolder(g_strModuleDir);
    g_Engine.ModuleFolder = g_strModuleDir;
    ChooseAnonymousHub();
    LoadBlockResources();
    LoadOptions();

    m_language.SubclassDlgItem(IDC_LANGUAGE, m_hWnd);
    m_language.Fill();
    m_btnHelp.SubclassSkinned(IDC_HELP_BUTTON, m_hWnd);
    SkinLayout(true);

    // The listener starts before anything outside the process changes: a
    // port held by another program (Blokkum listens on the same one) ends the
    // start with its reason and leaves the Run value and the browsers as
    // they were.
    m_bStartedWinsock = g_Engine.bStartWinsock;
    CString failure;
    const auto reporter = g_Engine.ReportError;
    g_Engine.ReportError = [&failure](const char* text) { failure = text; };
    const bool listening = m_listener.Start() != 0;
    g_Engine.ReportError = reporter;
    if (!listening) {
        failure.TrimRight();
        if (!failure.IsEmpty()) QvMessageBox(m_hWnd, failure, kProgramTitle, MB_OK | MB_ICONSTOP);
        EndAfterFailedStart();
        return TRUE;
    }
    CRegistryKey(g_Places.RunKey).SetString(kAutostartValue, program);
    if (g_bSetOpera) EnableOperaProxy(kLoopback, g_Engine.ListenPort);
    if (g_bSetNetscape) EnableNetscapeProxy(kLoopback, g_Engine.ListenPort);
    if (g_bSetIE) EnableIEProxy(kLoopback, g_Engine.ListenPort);
    g_Engine.hMainWindow = m_hWnd;

    MarkForRelabelling(m_hWnd);
    m_pTray = new CTrayIconManager(QvResourceInstance(), 1, 2);
    m_pTray->SetFrame(0, 0, IDR_MAINFRAME, 500);
    m_pTray->Show(0, 0);
    CTrayIconManager::ClearCallbacks();
    CTrayIconManager::AddCallback(WM_LBUTTONDBLCLK, OnTrayDoubleClick);
    CTrayIconManager::AddCallback(WM_RBUTTONUP, OnTrayRightClick);
    SendMessage(WM_SETICON, ICON_BIG, LPARAM(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, LPARAM(m_hIcon));
    SetWindowText(kProgramTitle);
    m_btnMinimize.ShowWindow(SW_HIDE);
    CreateTabStrip();
    CreatePages();
    m_hAccel = LoadAcceleratorsA(QvResourceInstance(), MAKEINTRESOURCEA(IDR_ACCELERATOR));
    LoadLanguagePack();
    // Said once, in the user's language, before Veilrun goes to the tray.
    const CString report = OptionsLoadReport();
    if (!report.IsEmpty()) QvMessageBox(m_hWnd, report, g_Texts[1], MB_OK | MB_ICONWARNING);
    PostMessage(WM_COMMAND, ID_HIDE);
    return TRUE;
}

static RECT ClientRectOfChild(HWND parent, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void CMainDialog::CreateTabStrip() {
    HWND place = GetDlgItem(IDC_TAB_PLACE);
    const RECT r = ClientRectOfChild(m_hWnd, place);
    const DWORD style = DWORD(GetWindowLongA(place, GWL_STYLE)), exStyle = DWORD(GetWindowLongA(place, GWL_EXSTYLE));
    m_tabStrip.CreateEx(exStyle, "ButtonAnimate", "", (style & ~0xFFFFu) | WS_CHILD | WS_VISIBLE, r, m_hWnd,
                        IDC_TAB_STRIP);
    ::DestroyWindow(place);
    m_tabStrip.SetTabHeight(25);
    const COLORREF colours[5] = {0x0000FF, 0x008200, 0xFF0000, 0x00FFC8, 0xFFC800};
    const char* const names[5] = {"Sites", "Events", "Trace", "Wipe", "Options"};
    for (int i = 0; i < 5; ++i)
        m_tabStrip.AddTab(names[i], SkinBitmap(IDB_TAB_FACE1), SkinBitmap(IDB_TAB_FACE2), 1, 0xA0A0A0, colours[i]);
}

void CMainDialog::CreatePages() {
    HWND place = GetDlgItem(IDC_PAGE_PLACE);
    m_rcPages = ClientRectOfChild(m_hWnd, place);
    m_pages.m_rcArea = m_rcPages;
    m_pages.m_bCentre = 1;
    m_pages.AddPage(IDD_SITES, m_hWnd, new CSitesPage);
    m_pages.AddPage(IDD_EVENTS, m_hWnd, new CEventsPage);
    m_pages.AddPage(IDD_TRACE, m_hWnd, new CTracePage);
    m_pages.AddPage(IDD_WIPE, m_hWnd, new CWipePage);
    m_pages.AddPage(IDD_OPTIONS, m_hWnd, new COptionsTabPage);
    m_pages.ShowPage(-1);
    ::DestroyWindow(place);
    m_nCurrentPage = 0;
}

// Enter (on any page, falling to the dialog's default button) and Escape hide
// the window like its close button: only the tray menu's Exit ends Veilrun.
void CMainDialog::OnOK() { ShowWindow(SW_HIDE); }
void CMainDialog::OnCancel() { ShowWindow(SW_HIDE); }

void CMainDialog::OpenHelp() {
    if (m_nCurrentPage < 0 || m_nCurrentPage > 4) return;
    const CString file = g_strModuleDir + "\\Help\\" + g_strLanguage + ".chm";
    QvHtmlHelp(nullptr, file, HH_DISPLAY_TOPIC, DWORD_PTR(kHelpTopics[m_nCurrentPage]));
}

void CMainDialog::EndAfterFailedStart() {
    ShowWindow(SW_HIDE);
    EndDialog(0);
    m_bShutDown = true;
}

void CMainDialog::ShutDown() {
    // A dialog that never started has read no Options.opt, so it must not write one.
    if (!m_bStarted || m_bShutDown) return;
    m_bShutDown = true;
    delete m_pTray;
    m_pTray = nullptr;
    m_listener.Stop();
    SaveOptions();
    if (g_bSetOpera) DisableOperaProxy();
    if (g_bSetNetscape) DisableNetscapeProxy();
    if (g_bSetIE) DisableIEProxy();
}

bool CMainDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_QUERYDRAGICON:
        result = LRESULT(m_hIcon);
        return true;
    case WM_DESTROY:
        ShutDown();
        Default();
        // Only the start that took Winsock gives it back.
        if (m_bStartedWinsock) WSACleanup();
        m_bStartedWinsock = false;
        result = 0;
        return true;
    case WM_ENDSESSION:
        // The session ends without WM_DESTROY: save and give the browsers back
        // now, keeping the Run value so that Veilrun starts with the next one.
        if (wParam) ShutDown();
        result = 0;
        return true;
    case WM_TABSELECTED:
        if (wParam == IDC_TAB_STRIP) {
            m_nCurrentPage = int(lParam);
            if (m_nCurrentPage >= 0 && m_nCurrentPage <= 4) m_pages.ShowPage(m_nCurrentPage);
        }
        InvalidateRect(m_hWnd, &m_rcPages, TRUE);
        result = 0;
        return true;
    case WM_LANGUAGECHANGED:
        SetWindowText(g_Texts[1]);
        for (int i = 0; i < 5; ++i) m_tabStrip.SetTabText(i, g_Texts[2 + i]);
        m_btnHelp.SetWindowText(g_Texts[7]);
        m_btnHelp.Invalidate(TRUE);
        result = 0;
        return true;
    default:
        return CDialogSkin1::OnMessage(msg, wParam, lParam, result);
    }
}

BOOL CMainDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case ID_HIDE:
        ShowWindow(SW_HIDE);
        return TRUE;
    case IDC_HELP_BUTTON:
        OpenHelp();
        return TRUE;
    case ID_TRAY_OPEN:
        ShowWindow(SW_SHOW);
        // As Windows tells owned windows: the page in view brings itself up to date.
        if (CDialog* page = m_pages.GetPage(m_nCurrentPage))
            if (page->m_hWnd) page->SendMessage(WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
        return TRUE;
    case ID_TRAY_EXIT: {
        EndDialog(IDCANCEL);
        CRegistryKey run(g_Places.RunKey);
        CRegistryValue value;
        if (run.QueryValue(kAutostartValue, value)) value.Delete();
        return TRUE;
    }
    case ID_SKIN_CLOSE:
        ShowWindow(SW_HIDE);
        return TRUE;
    default:
        return CDialogSkin1::OnCommand(wParam, lParam);
    }
}
