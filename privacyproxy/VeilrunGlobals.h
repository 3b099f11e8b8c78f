// VeilrunGlobals.h - Veilrun's program folder, the settings that Options.opt
// holds, and the few places a test points elsewhere (program file, profile
// folder, browser registry keys) so that a run never touches a real user's
// files. All of it belongs to the user-interface thread.
// Deliberately not: the engine's own settings (g_Engine, EngineSettings.h).
#pragma once

#include "Strings.h"

extern CString g_strModuleDir;

extern int g_bSetIE;
extern int g_bSetNetscape;
extern int g_bSetOpera;
extern int g_bWipeTempFiles;
extern int g_bWipeHistory;
extern int g_bWipeRecentDocs;
extern int g_bWipeOfficeDocs;
extern int g_bWipeRecycleBin;
extern int g_bWipeCookies;
extern CString g_strLanguage;

// Puts every setting back to its built-in value (the engine's defaults too).
void ResetVeilrunSettings();

struct CVeilrunPlaces {
    CString ModuleFilePath;  // empty: the program file
    CString ProfileFolder;   // empty: the folder above the user's desktop
    CString RunKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    CString IEAdvancedKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\AdvancedOptions\\HTTP";
    CString IESettingsKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    CString RecentDocsKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
    CString TypedUrlsKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs";
    // What the browsers held before Veilrun's proxy went on them; apart from
    // Blokkum's record, which may be kept beside it.
    CString ProxyRecordKey = "HKEY_CURRENT_USER\\Software\\Quorvane Veilrun\\Proxy Setting";
};
extern CVeilrunPlaces g_Places;

extern const char* const kAutostartValue;
extern const char* const kProgramTitle;

// The program folder of a program path: up to its last '\', else its last
// '/', else empty.
CString ProgramFolderOf(const CString& path);
// The user's profile folder: the folder above the desktop folder.
CString UserProfileFolder();
CString IntToString(int n);
