#include "ShredSheet.h"

#include "AboutBox.h"
#include "App.h"
#include "Files.h"
#include "LangPack.h"
#include "OSVersion.h"
#include "Seams.h"
#include "SheetResources.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"
#include "ShredderResources.h"

#include <shlobj.h>

using namespace Grindel;

namespace {
CMyPropertySheet* g_sheet = nullptr;
SheetServicesHook g_servicesHook;
const DWORD kDriveOnlyStyles = 0x2080;  // context-help button and modal frame
const UINT kFormatCheckBox = 0x7002;
const UINT kFormatButton = 1;

HICON SmallIcon() {
    return HICON(LoadImageA(QvResourceInstance(), MAKEINTRESOURCEA(IDI_GRINDEL), IMAGE_ICON, 16, 16, LR_SHARED));
}
}  // namespace

// ---- what the pages share ------------------------------------------------

CSkinObject& GrindelSkin() {
    static CSkinObject skin;
    return skin;
}

void OpenGrindelHelp(HWND owner, const char* appPath) {
    CString file;
    file.Format("%s\\HLP\\Grindel.chm", appPath);
    QvShellExecute(owner, "open", file, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

CString LangText(int key, const char* defaultText, const char* insert) {
    CString text = LoadLangString(key, defaultText);
    if (insert) text.Replace("%s", insert);
    return text;
}

void SetControlTexts(HWND window, const CControlText* texts, size_t count) {
    for (size_t i = 0; i < count; ++i) SetDlgItemLangText(window, int(texts[i].id), texts[i].key, texts[i].text);
}

CShredPage::CShredPage(UINT templateId, CMyPropertySheet& sheet) : CPropertyPage(templateId), m_owner(sheet) {
    m_psp.dwFlags |= PSP_HASHELP;
}

CShredderApp& CShredPage::App() const { return m_owner.App(); }

int CShredPage::Box(const CString& text, UINT type) const {
    return QvMessageBox(GetSheetHwnd(), text, App().ProductTitle(), type);
}

int CShredPage::Box(int key, const char* defaultText, UINT type) const {
    return Box(LoadLangString(key, defaultText), type);
}

void CShredPage::SetText(UINT id, int key, const char* defaultText) const {
    SetDlgItemLangText(m_hWnd, int(id), key, defaultText);
}

CShredDialog::CShredDialog(UINT templateId, CShredderApp& app, HWND parent) : CDialog(templateId), m_app(app) {
    m_parentHwnd = parent;
}

int CShredDialog::Box(int key, const char* defaultText, UINT type) const {
    return QvMessageBox(m_hWnd, LoadLangString(key, defaultText), m_app.ProductTitle(), type);
}

void CShredDialog::SetText(UINT id, int key, const char* defaultText) const {
    SetDlgItemLangText(m_hWnd, int(id), key, defaultText);
}

// ---- the sheet -------------------------------------------------------------

CMyPropertySheet* GetGrindelSheet() { return g_sheet; }

void SetSheetServicesHook(SheetServicesHook hook) { g_servicesHook = std::move(hook); }

CString FormatDialogTitle(const char* driveText, char letter, const COSVersion& os) {
    CString title;
    if (os.IsWinXP())
        title.Format("Format %s", driveText);
    else if (os.IsWin2000() || os.IsWinNT4())
        title.Format("Format %c:\\", letter);
    return title;
}

CMyPropertySheet::CMyPropertySheet(CShredderApp& app, const CSheetJobs& jobs, bool schedulerAvailable)
    : CPropertySheet(IDS_SHEET_CAPTION),
      m_page1(*this),
      m_page2(*this),
      m_page3(*this),
      m_page4(*this),
      m_page5(*this),
      m_page6(*this),
      m_app(app),
      m_jobs(jobs),
      m_schedulerAvailable(schedulerAvailable) {
    AddPage(&m_page1);
    AddPage(&m_page2);
    AddPage(&m_page3);
    AddPage(&m_page4);
    AddPage(&m_page5);
    AddPage(&m_page6);
    m_psh.dwFlags |= PSH_NOAPPLYNOW | PSH_HASHELP;
    m_icon = LoadIconA(QvResourceInstance(), MAKEINTRESOURCEA(IDI_GRINDEL));
    // Without the library the page and the Schedule buttons stay disabled.
    if (m_schedulerAvailable) m_schedulerAvailable = m_schedule.Create();
}

CMyPropertySheet::~CMyPropertySheet() {
    m_tray.Delete();
    if (g_sheet == this) g_sheet = nullptr;
}

BOOL CMyPropertySheet::OnInitDialog() {
    ModifyStyle(kDriveOnlyStyles, WS_MINIMIZEBOX);
    PrepareSystemMenu();
    CenterWindow(GetDesktopWindow());
    SetIcon(m_icon, TRUE);
    SetIcon(m_icon, FALSE);
    g_sheet = this;
    PostMessage(TaskbarCreatedMessage());
    LoadSheetTexts();
    // The Scheduler page fills its list when its window is first made.
    SetActivePage(5);
    SetActivePage(0);
    return TRUE;
}

void CMyPropertySheet::PrepareSystemMenu() {
    HMENU menu = GetSystemMenu(FALSE);
    if (!menu) return;
    EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | MF_ENABLED);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    // Only a separator goes: another menu layout must not lose Close.
    if (GetMenuState(menu, 4, MF_BYPOSITION) & MF_SEPARATOR) DeleteMenu(menu, 4, MF_BYPOSITION);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
    const CString about = LoadResourceString(IDS_ABOUT_MENU);
    if (!about.IsEmpty()) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUT, about);
    }
}

void CMyPropertySheet::LoadSheetTexts() {
    HWND tab = GetTabControl();
    for (int i = 0; i < GetPageCount(); ++i) {
        const CString text = LoadLangControlText(9600 + i, "Error");
        if (text != "Error" && tab) SetTabText(i, text);
    }
    SetTitle(LoadLangControlText(TXT_PRODUCT_TITLE, kTextProductTitle));
    SetDlgItemLangText(m_hWnd, IDOK, TXT_ALERT_OK, kTextAlertOk);
    SetDlgItemLangText(m_hWnd, IDC_SHEET_HELP, 9609, "Help");
    SetDlgItemLangText(m_hWnd, IDCANCEL, 9608, "Cancel");
}

void CMyPropertySheet::AddTrayIcon() {
    if (m_tray.IsAdded()) return;
    m_tray.Add(m_hWnd, 1, SmallIcon(), m_app.ProductTitle());
}

void CMyPropertySheet::ModifyTrayIcon() { m_tray.ModifyIcon(m_iconShown ? SmallIcon() : nullptr); }

void CMyPropertySheet::StartIconBlink() {
    m_iconShown = false;
    SetTimer(TIMER_ICON_BLINK, 200);
}

void CMyPropertySheet::StopIconBlink() {
    KillTimer(TIMER_ICON_BLINK);
    m_iconShown = true;
    ModifyTrayIcon();
}

void CMyPropertySheet::BeginJob(ULONGLONG bytes) {
    if (m_jobs.begin) m_jobs.begin(bytes);
    StartIconBlink();
    EnableWindow(FALSE);
}

void CMyPropertySheet::EndJob() {
    if (m_jobs.end) m_jobs.end();
    EnableWindow(TRUE);
    StopIconBlink();
}

void CMyPropertySheet::RunEngineJob(const std::function<void()>& job) {
    StartIconBlink();
    EnableWindow(FALSE);
    job();
    EnableWindow(TRUE);
    StopIconBlink();
}

INT_PTR CMyPropertySheet::RunAboutBox() {
    CAboutDlg about(m_app, m_hWnd);
    return about.DoModal();
}

void CMyPropertySheet::DriveFormatDialog(UINT_PTR timer) {
    const CString title = FormatDialogTitle(m_driveText, m_driveLetter, COSVersion());
    if (title.IsEmpty()) return;
    HWND dialog = FindWindowA(nullptr, title);
    if (!dialog) return;
    char text[261] = "";
    ::GetDlgItemTextA(dialog, int(kFormatButton), text, sizeof text);
    if (lstrcmpA(text, timer == TIMER_FORMAT_START ? "&Start" : "OK") != 0) return;
    SetForegroundWindow(dialog);
    HWND button = ::GetDlgItem(dialog, int(kFormatButton));
    ::PostMessageA(button, WM_LBUTTONDOWN, 1, 1);
    ::PostMessageA(button, WM_LBUTTONUP, 0, 1);
    if (timer == TIMER_FORMAT_START) {
        ::CheckDlgButton(dialog, int(kFormatCheckBox), BST_CHECKED);
        KillTimer(TIMER_FORMAT_START);
        SetTimer(TIMER_FORMAT_OK, 200);
    } else {
        KillTimer(TIMER_FORMAT_OK);
    }
}

void CMyPropertySheet::OnTimer(UINT_PTR id) {
    if (id == TIMER_FORMAT_START || id == TIMER_FORMAT_OK) {
        DriveFormatDialog(id);
        return;
    }
    if (id == TIMER_ICON_BLINK) {
        ModifyTrayIcon();
        m_iconShown = !m_iconShown;
        return;
    }
    Default();
}

BOOL CMyPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id == IDOK || id == IDCANCEL) m_tray.Delete();
    if (id == IDC_SHEET_HELP && HIWORD(wParam) == BN_CLICKED) {
        OpenGrindelHelp(m_hWnd, m_app.AppPath());
        return TRUE;
    }
    return CPropertySheet::OnCommand(wParam, lParam);
}

bool CMyPropertySheet::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == TaskbarCreatedMessage()) {
        if (m_tray.IsAdded())
            m_tray.OnTaskbarCreated(msg);
        else
            AddTrayIcon();
        result = 0;
        return true;
    }
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUT) {
            RunAboutBox();
            result = 0;
            return true;
        }
        if ((wParam & 0xFFF0) == SC_CLOSE) m_tray.Delete();
        return false;
    case WM_HELP:
        OpenGrindelHelp(m_hWnd, m_app.AppPath());
        result = FALSE;
        return true;
    case WM_QUERYENDSESSION:
        m_app.EndSessionFlag() = true;
        return false;
    case WM_PAINT:
        if (IsIconic(m_hWnd)) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(m_hWnd, &paint);
            const RECT client = GetClientRect();
            const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
            const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
            DrawIcon(dc, x, y, m_icon);
            EndPaint(m_hWnd, &paint);
            result = 0;
            return true;
        }
        return false;
    default:
        (void)lParam;
        return false;
    }
}

// ---- the application's part ----------------------------------------------

void CShredderApp::RunSheet() {
    CSheetJobs jobs;
    jobs.begin = [this](ULONGLONG bytes) {
        m_abort = false;
        m_endSession = false;
        m_engine->ResetFailures();
        const int passes = m_algorithms.IsValidIndex(m_method) ? m_algorithms.GetAt(m_method).PassCount() : 1;
        m_jobBlocks = bytes * ULONGLONG(passes) / kBufferSize + 1;
        m_progress.reset(CreateProgress());
        m_engine->SetProgress(m_progress.get());
    };
    jobs.end = [this] {
        if (m_progress) m_progress->Close();
        m_engine->SetProgress(nullptr);
        m_progress.reset();
        m_jobBlocks = 0;
    };
    jobs.shredItem = [this](const CRealPath& path) { return CItemShred(*m_job).Run(path); };
    jobs.itemSize = [](const CRealPath& path) { return ItemSize(path); };
    jobs.setLanguage = [this](const CString& language) {
        m_language = language;
        m_profile.WriteString(kValueLanguage, language);
        SetLangPackSource(m_appPath, m_language);
        m_productTitle = LoadLangString(TXT_PRODUCT_TITLE, kTextProductTitle);
    };
    jobs.renewMutex = [this] {
        if (m_mutex) CloseHandle(m_mutex);
        SetLastError(ERROR_SUCCESS);
        m_mutex = CreateMutexA(nullptr, TRUE, m_productTitle);
        const DWORD error = GetLastError();
        return m_mutex && error != ERROR_ALREADY_EXISTS && error != ERROR_INVALID_HANDLE;
    };
    if (g_servicesHook && g_servicesHook(jobs)) return;
    CMyPropertySheet sheet(*this, jobs, !m_schedulerUnavailable);
    sheet.DoModal();
}
