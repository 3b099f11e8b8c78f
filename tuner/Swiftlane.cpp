#include "Swiftlane.h"

#include "Files.h"
#include "Registry.h"
#include "Seams.h"
#include "SwiftlaneDlg.h"

const char* const kMakerAddress = "http://www.quorvane.com";
const char* const kSwiftlaneKey = "Software\\Quorvane Swiftlane";
const char* const kOriginalSettingsKey = "Original Settings";
const char* const kDefaultIntroduction =
    "Are web pages slow to open?*Do downloads take longer than your connection promises?*"
    "Does your connection stall now and then?*"
    "Quorvane Swiftlane tunes the settings of your internet connection for its type.";
const char* const kDefaultHint =
    "Quorvane Swiftlane saves your original settings first, so that you can put them back with the Reset button.";

const char* const kBackupFailedText =
    "Failed to save your connection settings as backup, so nothing was changed.";
const char* const kBackupKeptText =
    "Your earlier backup is kept: Reset Connection Settings still puts it back.";
const char* const kReplaceBackupQuestion =
    "Now, your old connection settings saved as backup will be overwritten with the current settings as they "
    "will be the new backup.\nDo you want to proceed?";
const char* const kApplyFailedText =
    "Failed to write %s, so your connection settings were not all changed.\n"
    "Your original settings are kept: Reset Connection Settings puts them back.";

namespace {
// Registry texts of 260 characters at most, as the installer writes them.
const int kPathLength = 260;
}

CSwiftlaneApp::CSwiftlaneApp() : CWinApp("Swiftlane"), m_registryKey(kSwiftlaneKey) {
    m_programPath = GetModuleFilePath(nullptr).Left(kPathLength);
}

CSwiftlaneApp* SwiftlaneApp() { return dynamic_cast<CSwiftlaneApp*>(CWinApp::Current()); }

CString CSwiftlaneApp::PackPath() const {
    CString path;
    path.Format("%s\\Lang\\%s.ini", m_appPath.c_str(), m_language.c_str());
    return path;
}

CString CSwiftlaneApp::LoadLangString(const char* key, const char* defaultText) const {
    const int size = 2000;
    CString text;
    DWORD length = GetPrivateProfileStringA("Swiftlane", key, defaultText ? defaultText : "", text.GetBuffer(size),
                                            size, PackPath());
    text.ReleaseBuffer(int(length));
    text.Replace('*', '\n');
    return text;
}

void CSwiftlaneApp::SetDlgItemLangText(HWND window, UINT id, const char* key, const char* defaultText) const {
    SetDlgItemTextA(window, int(id), LoadLangString(key, defaultText));
}

CString LoadLangString(const char* key, const char* defaultText) {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app) return app->LoadLangString(key, defaultText);
    CString text(defaultText ? defaultText : "");
    text.Replace('*', '\n');
    return text;
}

void SetDlgItemLangText(HWND window, UINT id, const char* key, const char* defaultText) {
    SetDlgItemTextA(window, int(id), LoadLangString(key, defaultText));
}

void CSwiftlaneApp::ReadSettings() {
    m_appPath.Empty();
    m_language.Empty();
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, m_registryKey, KEY_READ) != ERROR_SUCCESS) return;
    if (key.QueryString("AppPath", m_appPath) != ERROR_SUCCESS) m_appPath.Empty();
    if (key.QueryString("Language", m_language) != ERROR_SUCCESS) m_language.Empty();
    m_appPath = m_appPath.Left(kPathLength - 1);
    m_language = m_language.Left(kPathLength - 1);
}

void CSwiftlaneApp::WriteFirstStartValues() {
    CRegKey key;
    if (key.Create(HKEY_CURRENT_USER, m_registryKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return;
    CString value;
    if (key.QueryString("AppPath", value) != ERROR_SUCCESS || value.IsEmpty()) {
        const int slash = m_programPath.ReverseFind('\\');
        if (slash > 0) key.SetString("AppPath", m_programPath.Left(slash));
    }
    if (key.QueryString("Language", value) != ERROR_SUCCESS || value.IsEmpty()) key.SetString("Language", "English");
}

void CSwiftlaneApp::SaveLanguage() {
    CRegKey key;
    if (key.Create(HKEY_CURRENT_USER, m_registryKey, KEY_WRITE) != ERROR_SUCCESS) return;
    key.SetString("Language", m_language);
}

bool CSwiftlaneApp::HasBackup() const { return m_store->HasBackup(); }

BOOL CSwiftlaneApp::InitInstance() {
    EnableControlContainer();
    SetDialogBkColor(RGB(206, 206, 210), RGB(0, 0, 0));
    WriteFirstStartValues();
    ReadSettings();
    m_family = FamilyOf(m_version);
    if (m_family == FAMILY_OTHER) {
        QvMessageBox(nullptr,
                     LoadLangString("79", "Failed to detect your Windows version so we can't boost your connection."),
                     LoadLangString("18", "Quorvane Swiftlane"), MB_ICONERROR);
        return FALSE;
    }
    Enable3dControls();
    CSwiftlaneDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
