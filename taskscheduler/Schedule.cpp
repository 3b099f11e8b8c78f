#include "Schedule.h"

#include "Job.h"
#include "TaskNames.h"

namespace {
const char* const ScheduleSource = "TaskScheduler.Schedule";

// Walks the task folder; stops early when visit returns false. Each name is
// the file name ("<task>.job").
template <typename Visit>
HRESULT ForEachTaskFile(ITaskScheduler* scheduler, Visit visit) {
    CInterfacePtr<IEnumWorkItems> items;
    HRESULT hr = scheduler->Enum(items.Out());
    if (FAILED(hr)) return hr;
    for (;;) {
        LPWSTR* names = nullptr;
        ULONG fetched = 0;
        if (items->Next(1, &names, &fetched) != S_OK || !names) break;
        bool more = true;
        for (ULONG i = 0; i < fetched; ++i) {
            if (more && names[i]) more = visit(std::wstring(names[i]));
            CoTaskMemFree(names[i]);
        }
        CoTaskMemFree(names);
        if (!more) break;
    }
    return S_OK;
}
}  // namespace

CSchedule::CSchedule() : CDispatchObject(ScheduleSource) {}

HRESULT CSchedule::Create(REFIID iid, void** out) {
    CSchedule* schedule = new (std::nothrow) CSchedule;
    if (!schedule) return E_OUTOFMEMORY;
    HRESULT hr = schedule->Init();
    if (SUCCEEDED(hr)) hr = schedule->QueryInterface(iid, out);
    schedule->Release();
    return hr;
}

HRESULT CSchedule::Init() {
    return CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                            reinterpret_cast<void**>(m_scheduler.Out()));
}

HRESULT CSchedule::FindTask(const std::wstring& name) const {
    bool found = false;
    HRESULT hr = ForEachTaskFile(m_scheduler.Get(), [&](const std::wstring& file) {
        found = lstrcmpiW(TaskNameFromFileName(file).c_str(), name.c_str()) == 0;
        return !found;
    });
    if (FAILED(hr)) return hr;
    return found ? S_OK : S_FALSE;
}

STDMETHODIMP CSchedule::CreateTask(BSTR name, _Job** value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    const std::wstring taskName = name ? name : L"";
    HRESULT hr = CheckTaskName(taskName.c_str());
    if (FAILED(hr)) return Raise(hr);
    // The platform's NewWorkItem may accept a name that exists (Wine does, in
    // another letter case), and the save would then replace that task.
    hr = FindTask(taskName);
    if (FAILED(hr)) return Raise(hr);
    if (hr == S_OK) return Raise(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));

    CInterfacePtr<ITask> task;
    hr = m_scheduler->NewWorkItem(taskName.c_str(), CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(task.Out()));
    if (FAILED(hr)) return Raise(hr);
    CInterfacePtr<CJob> job = CInterfacePtr<CJob>::Adopt(new (std::nothrow) CJob);
    if (!job) return Raise(E_OUTOFMEMORY);
    hr = job->Attach(task.Get());
    if (FAILED(hr)) return Raise(hr);
    hr = task->SetCreator(TaskLibraryTitle);
    if (FAILED(hr)) return Raise(hr);
    hr = job->Save(nullptr);
    if (FAILED(hr)) return hr;
    hr = m_jobs.Add(job.Get());
    if (FAILED(hr)) return RaiseCollection(hr);
    *value = job.Detach();
    return S_OK;
}

STDMETHODIMP CSchedule::NewEnum(IUnknown** value) {
    if (!value) return E_POINTER;
    HRESULT hr = m_jobs.NewEnum(value);
    return FAILED(hr) ? Raise(hr) : S_OK;
}

STDMETHODIMP CSchedule::Refresh() {
    m_jobs.Clear();
    ForEachTaskFile(m_scheduler.Get(), [&](const std::wstring& file) {
        const std::wstring name = TaskNameFromFileName(file);
        CInterfacePtr<CJob> job = CInterfacePtr<CJob>::Adopt(new (std::nothrow) CJob);
        if (!job) return true;
        job->SetName(name);
        CInterfacePtr<ITask> task;
        HRESULT hr = CheckTaskName(name.c_str());
        if (SUCCEEDED(hr))
            hr = RetryWhileShared([&] {
                return m_scheduler->Activate(name.c_str(), IID_ITask, reinterpret_cast<IUnknown**>(task.Out()));
            });
        if (SUCCEEDED(hr) && !task) hr = E_NOINTERFACE;
        // A task file that does not load (damaged, not a task, or held by
        // another program for longer than the wait) is still listed, so that
        // it can be deleted and its name used again; its job answers every
        // property with the reason it did not load.
        if (FAILED(hr))
            job->SetNotLoaded(hr);
        else
            // Triggers that do not load leave the job with an empty Triggers
            // collection; the task is still listed.
            job->Attach(task.Get());
        // Two names that differ only in case share a key; the second is listed unkeyed.
        if (FAILED(m_jobs.Add(job.Get(), name.c_str()))) m_jobs.Add(job.Get());
        return true;
    });
    return S_OK;
}

STDMETHODIMP CSchedule::Delete(short index) {
    CJob* job = m_jobs.At(index);
    if (!job) return RaiseCollection(E_COLLECTION_INDEX);
    const std::wstring name = job->TaskName();
    HRESULT hr = CheckTaskName(name.c_str());
    if (FAILED(hr)) return Raise(hr);
    hr = RetryWhileShared([&] { return m_scheduler->Delete(name.c_str()); });
    if (FAILED(hr)) return Raise(hr);
    m_jobs.Remove(index);
    return S_OK;
}

STDMETHODIMP CSchedule::get_Job(short index, _Job** value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    CJob* job = nullptr;
    HRESULT hr = m_jobs.Item(index, &job);
    if (FAILED(hr)) return RaiseCollection(hr);
    *value = job;
    return S_OK;
}

STDMETHODIMP CSchedule::get_TargetComputer(BSTR* value) {
    if (!value) return E_POINTER;
    LPWSTR computer = nullptr;
    HRESULT hr = m_scheduler->GetTargetComputer(&computer);
    if (FAILED(hr)) return Raise(hr);
    *value = TakeTaskMemString(computer);
    return *value ? S_OK : Raise(E_OUTOFMEMORY);
}

STDMETHODIMP CSchedule::put_TargetComputer(BSTR value) {
    return Check(m_scheduler->SetTargetComputer(value && *value ? value : nullptr));
}

STDMETHODIMP CSchedule::get_Count(LONG* value) {
    if (!value) return E_POINTER;
    *value = m_jobs.Count();
    return S_OK;
}
