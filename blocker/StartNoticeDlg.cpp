#include "StartNoticeDlg.h"

#include "App.h"
#include "BlokkumDialogIds.h"
#include "BlokkumDialogSupport.h"
#include "Registry.h"

namespace {
const int kTextControls[3] = {IDC_NOTICE_TEXT, IDC_NOTICE_DONT_SHOW, IDOK};
}

CStartNoticeDlg::CStartNoticeDlg(CBlokkumSettings& settings, CSkinObject& skin, CWnd* parent)
    : CDialog(IDD_START_NOTICE, parent), m_settings(settings), m_skin(skin) {}

BOOL CStartNoticeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_dontShow.Attach(GetDlgItem(IDC_NOTICE_DONT_SHOW));
    CString texts[3];
    const char* defaults[3];
    for (int i = 0; i < 3; ++i) {
        texts[i] = GetDlgItemText(UINT(kTextControls[i]));
        defaults[i] = texts[i];
    }
    m_settings.Language().SetDlgItemLangTexts(m_hWnd, defaults, 18001, kTextControls, 3);
    SetIcon(LoadIconA(QvResourceInstance(), MAKEINTRESOURCEA(IDI_BLOKKUM)), TRUE);
    TakeDialogSkinControl(m_skin);
    m_skin.LoadSkinFile(TitleSkinFile(m_settings));
    m_skin.SkinWindow(m_hWnd);
    return TRUE;
}

void CStartNoticeDlg::OnOK() {
    m_dwShowAtStart = m_dontShow.GetCheck() == BST_CHECKED ? 0 : 1;
    CRegKey key;
    if (key.Open(m_settings.Locations().root, m_settings.Locations().key, KEY_READ | KEY_WRITE) == ERROR_SUCCESS)
        key.SetDWORD("ShowAtStart", m_dwShowAtStart);
    EndDialog(IDOK);
}
