// HelperObject.h - CRirodoVeriZaz, the browser helper object Internet
// Explorer creates in every browser window. It only holds an event
// connection to the browser (so the browser keeps the module loaded) and
// drops it when the browser quits; the counting happens at module load.
// Also its class factory, its identities and its registry entries.
// Deliberately not: handling any browser event but the quit.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>

#include "InprocServer.h"

namespace Blokkjack {

extern const CLSID kClsid;      // {4DF1DB24-A57C-11d3-A180-00A0C90AE44B}
extern const IID kIidRezevoZezu;  // {4DF1DB22-A57C-11D3-A180-00A0C90AE44B}
extern const GUID kTypeLibId;   // {4DF1DB23-A57C-11D3-A180-00A0C90AE44B}
extern const IID kIidBrowserEvents;  // DWebBrowserEvents2
extern const IID kIidWebBrowser2;
const char* const kClsidText = "{4DF1DB24-A57C-11d3-A180-00A0C90AE44B}";
const char* const kProgId = "RirodoVeriZaz.RirodoVeriZaz.1";
const char* const kVersionIndependentProgId = "RirodoVeriZaz.RirodoVeriZaz";
const char* const kDescription = "RirodoVeriZaz Class";
const char* const kBrowserHelperObjectsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";

// The browser's quit events: DWebBrowserEvents' Quit and DWebBrowserEvents2's OnQuit.
const DISPID kDispidQuit = 103;
const DISPID kDispidOnQuit = 253;

CComModuleCount& Module();

// The class, ProgID and helper-object keys, and the type library in modulePath.
HRESULT RegisterHelper(const char* modulePath);
// Removes the keys; the type library stays registered.
HRESULT UnregisterHelper();

}  // namespace Blokkjack

// The object's own dual interface: no methods beyond IDispatch, which serves
// as the browser-event sink.
struct IRezevoZezu : public IDispatch {};

class CRirodoVeriZaz : public IRezevoZezu, public IObjectWithSite {
public:
    CRirodoVeriZaz();
    virtual ~CRirodoVeriZaz();
    CRirodoVeriZaz(const CRirodoVeriZaz&) = delete;
    CRirodoVeriZaz& operator=(const CRirodoVeriZaz&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** site) override;

    // Advise (false) or unadvise (true) DWebBrowserEvents2 at the kept browser.
    bool AdviseBrowserEvents(bool unadvise);

private:
    volatile LONG m_refs = 1;
    IWebBrowser2* m_browser = nullptr;
    DWORD m_cookie = 0;
};

class CRirodoVeriZazFactory : public CComClassFactory<CRirodoVeriZaz> {
public:
    CRirodoVeriZazFactory() : CComClassFactory(Blokkjack::Module(), true) {}
};
