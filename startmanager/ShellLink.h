// ShellLink.h - Bootlist's shortcuts (.lnk files) over IShellLinkA and
// IPersistFile: the target of an existing shortcut, and a new shortcut to a
// target. Both set up COM on the calling thread for the length of the call.
// Deliberately not: arguments, icons, working folders, hot keys.
#pragma once

#include "Strings.h"

// The shortcut's target path; empty when the file is missing, is not a
// shortcut, or names no file-system target.
CString ReadShortcutTarget(const char* linkPath);
CString ReadShortcutTarget(const wchar_t* linkPath);

// Creates or replaces linkPath as a shortcut to target. Returns S_OK or the
// failing call's result.
long CreateShortcut(const char* linkPath, const char* target);
long CreateShortcut(const wchar_t* linkPath, const char* target);
