#include "Triggers.h"

#include "Collection.h"

namespace {
const char* const TriggersSource = "TaskScheduler.Triggers";
}

CTriggers::CTriggers() : CDispatchObject(TriggersSource) {}

HRESULT CTriggers::Attach(IScheduledWorkItem* item) {
    m_item.Reset(item);
    return Update();
}

HRESULT CTriggers::UpdateAll() { return S_OK; }

STDMETHODIMP CTriggers::Add(_Trigger** value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Raise(E_NOTIMPL);
}

STDMETHODIMP CTriggers::NewEnum(IUnknown** value) { return CreateDispatchEnum({}, value); }

STDMETHODIMP CTriggers::Remove(short) { return Raise(E_COLLECTION_INDEX, CollectionErrorText(E_COLLECTION_INDEX)); }

STDMETHODIMP CTriggers::get_Count(LONG* value) {
    if (!value) return E_POINTER;
    *value = 0;
    return S_OK;
}

STDMETHODIMP CTriggers::get_Item(VARIANT, _Trigger** value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Raise(E_COLLECTION_INDEX, CollectionErrorText(E_COLLECTION_INDEX));
}

STDMETHODIMP CTriggers::Update() { return S_OK; }
