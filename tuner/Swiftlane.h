// Swiftlane.h - the connection tuner's application object, its language-pack
// lookup and the texts, keys and names the dialogs share.
#pragma once

#include <windows.h>

#include "App.h"
#include "OSVersion.h"
#include "Strings.h"
#include "Tuning.h"
#include "TuningStore.h"

class CSwiftlaneDlg;
class CMyPropertySheet;

// The maker's web address on the main dialog's link.
extern const char* const kMakerAddress;
extern const char* const kSwiftlaneKey;        // under HKEY_CURRENT_USER
extern const char* const kOriginalSettingsKey; // below kSwiftlaneKey
extern const char* const kDefaultIntroduction;
extern const char* const kDefaultHint;
// Finish when the current values could not be saved first (nothing is written
// then), pack key "44"; key "45" follows when an earlier backup is still there.
extern const char* const kBackupFailedText;
extern const char* const kBackupKeptText;
// Before a backup is replaced, pack key "43": by Set when one stands, by
// Finish when one appeared since the wizard opened.
extern const char* const kReplaceBackupQuestion;
// Finish when a value could not be written (%s: key\name); the backup stays.
extern const char* const kApplyFailedText;
const UINT IDM_ABOUTBOX = 16;

class CSwiftlaneApp : public CWinApp {
public:
    CSwiftlaneApp();

    BOOL InitInstance() override;

    // Pack lookup: "<AppPath>\Lang\<Language>.ini", section "Swiftlane";
    // every '*' of the text becomes a line feed.
    CString LoadLangString(const char* key, const char* defaultText) const;
    void SetDlgItemLangText(HWND window, UINT id, const char* key, const char* defaultText) const;
    CString PackPath() const;
    // AppPath and Language from the registry (empty when missing).
    void ReadSettings();
    // Without an installer's values: the program's own folder and English.
    void WriteFirstStartValues();
    void SaveLanguage();
    // A whole backup stands for Reset (the store finishes one cut short first).
    bool HasBackup() const;
    ITuningStore& Store() const { return *m_store; }
    void SetStore(ITuningStore* store) { m_store = store ? store : &m_defaultStore; }

    CString m_programPath;
    CString m_appPath;
    CString m_language;
    OSFamily m_family = FAMILY_OTHER;
    COSVersion m_version;
    // The settings key; a test points it elsewhere.
    CString m_registryKey;
    CSwiftlaneDlg* m_pMainDlg = nullptr;
    CMyPropertySheet* m_pSheet = nullptr;

private:
    CTuningStore m_defaultStore;
    ITuningStore* m_store = &m_defaultStore;
};

// The running application object (null when there is none).
CSwiftlaneApp* SwiftlaneApp();
// The lookup through the application object, or the default without one.
CString LoadLangString(const char* key, const char* defaultText);
void SetDlgItemLangText(HWND window, UINT id, const char* key, const char* defaultText);
