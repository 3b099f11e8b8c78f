#include "BlokkumSettings.h"

#include <cstdlib>

#include "BlokkumShared.h"
#include "ErrorReport.h"
#include "Files.h"
#include "Registry.h"
#include "Seams.h"

namespace {
// Integer keys of QVINI.ini. Ports, sizes and the start mode have a range; a
// value outside it is as damaged as text and gives the default.
struct IniIntKey {
    const char* name;
    UINT CBlokkumIniSettings::*field;
    UINT minimum;
    UINT maximum;
};

const IniIntKey kIniInts[] = {
    {"PopupPort", &CBlokkumIniSettings::PopupPort, 1, 65535},
    {"GatewayPort", &CBlokkumIniSettings::GatewayPort, 1, 65535},
    {"GatewayEnable", &CBlokkumIniSettings::GatewayEnable, 0, UINT(-1)},
    {"BannerBlock", &CBlokkumIniSettings::BannerBlock, 0, UINT(-1)},
    {"Startup", &CBlokkumIniSettings::Startup, 0, 2},
    {"DisplayOnTop", &CBlokkumIniSettings::DisplayOnTop, 0, UINT(-1)},
    {"Disabled", &CBlokkumIniSettings::Disabled, 0, UINT(-1)},
    {"UseDefaultBufferSizes", &CBlokkumIniSettings::UseDefaultBufferSizes, 0, UINT(-1)},
    {"BufferSize", &CBlokkumIniSettings::BufferSize, 1, 16 * 1024 * 1024},
    {"DNSCacheSize", &CBlokkumIniSettings::DNSCacheSize, 0, UINT(-1)},
    {"DNSCacheDisable", &CBlokkumIniSettings::DNSCacheDisable, 0, UINT(-1)},
    {"PlayWave", &CBlokkumIniSettings::PlayWave, 0, UINT(-1)},
    {"ConnectionTimeOut", &CBlokkumIniSettings::ConnectionTimeOut, 1, 24 * 3600},
    {"UseDefaultTimeOut", &CBlokkumIniSettings::UseDefaultTimeOut, 0, UINT(-1)},
};

const char kPopupCheckDisabled[] = "PopupCheckDisabled";
const char kGatewayIP[] = "GatewayIP";
const int kRegistryText = 260;

bool ParseUnsigned(const CString& text, UINT& value) {
    CString t = text;
    t.Trim();
    if (t.IsEmpty() || t[0] < '0' || t[0] > '9') return false;
    char* end = nullptr;
    unsigned long long v = strtoull(t, &end, 10);
    if (v > 0xFFFFFFFFull) return false;
    value = UINT(v);
    return true;
}

// Path and Language are kept to the buffer Blokkjack and Blokkout read them
// with, so that all three name the same pack.
bool ReadText(const CRegKey& key, const char* name, CString& value) {
    CString text;
    if (key.QueryString(name, text) != ERROR_SUCCESS) return false;
    value = text.Left(kRegistryText - 1);
    return true;
}

// A value the program writes back is read whole: a cut one would be saved
// cut, and the user's sound path lost.
bool ReadWholeText(const CRegKey& key, const char* name, CString& value) {
    return key.QueryString(name, value) == ERROR_SUCCESS;
}
}  // namespace

CBlokkumLocations::CBlokkumLocations()
    : key(BLOKKUM_REGISTRY_KEY), runKey(BLOKKUM_RUN_KEY), operaKey("Software\\Opera Software"),
      mozillaKey("Software\\Mozilla") {}

void GetModuleFolderPath(CString& path, const char* name) {
    CString module = GetModuleFilePath();
    int slash = module.ReverseFind('\\');
    path = (slash >= 0 ? module.Left(slash + 1) : CString()) + (name ? name : "");
}

CBlokkumSettings::CBlokkumSettings(const CBlokkumLocations& where)
    : m_where(where), m_language(m_strPath, m_strLanguage) {}

int CBlokkumSettings::LoadRegistrySettings() {
    CString corrupted = m_language.LoadLangString(
        "6001", "Sorry, but some files have been corrupted, you have to re-install the program");
    CRegKey key;
    bool ok = key.Open(m_where.root, m_where.key, KEY_READ | KEY_WRITE) == ERROR_SUCCESS;
    if (ok) {
        CString wizard;
        m_strWizardMessage = ReadWholeText(key, "Wizard Message", wizard) ? wizard : CString("A");
        ok = ReadText(key, "Language", m_strLanguage) && ReadText(key, "Path", m_strPath) &&
             ReadWholeText(key, "Blocked Popups", m_strBlockedPopups) &&
             ReadWholeText(key, "User Wav Path", m_strUserWavPath);
    }
    if (!ok) {
        QvMessageBox(nullptr, corrupted, m_language.LoadLangString(BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION), MB_OK);
        return -1;
    }
    DWORD closeToTray = 0;
    if (key.QueryDWORD("Close To Tray", closeToTray) == ERROR_SUCCESS) m_dwCloseToTray = closeToTray;
    return 0;
}

void CBlokkumSettings::SaveRegistrySettings() {
    CRegKey key;
    if (key.Create(m_where.root, m_where.key) == ERROR_SUCCESS) {
        key.SetString("Blocked Popups", m_strBlockedPopups);
        key.SetString("User Wav Path", m_strUserWavPath);
        key.SetString("Wizard Message", m_strWizardMessage);
        if (m_bLanguageChanged) key.SetString("Language", m_strLanguage);
        if (m_bInstallationDateChanged) key.SetString("Installation Date", m_strInstallationDate);
        key.SetDWORD("Close To Tray", m_dwCloseToTray);
    }
    CRegKey run;
    if (run.Create(m_where.root, m_where.runKey) == ERROR_SUCCESS) {
        // The value stays when the start mode is not "with Windows": Blokkjack
        // and the installer expect to find it.
        CString command = m_ini.Startup == kStartupWithWindows ? m_strPath + "\\" BLOKKUM_PROGRAM_FILE : CString();
        run.SetString(BLOKKUM_RUN_VALUE, command);
    }
}

CString CBlokkumSettings::AlertSound() const {
    if (!m_strUserWavPath.IsEmpty()) return m_strUserWavPath;
    return DefaultAlertSound(m_strPath);
}

CString SoundsFolder(const CString& path) { return path + "\\" BLOKKUM_SOUNDS_FOLDER; }

CString DefaultAlertSound(const CString& path) { return SoundsFolder(path) + "\\" BLOKKUM_DEFAULT_SOUND_FILE; }

CString CBlokkumSettings::IniPath() const { return ProgramFile(BLOKKUM_INI_FILE); }

CString CBlokkumSettings::ProgramFile(const char* name) const {
    if (m_where.iniFolder.IsEmpty()) {
        CString path;
        GetModuleFolderPath(path, name);
        return path;
    }
    return JoinPath(m_where.iniFolder, name);
}

bool CBlokkumSettings::ReadIniString(const char* key, CString& value, const char* defaultText) const {
    char* buffer = value.GetBuffer(kRegistryText);
    GetPrivateProfileStringA(BLOKKUM_LANGUAGE_SECTION, key, defaultText ? defaultText : "", buffer, kRegistryText,
                             IniPath());
    value.ReleaseBuffer(-1);
    return true;
}

bool CBlokkumSettings::ReadIniInt(const char* key, UINT& value, UINT defaultValue) const {
    CString text;
    ReadIniString(key, text, "");
    if (!ParseUnsigned(text, value)) {
        value = defaultValue;
        return false;
    }
    return true;
}

bool CBlokkumSettings::WriteIniString(const char* key, const char* value) {
    if (WritePrivateProfileStringA(BLOKKUM_LANGUAGE_SECTION, key, value, IniPath())) return true;
    if (!m_bIniWriteFailed) {
        CString text;
        text.Format("Error writing to file:\n%s", IniPath().c_str());
        ReportProxyError(text);
        m_bIniWriteFailed = true;
    }
    return false;
}

bool CBlokkumSettings::WriteIniInt(const char* key, UINT value) {
    CString text;
    text.Format("%u", value);
    return WriteIniString(key, text);
}

void CBlokkumSettings::LoadIniSettings() {
    const CBlokkumIniSettings defaults;
    for (const IniIntKey& k : kIniInts) {
        UINT value = 0;
        if (!ReadIniInt(k.name, value, defaults.*k.field) || value < k.minimum || value > k.maximum)
            value = defaults.*k.field;
        m_ini.*k.field = value;
    }
    ReadIniString(kGatewayIP, m_ini.GatewayIP, "");
    UINT checkDisabled = 0;
    ReadIniInt(kPopupCheckDisabled, checkDisabled, 0);
    m_ini.PopupCatching = checkDisabled == 0;
}

void CBlokkumSettings::SaveIniSettings() {
    for (const IniIntKey& k : kIniInts) WriteIniInt(k.name, m_ini.*k.field);
    WriteIniString(kGatewayIP, m_ini.GatewayIP);
    WriteIniInt(kPopupCheckDisabled, m_ini.PopupCatching ? 0 : 1);
}

void CBlokkumSettings::ReadProxyFlags() {
    struct Flag {
        const char* name;
        DWORD* value;
    } flags[] = {
        {BLOKKUM_FLAG_LAN, &m_dwLanConfigured},           {BLOKKUM_FLAG_DIALUP, &m_dwDialUpConfigured},
        {BLOKKUM_FLAG_NETSCAPE, &m_dwNetscapeConfigured}, {BLOKKUM_FLAG_OPERA6, &m_dwOpera6Configured},
        {BLOKKUM_FLAG_OPERA7, &m_dwOpera7Configured},
    };
    CRegKey key;
    if (key.Open(m_where.root, m_where.ProxySettingKey(), KEY_READ | KEY_WRITE) == ERROR_SUCCESS) {
        for (const Flag& f : flags) {
            DWORD value = 0;
            if (key.QueryDWORD(f.name, value) == ERROR_SUCCESS) *f.value = value;
        }
    }
    key.Close();
    ClearAbsentBrowserFlags();
}

void CBlokkumSettings::ClearAbsentBrowserFlags() {
    DetectOpera();
    DetectMozilla();
    CRegKey key;
    if (key.Create(m_where.root, m_where.ProxySettingKey()) != ERROR_SUCCESS) return;
    // The memory flags follow the registry: a browser that is gone can carry
    // no proxy setting of ours.
    if (!m_bMozillaInstalled) {
        key.SetDWORD(BLOKKUM_FLAG_NETSCAPE, 0);
        m_dwNetscapeConfigured = 0;
    }
    if (!m_bOpera6Installed) {
        key.SetDWORD(BLOKKUM_FLAG_OPERA6, 0);
        m_dwOpera6Configured = 0;
    }
    if (!m_bOpera7Installed) {
        key.SetDWORD(BLOKKUM_FLAG_OPERA7, 0);
        m_dwOpera7Configured = 0;
    }
}

void CBlokkumSettings::DetectOpera() {
    m_bOpera6Installed = false;
    m_bOpera7Installed = false;
    CRegKey key;
    if (key.Open(m_where.root, m_where.operaKey) != ERROR_SUCCESS) return;
    CString commandLine;
    if (ReadText(key, "Last CommandLine", commandLine)) m_bOpera6Installed = FileExists(commandLine);
    CString opera7;
    if (ReadText(key, "Last Directory2", opera7)) {
        opera7 += "\\Opera.exe";
    } else if (!ReadText(key, "Last CommandLine v2", opera7)) {
        return;
    }
    m_bOpera7Installed = FileExists(opera7);
}

void CBlokkumSettings::DetectMozilla() {
    CRegKey key;
    m_bMozillaInstalled = key.Open(m_where.root, m_where.mozillaKey) == ERROR_SUCCESS && !key.EnumSubKeys().IsEmpty();
}

bool IsBlokkumProxyText(const CString& server) { return server.Left(MAX_PATH - 1) == BLOKKUM_PROXY_TEXT; }

bool LanHoldsProxyText(HKEY root, const CString& internetSettingsKey) {
    CRegKey key;
    CString server;
    return key.Open(root, internetSettingsKey) == ERROR_SUCCESS &&
           key.QueryString("ProxyServer", server) == ERROR_SUCCESS && IsBlokkumProxyText(server);
}

bool LanCarriesProxy(HKEY root, const CString& internetSettingsKey) {
    CRegKey key;
    DWORD enabled = 0;
    return key.Open(root, internetSettingsKey) == ERROR_SUCCESS &&
           key.QueryDWORD("ProxyEnable", enabled) == ERROR_SUCCESS && enabled != 0 &&
           LanHoldsProxyText(root, internetSettingsKey);
}
