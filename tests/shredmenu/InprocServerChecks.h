// InprocServerChecks.h - what the tests of the suite's COM libraries share:
// built files found from the test program's folder, programs run to their
// end (regsvr32, stand-in hosts) and registry values read back.
#pragma once

#include <windows.h>

#include "Files.h"
#include "Registry.h"
#include "Strings.h"

// relative: from the test program's folder, e.g. "..\\..\\products\\X\\X.dll".
inline CString BuiltFile(const char* relative) {
    char full[MAX_PATH];
    GetFullPathNameA(GetModuleFolder() + "\\" + relative, MAX_PATH, full, nullptr);
    return full;
}

// Waits for the exit code; with keep, hands over the process handle at once.
inline DWORD RunProgram(const CString& commandLine, HANDLE* keep = nullptr) {
    CString line = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.GetBuffer(line.GetLength()), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return DWORD(-1);
    CloseHandle(process.hThread);
    if (keep) {
        *keep = process.hProcess;
        return 0;
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return code;
}

inline bool KeyExists(HKEY root, const CString& key) {
    CRegKey opened;
    return opened.Open(root, key) == ERROR_SUCCESS;
}

// name null: the default value; empty when the key or value is missing.
inline CString ReadValue(HKEY root, const CString& key, const char* name = nullptr) {
    CRegKey opened;
    CString value;
    if (opened.Open(root, key) == ERROR_SUCCESS) opened.QueryString(name, value);
    return value;
}
