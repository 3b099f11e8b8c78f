// ComServer.h - the plumbing of an in-process automation server, kept small
// enough that any COM library of the suite can use it: the module's lock
// count, owned interface pointers and BSTRs, automation errors through
// IErrorInfo, a dual-interface object whose IDispatch runs through the
// module's type information, a class factory and the registry entries of a
// creatable class.
// Deliberately not: aggregation, connection points, free threading, the
// registrar's script language.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <vector>

// ---- module --------------------------------------------------------------

// The DLL passes its handle from DllMain; an executable that links the
// classes directly leaves it unset (the program's module is used then).
void ComSetModule(HMODULE module);
HMODULE ComModule();
void ComLockModule();
void ComUnlockModule();
bool ComCanUnloadModule();

// ---- owned pointers ------------------------------------------------------

template <typename T>
class CInterfacePtr {
public:
    CInterfacePtr() = default;
    CInterfacePtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    CInterfacePtr(const CInterfacePtr& other) : CInterfacePtr(other.m_p) {}
    CInterfacePtr& operator=(const CInterfacePtr& other) { Reset(other.m_p); return *this; }
    ~CInterfacePtr() { Release(); }

    // Takes over a reference the caller already holds (a fresh object, an out-parameter).
    static CInterfacePtr Adopt(T* p) { CInterfacePtr r; r.m_p = p; return r; }
    void Reset(T* p = nullptr) {
        if (p) p->AddRef();
        Release();
        m_p = p;
    }
    void Release() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    // Address for an out-parameter; what was held is released first.
    T** Out() { Release(); return &m_p; }
    T* Detach() { T* p = m_p; m_p = nullptr; return p; }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    template <typename Q>
    HRESULT As(REFIID iid, CInterfacePtr<Q>& out) const {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(iid, reinterpret_cast<void**>(out.Out()));
    }

private:
    T* m_p = nullptr;
};

class CBstr {
public:
    CBstr() = default;
    explicit CBstr(const wchar_t* text) : m_b(text ? SysAllocString(text) : nullptr) {}
    ~CBstr() { SysFreeString(m_b); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR Get() const { return m_b; }
    BSTR* Out() { SysFreeString(m_b); m_b = nullptr; return &m_b; }
    BSTR Detach() { BSTR b = m_b; m_b = nullptr; return b; }
    std::wstring Text() const { return m_b ? std::wstring(m_b, SysStringLen(m_b)) : std::wstring(); }

private:
    BSTR m_b = nullptr;
};

// Copies a string the platform allocated with CoTaskMemAlloc into a new BSTR
// (never NULL, so clients always get a string) and frees the original.
BSTR TakeTaskMemString(LPWSTR text);
std::wstring WideFromAnsi(const char* text);
std::string AnsiFromWide(const wchar_t* text);

// ---- automation errors ---------------------------------------------------

// Sets the thread's error information (source, description) and returns hr,
// so a member ends with `return ComRaise(...)`. Without a description the
// system's message text for hr is used.
HRESULT ComRaise(HRESULT hr, const char* source, const char* description = nullptr);

// ---- type information ----------------------------------------------------

struct ComTypeLibRef {
    const GUID* libid;
    WORD major;
    WORD minor;
    LCID lcid;
};

// The type library embedded in the module as TYPELIB 1; when the module has
// none (an executable linking the classes) the registered one is used.
HRESULT ComGetTypeInfo(const ComTypeLibRef& lib, REFIID iid, ITypeInfo** info);
void ComReleaseTypeLib();

// The type-information Invoke cannot pass an omitted optional argument that
// is not a VARIANT (Wine hands the method the DISP_E_PARAMNOTFOUND code as
// the value). When a call omits such arguments, this builds an argument list
// in `out` (backed by `storage`) that gives them their empty value (NULL
// string, zero) and returns true; otherwise it returns false.
bool ComFillOmittedArguments(ITypeInfo* info, DISPID id, WORD flags, const DISPPARAMS& in, DISPPARAMS& out,
                             std::vector<VARIANT>& storage);

// ---- dual-interface objects ----------------------------------------------

// One automation object: IUnknown, IDispatch through the type information of
// its interface, and ISupportErrorInfo. Objects are born with one reference
// that their creator owns.
template <typename Interface, const IID* InterfaceId, const ComTypeLibRef* TypeLib>
class CDispatchObject : public Interface, public ISupportErrorInfo {
public:
    CDispatchObject(const char* source) : m_source(source) { ComLockModule(); }
    virtual ~CDispatchObject() { ComUnlockModule(); }
    CDispatchObject(const CDispatchObject&) = delete;
    CDispatchObject& operator=(const CDispatchObject&) = delete;

    Interface* Dual() { return this; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, *InterfaceId)) {
            *out = static_cast<Interface*>(this);
        } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
            *out = static_cast<ISupportErrorInfo*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) delete this;
        return ULONG(n);
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return ComGetTypeInfo(*TypeLib, *InterfaceId, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        CInterfacePtr<ITypeInfo> info;
        HRESULT hr = GetTypeInfo(0, 0, info.Out());
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(info.Get(), names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        CInterfacePtr<ITypeInfo> info;
        HRESULT hr = GetTypeInfo(0, 0, info.Out());
        if (FAILED(hr)) return hr;
        DISPPARAMS filled = {};
        std::vector<VARIANT> storage;
        if (params && ComFillOmittedArguments(info.Get(), id, flags, *params, filled, storage)) params = &filled;
        SetErrorInfo(0, nullptr);
        hr = info->Invoke(static_cast<Interface*>(this), id, flags, params, result, excep, argErr);
        if (hr == DISP_E_EXCEPTION && excep) CompleteExcepInfo(*excep);
        return hr;
    }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return IsEqualIID(iid, *InterfaceId) ? S_OK : S_FALSE;
    }

protected:
    HRESULT Raise(HRESULT hr, const char* description = nullptr) const { return ComRaise(hr, m_source, description); }
    // Raises a failing HRESULT, passes success codes through as S_OK.
    HRESULT Check(HRESULT hr) const { return FAILED(hr) ? Raise(hr) : S_OK; }

private:
    // Not every type-information Invoke copies the raised error into EXCEPINFO.
    static void CompleteExcepInfo(EXCEPINFO& excep) {
        CInterfacePtr<IErrorInfo> error;
        if (GetErrorInfo(0, error.Out()) != S_OK || !error) return;
        if (!excep.bstrDescription) error->GetDescription(&excep.bstrDescription);
        if (!excep.bstrSource) error->GetSource(&excep.bstrSource);
        if (!excep.bstrHelpFile) error->GetHelpFile(&excep.bstrHelpFile);
    }

    volatile LONG m_refs = 1;
    const char* m_source;
};

// ---- class factory and registration --------------------------------------

typedef HRESULT (*ComCreateFn)(REFIID iid, void** out);

class CClassFactory : public IClassFactory {
public:
    explicit CClassFactory(ComCreateFn create) : m_create(create) { ComLockModule(); }
    virtual ~CClassFactory() { ComUnlockModule(); }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    volatile LONG m_refs = 1;
    ComCreateFn m_create;
};

// DllGetClassObject's work for one class.
HRESULT ComGetClassObject(REFCLSID wanted, REFCLSID offered, ComCreateFn create, REFIID iid, void** out);

struct ComClassRegistration {
    const CLSID* clsid;
    const char* progId;
    const char* threadingModel;
    const GUID* libid;
};

// HKCR\CLSID\{clsid} (InprocServer32 with the module's path and threading
// model, ProgID, TypeLib) and HKCR\<progId>\CLSID.
HRESULT ComRegisterClass(const ComClassRegistration& reg);
HRESULT ComUnregisterClass(const ComClassRegistration& reg);
// Registers the module's embedded type library (TYPELIB 1).
HRESULT ComRegisterTypeLib();
HRESULT ComUnregisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid);
std::string ComGuidText(REFGUID guid);
