#include "OperaProxySettings.h"

#include "BlokkumShared.h"
#include "FileTransaction.h"
#include "Files.h"
#include "Registry.h"

namespace {
const char kSection[] = "[Proxy]";
const char kUsePrefix[] = "Use HTTP=";
const char kUseSet[] = "Use HTTP=1";
const char kUseReset[] = "Use HTTP=0";
const char kServerPrefix[] = "HTTP Server";
const char kServerSet[] = "HTTP Server=" BLOKKUM_PROXY_HOST_ALIAS ":" BLOKKUM_PROXY_PORT_TEXT;
const char kServerReset[] = "HTTP Server";
const char kOperaSetFailed[] =
    "Error, Failed to set Opera proxy setting because %s can't be read or written. Opera's settings were not "
    "changed.";
const char kOperaResetFailed[] =
    "Error, Failed to reset Opera proxy setting because %s can't be read or written. Opera's settings were not "
    "changed.";
CString Trimmed(const CString& line) {
    CString content = LineContent(line);
    content.Trim(" \t");
    return content;
}

CString WithoutTrailingBackslash(const CString& folder) {
    CString f = folder;
    f.TrimRight("\\");
    return f;
}

CString ProfileIni(const CString& folder) { return JoinPath(WithoutTrailingBackslash(folder), "profile\\opera6.ini"); }

// Opera 7 keeps a multi-user profile under the user's Application Data.
CString MultiUserIni(const CBrowserSystem& s, const CString& profile) {
    CString path;
    if (s.os.IsWinXP() || s.os.IsWin2000() || s.os.IsWinNT4()) {
        if (s.WindowsDrive().IsEmpty()) return path;
        path.Format("%s\\Documents and Settings\\%s\\Application Data\\Opera\\%s\\profile\\opera6.ini",
                    s.WindowsDrive().c_str(), s.userName.c_str(), profile.c_str());
    } else if (s.os.IsWin98() || s.os.IsWinME() || s.os.IsWin95()) {
        path.Format("%s\\Application Data\\Opera\\%s\\profile\\opera6.ini", s.windowsFolder.c_str(), profile.c_str());
    }
    return path;
}

// The two proxy lines of a [Proxy] section, trimmed; empty when absent.
struct OperaLines {
    CString use;
    CString server;
};

// What a set found in a file, kept under Proxy Setting\Opera (one value
// named by the file's path) so that the reset can give it back.
const char kKeptPlace[] = "Opera";

// own: the section holds Blokkum's server already, switched on or off.
bool Keep(const CBrowserProxyContext& context, const char* file, const OperaLines& lines, bool own) {
    return context.Record().Keep(kKeptPlace, {CHeldValue::Text(file, lines.use + "\n" + lines.server)}, own);
}

OperaLines Kept(const CBrowserProxyContext& context, const char* file) {
    OperaLines lines;
    CHeldValues kept = {CHeldValue::Absent(file)};
    if (!context.Record().Find(kKeptPlace, kept)) return lines;
    const CString text = kept[0].Text();
    const int feed = text.Find('\n');
    if (feed < 0) return lines;
    lines.use = text.Left(feed);
    lines.server = text.Mid(feed + 1);
    return lines;
}

void Forget(const CBrowserProxyContext& context, const char* file) {
    context.Record().Forget(kKeptPlace, {CHeldValue::Absent(file)});
}

// The text with the two lines of its [Proxy] section set or reset; false
// when nothing needs to change. before receives the lines as they stood. A
// reset puts back the lines of putBack (the reset lines where it has none),
// and leaves a section whose server someone has set otherwise since.
bool RewrittenIni(const CString& text, bool set, const OperaLines& putBack, CString& rewritten,
                  OperaLines& before) {
    CStringArray lines = SplitLinesKeepingEnds(text);
    const CString end = LineEndOf(text);
    int section = -1;
    for (int i = 0; i < lines.GetSize() && section < 0; ++i)
        if (Trimmed(lines[i]) == kSection) section = i;
    if (section < 0) {
        if (!set) return false;
        rewritten = text;
        if (!rewritten.IsEmpty() && rewritten[rewritten.GetLength() - 1] != '\n') rewritten += end;
        rewritten += end + kSection + end + kUseSet + end + kServerSet + end;
        return true;
    }
    int use = -1, server = -1;
    int last = section;  // the section's last entry
    for (int i = section + 1; i < lines.GetSize(); ++i) {
        const CString content = Trimmed(lines[i]);
        if (!content.IsEmpty() && content[0] == '[') break;
        if (!content.IsEmpty()) last = i;
        if (use < 0 && content.Find(kUsePrefix) >= 0)
            use = i;
        else if (server < 0 && content.Find(kServerPrefix) >= 0)
            server = i;
    }
    if (use >= 0) before.use = Trimmed(lines[use]);
    if (server >= 0) before.server = Trimmed(lines[server]);
    if (!set && before.server != kServerSet) return false;
    const CString useLine = set ? CString(kUseSet) : putBack.use.IsEmpty() ? CString(kUseReset) : putBack.use;
    const CString serverLine =
        set ? CString(kServerSet) : putBack.server.IsEmpty() ? CString(kServerReset) : putBack.server;
    bool changed = false;
    auto replace = [&](int i, const CString& wanted) {
        if (i < 0 || Trimmed(lines[i]) == wanted) return;
        const CString lineEnd = lines[i].Mid(LineContent(lines[i]).GetLength());
        lines[i] = wanted + (lineEnd.IsEmpty() ? end : lineEnd);
        changed = true;
    };
    replace(use, useLine);
    replace(server, serverLine);
    // A section without the lines gets them, or the set would be recorded
    // while Opera still goes direct.
    if (set && (use < 0 || server < 0)) {
        CString added;
        if (use < 0) added += CString(kUseSet) + end;
        if (server < 0) added += CString(kServerSet) + end;
        if (!lines[last].IsEmpty() && lines[last][lines[last].GetLength() - 1] != '\n') lines[last] += end;
        lines.InsertAt(last + 1, added);
        changed = true;
    }
    if (!changed) return false;
    rewritten.Empty();
    for (const CString& line : lines) rewritten += line;
    return true;
}

// context: where a set keeps what it found and a reset finds it; none for
// the file alone.
bool StageIni(CFileTransaction& change, const char* file, bool set, const CBrowserProxyContext* context) {
    CString text, rewritten;
    if (!change.Read(file, text, false)) return false;
    OperaLines before;
    const OperaLines putBack = !set && context ? Kept(*context, file) : OperaLines();
    if (!RewrittenIni(text, set, putBack, rewritten, before)) return true;
    if (set && context && !Keep(*context, file, before, before.server == kServerSet)) return false;
    return change.Stage(file, rewritten);
}

bool WriteIni(const char* file, bool set, const CBrowserProxyContext* context,
              CStringArray* leftBehind = nullptr) {
    CFileTransaction change;
    const bool written = StageIni(change, file, set, context) && change.Commit();
    if (leftBehind)
        for (const CString& left : change.LeftBehind()) leftBehind->Add(left);
    if (!written) return false;
    if (!set && context) Forget(*context, file);
    return true;
}

void ApplyOpera(const CBrowserProxyContext& context, OperaIniPaths& paths, bool set, ResetRule rule) {
    const int code = LocateOperaIni(context, paths);
    CString text;
    switch (code) {
    case kOpera6IniMissing:
        text = set ? context.Text("2245", "Error, Failed to set Opera 6 proxy setting because %s doesn't exist.")
                   : context.Text("2248", "Error, Failed to reset Opera 6 proxy setting because %s doesn't exist.");
        text.Replace("%s", paths.opera6Ini);
        break;
    case kOpera7IniMissing:
        text = set ? context.Text("2246", "Error, Failed to set Opera 7 proxy setting because %s doesn't exist.")
                   : context.Text("2249", "Error, Failed to reset Opera 7 proxy setting because %s doesn't exist.");
        text.Replace("%s", paths.opera7Ini);
        break;
    case kOperaBothMissing:
        text = set ? context.Text("2247",
                                  "Error, Failed to set Opera 6 and Opera 7 proxy setting because %s1 and %s2 don't "
                                  "exist.")
                   : context.Text("2250",
                                  "Error, Failed to reset Opera 6 and Opera 7 proxy setting because %s1 and %s2 "
                                  "don't exist.");
        text = FillMarkers(text, {{"%s1", paths.opera6Ini}, {"%s2", paths.opera7Ini}});
        break;
    case kOperaKeyMissing:
        context.ShowError(context.Text(
            "2251", "Error, Failed to set Opera proxy setting because Opera key doesn't exist in the Registry."));
        return;
    default:
        break;
    }
    if (!text.IsEmpty()) context.ShowError(text);
    bool opera6 = paths.opera6Present && !(code & kOpera6IniMissing);
    bool opera7 = paths.opera7Present && !(code & kOpera7IniMissing);
    if (!opera6 && !opera7) return;
    const CString header = set ? context.Text("2269", "Error, Failed to set Opera proxy setting.")
                               : context.Text("2270", "Error, Failed to reset Opera proxy setting.");
    if (rule == ResetRule::kBestEffort) {
        // Each version on its own: the flags follow those that changed.
        CStringArray stillSet, leftBehind;
        if (opera6 && !WriteIni(paths.opera6Ini, set, &context, &leftBehind)) {
            stillSet.Add(paths.opera6Ini);
            opera6 = false;
        }
        if (opera7 && !WriteIni(paths.opera7Ini, set, &context, &leftBehind)) {
            stillSet.Add(paths.opera7Ini);
            opera7 = false;
        }
        context.TellLeftBehind(leftBehind);
        if (!stillSet.IsEmpty()) context.TellStillSet(header, stillSet);
    } else {
        // The versions chosen change together, so the flags never tell of a
        // version whose file kept its old lines.
        CFileTransaction change;
        bool staged = !opera6 || StageIni(change, paths.opera6Ini, set, &context);
        staged = staged && (!opera7 || StageIni(change, paths.opera7Ini, set, &context));
        context.TellLeftBehind(change.LeftBehind());
        if (!staged || !change.Commit()) {
            if (change.NotPutBack().IsEmpty()) {
                CString failed = set ? context.Text("2261", kOperaSetFailed) : context.Text("2262", kOperaResetFailed);
                failed.Replace("%s", change.FailedFile());
                context.ShowError(failed);
            } else {
                context.TellNotPutBack(header, change.FailedFile(), change.NotPutBack(), change.KeptBackups());
            }
            return;
        }
        if (!set) {
            if (opera6) Forget(context, paths.opera6Ini);
            if (opera7) Forget(context, paths.opera7Ini);
        }
    }
    CBlokkumSettings& flags = context.settings;
    const DWORD value = set ? 1 : 0;
    if (opera6) {
        flags.m_dwOpera6Configured = value;
        context.WriteFlag(BLOKKUM_FLAG_OPERA6, value);
    }
    if (opera7) {
        flags.m_dwOpera7Configured = value;
        context.WriteFlag(BLOKKUM_FLAG_OPERA7, value);
    }
}
}  // namespace

int LocateOperaIni(const CBrowserProxyContext& context, OperaIniPaths& paths) {
    CRegKey key;
    if (key.Open(context.Root(), context.settings.Locations().operaKey, KEY_READ) != ERROR_SUCCESS)
        return kOperaKeyMissing;
    int code = kOperaIniFound;
    if (paths.opera7Present) {
        CString folder;
        if (!ReadRegistryText(key, "Last Directory2", folder)) return kOperaKeyMissing;
        folder = WithoutTrailingBackslash(folder);
        paths.opera7Def = JoinPath(folder, "OperaDef6.ini");
        // The buffer holds one character: only the first one of the value counts.
        char multiUser[2] = {};
        GetPrivateProfileStringA("System", "Multi User", "2", multiUser, sizeof multiUser, paths.opera7Def);
        if (multiUser[0] != '0')
            paths.opera7Ini = MultiUserIni(context.system, FileNameOf(folder));
        else
            paths.opera7Ini = ProfileIni(folder);
        if (!FileExists(paths.opera7Ini) && multiUser[0] == '2') paths.opera7Ini = ProfileIni(folder);
        if (!FileExists(paths.opera7Ini)) code |= kOpera7IniMissing;
    }
    if (paths.opera6Present) {
        CString commandLine;
        if (!ReadRegistryText(key, "Last CommandLine", commandLine)) return kOperaKeyMissing;
        const int slash = commandLine.ReverseFind('\\');
        paths.opera6Ini = commandLine.Left(slash + 1) + "opera6.ini";
        if (!FileExists(paths.opera6Ini)) code |= kOpera6IniMissing;
    }
    return code;
}

void SetOperaProxy(const CBrowserProxyContext& context, OperaIniPaths& paths) {
    ApplyOpera(context, paths, true, ResetRule::kAllOrNothing);
}

void ResetOperaProxy(const CBrowserProxyContext& context, OperaIniPaths& paths, ResetRule rule) {
    ApplyOpera(context, paths, false, rule);
}

bool SetOperaIni(const char* file) { return WriteIni(file, true, nullptr); }

bool ResetOperaIni(const char* file) { return WriteIni(file, false, nullptr); }

bool IsIniConfigured(const char* file) {
    CString text;
    if (!ReadWholeFile(file, text)) return false;
    bool use = false, server = false;
    for (const CString& line : SplitLinesKeepingEnds(text)) {
        use = use || line.Find(kUseSet) >= 0;
        server = server || line.Find(kServerSet) >= 0;
    }
    return use && server;
}

void IsOperaConfigured(const CBrowserProxyContext& context, OperaIniPaths& paths) {
    LocateOperaIni(context, paths);
    CBlokkumSettings& flags = context.settings;
    if (paths.opera6Present) flags.m_dwOpera6Configured = IsIniConfigured(paths.opera6Ini);
    if (!paths.opera7Present) return;
    bool opera7 = IsIniConfigured(paths.opera7Ini);
    // Opera 7 may also keep a profile in its own folder; either file that
    // carries the proxy counts, so the second look never hides the first.
    CRegKey key;
    if (key.Open(context.Root(), context.settings.Locations().operaKey, KEY_READ) == ERROR_SUCCESS) {
        CString folder;
        if (!ReadRegistryText(key, "Last Directory2", folder) && ReadRegistryText(key, "Last CommandLine v2", folder))
            folder = FolderOf(folder);
        if (!folder.IsEmpty()) opera7 = opera7 || IsIniConfigured(ProfileIni(folder));
    }
    flags.m_dwOpera7Configured = opera7;
}
