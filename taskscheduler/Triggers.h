// Triggers.h - CTriggers, the collection of one job's schedule triggers, in
// the work item's order. Not creatable; a Job makes it when it is attached.
#pragma once

#include "Collection.h"
#include "Tasklatch.h"
#include "Trigger.h"

class CTriggers : public CTaskSchedulerObject<_Triggers, &IID__Triggers> {
public:
    CTriggers();

    // Keeps the work item and loads its triggers.
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
    HRESULT RaiseCollection(HRESULT hr) const { return Raise(hr, CollectionErrorText(hr)); }

    CInterfacePtr<IScheduledWorkItem> m_item;
    CObjectCollection<CTrigger> m_triggers;
};
