// Tasklatch.h - what the classes of the TaskScheduler library share: the
// generated interface declarations, the Task Scheduler 1.0 interfaces, the
// type library the objects dispatch through, and fixed texts.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <mstask.h>

#include "TaskScheduler.h"
#include "ComServer.h"

extern const ComTypeLibRef g_taskSchedulerTypeLib;

const char* const ScheduleProgId = "TaskScheduler.Schedule";
// The Creator that CreateTask gives a new task.
const wchar_t* const TaskLibraryTitle = L"Tasklatch";
// Task Scheduler 1.0 names a work item's file <name>.job.
const wchar_t* const TaskFileExtension = L".job";

template <typename Interface, const IID* InterfaceId>
using CTaskSchedulerObject = CDispatchObject<Interface, InterfaceId, &g_taskSchedulerTypeLib>;

// Converts a SYSTEMTIME the platform filled into an automation date; 0 when
// the platform gave no time (all zero) or the conversion fails.
DATE DateFromTaskTime(const SYSTEMTIME& time);
// Runs a call that opens a task file until it stops meeting a sharing
// violation (for about a second): the scheduler service reads each task file
// right after it changes, and a delete or save at that moment is refused.
template <typename Call>
HRESULT RetryWhileShared(Call call) {
    HRESULT hr = call();
    for (int i = 0; i < 20 && hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION); ++i) {
        Sleep(50);
        hr = call();
    }
    return hr;
}
// The name a work item is activated and deleted by: the file name without ".job".
std::wstring TaskNameFromFileName(const std::wstring& fileName);
