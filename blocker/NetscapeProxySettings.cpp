#include "NetscapeProxySettings.h"

#include "BlokkumShared.h"
#include "FileTransaction.h"
#include "Files.h"
#include "Handles.h"

namespace {
const char kSetLines[3][64] = {
    "user_pref(\"network.proxy.http\", \"" BLOKKUM_PROXY_HOST_ALIAS "\");",
    "user_pref(\"network.proxy.http_port\", " BLOKKUM_PROXY_PORT_TEXT ");",
    "user_pref(\"network.proxy.type\", 1);",
};
const char kResetLines[3][64] = {
    "user_pref(\"network.proxy.http\", \"\");",
    "user_pref(\"network.proxy.http_port\", 0);",
    "user_pref(\"network.proxy.type\", 0);",
};
const char* const kConfiguredTests[3] = {
    "user_pref(\"network.proxy.http\", \"" BLOKKUM_PROXY_HOST_ALIAS "\")",
    "user_pref(\"network.proxy.http_port\", " BLOKKUM_PROXY_PORT_TEXT ")",
    "user_pref(\"network.proxy.type\", 1)",
};
// prefs.js loses only the two preferences that user.js then sets; the
// user's https, ftp and other proxy lines stay.
const char* const kPrefsJsRemoved[2] = {"user_pref(\"network.proxy.http\"", "user_pref(\"network.proxy.http_port\""};
const char* const kUserJsRemoved[3] = {"user_pref(\"network.proxy.http\"", "user_pref(\"network.proxy.http_port\"",
                                       "user_pref(\"network.proxy.type\""};
const char kNetscapeSetFailedKey[] = "2259";
const char kNetscapeSetFailed[] =
    "Error, Failed to set Netscape's profile %s1 proxy setting because %s2 can't be read or written. No profile "
    "was changed.";
const char kNetscapeResetFailedKey[] = "2260";
const char kNetscapeResetFailed[] =
    "Error, Failed to reset Netscape's profile %s1 proxy setting because %s2 can't be read or written. No profile "
    "was changed.";
const char kDirectoryTag[] = "directory";  // followed by its NUL
const int kRegistryPath = 260;

bool ContainsAll(const CString& text) {
    for (const char* test : kConfiguredTests)
        if (text.Find(test) < 0) return false;
    return true;
}

// Blokkum's host and port, whatever the type line says.
bool HoldsOwnServer(const CString& text) {
    return text.Find(kConfiguredTests[0]) >= 0 && text.Find(kConfiguredTests[1]) >= 0;
}

// Proxy Setting\Netscape: per profile, the proxy lines a set replaced in
// prefs.js and user.js, one value named by each file's path.
const char kKeptPlace[] = "Netscape";

bool ContainsAny(const CString& line, const char* const* names, int count) {
    for (int i = 0; i < count; ++i)
        if (line.Find(names[i]) >= 0) return true;
    return false;
}

// The text without the lines naming any of the preferences.
CString WithoutLines(const CString& text, const char* const* names, int count) {
    CString kept;
    for (const CString& line : SplitLinesKeepingEnds(text))
        if (!ContainsAny(line, names, count)) kept += line;
    return kept;
}

// Only the lines naming any of the preferences, with their own line ends.
CString LinesWith(const CString& text, const char* const* names, int count) {
    CString lines;
    for (const CString& line : SplitLinesKeepingEnds(text))
        if (ContainsAny(line, names, count)) lines += line;
    return lines;
}

CString WithFinalLineEnd(const CString& text, const CString& end) {
    if (text.IsEmpty() || text[text.GetLength() - 1] == '\n') return text;
    return text + end;
}

bool EndsWithNoCase(const CString& text, const char* tail) {
    const int n = int(strlen(tail));
    return text.GetLength() >= n && text.Right(n).CompareNoCase(tail) == 0;
}

// The first "*.slt" folder inside a folder (name only), empty when none.
CString FirstSaltFolder(const CString& folder) {
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(JoinPath(folder, "*.slt"), &data));
    if (!find.IsValid()) return CString();
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return data.cFileName;
    } while (FindNextFileA(find, &data));
    return CString();
}
}  // namespace

CString ProfileNameOfSaltFolder(const CString& saltFolder) {
    CString parent = FolderOf(saltFolder);
    return FileNameOf(parent);
}

CString CNetscapeProxySettings::MozillaFolder() const {
    const CBrowserSystem& s = m_context.system;
    CString folder;
    if (s.os.IsWinXP() || s.os.IsWin2000()) {
        if (s.WindowsDrive().IsEmpty()) return CString();
        folder.Format("%s\\Documents and Settings\\%s\\Application Data\\Mozilla\\", s.WindowsDrive().c_str(),
                      s.userName.c_str());
    } else if (s.os.IsWin98() || s.os.IsWinME() || s.os.IsWin95()) {
        folder.Format("%s\\Application Data\\Mozilla\\", s.windowsFolder.c_str());
    } else if (s.os.IsWinNT4()) {
        folder.Format("%s\\Profiles\\%s\\Application Data\\Mozilla\\", s.windowsFolder.c_str(), s.userName.c_str());
    }
    return folder;
}

CString CNetscapeProxySettings::ProfilesFolder() const {
    const CString mozilla = MozillaFolder();
    return mozilla.IsEmpty() ? CString() : mozilla + "Profiles\\";
}

bool CNetscapeProxySettings::GetProfilePrefsFiles(const NetscapeProfileRecord& record) {
    CString folder = record.folder;
    if (folder == NETSCAPE_FOLDER_UNKNOWN) {
        const CString profiles = ProfilesFolder();
        if (profiles.IsEmpty()) {
            m_strUserJs = m_strPrefsJs = CString();
            return false;
        }
        folder = profiles + record.name;
        const CString salt = FirstSaltFolder(folder);
        if (!salt.IsEmpty()) folder = JoinPath(folder, salt);
    }
    m_strUserJs = JoinPath(folder, "user.js");
    m_strPrefsJs = JoinPath(folder, "prefs.js");
    return FileExists(m_strPrefsJs);
}

bool CNetscapeProxySettings::IsProfileConfigured(const NetscapeProfileRecord& record) {
    GetProfilePrefsFiles(record);
    if (m_strPrefsJs.IsEmpty()) return false;
    // user.js is read after prefs.js at every start and wins; prefs.js holds
    // the proxy once the browser has run with it.
    CString userJs, prefsJs;
    ReadWholeFile(m_strUserJs, userJs);
    ReadWholeFile(m_strPrefsJs, prefsJs);
    return ContainsAll(userJs) || ContainsAll(prefsJs);
}

CStringArray CNetscapeProxySettings::ProfileNames() const {
    CStringArray names;
    const CString profiles = ProfilesFolder();
    if (profiles.IsEmpty()) return names;
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(profiles + "*.*", &data));
    if (!find.IsValid()) return names;
    do {
        CString name = data.cFileName;
        if (name != "." && name != ".." && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.Add(name);
    } while (FindNextFileA(find, &data));
    return names;
}

bool CNetscapeProxySettings::IsNetscapeConfigured() {
    for (const CString& name : ProfileNames()) {
        NetscapeProfileRecord record;
        record.name = name;
        if (IsProfileConfigured(record)) return true;
    }
    return ScanProfileRegistry(true, false);
}

void CNetscapeProxySettings::AddProfile(const NetscapeProfileRecord& record) {
    m_profiles.Add(record);
    m_profileCount = m_profiles.GetSize();
}

void CNetscapeProxySettings::ListNetscapeProfiles(bool setMode) {
    m_profiles.RemoveAll();
    m_profileCount = 0;
    for (const CString& name : ProfileNames()) {
        NetscapeProfileRecord record;
        record.name = name;
        const bool configured = IsProfileConfigured(record);
        record.greyed = setMode ? configured : !configured;
        AddProfile(record);
    }
    ScanProfileRegistry(false, setMode);
}

bool CNetscapeProxySettings::ScanProfileRegistry(bool checkMode, bool setMode) {
    const CString mozilla = MozillaFolder();
    if (mozilla.IsEmpty()) return false;
    CString data;
    if (!ReadWholeFile(mozilla + "registry.dat", data)) return false;
    const CString standard = mozilla + "Profiles\\";
    const int tagLength = int(sizeof kDirectoryTag);  // with its NUL
    for (int pos = 0; pos + tagLength <= data.GetLength(); ++pos) {
        if (memcmp(data.c_str() + pos, kDirectoryTag, size_t(tagLength)) != 0) continue;
        const int start = pos + tagLength;
        int end = start;
        while (end < data.GetLength() && data[end] != '\0') ++end;
        pos = end;
        // A path that does not fit a Windows path is no profile folder.
        if (end - start >= kRegistryPath) continue;
        const CString folder = data.Mid(start, end - start);
        if (!EndsWithNoCase(folder, ".slt") || folder.FindNoCase(standard) >= 0) continue;
        NetscapeProfileRecord record;
        record.name = ProfileNameOfSaltFolder(folder);
        record.folder = folder;
        const bool configured = IsProfileConfigured(record);
        if (checkMode && configured) return true;
        record.greyed = checkMode ? configured : (setMode ? configured : !configured);
        AddProfile(record);
    }
    return false;
}

CHeldValues CNetscapeProxySettings::KeptLines(const CString& prefs, const CString& user) const {
    return {CHeldValue::Text(m_strPrefsJs, prefs), CHeldValue::Text(m_strUserJs, user)};
}

bool CNetscapeProxySettings::StageProfile(CFileTransaction& change, bool set) {
    CString prefs, user;
    if (!change.Read(m_strPrefsJs, prefs) || !change.Read(m_strUserJs, user)) return false;
    // Judged by the server the lines name, whatever the proxy type says: a
    // proxy switched off by hand is still Blokkum's, not the user's to keep.
    const bool ours = HoldsOwnServer(user) || HoldsOwnServer(prefs);
    // A reset leaves a profile whose proxy someone has set otherwise since.
    if (!set && !ours) return true;
    // What the set replaces is kept, once, before the proxy goes on: the
    // browser writes Blokkum's values into prefs.js while it runs, so only
    // a copy taken now still holds the user's own proxy.
    const CHeldValues found = KeptLines(LinesWith(prefs, kUserJsRemoved, 3), LinesWith(user, kUserJsRemoved, 3));
    if (set && !m_context.Record().Keep(kKeptPlace, found, ours)) return false;
    CHeldValues kept = KeptLines(CString(), CString());
    const bool putBack = !set && m_context.Record().Find(kKeptPlace, kept) && kept[0].present && kept[1].present;
    const CString keptPrefs = kept[0].Text(), keptUser = kept[1].Text();
    // Put back, prefs.js gets the type it had too; otherwise it loses only
    // the two preferences that user.js then sets.
    CString newPrefs = putBack ? WithoutLines(prefs, kUserJsRemoved, 3) : WithoutLines(prefs, kPrefsJsRemoved, 2);
    if (putBack) newPrefs = WithFinalLineEnd(newPrefs, LineEndOf(prefs)) + keptPrefs;
    if (newPrefs != prefs && !change.Stage(m_strPrefsJs, newPrefs)) return false;
    const CString end = LineEndOf(user);
    CString newUser = WithFinalLineEnd(WithoutLines(user, kUserJsRemoved, 3), end);
    if (putBack) {
        newUser += keptUser;
    } else {
        const char(*lines)[64] = set ? kSetLines : kResetLines;
        for (int i = 0; i < 3; ++i) newUser += CString(lines[i]) + end;
    }
    return change.Stage(m_strUserJs, newUser);
}

void CNetscapeProxySettings::ForgetKept() const {
    m_context.Record().Forget(kKeptPlace, KeptLines(CString(), CString()));
}

bool CNetscapeProxySettings::ApplyProfiles(const std::vector<const NetscapeProfileRecord*>& records, bool set,
                                           bool recordFlag, ResetRule rule) {
    auto tell = [&](const char* setKey, const char* resetKey, const char* setText, const char* resetText,
                    const CString& name, const CString& file) {
        CString text = set ? m_context.Text(setKey, setText) : m_context.Text(resetKey, resetText);
        m_context.ShowError(FillMarkers(text, {{"%s1", name}, {"%s2", file}}));
    };
    const CString header = set ? m_context.Text("2267", "Error, Failed to set Netscape proxy setting.")
                               : m_context.Text("2268", "Error, Failed to reset Netscape proxy setting.");
    // All the profiles chosen change together: a failure in one leaves
    // every profile as it was. Best effort, each profile changes alone.
    CFileTransaction change;
    std::vector<std::pair<CString, CString>> folders;  // profile folder, profile name
    CStringArray stillSet, leftBehind;
    bool staged = true;
    for (const NetscapeProfileRecord* record : records) {
        if (!GetProfilePrefsFiles(*record)) {
            tell("2242", "2243",
                 "Error, Failed to set Netscape's profile %s1 proxy setting because %s2 doesn't exist.",
                 "Error, Failed to reset Netscape's profile %s1 proxy setting because %s2 doesn't exist.",
                 record->name, m_strPrefsJs);
            continue;
        }
        folders.emplace_back(FolderOf(m_strPrefsJs), record->name);
        if (rule == ResetRule::kBestEffort) {
            CFileTransaction own;
            if (!StageProfile(own, set) || !own.Commit())
                stillSet.Add(record->name + " (" + own.FailedFile() + ")");
            else if (!set)
                ForgetKept();
            for (const CString& file : own.LeftBehind()) leftBehind.Add(file);
            continue;
        }
        if (!StageProfile(change, set)) {
            staged = false;
            break;
        }
    }
    if (folders.empty()) return false;
    for (const CString& file : change.LeftBehind()) leftBehind.Add(file);
    m_context.TellLeftBehind(leftBehind);
    if (!stillSet.IsEmpty()) {
        m_context.TellStillSet(header, stillSet);
        return false;
    }
    if (!staged || !change.Commit()) {
        const CString& file = change.FailedFile();
        CString name = folders.back().second;
        for (const auto& f : folders)
            if (FolderOf(file).CompareNoCase(f.first) == 0) name = f.second;
        if (change.NotPutBack().IsEmpty()) {
            tell(kNetscapeSetFailedKey, kNetscapeResetFailedKey, kNetscapeSetFailed, kNetscapeResetFailed, name,
                 file);
            return false;
        }
        m_context.TellNotPutBack(header, file, change.NotPutBack(), change.KeptBackups());
        return false;
    }
    if (!set)
        for (const NetscapeProfileRecord* record : records)
            if (GetProfilePrefsFiles(*record)) ForgetKept();
    if (recordFlag) {
        m_context.settings.m_dwNetscapeConfigured = set ? 1 : 0;
        m_context.WriteFlag(BLOKKUM_FLAG_NETSCAPE, set ? 1 : 0);
    }
    m_setDone = 1;
    return true;
}

std::vector<const NetscapeProfileRecord*> CNetscapeProxySettings::CheckedProfiles() const {
    std::vector<const NetscapeProfileRecord*> checked;
    for (int i = 0; i < m_profiles.GetSize(); ++i)
        if (m_profiles[i].checked) checked.push_back(&m_profiles[i]);
    return checked;
}

bool CNetscapeProxySettings::SetNetscapeProxy() {
    return ApplyProfiles(CheckedProfiles(), true, true, ResetRule::kAllOrNothing);
}

bool CNetscapeProxySettings::ResetNetscapeProxy(bool recordFlag, ResetRule rule) {
    return ApplyProfiles(CheckedProfiles(), false, recordFlag, rule);
}
