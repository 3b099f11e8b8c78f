// Triggers.h - CTriggers, the collection of one job's schedule triggers.
// Not creatable; a Job makes it when it is attached to its work item.
#pragma once

#include "Tasklatch.h"

class CTriggers : public CTaskSchedulerObject<_Triggers, &IID__Triggers> {
public:
    CTriggers();

    HRESULT Attach(IScheduledWorkItem* item);
    // Writes every trigger back to the work item; stops at the first failure.
    HRESULT UpdateAll();

    STDMETHODIMP Add(_Trigger** value) override;
    STDMETHODIMP NewEnum(IUnknown** value) override;
    STDMETHODIMP Remove(short index) override;
    STDMETHODIMP get_Count(LONG* value) override;
    STDMETHODIMP get_Item(VARIANT index, _Trigger** value) override;
    STDMETHODIMP Update() override;

private:
    CInterfacePtr<IScheduledWorkItem> m_item;
};
