#include "Dialog.h"

#include <commctrl.h>

#include "App.h"
#include "CommonControls.h"
#include "MessageLoop.h"
#include "Seams.h"

void QvInitCommonControls() {
    static const bool done = [] {
        return QvInitCommonControlsEx(ICC_WIN95_CLASSES | ICC_USEREX_CLASSES | ICC_DATE_CLASSES) != FALSE;
    }();
    (void)done;
}

bool QvPaintsThemedTabPage(HWND dialog) {
    // uxtheme.dll exists from Windows XP on: found at run time, so the
    // programs still start on 95, 98, ME, NT 4 and 2000.
    typedef BOOL(WINAPI * Query)(HWND);
    typedef BOOL(WINAPI * Flag)();
    static const Query textureEnabled = LateProc<Query>("uxtheme.dll", "IsThemeDialogTextureEnabled");
    static const Flag appThemed = LateProc<Flag>("uxtheme.dll", "IsAppThemed");
    return textureEnabled && appThemed && appThemed() && textureEnabled(dialog);
}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_parentHwnd(parent ? parent->m_hWnd : nullptr) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
    QvInitCommonControls();
    m_modal = true;
    m_ended = false;
    m_result = -1;
    HWND owner = m_parentHwnd;
    HWND hwnd = CreateDialogParamA(QvResourceInstance(), MAKEINTRESOURCEA(m_templateId), owner, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        m_modal = false;
        return -1;
    }
    bool disabledOwner = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        disabledOwner = true;
    }
    if (!m_ended && ::IsWindow(hwnd) && !::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOWNORMAL);
    RunModalLoop(this, [this, hwnd] { return m_ended || !::IsWindow(hwnd); });
    // The owner first, so that activation goes back to it.
    if (disabledOwner) ::EnableWindow(owner, TRUE);
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    m_modal = false;
    return m_result;
}

BOOL CDialog::Create(UINT templateId, HWND parent) {
    if (templateId) m_templateId = templateId;
    if (parent) m_parentHwnd = parent;
    QvInitCommonControls();
    m_modal = false;
    HWND hwnd = CreateDialogParamA(QvResourceInstance(), MAKEINTRESOURCEA(m_templateId), m_parentHwnd, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    if (m_modal) {
        m_ended = true;
        if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CDialog::OnInitDialog() { return TRUE; }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    UINT code = HIWORD(wParam);
    if (code != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) return OnInitDialog();
    return CWnd::WindowProc(msg, wParam, lParam);
}

LRESULT CDialog::DefWindowProc(UINT, WPARAM, LPARAM) {
    if (m_defaulted) *m_defaulted = true;
    return 0;
}

INT_PTR CDialog::DispatchDialog(UINT msg, WPARAM wParam, LPARAM lParam) {
    HBRUSH brush = QvDialogBrush();
    bool defaulted = false;
    bool* saved = m_defaulted;
    m_defaulted = &defaulted;
    HWND hwnd = m_hWnd;
    LRESULT result = Dispatch(msg, wParam, lParam);
    m_defaulted = saved;
    if (defaulted) {
        // A property page whose tab body the theme paints with its texture
        // keeps the system's answer, which gives its statics, check boxes and
        // radio buttons that texture (the dialog colour would put bars of it
        // under each of them).
        if (brush && (msg == WM_CTLCOLORDLG || msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) &&
            !QvPaintsThemedTabPage(hwnd)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, QvDialogTextColor());
            SetBkColor(dc, QvDialogBkColor());
            return reinterpret_cast<INT_PTR>(brush);
        }
        return FALSE;
    }
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return INT_PTR(result);
    default:
        if (hwnd && ::IsWindow(hwnd)) SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (msg == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        if (!dialog) return FALSE;
        dialog->Bind(hwnd);
        if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) RegisterDialogWindow(hwnd, DialogKind::Dialog);
    } else {
        dialog = dynamic_cast<CDialog*>(FromHandle(hwnd));
        if (!dialog) return FALSE;
    }
    INT_PTR result = dialog->DispatchDialog(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        UnregisterDialogWindow(hwnd);
        dialog->Unbind();
        ForgetDestroyedWindows();
        dialog->PostNcDestroy();
    }
    return result;
}
