// SchedulerClient.h - Grindel's automation clients of Tasklatch:
// CScheduleDriver bound to one "TaskScheduler.Schedule" object and
// CJobDriver attached to one Job at a time. Every call is a late-bound
// IDispatch::Invoke by the library's DISPIDs; a failing call answers false
// (or an empty value) and leaves the caller's command to end, and LastError
// keeps the error it raised, so that the user can be told why.
// Deliberately not: triggers; the user sets them in the task's property sheet.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "ComServer.h"
#include "DispatchCall.h"
#include "RealNames.h"
#include "Strings.h"

class CJobDriver {
public:
    // Releases the job attached before.
    void Attach(IDispatch* job) { m_job.Reset(job); }
    bool IsAttached() const { return bool(m_job); }

    bool SetApplicationName(const char* name);
    bool SetCommandLine(const char* line);
    // The line by its real names: the ANSI forms would spell an item outside
    // the code page as a look-alike, which the task would then shred.
    bool SetCommandLine(const CRealPath& line);
    CRealPath GetRealCommandLine();
    CString GetCommandLine();
    CString GetCreator();
    // S_OK and the creator, or the error the job raised: the one of a task
    // whose file did not load says why.
    HRESULT GetCreator(CString& creator);
    bool SetCreator(const char* creator);
    // S_OK, or the error the Task Scheduler gave (E_NOINTERFACE when no job is attached).
    HRESULT Run();
    CString GetName();
    bool Save();
    HRESULT ShowProperties();
    // The error of the last call that failed (E_NOINTERFACE when no job was attached).
    HRESULT LastError() const { return m_error; }

private:
    bool PutText(DISPID id, const char* text);
    bool PutText(DISPID id, const wchar_t* text);
    HRESULT GetText(DISPID id, CString& text);
    CString GetText(DISPID id);
    HRESULT Call(DISPID id, std::initializer_list<CVariant> args = {});
    CInterfacePtr<IDispatch> m_job;
    HRESULT m_error = S_OK;
};

class CScheduleDriver {
public:
    // By ProgID; false when the library is not registered.
    bool Create();
    bool IsCreated() const { return bool(m_schedule); }
    void Attach(IDispatch* schedule) { m_schedule.Reset(schedule); }

    // The new Job, or null.
    CInterfacePtr<IDispatch> CreateTask(const char* name);
    bool Refresh();
    bool Delete(short index);
    CInterfacePtr<IDispatch> GetJob(short index);
    long GetCount();
    // The error of the last call that failed (E_NOINTERFACE without a Schedule).
    HRESULT LastError() const { return m_error; }

private:
    HRESULT Failed(HRESULT hr);
    CInterfacePtr<IDispatch> m_schedule;
    HRESULT m_error = S_OK;
};
