// BlokkumSettings.h - Blokkum's two settings stores: the registry key
// Software\Quorvane Blokkum (with the Proxy Setting flags and the Run value)
// and QVINI.ini beside the running module, plus the browser presence checks.
// No windows: the only thing shown is the 6001 box through QvMessageBox when
// the installation's registry values are missing.
// Where the stores live is a CBlokkumLocations, so tests point them at their
// own keys and folders. Deliberately not: the browsers' own proxy checks.
#pragma once

#include <windows.h>

#include "Language.h"
#include "Strings.h"

struct CBlokkumLocations {
    HKEY root = HKEY_CURRENT_USER;
    CString key;              // Software\Quorvane Blokkum
    CString runKey;           // ...\CurrentVersion\Run
    CString operaKey;         // Software\Opera Software
    CString mozillaKey;       // Software\Mozilla
    CString iniFolder;        // folder of QVINI.ini; empty: the running module's
    CBlokkumLocations();
    CString ProxySettingKey() const { return key + "\\Proxy Setting"; }
};

// QVINI.ini, section [QuorvaneBlokkum]; the defaults are those of a missing file.
struct CBlokkumIniSettings {
    UINT PopupPort = 8100;
    CString GatewayIP;
    UINT GatewayPort = 80;
    UINT GatewayEnable = 0;
    UINT BannerBlock = 0;
    UINT Startup = 2;  // 2 with Windows, 1 with Internet Explorer, 0 manual
    UINT DisplayOnTop = 1;
    UINT Disabled = 0;
    UINT UseDefaultBufferSizes = 1;
    UINT BufferSize = 8192;
    UINT DNSCacheSize = 10;
    UINT DNSCacheDisable = 1;
    bool PopupCatching = true;  // stored inverted as PopupCheckDisabled
    UINT PlayWave = 1;
    UINT ConnectionTimeOut = 60;
    UINT UseDefaultTimeOut = 1;
};

enum { kStartupManual = 0, kStartupWithExplorer = 1, kStartupWithWindows = 2 };

class CBlokkumSettings {
public:
    explicit CBlokkumSettings(const CBlokkumLocations& where = CBlokkumLocations());
    CBlokkumSettings(const CBlokkumSettings&) = delete;
    CBlokkumSettings& operator=(const CBlokkumSettings&) = delete;

    // 0, or -1 after the 6001 box when the key or a required value is missing.
    int LoadRegistrySettings();
    void SaveRegistrySettings();
    void LoadIniSettings();
    void SaveIniSettings();

    // The stored browser flags, with those of uninstalled browsers cleared.
    void ReadProxyFlags();
    void ClearAbsentBrowserFlags();
    void DetectOpera();
    void DetectMozilla();

    // The sound a caught pop-up plays: User Wav Path, or the shipped sound
    // while the value is empty.
    CString AlertSound() const;
    CString IniPath() const;
    // A file beside QVINI.ini (the running module's folder by default).
    CString ProgramFile(const char* name) const;
    bool ReadIniString(const char* key, CString& value, const char* defaultText) const;
    // A value that is no number keeps the default, as a missing one does.
    bool ReadIniInt(const char* key, UINT& value, UINT defaultValue) const;
    bool WriteIniString(const char* key, const char* value);
    bool WriteIniInt(const char* key, UINT value);

    const CBlokkumLocations& Locations() const { return m_where; }
    const CBlokkumLanguage& Language() const { return m_language; }

    // Registry values.
    CString m_strLanguage;
    CString m_strPath;
    CString m_strWizardMessage = "A";
    CString m_strBlockedPopups;
    CString m_strUserWavPath;
    CString m_strInstallationDate;
    DWORD m_dwCloseToTray = 1;
    bool m_bLanguageChanged = false;
    bool m_bInstallationDateChanged = false;

    // Proxy Setting flags and what is installed.
    DWORD m_dwLanConfigured = 0;
    DWORD m_dwDialUpConfigured = 0;
    DWORD m_dwNetscapeConfigured = 0;
    DWORD m_dwOpera6Configured = 0;
    DWORD m_dwOpera7Configured = 0;
    bool m_bOpera6Installed = false;
    bool m_bOpera7Installed = false;
    bool m_bMozillaInstalled = false;

    CBlokkumIniSettings m_ini;

private:
    CBlokkumLocations m_where;
    CBlokkumLanguage m_language;
    bool m_bIniWriteFailed = false;
};

// <path>\Sounds, the folder of the sounds the program ships and lists.
CString SoundsFolder(const CString& path);
// <path>\Sounds\PopUp.wav, the sound that ships with the program.
CString DefaultAlertSound(const CString& path);

// The running module's folder up to and including its last backslash, then name.
void GetModuleFolderPath(CString& path, const char* name);

// A proxy server text is Blokkum's proxy text, as read with 260 bytes.
bool IsBlokkumProxyText(const CString& server);
// Whether Internet Explorer's LAN values under internetSettingsKey hold
// Blokkum's proxy text as ProxyServer, whatever ProxyEnable says: what is
// kept and given back (Blokkum's record, Blokkjack's restore) goes by this.
bool LanHoldsProxyText(HKEY root, const CString& internetSettingsKey);
// The same with ProxyEnable on: Internet Explorer uses the proxy. Blokkum's
// checks of what is configured judge by this one.
bool LanCarriesProxy(HKEY root, const CString& internetSettingsKey);
