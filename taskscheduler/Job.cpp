#include "Job.h"

#include "Triggers.h"

namespace {
const char* const JobSource = "TaskScheduler.Job";
}

CJob::CJob() : CDispatchObject(JobSource) {}

CJob::~CJob() {
    if (m_triggers) m_triggers->Release();
}

HRESULT CJob::Attach(ITask* task) {
    m_task.Reset(task);
    if (m_triggers) m_triggers->Release();
    m_triggers = new (std::nothrow) CTriggers;
    if (!m_triggers) return E_OUTOFMEMORY;
    return m_triggers->Attach(task);
}

HRESULT CJob::Ready() const {
    if (m_task) return S_OK;
    return Raise(FAILED(m_damage) ? m_damage : E_UNEXPECTED);
}

std::wstring CJob::TaskName() const {
    if (!m_name.empty() || !m_task) return m_name;
    CInterfacePtr<IPersistFile> file;
    LPOLESTR path = nullptr;
    if (FAILED(m_task.As(IID_IPersistFile, file)) || FAILED(file->GetCurFile(&path)) || !path) return m_name;
    std::wstring full(path);
    CoTaskMemFree(path);
    size_t slash = full.find_last_of(L"\\/");
    return TaskNameFromFileName(slash == std::wstring::npos ? full : full.substr(slash + 1));
}

HRESULT CJob::GetString(StringGetter getter, BSTR* value) {
    if (!value) return E_POINTER;
    HRESULT hr = Ready();
    if (FAILED(hr)) return hr;
    LPWSTR text = nullptr;
    hr = (m_task.Get()->*getter)(&text);
    if (FAILED(hr)) return Raise(hr);
    *value = TakeTaskMemString(text);
    return *value ? S_OK : Raise(E_OUTOFMEMORY);
}

HRESULT CJob::SetString(StringSetter setter, BSTR value) {
    HRESULT hr = Ready();
    if (FAILED(hr)) return hr;
    return Check((m_task.Get()->*setter)(value ? value : L""));
}

STDMETHODIMP CJob::get_ApplicationName(BSTR* value) { return GetString(&ITask::GetApplicationName, value); }
STDMETHODIMP CJob::put_ApplicationName(BSTR value) { return SetString(&ITask::SetApplicationName, value); }
STDMETHODIMP CJob::get_CommandLine(BSTR* value) { return GetString(&ITask::GetParameters, value); }
STDMETHODIMP CJob::put_CommandLine(BSTR value) { return SetString(&ITask::SetParameters, value); }
STDMETHODIMP CJob::get_Comment(BSTR* value) { return GetString(&ITask::GetComment, value); }
STDMETHODIMP CJob::put_Comment(BSTR value) { return SetString(&ITask::SetComment, value); }
STDMETHODIMP CJob::get_Creator(BSTR* value) { return GetString(&ITask::GetCreator, value); }
STDMETHODIMP CJob::put_Creator(BSTR value) { return SetString(&ITask::SetCreator, value); }
STDMETHODIMP CJob::get_WorkingDirectory(BSTR* value) { return GetString(&ITask::GetWorkingDirectory, value); }
STDMETHODIMP CJob::put_WorkingDirectory(BSTR value) { return SetString(&ITask::SetWorkingDirectory, value); }

STDMETHODIMP CJob::get_ErrorRetryCount(short* value) { return GetNumber(&ITask::GetErrorRetryCount, value); }
STDMETHODIMP CJob::put_ErrorRetryCount(short value) { return SetNumber(&ITask::SetErrorRetryCount, WORD(value)); }
STDMETHODIMP CJob::get_ErrorRetryInterval(short* value) { return GetNumber(&ITask::GetErrorRetryInterval, value); }
STDMETHODIMP CJob::put_ErrorRetryInterval(short value) { return SetNumber(&ITask::SetErrorRetryInterval, WORD(value)); }
STDMETHODIMP CJob::get_Flags(saTaskFlags* value) { return GetNumber(&ITask::GetFlags, value); }
STDMETHODIMP CJob::put_Flags(saTaskFlags value) { return SetNumber(&ITask::SetFlags, DWORD(value)); }
STDMETHODIMP CJob::get_MaxRunTime(LONG* value) { return GetNumber(&ITask::GetMaxRunTime, value); }
STDMETHODIMP CJob::put_MaxRunTime(LONG value) { return SetNumber(&ITask::SetMaxRunTime, DWORD(value)); }
STDMETHODIMP CJob::get_Priority(LONG* value) { return GetNumber(&ITask::GetPriority, value); }
STDMETHODIMP CJob::put_Priority(LONG value) { return SetNumber(&ITask::SetPriority, DWORD(value)); }
STDMETHODIMP CJob::get_Status(LONG* value) { return GetNumber(&ITask::GetStatus, value); }

STDMETHODIMP CJob::get_ExitCode(LONG* value) {
    if (!value) return E_POINTER;
    HRESULT hr = Ready();
    if (FAILED(hr)) return hr;
    DWORD code = 0;
    hr = m_task->GetExitCode(&code);
    if (FAILED(hr)) return Raise(hr);
    // A task that has not run yet reports a SCHED_S_* status and no code.
    *value = hr == S_OK ? LONG(code) : 0;
    return S_OK;
}

STDMETHODIMP CJob::get_IdleWait(short* value) {
    if (!value) return E_POINTER;
    HRESULT hr = Ready();
    if (FAILED(hr)) return hr;
    WORD idle = 0, deadline = 0;
    hr = m_task->GetIdleWait(&idle, &deadline);
    if (FAILED(hr)) return Raise(hr);
    *value = short(idle);
    return S_OK;
}

STDMETHODIMP CJob::put_IdleWait(short value) {
    HRESULT hr = Ready();
    if (FAILED(hr)) return hr;
    // The property has no deadline of its own: the task keeps the one it has.
    WORD idle = 0, deadline = 0;
    hr = m_task->GetIdleWait(&idle, &deadline);
    if (FAILED(hr)) return Raise(hr);
    return Check(m_task->SetIdleWait(WORD(value), deadline));
}

STDMETHODIMP CJob::Edit(IDispatch*) { return ShowProperties(); }

STDMETHODIMP CJob::ShowProperties() {
    HRESULT hr = Ready();
    return FAILED(hr) ? hr : Check(m_task->EditWorkItem(nullptr, 0));
}

STDMETHODIMP CJob::Run() {
    HRESULT hr = Ready();
    return FAILED(hr) ? hr : Check(m_task->Run());
}

STDMETHODIMP CJob::Terminate() {
    HRESULT hr = Ready();
    return FAILED(hr) ? hr : Check(m_task->Terminate());
}

HRESULT CJob::GetRunTime(HRESULT (STDMETHODCALLTYPE IScheduledWorkItem::*getter)(SYSTEMTIME*), DATE* value) {
    if (!value) return E_POINTER;
    HRESULT hr = Ready();
    if (FAILED(hr)) return hr;
    SYSTEMTIME time = {};
    hr = (m_task.Get()->*getter)(&time);
    if (FAILED(hr)) return Raise(hr);
    // SCHED_S_TASK_HAS_NOT_RUN, SCHED_S_EVENT_TRIGGER and the like leave the time undefined.
    *value = hr == S_OK ? DateFromTaskTime(time) : 0;
    return S_OK;
}

STDMETHODIMP CJob::get_LastRunTime(DATE* value) { return GetRunTime(&ITask::GetMostRecentRunTime, value); }
STDMETHODIMP CJob::get_NextRunTime(DATE* value) { return GetRunTime(&ITask::GetNextRunTime, value); }

STDMETHODIMP CJob::get_FileName(BSTR* value) {
    if (!value) return E_POINTER;
    HRESULT hr = Ready();
    if (FAILED(hr)) return hr;
    CInterfacePtr<IPersistFile> file;
    hr = m_task.As(IID_IPersistFile, file);
    if (FAILED(hr)) return Raise(hr);
    LPOLESTR path = nullptr;
    hr = file->GetCurFile(&path);
    if (FAILED(hr)) return Raise(hr);
    *value = TakeTaskMemString(path);
    return *value ? S_OK : Raise(E_OUTOFMEMORY);
}

STDMETHODIMP CJob::get_Name(BSTR* value) {
    if (!value) return E_POINTER;
    *value = SysAllocString(m_name.c_str());
    return *value ? S_OK : Raise(E_OUTOFMEMORY);
}

STDMETHODIMP CJob::Save(BSTR fileName) {
    HRESULT hr = Ready();
    if (FAILED(hr)) return hr;
    if (m_triggers) {
        hr = m_triggers->UpdateAll();
        if (FAILED(hr)) return hr;
    }
    CInterfacePtr<IPersistFile> file;
    hr = m_task.As(IID_IPersistFile, file);
    if (FAILED(hr)) return Raise(hr);
    const bool own = !fileName || !*fileName;
    // The platform keeps the path in a fixed buffer, as it does a task name.
    if (!own && SysStringLen(fileName) >= MAX_PATH) return Raise(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    return Check(RetryWhileShared([&] { return file->Save(own ? nullptr : fileName, FALSE); }));
}

STDMETHODIMP CJob::get_Triggers(_Triggers** value) {
    if (!value) return E_POINTER;
    if (!m_triggers) return Raise(FAILED(m_damage) ? m_damage : E_UNEXPECTED);
    m_triggers->AddRef();
    *value = m_triggers;
    return S_OK;
}
