#include "Skin.h"

#include <oleauto.h>

#include <vector>

const CLSID CLSID_SkinControl = {0xBA8C584B, 0x209C, 0x4D54, {0x8B, 0xB1, 0x8A, 0xB5, 0xF1, 0xDC, 0xA1, 0x8E}};
const IID IID_ISkinControl = {0x92AEA298, 0x248E, 0x45DB, {0x97, 0xB6, 0xA8, 0xC7, 0xCD, 0x58, 0x92, 0xE7}};
const IID IID_ISkinWindowObject = {0x5483984C, 0xBFEC, 0x4B7B, {0x8F, 0x0A, 0x84, 0x9B, 0x8E, 0x74, 0x3E, 0xE3}};
const IID IID_ISkinWindowRefresh = {0x7DF90993, 0x429D, 0x41C3, {0xBA, 0x1D, 0xDB, 0x8B, 0x61, 0x9D, 0x33, 0x2E}};

namespace {
SkinFactory g_factory;

IDispatch* CreateByClsid() {
    IDispatch* control = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SkinControl, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&control));
    return SUCCEEDED(hr) ? control : nullptr;
}

VARIANT WindowArgument(HWND hwnd) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = LONG(reinterpret_cast<LONG_PTR>(hwnd));
    return v;
}

VARIANT TextArgument(const char* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    int length = MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, nullptr, 0);
    std::vector<wchar_t> wide(size_t(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, wide.data(), length);
    v.bstrVal = SysAllocString(wide.data());
    return v;
}

// Arguments in call order; DISPPARAMS wants them last first.
HRESULT Call(IDispatch* control, DISPID id, std::vector<VARIANT> arguments, VARIANT* result) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = UINT(reversed.size());
    HRESULT hr = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr,
                                 nullptr);
    for (VARIANT& v : arguments) VariantClear(&v);
    return hr;
}
}  // namespace

CUnknownRef& CUnknownRef::operator=(CUnknownRef&& other) noexcept {
    if (this != &other) {
        Release();
        m_p = other.m_p;
        other.m_p = nullptr;
    }
    return *this;
}

void CUnknownRef::Release() {
    if (m_p) m_p->Release();
    m_p = nullptr;
}

void SetSkinFactory(SkinFactory factory) { g_factory = std::move(factory); }

IDispatch* CreateSkinControl() { return g_factory ? g_factory() : CreateByClsid(); }

void CSkinObject::Assign(IDispatch* control) {
    if (control) control->AddRef();
    Reset();
    m_control = control;
}

void CSkinObject::Reset() {
    IDispatch* control = m_control;
    // Cleared before the release, so a re-entrant call sees no control.
    m_control = nullptr;
    if (control) control->Release();
}

void CSkinObject::LoadSkinFile(const char* path) const {
    if (!m_control) return;
    Call(m_control, DISPID_SKIN_LOADSKINFILE, {TextArgument(path)}, nullptr);
}

void CSkinObject::SkinWindow(HWND hwnd) const {
    if (!m_control) return;
    Call(m_control, DISPID_SKIN_SKINWINDOW, {WindowArgument(hwnd)}, nullptr);
}

void CSkinObject::SkinWindowAs(HWND hwnd, const char* objectName) const {
    if (!m_control) return;
    Call(m_control, DISPID_SKIN_SKINWINDOWAS, {WindowArgument(hwnd), TextArgument(objectName)}, nullptr);
}

CUnknownRef CSkinObject::GetSkinWindowObject(HWND hwnd) const {
    if (!m_control) return CUnknownRef();
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = Call(m_control, DISPID_SKIN_GETSKINWINDOWOBJECT, {WindowArgument(hwnd)}, &result);
    IUnknown* object = nullptr;
    if (SUCCEEDED(hr)) {
        IUnknown* held = result.vt == VT_UNKNOWN ? result.punkVal
                         : result.vt == VT_DISPATCH ? static_cast<IUnknown*>(result.pdispVal)
                                                    : nullptr;
        if (held && FAILED(held->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&object)))) object = nullptr;
    }
    VariantClear(&result);
    return CUnknownRef(object);
}

void RefreshSkinWindow(IUnknown* windowObject) {
    if (!windowObject) return;
    ISkinWindowRefresh* refresh = nullptr;
    if (FAILED(windowObject->QueryInterface(IID_ISkinWindowRefresh, reinterpret_cast<void**>(&refresh))) ||
        !refresh)
        return;
    refresh->RefreshSkinWindow();
    refresh->Release();
}

void RefreshSkinWindowThroughObject(IUnknown* windowObject) {
    if (!windowObject) return;
    IUnknown* object = nullptr;
    if (FAILED(windowObject->QueryInterface(IID_ISkinWindowObject, reinterpret_cast<void**>(&object))) || !object)
        return;
    RefreshSkinWindow(object);
    object->Release();
}

BOOL CSkin::Create(HWND parent, UINT id) {
    IDispatch* control = CreateSkinControl();
    m_object.Assign(control);
    if (control) control->Release();
    HWND placeholder = ::GetDlgItem(parent, int(id));
    if (placeholder && !m_hWnd) Attach(placeholder);
    return m_object.IsPresent();
}

void CSkin::RefreshWindow(HWND hwnd) const {
    CUnknownRef object = m_object.GetSkinWindowObject(hwnd);
    RefreshSkinWindowThroughObject(object.Get());
}
