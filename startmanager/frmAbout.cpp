#include "frmAbout.h"

#include <vector>

#include "BootlistResources.h"
#include "App.h"
#include "Files.h"
#include "RegistryControl.h"
#include "Seams.h"

bool GetKeyValue(HKEY keyRoot, const char* keyName, const char* subKeyRef, CString& keyVal) {
    // The registry control converts REG_SZ and REG_DWORD data as this wants.
    CRegistryControl reg;
    reg.SetRoot(keyRoot);
    reg.SetKeyPath(keyName);
    reg.SetValueName(subKeyRef);
    const bool read = reg.Read() == ERROR_SUCCESS;
    keyVal = read ? reg.GetValue() : CString();
    return read;
}

CString VersionText(const char* name) {
    char module[MAX_PATH] = "";
    if (!GetModuleFileNameA(QvResourceInstance(), module, sizeof module)) return CString();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(module, &handle);
    if (size == 0) return CString();
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(module, 0, size, info.data())) return CString();
    char* text = nullptr;
    UINT length = 0;
    const CString path = CString("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&text), &length) || !text) return CString();
    return CString(text);
}

frmAbout::frmAbout(const CSharedTexts& texts, CWnd* parent) : CDialog(IDD_FRMABOUT, parent), m_texts(texts) {}

BOOL frmAbout::OnInitDialog() {
    SkinForm(m_skin, m_hWnd);
    SetFormRightToLeft(m_hWnd);
    const CString version = VersionText("FileVersion");
    SetDlgItemText(IDC_LBLTITLE, VersionText("ProductName"));
    SetDlgItemText(IDC_LBLVERSION, "Version " + version);
    SetDlgItemText(IDC_LBLDESCRIPTION, VersionText("FileDescription"));
    SetDlgItemText(IDC_LBLDISCLAIMER, VersionText("LegalCopyright"));
    if (m_texts.languageFilesPresent) {
        const CString* about = m_texts.about;
        SetWindowText(about[0]);
        SetDlgItemText(IDC_LBLTITLE, about[1]);
        // The pack names the number; the number itself is the program's own.
        SetDlgItemText(IDC_LBLVERSION, about[2] + " " + version);
        SetDlgItemText(IDC_LBLDESCRIPTION, about[3]);
        SetDlgItemText(IDC_LBLDISCLAIMER, about[4]);
        SetDlgItemText(IDC_CMDOK, about[5]);
        SetDlgItemText(IDC_CMDSYSINFO, about[6]);
    }
    return TRUE;
}

void frmAbout::StartSysInfo() {
    CString path;
    if (!GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path) &&
        GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", path)) {
        path += "\\MSINFO32.EXE";
        if (!FileExists(path)) path.Empty();
    }
    if (path.IsEmpty()) {
        QvMessageBox(m_hWnd, m_texts.message[0], kAppTitle, MB_OK);
        return;
    }
    QvShellExecute(m_hWnd, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL);
}

BOOL frmAbout::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_CMDOK: EndDialog(IDOK); return TRUE;
    case IDC_CMDSYSINFO: StartSysInfo(); return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
    }
}
