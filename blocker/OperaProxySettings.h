// OperaProxySettings.h - Opera 6 and Opera 7 pointed at Blokkum's proxy and
// back through the [Proxy] section of their opera6.ini: where each version
// keeps that file (single- or multi-user Opera 7, by Windows version), the
// two proxy lines written or undone, and the check whether they are in place.
// The files of the versions chosen change together or not at all (one
// CFileTransaction; Blokkout's reset, one for each version), and only the
// two lines of each [Proxy] section change; every other entry stays byte for
// byte. A set keeps the two lines it replaces under Proxy Setting\Opera; a
// reset puts them back where the section still holds Blokkum's server, and
// leaves a section whose server someone has set otherwise since.
// Deliberately not: Opera's other proxies or its automatic configuration.
#pragma once

#include <windows.h>

#include "BrowserProxyContext.h"
#include "Strings.h"

struct OperaIniPaths {
    // Which versions to look for: the installed or the chosen ones.
    OperaIniPaths(int opera6, int opera7) : opera6Present(opera6), opera7Present(opera7) {}
    CString opera7Def;  // Opera 7's OperaDef6.ini
    CString opera6Ini;
    CString opera7Ini;
    int opera6Present;
    int opera7Present;
};

enum {
    kOperaIniFound = 0,
    kOpera6IniMissing = 1,
    kOpera7IniMissing = 2,
    kOperaBothMissing = 3,
    kOperaKeyMissing = 4,
};

// Fills the paths of the present versions; one of the codes above.
int LocateOperaIni(const CBrowserProxyContext& context, OperaIniPaths& paths);

// Every present version whose file exists; missing files show 2245-2247
// (set) or 2248-2250 (reset), a missing Opera key 2251 and changes nothing,
// a file that cannot be read or written 2261 (set) or 2262 (reset) and
// leaves both versions as they were. The flag of each version written
// follows, in memory and in the registry. Best effort, each version is
// reset on its own and one box (2270) names the files still set.
void SetOperaProxy(const CBrowserProxyContext& context, OperaIniPaths& paths);
void ResetOperaProxy(const CBrowserProxyContext& context, OperaIniPaths& paths,
                     ResetRule rule = ResetRule::kAllOrNothing);

// One file, keeping nothing: false when it cannot be read or written.
bool SetOperaIni(const char* file);
bool ResetOperaIni(const char* file);
// Some line holds "Use HTTP=1" and some line our server.
bool IsIniConfigured(const char* file);
// The Opera 6 and Opera 7 flags in memory of the present versions, from
// their files.
void IsOperaConfigured(const CBrowserProxyContext& context, OperaIniPaths& paths);
