// UninstallerApp.h - Blokkout, the pop-up blocker's uninstaller: one pass
// without a window that gives back what Blokkum changed on the machine: the
// security-zone actions saved in acRs.ini where they still hold what
// Blokkum wrote, every browser proxy that points at Blokkum's proxy, and
// the HOSTS file without the lines Blokkum put in (the user's own lines
// stay; the first-start copy mHosts goes). Blokkum's window
// (found by InstanceTitle) is told before the browsers are reset.
// Where Blokkout looks is a CUninstallLocations, so tests run the whole pass
// on their own keys and a Windows folder tree of their own.
// Deliberately not: removing Blokkum's files or keys (the installer does).
#pragma once

#include <windows.h>

#include "App.h"
#include "BlokkumSettings.h"
#include "BrowserProxyContext.h"
#include "IEProxySettings.h"
#include "ZoneBackup.h"

struct CUninstallLocations {
    CBlokkumLocations blokkum;  // Blokkum's key, Opera's and Mozilla's keys
    CString zonesKey = BLOKKUM_ZONES_KEY;
    CBrowserSystem system;  // Windows folder and version, Internet Settings
};

class CUninstallerApp : public CWinApp {
public:
    explicit CUninstallerApp(const CUninstallLocations& where = CUninstallLocations());

    enum { kTextBuffer = 2000 };

    // The whole pass; always FALSE, so the program ends when it is done.
    BOOL InitInstance() override;

    // Path and Language from Blokkum's key; false when the key is missing.
    bool ReadBlokkumKey();
    void RestoreZoneSettings();
    // Posts WM_UNINSTALLNOTIFY to the window titled InstanceTitle, if any.
    void NotifyBlokkum();
    void ResetBrowsers();
    // The HOSTS file (one that stands there but does not open too), else
    // its sample file, else empty; nothing is created.
    CString GetHostsPath() const;
    // A file that cannot be read or replaced is told (as in use when another
    // program holds it), and keeps mHosts beside it; a HOSTS file changed
    // gets back the attributes the user had before Blokkum.
    void RestoreHostsFile(const CString& hostsPath);

    CString Text(const char* key, const char* defaultText) const { return m_context.Text(key, defaultText); }

    CBlokkumSettings m_settings;  // Path, Language and the browser flags
    CString m_strInstanceTitle;
    int m_nIEProxySet = 0;

private:
    void DetectBrowsers();
    CString HostsFilePath() const;

    CString m_zonesKey;
    CBrowserProxyContext m_context;
    CIEProxySettings m_ie;
};
