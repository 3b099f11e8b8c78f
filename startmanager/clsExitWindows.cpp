#include "clsExitWindows.h"

#include "Handles.h"

namespace {
ExitWindowsHook g_exitWindows;

// 0 for an option that is not one of Bootlist's.
UINT FlagsForOption(long aOption) {
    switch (aOption) {
    case 0: return EWX_LOGOFF | EWX_FORCE;
    case 1: return EWX_SHUTDOWN | EWX_FORCE;
    case 2: return EWX_SHUTDOWN | EWX_REBOOT | EWX_FORCE;
    case 8: return EWX_POWEROFF | EWX_FORCE;
    default: return 0;
    }
}
}  // namespace

void SetExitWindowsHook(ExitWindowsHook hook) { g_exitWindows = std::move(hook); }

void clsExitWindows::ExitWindows(long aOption) {
    UINT flags = FlagsForOption(aOption);
    if (flags == 0) return;
    EnableShutdownPrivilege();
    if (g_exitWindows)
        g_exitWindows(flags, 0xFFFFFFFF);
    else
        ExitWindowsEx(flags, 0xFFFFFFFF);
}

void clsExitWindows::EnableShutdownPrivilege() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
    CHandle token(raw);
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous = {};
    DWORD previousSize = sizeof(previous);
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(previous), &previous, &previousSize);
}
