#include "PropertySheet.h"

#include "App.h"
#include "CommonControls.h"
#include "MessageLoop.h"

namespace {
thread_local CPropertySheet* t_creatingSheet = nullptr;
}

CPropertyPage::CPropertyPage(UINT templateId, UINT captionId) : CDialog(templateId) {
    ZeroMemory(&m_psp, sizeof m_psp);
    m_psp.dwSize = sizeof m_psp;
    m_psp.dwFlags = PSP_DEFAULT;
    m_psp.hInstance = QvResourceInstance();
    m_psp.pszTemplate = MAKEINTRESOURCEA(templateId);
    m_psp.pfnDlgProc = PageProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    if (captionId) {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = MAKEINTRESOURCEA(captionId);
    }
}

void CPropertyPage::SetModified(BOOL changed) {
    HWND sheet = GetSheetHwnd();
    if (!sheet) return;
    ::SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, WPARAM(m_hWnd), 0);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* psp = reinterpret_cast<PROPSHEETPAGEA*>(lParam);
        lParam = psp ? psp->lParam : 0;
    }
    return DialogProc(hwnd, msg, wParam, lParam);
}

BOOL CPropertyPage::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header || header->hwndFrom != GetSheetHwnd()) return FALSE;
    switch (header->code) {
    case PSN_SETACTIVE:
        *result = OnSetActive() ? 0 : -1;
        return TRUE;
    case PSN_KILLACTIVE:
        *result = OnKillActive() ? FALSE : TRUE;
        return TRUE;
    case PSN_APPLY:
        if (OnApply()) {
            *result = PSNRET_NOERROR;
            if (m_sheet) m_sheet->m_result = IDOK;
        } else {
            *result = PSNRET_INVALID_NOCHANGEPAGE;
        }
        return TRUE;
    case PSN_RESET:
        if (m_sheet) m_sheet->m_result = IDCANCEL;
        OnReset();
        *result = 0;
        return TRUE;
    case PSN_QUERYCANCEL:
        *result = OnQueryCancel() ? FALSE : TRUE;
        return TRUE;
    case PSN_WIZBACK:
        *result = OnWizardBack();
        return TRUE;
    case PSN_WIZNEXT:
        *result = OnWizardNext();
        return TRUE;
    case PSN_WIZFINISH:
        if (OnWizardFinish()) {
            *result = FALSE;
            if (m_sheet) m_sheet->m_result = ID_WIZFINISH;
        } else {
            *result = TRUE;
        }
        return TRUE;
    case PSN_HELP:
        OnHelp();
        *result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

CPropertySheet::CPropertySheet(UINT captionId, CWnd* parent, UINT startPage)
    : CPropertySheet(static_cast<const char*>(nullptr), parent, startPage) {
    m_caption = LoadResourceString(captionId);
}

CPropertySheet::CPropertySheet(const char* caption, CWnd* parent, UINT startPage)
    : m_caption(caption ? caption : ""), m_parentHwnd(parent ? parent->m_hWnd : nullptr) {
    ZeroMemory(&m_psh, sizeof m_psh);
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_USECALLBACK;
    m_psh.hInstance = QvResourceInstance();
    m_psh.nStartPage = startPage;
    m_psh.pfnCallback = SheetCallback;
}

CPropertySheet::~CPropertySheet() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

void CPropertySheet::AddPage(CPropertyPage* page) {
    page->m_sheet = this;
    m_pages.push_back(page);
    if (m_hWnd) {
        HPROPSHEETPAGE handle = QvCreatePropertySheetPage(&page->m_psp);
        if (handle) ::SendMessageA(m_hWnd, PSM_ADDPAGE, 0, LPARAM(handle));
    }
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
    return index >= 0 && index < int(m_pages.size()) ? m_pages[size_t(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] == page) return int(i);
    return -1;
}

int CPropertySheet::GetActiveIndex() const {
    if (!m_hWnd) return int(m_psh.nStartPage);
    HWND tab = GetTabControl();
    return tab ? int(::SendMessageA(tab, TCM_GETCURSEL, 0, 0)) : -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(GetActiveIndex()); }

BOOL CPropertySheet::SetActivePage(int index) {
    if (!m_hWnd) {
        m_psh.nStartPage = UINT(index);
        return TRUE;
    }
    return BOOL(SendMessage(PSM_SETCURSEL, WPARAM(index), 0));
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }

BOOL CPropertySheet::SetTabText(int index, const char* text) {
    HWND tab = GetTabControl();
    if (!tab) return FALSE;
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text);
    return BOOL(::SendMessageA(tab, TCM_SETITEMA, WPARAM(index), LPARAM(&item)));
}

void CPropertySheet::SetTitle(const char* title) {
    m_caption = title;
    if (m_hWnd) SendMessage(PSM_SETTITLEA, 0, LPARAM(title));
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT msg, LPARAM lParam) {
    if (msg == PSCB_PRECREATE && lParam) {
        // Shown by the framework after OnInitDialog, so a sheet can start hidden.
        auto* words = reinterpret_cast<WORD*>(lParam);
        DWORD* style = words[1] == 0xFFFF ? reinterpret_cast<DWORD*>(words + 6) : reinterpret_cast<DWORD*>(words);
        *style &= ~DWORD(WS_VISIBLE);
    } else if (msg == PSCB_INITIALIZED) {
        CPropertySheet* sheet = t_creatingSheet;
        if (sheet && !sheet->m_hWnd) {
            sheet->SubclassWindow(hwnd);
            RegisterDialogWindow(hwnd, DialogKind::Sheet);
        }
    }
    return 0;
}

bool CPropertySheet::CreateSheet(HWND parent) {
    if (m_hWnd) return false;
    QvInitCommonControls();
    m_handles.clear();
    for (CPropertyPage* page : m_pages) {
        HPROPSHEETPAGE handle = QvCreatePropertySheetPage(&page->m_psp);
        if (!handle) {
            for (HPROPSHEETPAGE h : m_handles) QvDestroyPropertySheetPage(h);
            m_handles.clear();
            return false;
        }
        m_handles.push_back(handle);
    }
    m_psh.dwFlags |= PSH_MODELESS | PSH_USECALLBACK;
    m_psh.dwFlags &= ~DWORD(PSH_PROPSHEETPAGE);
    m_psh.hwndParent = parent;
    m_psh.pszCaption = m_caption.c_str();
    m_psh.nPages = UINT(m_handles.size());
    m_psh.phpage = m_handles.data();
    m_result = IDCANCEL;
    CPropertySheet* previous = t_creatingSheet;
    t_creatingSheet = this;
    HWND hwnd = reinterpret_cast<HWND>(QvPropertySheet(&m_psh));
    t_creatingSheet = previous;
    m_handles.clear();
    if (!hwnd || hwnd == reinterpret_cast<HWND>(-1)) return false;
    if (!m_hWnd) {
        SubclassWindow(hwnd);
        RegisterDialogWindow(hwnd, DialogKind::Sheet);
    }
    m_showOnStart = true;
    OnInitDialog();
    if (m_showOnStart && ::IsWindow(hwnd)) ::ShowWindow(hwnd, SW_SHOWNORMAL);
    return true;
}

BOOL CPropertySheet::Create(HWND parent) {
    m_modal = false;
    return CreateSheet(parent ? parent : m_parentHwnd);
}

bool CPropertySheet::SheetClosed() const {
    return m_ended || !m_hWnd || !::IsWindow(m_hWnd) || !::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0);
}

INT_PTR CPropertySheet::DoModal() {
    m_modal = true;
    m_ended = false;
    HWND owner = m_parentHwnd;
    if (!CreateSheet(owner)) {
        m_modal = false;
        return -1;
    }
    HWND hwnd = m_hWnd;
    bool disabledOwner = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        disabledOwner = true;
    }
    RunModalLoop(this, [this] { return SheetClosed(); });
    if (disabledOwner) ::EnableWindow(owner, TRUE);
    if (::IsWindow(hwnd)) {
        UnregisterDialogWindow(hwnd);
        ::DestroyWindow(hwnd);
    }
    m_modal = false;
    return m_result;
}

void CPropertySheet::EndDialog(INT_PTR result) {
    m_result = result;
    if (m_modal) {
        m_ended = true;
        if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

LRESULT CPropertySheet::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCDESTROY) UnregisterDialogWindow(m_hWnd);
    return CWnd::WindowProc(msg, wParam, lParam);
}
