#include "AboutBox.h"

#include <vector>

#include "Files.h"
#include "LangPack.h"
#include "SheetResources.h"
#include "ShredderApp.h"

const char* const kGrindelSiteUrl = "http://www.quorvane.com/grindel";

void FillVersionTexts(HWND dialog, const char* moduleFile, const UINT* controls, int count) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(moduleFile, &handle);
    if (size == 0) return;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoA(moduleFile, 0, size, data.data())) return;
    for (int i = 0; i < count; ++i) {
        char name[257] = "";
        GetDlgItemTextA(dialog, int(controls[i]), name, sizeof name);
        const CString query = CString("\\StringFileInfo\\040904b0\\") + name;
        char* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&value), &length) || !value || length == 0 ||
            !value[0])
            continue;
        CString text(value, int(length > 256 ? 256 : length));
        SetDlgItemTextA(dialog, int(controls[i]), CString(text.c_str()));
    }
}

CAboutDlg::CAboutDlg(CShredderApp& app, HWND parent) : CShredDialog(IDD_ABOUT, app, parent) {}

BOOL CAboutDlg::OnInitDialog() {
    GrindelSkin().SkinWindowAs(m_hWnd, "Main");
    GrindelSkin().SkinWindowAs(GetDlgItem(IDOK), "Button");
    SetWindowText(LoadLangControlText(10101, "About Quorvane Grindel"));
    SetText(IDC_ABOUT_LABEL, 10100, "Version:");
    SetText(IDOK, 9706, "OK");
    FillVersionInfo();
    m_link.SubclassDlgItem(IDC_ABOUT_LINK, m_hWnd);
    m_link.SetURL(kGrindelSiteUrl);
    m_link.EnableToolTip(true);
    m_link.SetToolTipText(LoadLangString(9084, "Click here to visit our web site"));
    m_link.SetTipBkColor(0xFFFFFF);
    m_link.SetTipTextColor(0x000000);
    m_link.SetVisitedColor(0x000D00);
    return TRUE;
}

void CAboutDlg::FillVersionInfo() {
    const UINT controls[] = {IDC_ABOUT_COPYRIGHT, IDC_ABOUT_VERSION};
    FillVersionTexts(m_hWnd, GetModuleFilePath(), controls, 2);
}
