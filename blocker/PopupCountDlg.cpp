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

bool CPopupCountDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_SHOWWINDOW && wParam) {
        if (CPopupBlockerApp* app = BlokkumApp()) {
            if (app->m_settings.m_bLanguageChanged)
                app->m_settings.Language().SetDlgItemLangText("2001", IDC_COUNT_TEXT, "popups have been caught", m_hWnd);
            ShowCount(app->m_settings.m_strBlockedPopups, app->m_settings.m_strInstallationDate);
        }
        SetWindowPos(HWND_TOPMOST, m_x, m_y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        SetTimer(kCounterTimerId, kCounterShowMs);
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}

namespace {
DWORD WINAPI SlideOut(void* param) {
    HWND window = HWND(param);
    RECT r{};
    if (!GetWindowRect(window, &r)) return 0;
    int left = r.left;
    while (left < GetSystemMetrics(SM_CXSCREEN) && IsWindow(window)) {
        ++left;
        Sleep(kSlideStepMs);
        SetWindowPos(window, HWND_TOPMOST, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ShowWindow(window, SW_HIDE);
    return 0;
}
}  // namespace

void CPopupCountDlg::OnTimer(UINT_PTR id) {
    if (id != kCounterTimerId) return;
    HANDLE thread = BeginWorkerThread(SlideOut, m_hWnd);
    if (thread) CloseHandle(thread);
    KillTimer(kCounterTimerId);
}

bool RemoveTitleMarker(CString& title, const char* marker) {
    const int at = title.Find(marker);
    if (at < 0) return false;
    title = title.Left(at) + title.Mid(at + int(strlen(marker)));
    return true;
}

namespace {
struct CScan {
    CString title;
    HWND found = nullptr;
};

BOOL CALLBACK ScanWindow(HWND window, LPARAM param) {
    CScan& scan = *reinterpret_cast<CScan*>(param);
    char text[260];
    int length = GetWindowTextA(window, text, sizeof text);
    if (length <= 0) return TRUE;
    CString title(text, length);
    if (!RemoveTitleMarker(title, BLOKKUM_POPUP_TITLE_MARKER)) return TRUE;
    scan.title = title;
    scan.found = window;
    return FALSE;
}
}  // namespace

bool ScanForCaughtPopup(CBlokkumSettings& settings, const CString& soundFile) {
    CScan scan;
    EnumWindows(ScanWindow, LPARAM(&scan));
    if (!scan.found) return false;
    CString count;
    count.Format("%ld", std::atol(settings.m_strBlockedPopups) + 1);
    settings.m_strBlockedPopups = count;
    if (settings.m_ini.PlayWave) QvPlaySound(soundFile, SND_ASYNC | SND_FILENAME);
    SetWindowTextA(scan.found, scan.title);
    return true;
}
