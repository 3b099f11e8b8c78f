#include "UninstallerApp.h"

#include <cstdlib>

#include "BlokkumShared.h"
#include "Files.h"
#include "Handles.h"
#include "FileTransaction.h"
#include "HostsFile.h"
#include "NetscapeProxySettings.h"
#include "OperaProxySettings.h"
#include "Registry.h"
#include "Seams.h"

namespace {
bool OpensForReading(const CString& path) {
    CHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
}

// Held by another program in a way that keeps the file from being read or
// replaced: a replacement needs to read it and to take its name away.
bool InUse(const CString& path) {
    CHandle file(CreateFileA(path, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = file.IsValid() ? ERROR_SUCCESS : GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// A saved action: an optional minus sign and digits. Anything else (the
// absent marker, a damaged or missing entry) leaves the action as it is:
// reading it as 0 would enable ActiveX in every zone.
bool ParseAction(const CString& text, DWORD& value) {
    CString t = text;
    t.Trim();
    int i = t.GetLength() > 0 && t[0] == '-' ? 1 : 0;
    if (i >= t.GetLength()) return false;
    for (int j = i; j < t.GetLength(); ++j)
        if (t[j] < '0' || t[j] > '9') return false;
    value = DWORD(atoi(t));
    return true;
}
}  // namespace

CUninstallerApp::CUninstallerApp(const CUninstallLocations& where)
    : CWinApp("Blokkout"), m_settings(where.blokkum), m_zonesKey(where.zonesKey),
      m_context(m_settings, where.system, kTextBuffer), m_ie(m_context) {}

BOOL CUninstallerApp::InitInstance() {
    EnableControlContainer();
    Enable3dControls();
    m_exitCode = 0;
    if (!ReadBlokkumKey()) return FALSE;
    RestoreZoneSettings();
    NotifyBlokkum();
    {
        CRegKey proxySetting;
        if (proxySetting.Open(m_context.Root(), m_settings.Locations().ProxySettingKey(), KEY_ALL_ACCESS) ==
            ERROR_SUCCESS) {
            proxySetting.Close();
            ResetBrowsers();
        }
    }
    const CString hosts = GetHostsPath();
    if (hosts.IsEmpty())
        QvMessageBox(nullptr,
                     Text("19017",
                          "HOSTS file not found in your operating system, please contact our customr support telling "
                          "us your operating system version"),
                     Text(BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION), MB_OK);
    else
        RestoreHostsFile(hosts);
    return FALSE;
}

bool CUninstallerApp::ReadBlokkumKey() {
    CRegKey key;
    if (key.Open(m_context.Root(), m_settings.Locations().key, KEY_ALL_ACCESS) != ERROR_SUCCESS) return false;
    ReadRegistryText(key, "Path", m_settings.m_strPath);
    if (!ReadRegistryText(key, "Language", m_settings.m_strLanguage)) m_settings.m_strLanguage = BLOKKUM_DEFAULT_LANGUAGE;
    return true;
}

void CUninstallerApp::RestoreZoneSettings() {
    const CString backup = JoinPath(m_settings.m_strPath, BLOKKUM_ZONE_BACKUP_FILE);
    if (!OpensForReading(backup)) {
        QvMessageBox(nullptr,
                     Text("19018", "ActiveX restore settings file can't be found\r\nActiveX Settings will not be "
                                   "restored"),
                     Text(BLOKKUM_CAPTION_KEY, "VQ Blokkum & Ads Filter & Ads Filter"), MB_OK);
        return;
    }
    for (const ZoneSection& z : kZoneSections) {
        CString subKey;
        subKey.Format("%s\\%d", m_zonesKey.c_str(), z.zone);
        CRegKey key;
        if (key.Open(m_context.Root(), subKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) continue;
        for (const char* action : kZoneActions) {
            char text[64] = {};
            GetPrivateProfileStringA(z.section, action, "", text, sizeof text, backup);
            DWORD value = 0, now = 0;
            // Only an action that still holds what Blokkum wrote goes back:
            // one changed elsewhere since is the user's, and one Blokkum
            // never wrote holds what the backup saved, or someone else's.
            if (ParseAction(text, value) && key.QueryDWORD(action, now) == ERROR_SUCCESS &&
                IsRecordedZoneAction(m_context.Root(), m_settings.Locations().key, z.zone, action, now))
                key.SetDWORD(action, value);
        }
    }
    CRegKey::DeleteTree(m_context.Root(), m_settings.Locations().key + "\\Zone Setting");
}

void CUninstallerApp::NotifyBlokkum() {
    m_strInstanceTitle = InstanceTitle(m_settings.m_strPath, m_settings.m_strLanguage);
    HWND blokkum = FindWindowA(nullptr, m_strInstanceTitle);
    if (blokkum) PostMessageA(blokkum, WM_UNINSTALLNOTIFY, 0, 0);
}

void CUninstallerApp::DetectBrowsers() {
    m_settings.m_bOpera6Installed = m_settings.m_bOpera7Installed = false;
    CRegKey opera;
    if (opera.Open(m_context.Root(), m_settings.Locations().operaKey) == ERROR_SUCCESS) {
        CString path;
        if (ReadRegistryText(opera, "Last CommandLine", path)) m_settings.m_bOpera6Installed = FileExists(path);
        if (ReadRegistryText(opera, "Last Directory2", path)) m_settings.m_bOpera7Installed = FileExists(path + "\\Opera.exe");
    }
    m_settings.DetectMozilla();
}

// Each browser is reset as far as it goes: the proxy goes away with
// Blokkum, so a connection or file that cannot be reset must not keep the
// others on it. What is still set is told, one box for each browser.
void CUninstallerApp::ResetBrowsers() {
    CBlokkumSettings& s = m_settings;
    {
        struct Flag {
            const char* name;
            DWORD* value;
        } flags[] = {
            {BLOKKUM_FLAG_LAN, &s.m_dwLanConfigured},           {BLOKKUM_FLAG_DIALUP, &s.m_dwDialUpConfigured},
            {BLOKKUM_FLAG_NETSCAPE, &s.m_dwNetscapeConfigured}, {BLOKKUM_FLAG_OPERA6, &s.m_dwOpera6Configured},
            {BLOKKUM_FLAG_OPERA7, &s.m_dwOpera7Configured},
        };
        CRegKey key;
        if (key.Open(m_context.Root(), s.Locations().ProxySettingKey()) == ERROR_SUCCESS)
            for (const Flag& f : flags) key.QueryDWORD(f.name, *f.value);
    }
    DetectBrowsers();

    if (!s.m_dwLanConfigured && !s.m_dwDialUpConfigured) m_nIEProxySet = m_ie.IsProxySet();
    if (!s.m_dwNetscapeConfigured && s.m_bMozillaInstalled)
        s.m_dwNetscapeConfigured = CNetscapeProxySettings(m_context).IsNetscapeConfigured();
    if ((s.m_bOpera6Installed && !s.m_dwOpera6Configured) || (s.m_bOpera7Installed && !s.m_dwOpera7Configured)) {
        // The check only adds versions that carry the proxy lines.
        const DWORD opera6 = s.m_dwOpera6Configured, opera7 = s.m_dwOpera7Configured;
        OperaIniPaths paths(s.m_bOpera6Installed, s.m_bOpera7Installed);
        IsOperaConfigured(m_context, paths);
        s.m_dwOpera6Configured |= opera6;
        s.m_dwOpera7Configured |= opera7;
    }

    if (m_nIEProxySet || s.m_dwLanConfigured || s.m_dwDialUpConfigured) {
        m_ie.ListDialUpConnections(false);
        for (int i = 0; i < m_ie.m_connections.GetSize(); ++i)
            m_ie.m_connections[i].checked = !m_ie.m_connections[i].greyed;
        ResetIEProxy(m_ie, true, true, ResetRule::kBestEffort);
    }
    if (s.m_dwNetscapeConfigured) {
        CNetscapeProxySettings netscape(m_context);
        netscape.ListNetscapeProfiles(false);
        for (int i = 0; i < netscape.m_profiles.GetSize(); ++i)
            netscape.m_profiles[i].checked = !netscape.m_profiles[i].greyed;
        netscape.ResetNetscapeProxy(false, ResetRule::kBestEffort);
    }
    if (s.m_dwOpera6Configured || s.m_dwOpera7Configured) {
        OperaIniPaths paths(s.m_dwOpera6Configured != 0, s.m_dwOpera7Configured != 0);
        // The reset clears the flag of each version it reset: one whose file
        // kept the proxy stays flagged, so that a later pass still finds it.
        ResetOperaProxy(m_context, paths, ResetRule::kBestEffort);
    }
}

CString CUninstallerApp::HostsFilePath() const {
    const bool isNT = m_context.system.os.Info().dwPlatformId == VER_PLATFORM_WIN32_NT;
    return CHostsFile(m_context.system.windowsFolder, isNT).HostsPath();
}

CString CUninstallerApp::GetHostsPath() const {
    const CString path = HostsFilePath();
    // One that stands there but does not open (in use, or not readable) is
    // still the HOSTS file: the restore tells why it cannot change it.
    if (OpensForReading(path) || FileExists(path)) return path;
    if (OpensForReading(path + ".sam")) return path + ".sam";
    return CString();
}

// What Blokkum added comes out, and every line the user has put in since
// its first start stays: writing the first-start copy back would lose them.
// The copy goes once the file is free of Blokkum's lines; a file that cannot
// be read or replaced keeps both, and is told.
void CUninstallerApp::RestoreHostsFile(const CString& hostsPath) {
    CFileTransaction change;
    const bool done = RemoveBlokkumEntries(hostsPath, BLOKKUM_PROXY_ADDRESS, BLOKKUM_PROXY_HOST_ALIAS, change);
    m_context.TellLeftBehind(change.LeftBehind());
    if (!done) {
        const CString header = Text("2290", "Error, Failed to take Blokkum's entries out of the HOSTS file.");
        if (!change.NotPutBack().IsEmpty()) {
            m_context.TellNotPutBack(header, change.FailedFile(), change.NotPutBack(), change.KeptBackups());
        } else {
            CString detail = InUse(change.FailedFile())
                                 ? Text("2292", "%s is in use by another program. The HOSTS file was not changed.")
                                 : Text("2291", "%s can't be read or changed. The HOSTS file was not changed.");
            detail.Replace("%s", change.FailedFile());
            m_context.ShowError(header + "\n" + detail);
        }
        return;
    }
    // The user's own attributes, not Blokkum's read-only, hidden and system.
    if (hostsPath == HostsFilePath())
        GiveBackHostsAttributes(m_context.Root(), m_settings.Locations().key, hostsPath);
    const CString backup = JoinPath(m_settings.m_strPath, BLOKKUM_HOSTS_BACKUP_FILE);
    if (FileExists(backup)) {
        SetFileAttributesA(backup, kHostsOpenAttributes);
        DeleteFileA(backup);
    }
}
