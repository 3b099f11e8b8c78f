// NetscapeProxySettings.h - Netscape 6/7 and Mozilla pointed at Blokkum's
// proxy and back, profile by profile: the profiles under the Mozilla folder
// of the Windows version and those named in the binary registry.dat, the
// check whether a profile carries the proxy preferences, and the set and
// reset of prefs.js and user.js.
// Both files of every profile chosen change together or not at all (one
// CFileTransaction; Blokkout's reset, one for each profile); only the proxy
// preferences change, every other line of the user's stays as it was. A set
// keeps the proxy lines it replaces under Proxy Setting (a CProxyRecord); a
// reset puts them back in a profile that still names Blokkum's host and
// port, whatever its proxy type, and leaves a profile whose proxy someone
// has set otherwise since.
// Deliberately not: other Gecko preferences, locking or running browsers.
#pragma once

#include <windows.h>

#include <vector>

#include "Arrays.h"
#include "BrowserProxyContext.h"
#include "Strings.h"

class CFileTransaction;

#define NETSCAPE_FOLDER_UNKNOWN "Empty"

struct NetscapeProfileRecord {
    CString name;
    int greyed = 0;
    int checked = 0;
    // The folder of prefs.js; "Empty" while it must be derived from the name.
    CString folder = NETSCAPE_FOLDER_UNKNOWN;
};

class CNetscapeProxySettings {
public:
    explicit CNetscapeProxySettings(const CBrowserProxyContext& context) : m_context(context) {}
    virtual ~CNetscapeProxySettings() = default;

    // The Mozilla folder of the Windows version, with a trailing backslash;
    // empty on a version the program does not know.
    CString MozillaFolder() const;
    CString ProfilesFolder() const;

    // Fills m_strUserJs and m_strPrefsJs; true when prefs.js exists.
    bool GetProfilePrefsFiles(const NetscapeProfileRecord& record);
    bool IsProfileConfigured(const NetscapeProfileRecord& record);
    bool IsNetscapeConfigured();
    void ListNetscapeProfiles(bool setMode);
    // The profiles of registry.dat outside the standard profiles folder;
    // check mode answers at the first configured one.
    bool ScanProfileRegistry(bool checkMode, bool setMode);

    // Every checked profile, all in one change: profiles without prefs.js are
    // told (2242 / 2243) and skipped; a file of any other that cannot be read
    // or written is told (2259 / 2260) and leaves every profile as it was.
    // True when the profiles were written. recordFlag: write Netscape Is
    // Configured (Blokkout leaves it). Best effort, each profile is reset on
    // its own and one box (2268) names those still set.
    bool SetNetscapeProxy();
    bool ResetNetscapeProxy(bool recordFlag = true, ResetRule rule = ResetRule::kAllOrNothing);

    CString m_strUserJs;
    CString m_strPrefsJs;
    CArray<NetscapeProfileRecord> m_profiles;
    int m_profileCount = 0;
    int m_setDone = 0;

private:
    // The folders of the standard profiles folder.
    CStringArray ProfileNames() const;
    std::vector<const NetscapeProfileRecord*> CheckedProfiles() const;
    bool ApplyProfiles(const std::vector<const NetscapeProfileRecord*>& records, bool set, bool recordFlag,
                       ResetRule rule);
    // The two files of the profile GetProfilePrefsFiles found, into change.
    bool StageProfile(CFileTransaction& change, bool set);
    // The proxy lines a set replaced, as kept for the profile
    // GetProfilePrefsFiles found: one value named by each file's path.
    CHeldValues KeptLines(const CString& prefs, const CString& user) const;
    void ForgetKept() const;
    void AddProfile(const NetscapeProfileRecord& record);
    const CBrowserProxyContext& m_context;
};

// The profile name of a ".slt" folder: its parent folder's name.
CString ProfileNameOfSaltFolder(const CString& saltFolder);
