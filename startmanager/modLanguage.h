// modLanguage.h - Bootlist's language lookup and its error log.
// Offers: SetCaptionfromINI (a text of the active pack in <program>\Lang\,
// with a built-in default), the eight location names of the start-up list,
// and the error log errorlog.txt in the program folder, to which every
// run-time error of the program is appended.
// Deliberately not: line-break markers (Bootlist's packs have none), caching.
#pragma once

#include <windows.h>

#include "Strings.h"

// Section of every Bootlist pack.
extern const char* const kLanguageSection;
// Pack used when no choice is stored.
extern const char* const kDefaultLanguageFile;

// The active pack's file name with its extension, e.g. "English.ini".
void SetLanguageFile(const char* fileName);
const CString& GetLanguageFile();

// The program folder (App.Path): the packs' and the error log's parent.
// Empty (the default) means the folder of the running program.
void SetAppPath(const char* folder);
CString GetAppPath();

// Text of the key in the active pack, or defaultText when the pack or the key
// is missing; a key present with an empty text gives an empty text. Texts are
// cut to the 499 characters the lookup's 500-character buffer holds. A failure
// is logged and gives an empty text.
CString SetCaptionfromINI(const char* key, const char* defaultText);

// The location names ("Load From" texts) of the start-up list, from keys 426 to 433.
struct CLocationNames {
    CString userRun;
    CString machineRun;
    CString machineRunOnce;
    CString machineRunOnceEx;
    CString userStartup;
    CString allUsersStartup;
    CString winIniLoad;
    CString winIniRun;
};
void GetLocationNames(CLocationNames& names);
// "Registry(Machine <key>)" with the pack's word for "Registry" (key 419).
CString MachineLocationName(const char* runKey);

// The three row statuses (keys 413, 423, 424), looked up at each use.
CString StatusEnabled();
CString StatusDisabled();
CString StatusRemove();

// Stored records carry the built-in English status and location texts, so
// that a language switch changes nothing stored. A reader also knows the
// texts of every pack in <program>\Lang\: files written before kept the
// texts of the pack then active.
enum StartupStatus { kUnknownStatus = -1, kStatusEnabled, kStatusDisabled, kStatusRemove };
StartupStatus StatusOf(const CString& text);
// The stored text of a shown one; an unknown text comes back as it stands.
CString StoredStatus(const CString& shown);
// The active pack's text of a status; empty for kUnknownStatus.
CString ShownStatus(StartupStatus status);
// The built-in English location text of a code; empty for kNoLocation.
CString BuiltInLocationText(int code);
// The active pack's location text of a code (machine keys built from key 419).
CString LocationText(int code);
// The code of a location text of the built-in English or of any pack; kNoLocation if none.
int LocationCodeOf(const CString& text);
// Current user's (user Run key and Startup folder) or all users'.
bool IsUserLocation(int code);
// Sets the row's load-from, user and when texts for its code in the active pack.
struct StartupRecord;
void DescribeLocation(StartupRecord& row);

// "Error Description: <description>, Error Number: <number>, Method: <method>"
CString FormatErrorMessage(const char* description, long number, const char* method);
// Appends one record (date line, time line, message line) to <App.Path>\errorlog.txt;
// a log that cannot be written is given up silently.
void LogError(const char* message);
// The system's description of a Win32 error, or "Unknown error <n>".
CString SystemErrorText(DWORD error);
// Logs a Win32 error with the system's description of it.
void LogWin32Error(DWORD error, const char* method);
