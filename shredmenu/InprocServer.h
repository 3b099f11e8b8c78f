// InprocServer.h - what an in-process COM server of the suite needs besides its
// own classes: the module's count of live objects and server locks (the
// answer of DllCanUnloadNow), and a class factory for one object class.
// Grindhook and Blokkjack both use it; each keeps one CComModuleCount.
// Deliberately not: aggregation, registration (each server writes its own
// keys) or a class table; every server here serves one class.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <new>

class CComModuleCount {
public:
    void AddObject() { InterlockedIncrement(&m_objects); }
    void ReleaseObject() { InterlockedDecrement(&m_objects); }
    void Lock() { InterlockedIncrement(&m_locks); }
    void Unlock() { InterlockedDecrement(&m_locks); }
    LONG Objects() const { return m_objects; }
    LONG Locks() const { return m_locks; }
    HRESULT CanUnloadNow() const { return m_objects == 0 && m_locks == 0 ? S_OK : S_FALSE; }

private:
    volatile LONG m_objects = 0;
    volatile LONG m_locks = 0;
};

// A factory of TObject (default-constructed with one reference; it counts
// itself in the module). The factory counts itself as a live object too, so
// the module stays loaded while a client holds it. With countLocks false,
// LockServer answers S_OK and changes nothing.
template <class TObject>
class CComClassFactory : public IClassFactory {
public:
    CComClassFactory(CComModuleCount& module, bool countLocks) : m_module(module), m_countLocks(countLocks) {
        m_module.AddObject();
    }
    virtual ~CComClassFactory() { m_module.ReleaseObject(); }
    CComClassFactory(const CComClassFactory&) = delete;
    CComClassFactory& operator=(const CComClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return ULONG(refs);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        TObject* created = new (std::nothrow) TObject();
        if (!created) return E_OUTOFMEMORY;
        HRESULT hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (m_countLocks) {
            if (lock)
                m_module.Lock();
            else
                m_module.Unlock();
        }
        return S_OK;
    }

private:
    volatile LONG m_refs = 1;
    CComModuleCount& m_module;
    bool m_countLocks;
};

// DllGetClassObject for a server of one class: a new TFactory (constructed
// with args) queried for riid; any other class id clears the out pointer.
template <class TFactory, class... Args>
HRESULT ServeClassObject(REFCLSID asked, REFCLSID served, REFIID riid, void** object, Args&&... args) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(asked, served)) return CLASS_E_CLASSNOTAVAILABLE;
    TFactory* factory = new (std::nothrow) TFactory(static_cast<Args&&>(args)...);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}
