// TaskNames.h - which names the Task Scheduler can hold. A task is the file
// "<name>.job" in the Tasks folder of the Windows folder, so a name must be a
// file name, and the task file's full path must fit in MAX_PATH: the platform
// builds that path in fixed buffers, and a name past them can bring down the
// calling program instead of failing. Shared by the library, which refuses
// such names, and its clients, which keep the user from typing them.
#pragma once

#include <windows.h>

// S_OK; HRESULT_FROM_WIN32(ERROR_INVALID_NAME) for an empty name, a character
// that no file name may hold, or a device name (CON, NUL, COM1 ...), whose
// task file would be the device; HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)
// for a name longer than LongestTaskName().
HRESULT CheckTaskName(const wchar_t* name);
// The most characters a task name can have on this computer.
int LongestTaskName();
