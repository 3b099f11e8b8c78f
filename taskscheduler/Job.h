// Job.h - CJob, the automation object of one scheduled task: its properties
// read and write the work item (ITask) directly, Save writes the task file.
// Not creatable; Schedule attaches each one to its work item.
#pragma once

#include <string>

#include "Tasklatch.h"

class CTriggers;

class CJob : public CTaskSchedulerObject<_Job, &IID__Job> {
public:
    CJob();
    ~CJob() override;

    // Keeps the work item and loads its triggers.
    HRESULT Attach(ITask* task);
    // A task whose file did not load: the job keeps its name, so that the task
    // can be deleted, and every other member raises why it did not load, which
    // tells a file another program holds (a sharing violation) from a damaged one.
    void SetNotLoaded(HRESULT why) { m_damage = why; }
    void SetName(const std::wstring& name) { m_name = name; }
    const std::wstring& GetName() const { return m_name; }
    // The name the platform deletes the task by; a job made by CreateTask has
    // no Name before the next Refresh, so its file name stands in.
    std::wstring TaskName() const;

    STDMETHODIMP get_ApplicationName(BSTR* value) override;
    STDMETHODIMP put_ApplicationName(BSTR value) override;
    STDMETHODIMP get_CommandLine(BSTR* value) override;
    STDMETHODIMP put_CommandLine(BSTR value) override;
    STDMETHODIMP get_Comment(BSTR* value) override;
    STDMETHODIMP put_Comment(BSTR value) override;
    STDMETHODIMP get_Creator(BSTR* value) override;
    STDMETHODIMP put_Creator(BSTR value) override;
    STDMETHODIMP get_ErrorRetryCount(short* value) override;
    STDMETHODIMP put_ErrorRetryCount(short value) override;
    STDMETHODIMP get_ErrorRetryInterval(short* value) override;
    STDMETHODIMP put_ErrorRetryInterval(short value) override;
    STDMETHODIMP get_ExitCode(LONG* value) override;
    STDMETHODIMP get_Flags(saTaskFlags* value) override;
    STDMETHODIMP put_Flags(saTaskFlags value) override;
    STDMETHODIMP get_IdleWait(short* value) override;
    STDMETHODIMP put_IdleWait(short value) override;
    STDMETHODIMP get_MaxRunTime(LONG* value) override;
    STDMETHODIMP put_MaxRunTime(LONG value) override;
    STDMETHODIMP get_Priority(LONG* value) override;
    STDMETHODIMP put_Priority(LONG value) override;
    STDMETHODIMP get_Status(LONG* value) override;
    STDMETHODIMP Edit(IDispatch* parent) override;
    STDMETHODIMP Run() override;
    STDMETHODIMP Terminate() override;
    STDMETHODIMP get_LastRunTime(DATE* value) override;
    STDMETHODIMP get_NextRunTime(DATE* value) override;
    STDMETHODIMP get_FileName(BSTR* value) override;
    STDMETHODIMP get_Name(BSTR* value) override;
    STDMETHODIMP Save(BSTR fileName) override;
    STDMETHODIMP ShowProperties() override;
    STDMETHODIMP get_WorkingDirectory(BSTR* value) override;
    STDMETHODIMP put_WorkingDirectory(BSTR value) override;
    STDMETHODIMP get_Triggers(_Triggers** value) override;

private:
    typedef HRESULT (STDMETHODCALLTYPE ITask::*StringGetter)(LPWSTR*);
    typedef HRESULT (STDMETHODCALLTYPE ITask::*StringSetter)(LPCWSTR);
    HRESULT GetString(StringGetter getter, BSTR* value);
    HRESULT SetString(StringSetter setter, BSTR value);
    HRESULT Ready() const;
    HRESULT GetRunTime(HRESULT (STDMETHODCALLTYPE IScheduledWorkItem::*getter)(SYSTEMTIME*), DATE* value);
    // A numeric property read or written by one work-item call.
    template <typename Owner, typename Platform, typename Value>
    HRESULT GetNumber(HRESULT (STDMETHODCALLTYPE Owner::*getter)(Platform*), Value* value) {
        if (!value) return E_POINTER;
        HRESULT hr = Ready();
        if (FAILED(hr)) return hr;
        Platform number = 0;
        hr = (m_task.Get()->*getter)(&number);
        if (FAILED(hr)) return Raise(hr);
        *value = Value(number);
        return S_OK;
    }
    template <typename Owner, typename Platform>
    HRESULT SetNumber(HRESULT (STDMETHODCALLTYPE Owner::*setter)(Platform), Platform value) {
        HRESULT hr = Ready();
        return FAILED(hr) ? hr : Check((m_task.Get()->*setter)(value));
    }

    CInterfacePtr<ITask> m_task;
    std::wstring m_name;
    HRESULT m_damage = S_OK;
    CTriggers* m_triggers = nullptr;
};
