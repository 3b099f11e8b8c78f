#include "HelperObject.h"

#include <oleauto.h>

#include "Registry.h"
#include "Strings.h"

namespace Blokkjack {

const CLSID kClsid = {0x4DF1DB24, 0xA57C, 0x11D3, {0xA1, 0x80, 0x00, 0xA0, 0xC9, 0x0A, 0xE4, 0x4B}};
const IID kIidRezevoZezu = {0x4DF1DB22, 0xA57C, 0x11D3, {0xA1, 0x80, 0x00, 0xA0, 0xC9, 0x0A, 0xE4, 0x4B}};
const GUID kTypeLibId = {0x4DF1DB23, 0xA57C, 0x11D3, {0xA1, 0x80, 0x00, 0xA0, 0xC9, 0x0A, 0xE4, 0x4B}};
const IID kIidBrowserEvents = {0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};
const IID kIidWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

CComModuleCount& Module() {
    static CComModuleCount module;
    return module;
}

namespace {
CString ClassKey() { return CString("CLSID\\") + kClsidText; }
CString HelperKey() { return CString(kBrowserHelperObjectsKey) + "\\" + kClsidText; }

ITypeInfo* LoadOwnTypeInfo(HMODULE module) {
    char path[MAX_PATH] = "";
    if (!GetModuleFileNameA(module, path, sizeof path)) return nullptr;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(wide, REGKIND_NONE, &library))) return nullptr;
    ITypeInfo* info = nullptr;
    library->GetTypeInfoOfGuid(kIidRezevoZezu, &info);
    library->Release();
    return info;
}

HMODULE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const char*>(&OwnModule), &module);
    return module;
}
}  // namespace

HRESULT RegisterHelper(const char* modulePath) {
    struct Entry {
        HKEY root;
        CString key;
        const char* name;
        CString value;
        bool hasValue;
    };
    const Entry entries[] = {
        {HKEY_CLASSES_ROOT, kProgId, nullptr, kDescription, true},
        {HKEY_CLASSES_ROOT, CString(kProgId) + "\\CLSID", nullptr, kClsidText, true},
        {HKEY_CLASSES_ROOT, kVersionIndependentProgId, nullptr, kDescription, true},
        {HKEY_CLASSES_ROOT, CString(kVersionIndependentProgId) + "\\CLSID", nullptr, kClsidText, true},
        {HKEY_CLASSES_ROOT, CString(kVersionIndependentProgId) + "\\CurVer", nullptr, kProgId, true},
        {HKEY_CLASSES_ROOT, ClassKey(), nullptr, kDescription, true},
        {HKEY_CLASSES_ROOT, ClassKey() + "\\ProgID", nullptr, kProgId, true},
        {HKEY_CLASSES_ROOT, ClassKey() + "\\VersionIndependentProgID", nullptr, kVersionIndependentProgId, true},
        {HKEY_CLASSES_ROOT, ClassKey() + "\\Programmable", nullptr, "", false},
        {HKEY_CLASSES_ROOT, ClassKey() + "\\InprocServer32", nullptr, modulePath, true},
        {HKEY_CLASSES_ROOT, ClassKey() + "\\InprocServer32", "ThreadingModel", "Apartment", true},
        {HKEY_LOCAL_MACHINE, HelperKey(), nullptr, "", false},
    };
    for (const Entry& entry : entries) {
        CRegKey key;
        if (key.Create(entry.root, entry.key, KEY_WRITE) != ERROR_SUCCESS) return SELFREG_E_CLASS;
        if (entry.hasValue) key.SetString(entry.name, entry.value);
    }
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, modulePath, -1, wide, MAX_PATH);
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(wide, REGKIND_REGISTER, &library);
    if (library) library->Release();
    return SUCCEEDED(hr) ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT UnregisterHelper() {
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, kProgId);
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, kVersionIndependentProgId);
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, ClassKey());
    CRegKey::DeleteTree(HKEY_LOCAL_MACHINE, HelperKey());
    return S_OK;
}

}  // namespace Blokkjack

CRirodoVeriZaz::CRirodoVeriZaz() { Blokkjack::Module().AddObject(); }

CRirodoVeriZaz::~CRirodoVeriZaz() {
    if (m_browser) m_browser->Release();
    Blokkjack::Module().ReleaseObject();
}

STDMETHODIMP CRirodoVeriZaz::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, Blokkjack::kIidRezevoZezu))
        *object = static_cast<IRezevoZezu*>(this);
    else if (IsEqualIID(riid, IID_IObjectWithSite))
        *object = static_cast<IObjectWithSite*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CRirodoVeriZaz::AddRef() { return ULONG(InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CRirodoVeriZaz::Release() {
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return ULONG(refs);
}

STDMETHODIMP CRirodoVeriZaz::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    ITypeInfo* info = Blokkjack::LoadOwnTypeInfo(Blokkjack::OwnModule());
    *count = info ? 1 : 0;
    if (info) info->Release();
    return S_OK;
}

STDMETHODIMP CRirodoVeriZaz::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    *info = Blokkjack::LoadOwnTypeInfo(Blokkjack::OwnModule());
    return *info ? S_OK : TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP CRirodoVeriZaz::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    ITypeInfo* info = Blokkjack::LoadOwnTypeInfo(Blokkjack::OwnModule());
    if (!info) return DISP_E_UNKNOWNNAME;
    HRESULT hr = DispGetIDsOfNames(info, names, count, ids);
    info->Release();
    return hr;
}

STDMETHODIMP CRirodoVeriZaz::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                    UINT*) {
    if (!params) return E_INVALIDARG;
    if (id == Blokkjack::kDispidQuit || id == Blokkjack::kDispidOnQuit) AdviseBrowserEvents(true);
    return S_OK;
}

STDMETHODIMP CRirodoVeriZaz::SetSite(IUnknown* site) {
    if (!site) return S_OK;
    if (m_browser) {
        m_browser->Release();
        m_browser = nullptr;
    }
    if (SUCCEEDED(site->QueryInterface(Blokkjack::kIidWebBrowser2, reinterpret_cast<void**>(&m_browser))) &&
        m_browser)
        AdviseBrowserEvents(false);
    return S_OK;
}

STDMETHODIMP CRirodoVeriZaz::GetSite(REFIID riid, void** site) {
    if (!site) return E_POINTER;
    *site = nullptr;
    if (!m_browser) return E_FAIL;
    return m_browser->QueryInterface(riid, site);
}

bool CRirodoVeriZaz::AdviseBrowserEvents(bool unadvise) {
    if (!m_browser) return false;
    IConnectionPointContainer* container = nullptr;
    if (FAILED(m_browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) ||
        !container)
        return false;
    IConnectionPoint* point = nullptr;
    HRESULT hr = container->FindConnectionPoint(Blokkjack::kIidBrowserEvents, &point);
    if (SUCCEEDED(hr) && point) {
        hr = unadvise ? point->Unadvise(m_cookie) : point->Advise(static_cast<IDispatch*>(this), &m_cookie);
        point->Release();
    }
    container->Release();
    return SUCCEEDED(hr);
}
