// TaskTestSupport.h - what the Tasklatch suites share: the built DLL
// registered with regsvr32 for the whole run, a Schedule made by its ProgID,
// the platform's own task scheduler for cross-checks, unique task names and
// a guard that deletes the tasks a test made (Wine's scheduler really runs
// them, and other suites share the task folder).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <mstask.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DispatchCall.h"
#include "Tasklatch.h"

// DISPIDs as a late-bound client uses them.
namespace Dispid {
const DISPID CreateTask = 0x60030002, Refresh = 0x60030003, Delete = 0x60030004, Job = 0, ScheduleCount = 0x68030000,
             TargetComputer = 0x68030001;
const DISPID ApplicationName = 0x68030012, CommandLine = 0x68030011, Comment = 0x68030010, Creator = 0x6803000F,
             ErrorRetryCount = 0x6803000E, ErrorRetryInterval = 0x6803000D, ExitCode = 0x6803000C,
             JobFlags = 0x6803000B, IdleWait = 0x6803000A, MaxRunTime = 0x68030009, Priority = 0x68030008,
             Status = 0x68030007, Edit = 0x60030013, Run = 0x60030014, Terminate = 0x60030015,
             LastRunTime = 0x68030006, NextRunTime = 0x68030005, FileName = 0x68030004, Name = 0x68030003,
             Save = 0x60030016, ShowProperties = 0x60030017, WorkingDirectory = 0x68030001,
             Triggers = 0x68030000;
}  // namespace Dispid

std::string TasklatchDllPath();
// Runs regsvr32 (under Wine) with the arguments; returns its exit code.
DWORD RunRegsvr32(const std::string& arguments);

CInterfacePtr<IDispatch> NewSchedule();
CInterfacePtr<ITaskScheduler> PlatformScheduler();
CInterfacePtr<ITask> ActivateTask(const std::wstring& name);

// A name no other test or suite uses: prefix + process id + counter.
std::wstring UniqueTaskName(const wchar_t* prefix);
std::string TaskFilePath(const std::wstring& name);

// Names of the schedule's jobs in collection order (after the caller's Refresh).
std::vector<std::wstring> JobNames(IDispatch* schedule);
// 1-based index of the job with that name, 0 when absent.
long IndexOfJob(IDispatch* schedule, const std::wstring& name);
CInterfacePtr<IDispatch> JobNamed(IDispatch* schedule, const std::wstring& name);

// Deletes the named tasks (and any file left of them) when it goes.
class CTaskCleanup {
public:
    ~CTaskCleanup();
    const std::wstring& Add(const std::wstring& name) { m_names.push_back(name); return m_names.back(); }

private:
    std::vector<std::wstring> m_names;
};

// gtest output for wide strings.
std::string Narrow(const std::wstring& text);

#define EXPECT_OK(outcome) EXPECT_EQ((outcome).hr, S_OK) << Narrow((outcome).description)
#define ASSERT_OK(outcome) ASSERT_EQ((outcome).hr, S_OK) << Narrow((outcome).description)
// The member raised an automation error with that HRESULT.
#define EXPECT_RAISED(outcome, code)                 \
    do {                                             \
        DispatchOutcome o_ = (outcome);              \
        EXPECT_EQ(o_.hr, DISP_E_EXCEPTION);          \
        EXPECT_EQ(o_.scode, HRESULT(code));          \
    } while (0)
