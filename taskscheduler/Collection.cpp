#include "Collection.h"

#include <new>

const char* CollectionErrorText(HRESULT hr) {
    switch (hr) {
    case E_COLLECTION_INDEX: return "Subscript out of range";
    case E_COLLECTION_ARGUMENT: return "Invalid procedure call or argument";
    case E_COLLECTION_DUPLICATE_KEY: return "This key is already associated with an element of this collection";
    default: return nullptr;
    }
}

HRESULT IndexFromVariant(const VARIANT& index, long& value) {
    VARIANT v;
    VariantInit(&v);
    // VariantChangeType follows VT_BYREF, so a VB caller's ByRef index works too.
    HRESULT hr = VariantChangeType(&v, const_cast<VARIANT*>(&index), 0, VT_I4);
    if (FAILED(hr)) return E_COLLECTION_ARGUMENT;
    value = V_I4(&v);
    return S_OK;
}

namespace {
class CDispatchEnum : public IEnumVARIANT {
public:
    CDispatchEnum(const std::vector<IDispatch*>& items, size_t position) : m_items(items), m_position(position) {
        for (IDispatch* item : m_items) item->AddRef();
        ComLockModule();
    }
    virtual ~CDispatchEnum() {
        for (IDispatch* item : m_items) item->Release();
        ComUnlockModule();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumVARIANT)) {
            *out = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) delete this;
        return ULONG(n);
    }

    STDMETHODIMP Next(ULONG wanted, VARIANT* out, ULONG* fetched) override {
        if (!out || (wanted > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < wanted && m_position < m_items.size()) {
            VariantInit(&out[n]);
            V_VT(&out[n]) = VT_DISPATCH;
            V_DISPATCH(&out[n]) = m_items[m_position++];
            V_DISPATCH(&out[n])->AddRef();
            ++n;
        }
        if (fetched) *fetched = n;
        return n == wanted ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        size_t left = m_items.size() - m_position;
        if (count > left) {
            m_position = m_items.size();
            return S_FALSE;
        }
        m_position += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) CDispatchEnum(m_items, m_position);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    volatile LONG m_refs = 1;
    std::vector<IDispatch*> m_items;
    size_t m_position;
};
}  // namespace

HRESULT CreateDispatchEnum(const std::vector<IDispatch*>& items, IUnknown** out) {
    if (!out) return E_POINTER;
    CDispatchEnum* e = new (std::nothrow) CDispatchEnum(items, 0);
    if (!e) return E_OUTOFMEMORY;
    *out = e;
    return S_OK;
}
