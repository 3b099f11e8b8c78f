#include "Tasklatch.h"

const ComTypeLibRef g_taskSchedulerTypeLib = {&LIBID_TaskScheduler, 1, 0, 0x409};

DATE DateFromTaskTime(const SYSTEMTIME& time) {
    if (time.wYear == 0 && time.wMonth == 0 && time.wDay == 0 && time.wHour == 0 && time.wMinute == 0) return 0;
    SYSTEMTIME copy = time;
    DATE date = 0;
    return SystemTimeToVariantTime(&copy, &date) ? date : 0;
}

std::wstring TaskNameFromFileName(const std::wstring& fileName) {
    const size_t n = wcslen(TaskFileExtension);
    if (fileName.size() > n && lstrcmpiW(fileName.c_str() + fileName.size() - n, TaskFileExtension) == 0)
        return fileName.substr(0, fileName.size() - n);
    return fileName;
}
