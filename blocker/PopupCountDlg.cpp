#include "PopupCountDlg.h"

#include <mmsystem.h>

#include <cstdlib>

#include "BlokkumSettings.h"
#include "BlokkumShared.h"
#include "PopupBlockerApp.h"
#include "Seams.h"
#include "Thread.h"
#include "resource.h"

CPopupCountDlg::CPopupCountDlg() : CDialog(IDD_POPUP_COUNT) {}

BOOL CPopupCountDlg::CreateHidden() { return Create(IDD_POPUP_COUNT, nullptr); }

BOOL CPopupCountDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (CPopupBlockerApp* app = BlokkumApp()) {
        app->m_settings.Language().SetDlgItemLangText("2001", IDC_COUNT_TEXT, "popups have been caught", m_hWnd);
        ShowCount(app->m_settings.m_strBlockedPopups, app->m_settings.m_strInstallationDate);
    }
    // The task bar is not taken into account.
    const RECT r = GetWindowRect();
    m_x = GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left);
    m_y = GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top);
    SetWindowPos(HWND_TOPMOST, m_x, m_y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

void CPopupCountDlg::ShowCount(const CString& count, const CString& since) {
    SetDlgItemText(IDC_COUNT, count);
    SetDlgItemText(IDC_COUNT_SINCE, since);
}

void CPopupCountDlg::Refresh() {
    if (CPopupBlockerApp* app = BlokkumApp()) {
        if (app->m_settings.m_bLanguageChanged)
            app->m_settings.Language().SetDlgItemLangText("2001", IDC_COUNT_TEXT, "popups have been caught", m_hWnd);
        ShowCount(app->m_settings.m_strBlockedPopups, app->m_settings.m_strInstallationDate);
    }
    ++m_slide;
    SetWindowPos(HWND_TOPMOST, m_x, m_y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetTimer(kCounterTimerId, kCounterShowMs);
}

void CPopupCountDlg::Present() {
    if (!m_hWnd) return;
    // A visible window gets no WM_SHOWWINDOW from ShowWindow.
    if (::IsWindowVisible(m_hWnd)) Refresh();
    else ShowWindow(SW_SHOWNOACTIVATE);
}

bool CPopupCountDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_SHOWWINDOW && wParam) Refresh();
    if (msg == WM_COUNTERSLIDESTEP) {
        // Moves happen here, on the window's own thread, so a catch that puts
        // the window back cannot be undone by a step already on its way.
        result = 0;
        if (wParam != m_slide) return true;
        const RECT r = GetWindowRect();
        if (r.left + 1 >= GetSystemMetrics(SM_CXSCREEN)) {
            ShowWindow(SW_HIDE);
            return true;
        }
        SetWindowPos(HWND_TOPMOST, r.left + 1, r.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        result = 1;
        return true;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}

namespace {
struct CSlide {
    HWND window;
    WPARAM slide;
};

DWORD WINAPI SlideOut(void* param) {
    const CSlide slide = *static_cast<CSlide*>(param);
    delete static_cast<CSlide*>(param);
    for (;;) {
        Sleep(kSlideStepMs);
        DWORD_PTR goOn = 0;
        if (!SendMessageTimeoutA(slide.window, WM_COUNTERSLIDESTEP, slide.slide, 0, SMTO_ABORTIFHUNG, 1000, &goOn) ||
            !goOn)
            return 0;
    }
}
}  // namespace

void CPopupCountDlg::OnTimer(UINT_PTR id) {
    if (id != kCounterTimerId) return;
    KillTimer(kCounterTimerId);
    CSlide* slide = new CSlide{m_hWnd, ++m_slide};
    HANDLE thread = BeginWorkerThread(SlideOut, slide);
    if (thread) CloseHandle(thread);
    else delete slide;
}

bool RemoveTitleMarker(CString& title, const char* marker) {
    const int at = title.Find(marker);
    if (at < 0) return false;
    title = title.Left(at) + title.Mid(at + int(strlen(marker)));
    return true;
}

namespace {
struct CMarkedWindow {
    HWND window;
    CString title;  // as found, marker and all
};

BOOL CALLBACK CollectMarked(HWND window, LPARAM param) {
    auto& marked = *reinterpret_cast<std::vector<CMarkedWindow>*>(param);
    // For a window of another process the title comes from the system, so a
    // hung one cannot stop the enumeration here.
    char text[260];
    const int length = GetWindowTextA(window, text, sizeof text);
    if (length <= 0) return TRUE;
    CString title(text, length);
    if (title.Find(BLOKKUM_POPUP_TITLE_MARKER) >= 0) marked.push_back({window, title});
    return TRUE;
}
}  // namespace

bool CPopupScan::Step(CBlokkumSettings& settings, const CString& soundFile) {
    std::vector<CMarkedWindow> marked;
    EnumWindows(CollectMarked, LPARAM(&marked));
    // A window counted before is forgotten once it is gone or its title changed.
    std::vector<std::pair<HWND, CString>> still;
    const CMarkedWindow* fresh = nullptr;
    for (const CMarkedWindow& m : marked) {
        bool counted = false;
        for (const auto& c : m_counted)
            if (c.first == m.window && c.second == m.title) counted = true;
        if (counted) still.emplace_back(m.window, m.title);
        else if (!fresh) fresh = &m;
    }
    m_counted.swap(still);
    if (!fresh) return false;
    m_counted.emplace_back(fresh->window, fresh->title);
    CString count;
    count.Format("%ld", std::atol(settings.m_strBlockedPopups) + 1);
    settings.m_strBlockedPopups = count;
    if (settings.m_ini.PlayWave) QvPlaySound(soundFile, SND_ASYNC | SND_FILENAME);
    CString title = fresh->title;
    RemoveTitleMarker(title, BLOKKUM_POPUP_TITLE_MARKER);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(fresh->window, WM_SETTEXT, 0, LPARAM(title.c_str()), SMTO_ABORTIFHUNG, kRetitleBoundMs,
                        &ignored);
    return true;
}
