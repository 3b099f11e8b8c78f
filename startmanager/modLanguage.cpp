#include "modLanguage.h"

#include <windows.h>

#include "Files.h"
#include "Handles.h"
#include "StartupRecord.h"

const char* const kLanguageSection = "Quorvane Language Pack";
const char* const kDefaultLanguageFile = "English.ini";

namespace {
CString g_languageFile = kDefaultLanguageFile;
CString g_appPath;

// The lookup's buffer, as the packs were written for.
const DWORD kTextBufferSize = 500;

}  // namespace

CString SystemErrorText(DWORD error) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    CString description = length && text ? CString(text, int(length)) : CString();
    if (text) LocalFree(text);
    description.Trim(" \t\r\n");
    if (description.IsEmpty()) description.Format("Unknown error %lu", static_cast<unsigned long>(error));
    return description;
}

void SetLanguageFile(const char* fileName) { g_languageFile = fileName; }
const CString& GetLanguageFile() { return g_languageFile; }

void SetAppPath(const char* folder) { g_appPath = folder; }
CString GetAppPath() { return g_appPath.IsEmpty() ? GetModuleFolder() : g_appPath; }

CString SetCaptionfromINI(const char* key, const char* defaultText) {
    static const char* const kMethod = "SetCaptionfromINI";
    if (!key || !*key) {
        // A missing key would make the profile call list every key of the section.
        LogWin32Error(ERROR_INVALID_PARAMETER, kMethod);
        return CString();
    }
    CString pack = JoinPath(JoinPath(GetAppPath(), "Lang"), g_languageFile);
    if (pack.GetLength() >= MAX_PATH) {
        LogWin32Error(ERROR_FILENAME_EXCED_RANGE, kMethod);
        return CString();
    }
    CString text;
    char* buffer = text.GetBuffer(int(kTextBufferSize));
    DWORD length = GetPrivateProfileStringA(kLanguageSection, key, defaultText ? defaultText : "", buffer,
                                            kTextBufferSize, pack);
    text.ReleaseBuffer(int(length));
    return text.Trim(" ");
}

void GetLocationNames(CLocationNames& names) {
    names.userRun = SetCaptionfromINI("426", "Registry(User Run)");
    names.machineRun = SetCaptionfromINI("427", "Registry(Machine Run)");
    names.machineRunOnce = SetCaptionfromINI("428", "Registry(Machine RunOnce)");
    names.machineRunOnceEx = SetCaptionfromINI("429", "Registry(Machine RunOnceEx)");
    names.userStartup = SetCaptionfromINI("430", "StartUp (Current User)");
    names.allUsersStartup = SetCaptionfromINI("431", "StartUp (All Users)");
    names.winIniLoad = SetCaptionfromINI("432", "Win.ini Load");
    names.winIniRun = SetCaptionfromINI("433", "Win.ini Run");
}

CString MachineLocationName(const char* runKey) {
    return SetCaptionfromINI("419", "Registry") + "(Machine " + runKey + ")";
}

CString StatusEnabled() { return SetCaptionfromINI("413", "Enabled"); }
CString StatusDisabled() { return SetCaptionfromINI("423", "Disabled"); }
CString StatusRemove() { return SetCaptionfromINI("424", "Remove"); }

namespace {
const struct {
    const char* key;
    const char* status;
} kStatuses[] = {{"413", "Enabled"}, {"423", "Disabled"}, {"424", "Remove"}};

// Key, built-in text and machine Run key name (for the texts built from key 419) of each code.
const struct {
    const char* key;
    const char* builtIn;
    const char* machineKey;
} kLocations[kLocationCodes] = {
    {nullptr, "", nullptr},
    {"426", "Registry(User Run)", nullptr},
    {nullptr, "Registry(Machine Run)", "Run"},
    {nullptr, "Registry(Machine RunOnce)", "RunOnce"},
    {nullptr, "Registry(Machine RunOnceEx)", "RunOnceEx"},
    {nullptr, "Registry(Machine RunServices)", "RunServices"},
    {"432", "Win.ini Load", nullptr},
    {"433", "Win.ini Run", nullptr},
    {"430", "StartUp (Current User)", nullptr},
    {"431", "StartUp (All Users)", nullptr},
};

bool IsCode(int code) { return code > kNoLocation && code < kLocationCodes; }
}  // namespace

CString StoredStatus(const CString& shown) {
    for (const auto& s : kStatuses)
        if (shown == SetCaptionfromINI(s.key, s.status)) return s.status;
    return shown;
}

CString ShownStatus(const CString& stored) {
    for (const auto& s : kStatuses)
        if (stored == s.status || stored == SetCaptionfromINI(s.key, s.status)) return SetCaptionfromINI(s.key, s.status);
    return stored;
}

CString BuiltInLocationText(int code) { return IsCode(code) ? kLocations[code].builtIn : ""; }

CString LocationText(int code) {
    if (!IsCode(code)) return CString();
    const auto& at = kLocations[code];
    return at.machineKey ? MachineLocationName(at.machineKey) : SetCaptionfromINI(at.key, at.builtIn);
}

int LocationCodeOf(const CString& text) {
    for (int code = kNoLocation + 1; code < kLocationCodes; ++code)
        if (text == kLocations[code].builtIn) return code;
    for (int code = kNoLocation + 1; code < kLocationCodes; ++code)
        if (text == LocationText(code)) return code;
    return kNoLocation;
}

bool IsUserLocation(int code) { return code == kUserRun || code == kUserStartup; }

void DescribeLocation(StartupRecord& row) {
    row.loadFrom = LocationText(row.code);
    const bool user = IsUserLocation(row.code);
    row.user = user ? SetCaptionfromINI("415", "Current User")
                    : SetCaptionfromINI("416", row.code == kWinIniRun ? "All users" : "All Users");
    // The registry reader's default has always had a small l.
    if (user)
        row.when = SetCaptionfromINI("418", row.code == kUserRun ? "Current User logs On" : "Current User Logs On");
    else
        row.when = SetCaptionfromINI("420", "Any User Logs On");
}

CString FormatErrorMessage(const char* description, long number, const char* method) {
    CString message;
    message.Format("Error Description: %s, Error Number: %ld, Method: %s", description ? description : "", number,
                   method ? method : "");
    return message;
}

void LogError(const char* message) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[80] = "", time[80] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof(date));
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, sizeof(time));
    CString record;
    record.Format("Date: %s\r\nTime: %s\r\n%s\r\n", date, time, message ? message : "");

    CHandle log(CreateFileA(JoinPath(GetAppPath(), "errorlog.txt"), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log.IsValid()) return;
    DWORD written = 0;
    WriteFile(log, record.c_str(), DWORD(record.GetLength()), &written, nullptr);
}

void LogWin32Error(DWORD error, const char* method) {
    LogError(FormatErrorMessage(SystemErrorText(error), long(error), method));
}
