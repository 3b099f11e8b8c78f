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

namespace {
// The key's text in one pack of the Lang folder, or defaultText; a failed
// lookup is logged and gives an empty text.
CString LookUp(const CString& packFile, const char* key, const char* defaultText) {
    static const char* const kMethod = "SetCaptionfromINI";
    if (!key || !*key) {
        // A missing key would make the profile call list every key of the section.
        LogWin32Error(ERROR_INVALID_PARAMETER, kMethod);
        return CString();
    }
    CString pack = JoinPath(JoinPath(GetAppPath(), "Lang"), packFile);
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

// Every pack file of the Lang folder, the active one among them.
CStringArray PackFiles() {
    CStringArray packs;
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(JoinPath(GetAppPath(), "Lang"), "*.ini"), &found));
    if (!find.IsValid()) return packs;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) packs.Add(found.cFileName);
    } while (FindNextFileA(find, &found));
    return packs;
}
}  // namespace

CString SetCaptionfromINI(const char* key, const char* defaultText) {
    return LookUp(g_languageFile, key, defaultText);
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

// Key, built-in text, machine Run key name (for the texts built from key
// 419) and the add form's key of each code.
const struct {
    const char* key;
    const char* builtIn;
    const char* machineKey;
    const char* addFormKey;
} kLocations[kLocationCodes] = {
    {nullptr, "", nullptr, nullptr},
    {"426", "Registry(User Run)", nullptr, nullptr},
    {nullptr, "Registry(Machine Run)", "Run", "427"},
    {nullptr, "Registry(Machine RunOnce)", "RunOnce", "428"},
    {nullptr, "Registry(Machine RunOnceEx)", "RunOnceEx", "429"},
    {nullptr, "Registry(Machine RunServices)", "RunServices", nullptr},
    {"432", "Win.ini Load", nullptr, nullptr},
    {"433", "Win.ini Run", nullptr, nullptr},
    {"430", "StartUp (Current User)", nullptr, nullptr},
    {"431", "StartUp (All Users)", nullptr, nullptr},
};

bool IsCode(int code) { return code > kNoLocation && code < kLocationCodes; }
}  // namespace

// An empty text is no status: a failed look-up gives an empty text too.
StartupStatus StatusOf(const CString& text) {
    if (text.IsEmpty()) return kUnknownStatus;
    const int count = int(sizeof(kStatuses) / sizeof(kStatuses[0]));
    for (int s = 0; s < count; ++s)
        if (text == kStatuses[s].status || text == SetCaptionfromINI(kStatuses[s].key, kStatuses[s].status))
            return StartupStatus(s);
    for (const CString& pack : PackFiles())
        for (int s = 0; s < count; ++s)
            if (text == LookUp(pack, kStatuses[s].key, kStatuses[s].status)) return StartupStatus(s);
    return kUnknownStatus;
}

CString StoredStatus(const CString& shown) {
    const StartupStatus status = StatusOf(shown);
    return status == kUnknownStatus ? shown : CString(kStatuses[status].status);
}

CString ShownStatus(StartupStatus status) {
    return status == kUnknownStatus ? CString() : SetCaptionfromINI(kStatuses[status].key, kStatuses[status].status);
}

CString BuiltInLocationText(int code) { return IsCode(code) ? kLocations[code].builtIn : ""; }

CString LocationText(int code) {
    if (!IsCode(code)) return CString();
    const auto& at = kLocations[code];
    return at.machineKey ? MachineLocationName(at.machineKey) : SetCaptionfromINI(at.key, at.builtIn);
}

// As for statuses, an empty text is no location.
int LocationCodeOf(const CString& text) {
    if (text.IsEmpty()) return kNoLocation;
    for (int code = kNoLocation + 1; code < kLocationCodes; ++code)
        if (text == kLocations[code].builtIn) return code;
    for (int code = kNoLocation + 1; code < kLocationCodes; ++code)
        if (text == LocationText(code)) return code;
    for (const CString& pack : PackFiles()) {
        const CString registry = LookUp(pack, "419", "Registry");
        for (int code = kNoLocation + 1; code < kLocationCodes; ++code) {
            const auto& at = kLocations[code];
            // Machine rows were listed with key 419's word, added ones with the add form's names.
            if (at.machineKey && text == registry + "(Machine " + at.machineKey + ")") return code;
            const char* key = at.key ? at.key : at.addFormKey;
            if (key && text == LookUp(pack, key, at.builtIn)) return code;
        }
    }
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
