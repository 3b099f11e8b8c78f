// modRegEnum.h - where Bootlist finds the auto-start entries: the Run keys,
// win.ini and the Startup folders, and the readers it lists them with.
// Deliberately not: any change to them (that waits for an apply).
#pragma once

#include <windows.h>

#include "Registry.h"
#include "Strings.h"

// Parent of Run, RunOnce, RunOnceEx and RunServices under both roots.
extern const char* const kRunKeyBase;
// win.ini's section with the Load and Run lines.
extern const char* const kWinIniSection;

// The places the start-up list is read from and written to. The defaults are
// this system's; tests point them at fabricated ones.
struct CStartupLocations {
    CString runKeyBase;     // under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE
    CString winIni;         // full path of win.ini
    CString userStartup;    // the current user's Startup folder
    CString commonStartup;  // the all-users Startup folder
    CString saveProf;       // the record file of disabled entries
    // Where disabled entries wait, byte for byte, until they are enabled:
    // a key below each root (one subkey per Run key) and a folder for each
    // Startup folder (under the user's and the common application data).
    CString privateKey;
    CString userPrivateFolder;
    CString commonPrivateFolder;

    static CStartupLocations OfThisSystem();
};

// <root>\<base>\<subkey> opened for querying values; closed when it cannot be opened.
CRegKey OpenRunKey(HKEY root, const char* base, const char* subkey);

// The value of key in section, read whole however long; empty when missing.
CString ReadIniText(const char* section, const char* key, const char* file);

// The Windows folder, without a trailing backslash.
CString GetWindowsFolder();
// A shell folder (CSIDL_*), created when missing; empty when the system has none.
CString GetShellFolder(int csidl);
