#include "ComServer.h"

#include "Registry.h"
#include "Files.h"

namespace {
HMODULE g_module = nullptr;
volatile LONG g_locks = 0;
ITypeLib* g_typeLib = nullptr;
}  // namespace

void ComSetModule(HMODULE module) { g_module = module; }
HMODULE ComModule() { return g_module; }
void ComLockModule() { InterlockedIncrement(&g_locks); }
void ComUnlockModule() { InterlockedDecrement(&g_locks); }
bool ComCanUnloadModule() { return g_locks == 0; }

BSTR TakeTaskMemString(LPWSTR text) {
    BSTR result = SysAllocString(text ? text : L"");
    if (text) CoTaskMemFree(text);
    return result;
}

std::wstring WideFromAnsi(const char* text) {
    if (!text || !*text) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &w[0], n);
    w.resize(wcslen(w.c_str()));
    return w;
}

std::string AnsiFromWide(const wchar_t* text) {
    if (!text || !*text) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string a(size_t(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &a[0], n, nullptr, nullptr);
    a.resize(strlen(a.c_str()));
    return a;
}

HRESULT ComRaise(HRESULT hr, const char* source, const char* description) {
    std::string text;
    if (description) {
        text = description;
    } else {
        char* message = nullptr;
        DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, DWORD(hr), 0, reinterpret_cast<char*>(&message), 0, nullptr);
        if (n && message) {
            text.assign(message, n);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
        }
        if (message) LocalFree(message);
        if (text.empty()) text = "Automation error";
    }
    CInterfacePtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Out()))) {
        create->SetGUID(GUID_NULL);
        create->SetSource(const_cast<LPOLESTR>(WideFromAnsi(source).c_str()));
        create->SetDescription(const_cast<LPOLESTR>(WideFromAnsi(text.c_str()).c_str()));
        CInterfacePtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(IID_IErrorInfo, info))) SetErrorInfo(0, info.Get());
    }
    return hr;
}

HRESULT ComGetTypeInfo(const ComTypeLibRef& ref, REFIID iid, ITypeInfo** info) {
    if (!g_typeLib) {
        std::wstring path = WideFromAnsi(GetModuleFilePath(g_module));
        ITypeLib* lib = nullptr;
        HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
        if (FAILED(hr)) hr = LoadRegTypeLib(*ref.libid, ref.major, ref.minor, ref.lcid, &lib);
        if (FAILED(hr)) return hr;
        if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&g_typeLib), lib, nullptr) != nullptr)
            lib->Release();
    }
    return g_typeLib->GetTypeInfoOfGuid(iid, info);
}

namespace {
bool EmptyValueOf(ITypeInfo* info, const TYPEDESC& type, VARIANT& value) {
    VariantInit(&value);
    VARTYPE vt = type.vt;
    if (vt == VT_USERDEFINED) {
        CInterfacePtr<ITypeInfo> ref;
        TYPEATTR* attr = nullptr;
        if (FAILED(info->GetRefTypeInfo(type.hreftype, ref.Out())) || FAILED(ref->GetTypeAttr(&attr))) return false;
        const bool isEnum = attr->typekind == TKIND_ENUM;
        ref->ReleaseTypeAttr(attr);
        if (!isEnum) return false;
        vt = VT_I4;
    }
    switch (vt) {
    case VT_BSTR: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_DATE: case VT_BOOL: case VT_UI1:
    case VT_CY:
        V_VT(&value) = vt;
        V_CY(&value).int64 = 0;  // the widest member: clears them all
        return true;
    default:
        return false;
    }
}

bool IsOmitted(const VARIANT& v) { return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND; }
}  // namespace

bool ComFillOmittedArguments(ITypeInfo* info, DISPID id, WORD flags, const DISPPARAMS& in, DISPPARAMS& out,
                             std::vector<VARIANT>& storage) {
    if (in.cNamedArgs != 0 || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return false;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return false;
    const UINT funcs = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    bool changed = false, usable = false;
    for (UINT f = 0; f < funcs && !usable; ++f) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(f, &desc))) continue;
        if (desc->memid == id && (desc->invkind & (INVOKE_FUNC | INVOKE_PROPERTYGET) & flags)) {
            usable = true;
            UINT count = 0;
            while (count < UINT(desc->cParams) &&
                   !(desc->lprgelemdescParam[count].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
                ++count;
            if (in.cArgs > count) usable = false;
            storage.assign(count, VARIANT());
            for (UINT p = 0; p < count && usable; ++p) {
                const ELEMDESC& param = desc->lprgelemdescParam[p];
                VARIANT& slot = storage[count - 1 - p];  // the list runs last to first
                const bool given = p < in.cArgs && !IsOmitted(in.rgvarg[in.cArgs - 1 - p]);
                const bool optional = (param.paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0;
                if (given) {
                    slot = in.rgvarg[in.cArgs - 1 - p];
                } else if (!optional || param.tdesc.vt == VT_VARIANT) {
                    if (p < in.cArgs) slot = in.rgvarg[in.cArgs - 1 - p];
                    else usable = false;  // the caller's count is wrong: Invoke reports it
                } else if (EmptyValueOf(info, param.tdesc, slot)) {
                    changed = true;
                } else {
                    usable = false;
                }
            }
        }
        info->ReleaseFuncDesc(desc);
    }
    if (!usable || !changed) return false;
    out.cArgs = UINT(storage.size());
    out.rgvarg = storage.data();
    out.cNamedArgs = 0;
    out.rgdispidNamedArgs = nullptr;
    return true;
}

void ComReleaseTypeLib() {
    ITypeLib* lib = static_cast<ITypeLib*>(InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&g_typeLib), nullptr));
    if (lib) lib->Release();
}

// ---- class factory --------------------------------------------------------

STDMETHODIMP CClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    LONG n = InterlockedDecrement(&m_refs);
    if (n == 0) delete this;
    return ULONG(n);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return m_create(iid, out);
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
    if (lock) ComLockModule();
    else ComUnlockModule();
    return S_OK;
}

HRESULT ComGetClassObject(REFCLSID wanted, REFCLSID offered, ComCreateFn create, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(wanted, offered)) return CLASS_E_CLASSNOTAVAILABLE;
    CClassFactory* factory = new (std::nothrow) CClassFactory(create);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

// ---- registration ---------------------------------------------------------

std::string ComGuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return AnsiFromWide(text);
}

namespace {
HRESULT FromWin32(LONG error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }

LONG SetDefault(HKEY parent, const std::string& subKey, const std::string& value) {
    CRegKey key;
    LONG e = key.Create(parent, subKey.c_str(), KEY_WRITE);
    if (e == ERROR_SUCCESS) e = key.SetString(nullptr, value.c_str());
    return e;
}
}  // namespace

HRESULT ComRegisterClass(const ComClassRegistration& reg) {
    const std::string clsidKey = "CLSID\\" + ComGuidText(*reg.clsid);
    const std::string path = GetModuleFilePath(g_module).str();
    LONG e = SetDefault(HKEY_CLASSES_ROOT, clsidKey, reg.progId);
    if (e == ERROR_SUCCESS) e = SetDefault(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", path);
    if (e == ERROR_SUCCESS) {
        CRegKey server;
        e = server.Open(HKEY_CLASSES_ROOT, (clsidKey + "\\InprocServer32").c_str(), KEY_WRITE);
        if (e == ERROR_SUCCESS) e = server.SetString("ThreadingModel", reg.threadingModel);
    }
    if (e == ERROR_SUCCESS) e = SetDefault(HKEY_CLASSES_ROOT, clsidKey + "\\ProgID", reg.progId);
    if (e == ERROR_SUCCESS) e = SetDefault(HKEY_CLASSES_ROOT, clsidKey + "\\TypeLib", ComGuidText(*reg.libid));
    if (e == ERROR_SUCCESS) e = SetDefault(HKEY_CLASSES_ROOT, reg.progId, reg.progId);
    if (e == ERROR_SUCCESS) e = SetDefault(HKEY_CLASSES_ROOT, std::string(reg.progId) + "\\CLSID", ComGuidText(*reg.clsid));
    return FromWin32(e);
}

HRESULT ComUnregisterClass(const ComClassRegistration& reg) {
    // A key that is already gone is what unregistering wants.
    LONG e1 = CRegKey::DeleteTree(HKEY_CLASSES_ROOT, ("CLSID\\" + ComGuidText(*reg.clsid)).c_str());
    LONG e2 = CRegKey::DeleteTree(HKEY_CLASSES_ROOT, reg.progId);
    if (e1 != ERROR_SUCCESS && e1 != ERROR_FILE_NOT_FOUND) return FromWin32(e1);
    if (e2 != ERROR_SUCCESS && e2 != ERROR_FILE_NOT_FOUND) return FromWin32(e2);
    return S_OK;
}

HRESULT ComRegisterTypeLib() {
    std::wstring path = WideFromAnsi(GetModuleFilePath(g_module));
    CInterfacePtr<ITypeLib> lib;
    return LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, lib.Out());
}

HRESULT ComUnregisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid) {
    // The library was registered for the platform this module was built for.
    HRESULT hr = UnRegisterTypeLib(libid, major, minor, lcid, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ? S_OK : hr;
}
