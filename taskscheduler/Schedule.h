// Schedule.h - CSchedule, the creatable object of the TaskScheduler library:
// the task folder of the target computer as a 1-based collection of Jobs.
#pragma once

#include "Collection.h"
#include "Tasklatch.h"

class CJob;

class CSchedule : public CTaskSchedulerObject<_Schedule, &IID__Schedule> {
public:
    CSchedule();
    // The class factory's creation function.
    static HRESULT Create(REFIID iid, void** out);
    HRESULT Init();

    STDMETHODIMP CreateTask(BSTR name, _Job** value) override;
    STDMETHODIMP NewEnum(IUnknown** value) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP Delete(short index) override;
    STDMETHODIMP get_Job(short index, _Job** value) override;
    STDMETHODIMP get_TargetComputer(BSTR* value) override;
    STDMETHODIMP put_TargetComputer(BSTR value) override;
    STDMETHODIMP get_Count(LONG* value) override;

private:
    HRESULT RaiseCollection(HRESULT hr) const { return Raise(hr, CollectionErrorText(hr)); }
    // S_OK when a task of that name exists in any letter case, S_FALSE when not.
    HRESULT FindTask(const std::wstring& name) const;

    CInterfacePtr<ITaskScheduler> m_scheduler;
    CObjectCollection<CJob> m_jobs;
};
