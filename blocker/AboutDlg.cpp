#include "AboutDlg.h"

#include <vector>

#include "BlokkumDialogIds.h"
#include "Files.h"
#include "IEProxySettings.h"
#include "Seams.h"

namespace {
const int kTextControls[3] = {CBlokkumLanguage::kCaptionItemId, IDC_ABOUT_VERSION_LABEL, IDOK};
const int kNameBuffer = 256;
}  // namespace

CAboutDlg::CAboutDlg(CBlokkumSettings& settings, CSkinObject& skin, CWnd* parent, const CBrowserSystem& system)
    : CDialog(IDD_BLOKKUM_ABOUT, parent), m_settings(settings), m_skin(skin), m_system(system) {}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_templateTexts[0] = GetWindowText();
    m_templateTexts[1] = GetDlgItemText(IDC_ABOUT_VERSION_LABEL);
    m_templateTexts[2] = GetDlgItemText(IDOK);
    SetTexts();
    FillVersionInfo();
    m_skin.SkinWindow(m_hWnd);
    return TRUE;
}

void CAboutDlg::SetTexts() {
    const char* defaults[3] = {m_templateTexts[0], m_templateTexts[1], m_templateTexts[2]};
    m_settings.Language().SetDlgItemLangTexts(m_hWnd, defaults, 12000, kTextControls, 3);
}

void CAboutDlg::FillVersionInfo() {
    const CString program = GetModuleFilePath(nullptr);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(program, &handle);
    if (size == 0) return;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(program, 0, size, block.data())) return;
    for (UINT id : {IDC_ABOUT_COPYRIGHT, IDC_ABOUT_VERSION}) {
        const CString query = CString("\\StringFileInfo\\040904b0\\") + GetDlgItemText(id).Left(kNameBuffer - 1);
        char* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) && length > 0 && value &&
            *value)
            SetDlgItemText(id, value);
    }
}

void CAboutDlg::OpenMakerSite() {
    CString browser;
    if (!FindAppPath(m_system, "IEXPLORE.EXE", browser)) return;
    const int slash = browser.ReverseFind('\\');
    const CString folder = slash >= 0 ? browser.Left(slash) : CString();
    const CString file = slash >= 0 ? browser.Mid(slash + 1) : browser;
    QvShellExecute(m_hWnd, "Open", file, BLOKKUM_MAKER_ADDRESS, folder, SW_SHOW);
}

BOOL CAboutDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_ABOUT_LINK && HIWORD(wParam) == BN_CLICKED) {
        OpenMakerSite();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

bool CAboutDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_SHOWWINDOW) {
        Default();
        if (wParam && m_settings.m_bLanguageChanged) SetTexts();
        result = 0;
        return true;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}
