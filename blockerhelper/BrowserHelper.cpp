#include "BrowserHelper.h"

#include <stdlib.h>

#include "Files.h"
#include "BlokkumSettings.h"
#include "Language.h"
#include "Registry.h"

// One count for every process that loads this module: the section is
// mapped shared, so all browser processes see the same variable.
volatile LONG IEInstanceCount __attribute__((section(".Shared"), shared)) = 0;

namespace Blokkjack {

namespace {
CString g_modulePath;
ProgramStartHook g_startHook;

const int kRegistryText = 260;
const int kFlagBuffer = 30;
const int kValueBuffer = 260;

CString ReadText(const CRegKey& key, const char* name) {
    CString value;
    if (key.QueryString(name, value) != ERROR_SUCCESS) return CString();
    if (value.GetLength() >= kRegistryText) value = value.Left(kRegistryText - 1);
    return value;
}

CString ReadIni(const char* key, int bufferSize) {
    CString text;
    char* buffer = text.GetBuffer(bufferSize);
    GetPrivateProfileStringA(kIeSection, key, "", buffer, DWORD(bufferSize), MakeModuleFilePath(kHelperIni));
    text.ReleaseBuffer();
    return text;
}

UINT StartProgram(const char* commandLine, UINT show) {
    if (g_startHook) return g_startHook(commandLine, show);
    return WinExec(commandLine, show);
}

CString Lowered(const char* text) {
    CString lowered(text ? text : "");
    lowered.MakeLower();
    return lowered;
}
}  // namespace

CHelperLocations& Locations() {
    static CHelperLocations locations;
    return locations;
}

void SetHelperModulePath(const CString& path) { g_modulePath = path; }

bool ModulePathHasFolder() { return g_modulePath.Find('\\') >= 0; }

CString MakeModuleFilePath(const char* name) {
    int slash = g_modulePath.ReverseFind('\\');
    return (slash >= 0 ? g_modulePath.Left(slash + 1) : CString()) + name;
}

HWND FindBlockerWindow() {
    CString path, language;
    CRegKey key;
    if (key.Open(Locations().root, Locations().blokkumKey) == ERROR_SUCCESS) {
        path = ReadText(key, "Path");
        language = ReadText(key, "Language");
    }
    return FindWindowA(nullptr, InstanceTitle(path, language));
}

void SetProgramStartHook(ProgramStartHook hook) { g_startHook = std::move(hook); }

LONG InstanceCount() { return IEInstanceCount; }

BOOL OnProcessAttach(const char* hostPath, bool& counted) {
    CString host = Lowered(hostPath);
    if (host.Find(kShellHost) >= 0) return FALSE;
    if (host.Find(kBrowserHost) < 0) return TRUE;

    if (FindBlockerWindow()) {
        // A Blokkum that was running before the first browser keeps a count of
        // its own, so the last browser never closes it.
        InterlockedCompareExchange(&IEInstanceCount, 1, 0);
    } else {
        UINT startup = GetPrivateProfileIntA(BLOKKUM_LANGUAGE_SECTION, "Startup", 0,
                                             MakeModuleFilePath(BLOKKUM_INI_FILE));
        if (startup != 1) return FALSE;
        if (ModulePathHasFolder()) {
            // Quoted: an unquoted path with blanks would start C:\Program.exe first.
            CString commandLine = "\"" + MakeModuleFilePath(BLOKKUM_PROGRAM_FILE) + "\"";
            StartProgram(commandLine, SW_SHOW);
        }
    }
    InterlockedIncrement(&IEInstanceCount);
    counted = true;
    return TRUE;
}

void OnProcessDetach(const char* hostPath, bool& counted) {
    if (!counted || Lowered(hostPath).Find(kBrowserHost) < 0) return;
    counted = false;
    if (InterlockedDecrement(&IEInstanceCount) > 0) return;
    if (HWND blokkum = FindBlockerWindow()) PostMessageA(blokkum, WM_LASTBROWSERCLOSED, 0, 0);
}

CString ParseSavedBytes(const char* text) {
    CString bytes;
    const char* at = text;
    while (*at) {
        char* end = nullptr;
        long number = strtol(at, &end, 16);
        bytes += char(number & 0xFF);
        at = end;
        if (*at) ++at;
    }
    return bytes;
}

int RestoreIE() {
    if (!ReadIni("Restored", kFlagBuffer).IsEmpty()) return 1;
    if (ReadIni("Saved", kFlagBuffer).IsEmpty()) return 0;
    CRegKey settings;
    if (settings.Open(Locations().root, Locations().internetSettingsKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) return 0;
    // Like Blokkum's own reset: the saved values go back only over Blokkum's
    // proxy server, switched on or off; one that someone has set since stays
    // theirs, and the saved values wait for a later call.
    if (!LanHoldsProxyText(Locations().root, Locations().internetSettingsKey)) return 0;
    const CString bytes = ParseSavedBytes(ReadIni("ProxyEnable", kValueBuffer));
    if (settings.SetString("ProxyServer", ReadIni("Proxy", kValueBuffer)) != ERROR_SUCCESS ||
        settings.SetBinary("ProxyEnable", bytes.c_str(), DWORD(bytes.GetLength())) != ERROR_SUCCESS)
        return 0;
    WritePrivateProfileStringA(kIeSection, "Restored", "1", MakeModuleFilePath(kHelperIni));
    return 1;
}

CString RunValueProgram(const CString& command) {
    CString program = command;
    program.Trim();
    if (!program.IsEmpty() && program[0] == '"') {
        const int close = program.Find('"', 1);
        return close < 0 ? program.Mid(1) : program.Mid(1, close - 1);
    }
    // Unquoted, Windows takes the shortest run up to a blank (or the end)
    // that names an existing file, ".exe" added to a name without one: so
    // "C:\Program Files\X\X.exe /min" starts X.exe with "/min".
    for (int end = 0; end < program.GetLength();) {
        end = program.Find(' ', end + 1);
        if (end < 0) end = program.GetLength();
        char found[MAX_PATH] = "";
        const DWORD n = SearchPathA(nullptr, program.Left(end), ".exe", MAX_PATH, found, nullptr);
        if (n > 0 && n < MAX_PATH && FileExists(found)) return found;
    }
    return program;
}

void DeleteRunValues(RunValueRule rule) {
    CRegKey machine;
    if (machine.Open(Locations().machineRoot, Locations().runKey, KEY_SET_VALUE) == ERROR_SUCCESS)
        machine.DeleteValue(kInstallerRunValue);
    // Blokkum writes its own value under the user's Run key; once Blokkum is
    // gone it would start a missing program at every logon. While Blokkum is
    // there the value is the user's choice, which registering again would
    // not bring back.
    CRegKey user;
    if (user.Open(Locations().root, Locations().runKey, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS) return;
    if (rule == RunValueRule::kWhereProgramIsGone) {
        CString command;
        if (user.QueryString(BLOKKUM_RUN_VALUE, command) != ERROR_SUCCESS) return;
        const CString program = RunValueProgram(command);
        if (program.IsEmpty() || FileExists(program)) return;
    }
    user.DeleteValue(BLOKKUM_RUN_VALUE);
}

}  // namespace Blokkjack
