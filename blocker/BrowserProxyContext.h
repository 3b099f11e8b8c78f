// BrowserProxyContext.h - what the browser proxy classes (Internet Explorer,
// Netscape/Mozilla, Opera) share: the machine they look at (registry keys,
// Windows folder, user name, Windows version), the program's settings whose
// Proxy Setting flags they keep in memory and in the registry, and the
// language-pack texts of their error boxes. Blokkum and Blokkout each build
// one; tests point every location at their own keys and folders.
// Deliberately not: any browser's own file format (those are in the classes).
#pragma once

#include <windows.h>

#include "BlokkumSettings.h"
#include "OSVersion.h"
#include "ProxyRecord.h"
#include "Registry.h"
#include "Strings.h"

#define BLOKKUM_INTERNET_SETTINGS_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"
#define BLOKKUM_APP_PATHS_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths"

// How a reset of several browser settings meets a failure. The wizard
// changes all or nothing, so that a browser never runs half set. Blokkout
// goes on past a failure, as the proxy goes away with it: it resets what it
// can and tells in one box what is still set.
enum class ResetRule { kAllOrNothing, kBestEffort };

// The machine as the browser classes see it.
struct CBrowserSystem {
    CString internetSettingsKey = BLOKKUM_INTERNET_SETTINGS_KEY;  // under the settings' root
    HKEY appPathsRoot = HKEY_LOCAL_MACHINE;
    CString appPathsKey = BLOKKUM_APP_PATHS_KEY;
    CString windowsFolder;  // GetWindowsDirectoryA
    CString userName;       // GetUserNameA
    COSVersion os;
    // The running system.
    CBrowserSystem();
    CBrowserSystem(const CString& windows, const CString& user, const COSVersion& version)
        : windowsFolder(windows), userName(user), os(version) {}
    // "%c:" of the Windows folder (empty when it has no drive letter).
    CString WindowsDrive() const;
};

class CBrowserProxyContext {
public:
    // textBuffer: Blokkum looks its texts up with 250 bytes, Blokkout with 2000.
    explicit CBrowserProxyContext(CBlokkumSettings& settings, const CBrowserSystem& system = CBrowserSystem(),
                                  int textBuffer = CBlokkumLanguage::kStringBuffer)
        : settings(settings), system(system), textBuffer(textBuffer) {}

    CString Text(const char* key, const char* defaultText) const;
    // An OK box with the stop icon and the program caption (key 99990).
    void ShowError(const CString& text) const;
    // One box: the header, then that failed can't be read or changed and
    // what could not be put back (key 2265), and where its old content was
    // kept (key 2280) when it was.
    void TellNotPutBack(const CString& header, const CString& failed, const CStringArray& notPutBack,
                        const CStringArray& kept = CStringArray()) const;
    // One box naming the files an earlier change left beside those changed
    // (key 2281); no box when there are none.
    void TellLeftBehind(const CStringArray& files) const;
    // One box: the header, then what is still set (key 2266).
    void TellStillSet(const CString& header, const CStringArray& stillSet) const;
    // Creates or opens Proxy Setting and writes one flag.
    void WriteFlag(const char* name, DWORD value) const;
    HKEY Root() const { return settings.Locations().root; }
    // Under Proxy Setting: what each browser held before Blokkum's proxy
    // first went on it.
    CProxyRecord Record() const { return CProxyRecord(Root(), settings.Locations().ProxySettingKey()); }

    CBlokkumSettings& settings;
    CBrowserSystem system;
    int textBuffer;
};

// A string value kept to the 260 bytes the programs read it with.
bool ReadRegistryText(const CRegKey& key, const char* name, CString& value);

// Splits a text file into lines that keep their own line ends, so that a
// rewrite changes only the lines it means to.
CStringArray SplitLinesKeepingEnds(const CString& text);
// A line without its line end.
CString LineContent(const CString& line);
// The line end a file uses ("\r\n" when it has none yet).
CString LineEndOf(const CString& text);
