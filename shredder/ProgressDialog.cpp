#include "ProgressDialog.h"

#include <commctrl.h>

#include "Dialog.h"
#include "LangPack.h"
#include "ShredderKeys.h"
#include "ShredderResources.h"

using namespace Grindel;

CProgressDialog::CProgressDialog(HWND owner, const ULONGLONG& jobBlocks, volatile bool& abort)
    : m_owner(owner), m_jobBlocks(jobBlocks), m_abort(abort) {}

CProgressDialog::~CProgressDialog() { Close(); }

INT_PTR CALLBACK CProgressDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        return TRUE;
    }
    CProgressDialog* self = reinterpret_cast<CProgressDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL && self) {
        self->m_abort = true;
        EnableWindow(GetDlgItem(hwnd, IDCANCEL), FALSE);
        return TRUE;
    }
    return FALSE;
}

bool CProgressDialog::Open() {
    if (m_hwnd) return true;
    QvInitCommonControls();  // its progress bars
    m_hwnd = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), m_owner, DialogProc,
                                reinterpret_cast<LPARAM>(this));
    if (!m_hwnd) return false;
    SetWindowTextA(m_hwnd, LoadLangControlText(TXT_PROGRESS_CAPTION, kTextProgressCaption));
    SetDlgItemLangText(m_hwnd, IDCANCEL, TXT_PROGRESS_CANCEL, kTextProgressCancel);
    const ULONGLONG jobMax = m_jobBlocks > 0x7FFFFFFF ? 0x7FFFFFFF : m_jobBlocks;
    SendDlgItemMessageA(m_hwnd, IDC_PROGRESS_JOB, PBM_SETRANGE32, 0, LPARAM(jobMax));
    SendDlgItemMessageA(m_hwnd, IDC_PROGRESS_JOB, PBM_SETPOS, 0, 0);
    ShowWindow(m_hwnd, SW_SHOW);
    EnableWindow(m_hwnd, TRUE);
    return true;
}

void CProgressDialog::SetItemText(const char* text) { SetDlgItemTextA(m_hwnd, IDC_PROGRESS_ITEM, text); }

void CProgressDialog::SetPassText(const char* text) { SetDlgItemTextA(m_hwnd, IDC_PROGRESS_PASS, text); }

void CProgressDialog::SetCaption(const char* text) { SetWindowTextA(m_hwnd, text); }

void CProgressDialog::SetJobRange(ULONGLONG blocks) {
    SendDlgItemMessageA(m_hwnd, IDC_PROGRESS_JOB, PBM_SETRANGE32, 0, LPARAM(blocks > 0x7FFFFFFF ? 0x7FFFFFFF : blocks));
    SendDlgItemMessageA(m_hwnd, IDC_PROGRESS_JOB, PBM_SETPOS, 0, 0);
}

void CProgressDialog::SetPassRange(DWORD blocks) {
    SendDlgItemMessageA(m_hwnd, IDC_PROGRESS_PASSBAR, PBM_SETRANGE32, 0, LPARAM(blocks > 0x7FFFFFFF ? 0x7FFFFFFF : blocks));
}

void CProgressDialog::SetPassPos(DWORD block) {
    SendDlgItemMessageA(m_hwnd, IDC_PROGRESS_PASSBAR, PBM_SETPOS, WPARAM(block), 0);
}

void CProgressDialog::StepJob(DWORD blocks) {
    SendDlgItemMessageA(m_hwnd, IDC_PROGRESS_JOB, PBM_DELTAPOS, WPARAM(blocks), 0);
}

void CProgressDialog::Pump() {
    if (m_hwnd) UpdateWindow(m_hwnd);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (m_hwnd && IsDialogMessageA(m_hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CProgressDialog::Close() {
    if (m_hwnd) DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
}
