// TaskFile.h - what a task file's own bytes say of who made it, for a task the
// platform does not load (its file is damaged) or cannot open now (another
// program, such as a virus scanner or a backup, holds it). The file is opened
// with every kind of sharing, so a holder that lets others read does not stop
// it, and read in the Task Scheduler 1.0 layout: a fixed part, then the
// application name, parameters, working folder and creator as counted wide
// strings. Deliberately not: a loader; the platform's ITask is the task.
#pragma once

#include <windows.h>

#include <string>

struct CTaskFileFields {
    // Each is set only when its counted string lies whole within the file.
    bool hasApplication = false, hasParameters = false, hasCreator = false;
    std::wstring application, parameters, creator;
};

// "<Windows>\Tasks\<name>.job", where Task Scheduler 1.0 keeps a task.
std::wstring TaskFilePathOf(const std::wstring& name);
// S_OK and the fields that could be read; the error of opening or reading the
// file otherwise (a sharing violation while another program holds it alone).
HRESULT ReadTaskFileFields(const std::wstring& path, CTaskFileFields& fields);
