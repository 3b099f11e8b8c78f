// PopupBlockerApp.h - CPopupBlockerApp, Blokkum's application object. Its
// whole run is InitInstance: the single-instance mutex, the settings, the
// first-run backups, the wizard question, the hidden window that Blokkjack
// and Blokkout find by its caption, the HOSTS alias, the engine settings and
// then the tray sheet, run modally; when the sheet closes the program ends.
// Where the program looks (registry key, program folder, Windows folder) is a
// CBlokkumEnvironment, so tests run the whole start on folders of their own.
// Deliberately not: the sheet's pages, the wizard or the dialogs (their own files).
#pragma once

#include <windows.h>

#include <memory>

#include "App.h"
#include "BlokkumProxy.h"
#include "BlokkumSettings.h"
#include "BrowserProxyContext.h"
#include "HostsFile.h"
#include "SingleInstance.h"
#include "Skin.h"

class CPopupCountDlg;

struct CBlokkumEnvironment {
    CBlokkumLocations where;  // iniFolder: the program files (QVINI.ini, QVBlk.js, hostse, hostsd)
    CBrowserSystem system;    // Windows folder (HOSTS), version, Internet Settings
    CString zonesKey;         // the security zones saved on the first run
    CBlokkumEnvironment();
};

// Installed browsers whose proxy Blokkum has not set, as the question's bits:
// 1 Internet Explorer, 2 Opera 6, 4 Opera 7, 8 Netscape/Mozilla.
int UnconfiguredBrowserMask(const CBlokkumSettings& settings);
// The key and built-in first sentence of the start-up question for a mask;
// false for masks without a question (0 and 7).
bool WizardQuestionKey(int mask, const char*& key, const char*& defaultText);

class CPopupBlockerApp : public CWinApp {
public:
    explicit CPopupBlockerApp(const CBlokkumEnvironment& environment = CBlokkumEnvironment());
    ~CPopupBlockerApp() override;

    // The start-up sequence; always FALSE.
    BOOL InitInstance() override;
    int ExitInstance() override;

    // QVINI.ini, the script file and the engine snapshot anew.
    void ReloadEngineSettings();
    // The settings in memory to the engine, with the script built anew.
    void PublishEngineSettings() { m_proxy.PublishEngineSettings(m_settings); }
    // The five Proxy Setting flags, corrected by what each browser really
    // carries; catching goes off when no browser uses the proxy.
    void ReadProxyFlags();
    // Whether Internet Explorer or any Proxy Setting flag says a browser uses the proxy.
    bool AnyBrowserConfigured() const;
    // Puts the block of hostse (on) or hostsd (off) into the HOSTS file and
    // only then sets BannerBlock. A file that cannot be read or written is
    // told and leaves the setting and the HOSTS file as they were; without a
    // HOSTS file message 19017 is shown and the caller ends the program
    // through the sheet's exit path.
    enum class BannerSwitch { Switched, Failed, NoHostsFile };
    BannerSwitch SwitchBannerBlocking(HWND owner, bool on);
    // A tick switches the HOSTS file at once and the setting is saved only
    // by Apply, so a program ended in between (killed, or Windows ending)
    // leaves the file on the other setting: at start-up it follows the
    // saved setting again, the user's lines kept.
    void MatchHostsToBannerSetting();
    // The hidden window captioned by the current pack's key 9999, as
    // Blokkjack and Blokkout look for it (after a saved language change).
    void RetitleHiddenWindow();
    // Asks whether to run the wizard when Wizard Message is "A" and some
    // installed browser is not configured; Wizard Message becomes "N".
    void AskWizardQuestion();

    CString Text(const char* key, const char* defaultText) const {
        return m_settings.Language().LoadLangString(key, defaultText);
    }
    CHostsFile Hosts() const;
    HWND HiddenWindow() const { return m_hHiddenWindow; }

    CBlokkumEnvironment m_env;
    CBlokkumSettings m_settings;
    CBrowserProxyContext m_browsers;
    CBlokkumProxy m_proxy;
    std::unique_ptr<CPopupCountDlg> m_pCounter;
    // The skin object the pages and dialogs share; released at exit.
    CSkinObject m_dialogSkin;

    int m_nRunWizard = 0;
    bool m_bFirstRun = false;
    bool m_bShowAtStart = false;
    int m_nIEProxySet = 0;
    CString m_strProxyHostAlias;
    // The last browser closed before the tray sheet ran; it ends at its start.
    bool m_bLastBrowserClosed = false;

private:
    // Without an installation (no key at all) the program writes what the
    // installer would: its own folder, the English pack, a first run. A key
    // that lacks a value stays a damaged installation.
    void SeedInstallerValues();
    bool CreateHiddenWindow(const CString& title);
    void EnsureAlias();

    CSingleInstance m_instance;
    HWND m_hHiddenWindow = nullptr;
    bool m_bWinsockStarted = false;
};

CPopupBlockerApp* BlokkumApp();
// The caption of every message box of Blokkum (key 99990), read at start-up.
const CString& BlokkumCaption();
