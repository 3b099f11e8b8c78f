// clsExitWindows.h - log-off, shut-down, restart and power-off after an apply.
// Offers: clsExitWindows::ExitWindows with Bootlist's option numbers (0 log
// off, 1 shut down, 2 restart, 8 power off; all forced), which enables the
// shutdown privilege first. The final call goes through a replaceable hook so
// that tests never end the session.
// Deliberately not: asking the user, reporting the result.
#pragma once

#include <windows.h>

#include <functional>

// winuser.h defines ExitWindows as a two-argument macro, which would swallow
// the method of the same name.
#undef ExitWindows

// Stands for ExitWindowsEx(flags, reason).
using ExitWindowsHook = std::function<BOOL(UINT flags, DWORD reason)>;
// Empty function: back to the real call. Not thread-safe.
void SetExitWindowsHook(ExitWindowsHook hook);

class clsExitWindows {
public:
    // Any option other than 0, 1, 2 and 8 does nothing.
    void ExitWindows(long aOption);

private:
    // Fails harmlessly where there are no privileges (Windows 9x).
    void EnableShutdownPrivilege();
};
