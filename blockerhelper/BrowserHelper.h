// BrowserHelper.h - Blokkjack's work in Internet Explorer's processes: the
// count of browser processes shared by all of them (IEInstanceCount), the
// start of Blokkum with the first browser when its start mode says so, the
// WM_LASTBROWSERCLOSED notice when the last counted browser ends, and the
// uninstall helpers (Internet Explorer's proxy values back from Browser.ini,
// Blokkum's autostart value removed).
// Where it looks (registry keys) is a CHelperLocations, and starting a
// program goes through a hook, so tests run all of it in their own process.
// Deliberately not: any filtering; Blokkum itself blocks the pop-ups.
#pragma once

#include <windows.h>

#include <functional>

#include "BlokkumShared.h"
#include "Strings.h"

namespace Blokkjack {

const char* const kHelperIni = "Browser.ini";
const char* const kIeSection = "IE Settings";
const char* const kBrowserHost = "iexplore.exe";
const char* const kShellHost = "explorer.exe";
// The value the installer writes under the machine's Run key.
const char* const kInstallerRunValue = "QuorvaneBlokkum";

struct CHelperLocations {
    HKEY root = HKEY_CURRENT_USER;
    CString blokkumKey = BLOKKUM_REGISTRY_KEY;
    CString internetSettingsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    HKEY machineRoot = HKEY_LOCAL_MACHINE;
    CString runKey = BLOKKUM_RUN_KEY;
};
// Process-wide; tests point it at keys of their own.
CHelperLocations& Locations();

// The module file whose folder holds Blokkum.exe, QVINI.ini and Browser.ini.
void SetHelperModulePath(const CString& path);
// The module's folder up to and including its last '\', then name; the bare
// name when the module path has no '\'.
CString MakeModuleFilePath(const char* name);
bool ModulePathHasFolder();

// Blokkum's hidden window, found by the pack text of key 9999, or null.
HWND FindBlockerWindow();

// WinExec by default; a test records the command line instead.
using ProgramStartHook = std::function<UINT(const char* commandLine, UINT show)>;
void SetProgramStartHook(ProgramStartHook hook);

LONG InstanceCount();
// hostPath: the host program's path; counted: whether this process added to
// the count (one flag per process). FALSE refuses the load.
BOOL OnProcessAttach(const char* hostPath, bool& counted);
// Windows calls the detach after a refused attach too; only a counted
// process takes its count back.
void OnProcessDetach(const char* hostPath, bool& counted);

// 1 when Internet Explorer's proxy values are back (now or before), else 0.
// The saved values are written only while the LAN holds Blokkum's proxy
// server, switched on or off; with nothing written, Restored is not noted.
int RestoreIE();
// Both autostart values: the installer's under the machine's Run key and
// Blokkum's own under the user's. Unregistering alone keeps the user's value
// while the program it starts is there (an empty value starts nothing and
// stays too); the uninstaller removes it whatever it names.
enum class RunValueRule { kAlways, kWhereProgramIsGone };
void DeleteRunValues(RunValueRule rule = RunValueRule::kAlways);
// The program a Run value starts, read as Windows reads a command line: the
// quoted path; unquoted, the shortest run up to a blank or the end that
// names an existing file, else the whole value (Blokkum writes its path
// unquoted, blanks and all).
CString RunValueProgram(const CString& command);
// "01,00,00,00" -> 01 00 00 00: hexadecimal numbers, each followed by one separator.
CString ParseSavedBytes(const char* text);

}  // namespace Blokkjack
