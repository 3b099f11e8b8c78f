#include "Triggers.h"

namespace {
const char* const TriggersSource = "TaskScheduler.Triggers";
}

CTriggers::CTriggers() : CDispatchObject(TriggersSource) {}

HRESULT CTriggers::Attach(IScheduledWorkItem* item) {
    m_item.Reset(item);
    return Update();
}

HRESULT CTriggers::UpdateAll() {
    for (long i = 1; i <= m_triggers.Count(); ++i) {
        HRESULT hr = m_triggers.At(i)->Update();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDMETHODIMP CTriggers::Add(_Trigger** value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!m_item) return Raise(E_UNEXPECTED);
    WORD index = 0;
    CInterfacePtr<ITaskTrigger> platform;
    HRESULT hr = m_item->CreateTrigger(&index, platform.Out());
    if (FAILED(hr)) return Raise(hr);
    CInterfacePtr<CTrigger> trigger = CInterfacePtr<CTrigger>::Adopt(new (std::nothrow) CTrigger);
    if (!trigger) return Raise(E_OUTOFMEMORY);
    hr = trigger->Attach(platform.Get(), m_item.Get(), index);
    if (FAILED(hr)) return hr;
    trigger->put_Flags(saTriggerFlags(0));
    hr = m_triggers.Add(trigger.Get());
    if (FAILED(hr)) return RaiseCollection(hr);
    *value = trigger.Detach();
    return S_OK;
}

STDMETHODIMP CTriggers::NewEnum(IUnknown** value) {
    if (!value) return E_POINTER;
    HRESULT hr = m_triggers.NewEnum(value);
    return FAILED(hr) ? Raise(hr) : S_OK;
}

STDMETHODIMP CTriggers::Remove(short index) {
    CTrigger* trigger = m_triggers.At(index);
    if (!trigger) return RaiseCollection(E_COLLECTION_INDEX);
    if (!m_item) return Raise(E_UNEXPECTED);
    // The platform first: a refused delete leaves the collection as it was.
    HRESULT hr = m_item->DeleteTrigger(trigger->Index());
    if (FAILED(hr)) return Raise(hr);
    // Every later platform trigger moved down by one. A Trigger that kept its
    // old index would act on its neighbour: those a client may still hold are
    // cut off, and the collection is read again.
    const WORD removed = trigger->Index();
    for (long i = 1; i <= m_triggers.Count(); ++i)
        if (m_triggers.At(i)->Index() >= removed) m_triggers.At(i)->Detach();
    return Update();
}

STDMETHODIMP CTriggers::get_Count(LONG* value) {
    if (!value) return E_POINTER;
    *value = m_triggers.Count();
    return S_OK;
}

STDMETHODIMP CTriggers::get_Item(VARIANT index, _Trigger** value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    long i = 0;
    HRESULT hr = IndexFromVariant(index, i);
    if (FAILED(hr)) return RaiseCollection(hr);
    CTrigger* trigger = nullptr;
    hr = m_triggers.Item(i, &trigger);
    if (FAILED(hr)) return RaiseCollection(hr);
    *value = trigger;
    return S_OK;
}

STDMETHODIMP CTriggers::Update() {
    if (!m_item) return Raise(E_UNEXPECTED);
    WORD count = 0;
    HRESULT hr = m_item->GetTriggerCount(&count);
    if (FAILED(hr)) return Raise(hr);
    CObjectCollection<CTrigger> loaded;
    for (WORD i = 0; i < count; ++i) {
        CInterfacePtr<ITaskTrigger> platform;
        hr = m_item->GetTrigger(i, platform.Out());
        if (FAILED(hr)) return Raise(hr);
        CInterfacePtr<CTrigger> trigger = CInterfacePtr<CTrigger>::Adopt(new (std::nothrow) CTrigger);
        if (!trigger) return Raise(E_OUTOFMEMORY);
        hr = trigger->Attach(platform.Get(), m_item.Get(), i);
        if (FAILED(hr)) return hr;
        loaded.Add(trigger.Get());
    }
    m_triggers.Swap(loaded);
    return S_OK;
}
