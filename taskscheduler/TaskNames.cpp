#include "TaskNames.h"

#include <cwchar>

#include "TaskFile.h"

namespace {
// Reads as the device, not a file, whatever extension follows it.
bool IsDeviceName(const wchar_t* name) {
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CLOCK$"};
    size_t base = wcscspn(name, L".");
    while (base > 0 && name[base - 1] == L' ') --base;
    wchar_t head[8] = L"";
    if (base >= sizeof head / sizeof head[0]) return false;
    wcsncpy(head, name, base);
    head[base] = 0;
    for (const wchar_t* device : kDevices)
        if (lstrcmpiW(head, device) == 0) return true;
    return base == 4 && (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, head, 3, L"COM", 3) == CSTR_EQUAL ||
                         CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, head, 3, L"LPT", 3) == CSTR_EQUAL) &&
           head[3] >= L'1' && head[3] <= L'9';
}
}  // namespace

int LongestTaskName() {
    // The task file's path and its terminating null within MAX_PATH.
    const int room = MAX_PATH - 1 - int(TaskFilePathOf(L"").size());
    return room > 0 ? room : 0;
}

HRESULT CheckTaskName(const wchar_t* name) {
    if (!name || !*name || IsDeviceName(name)) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    for (const wchar_t* c = name; *c; ++c)
        if (*c < 32 || wcschr(L"\\/:*?\"<>|", *c)) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    if (int(wcslen(name)) > LongestTaskName()) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    return S_OK;
}
