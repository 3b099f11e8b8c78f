// DispatchCall.h - late-bound calls on an IDispatch, the way automation
// clients reach the library: by DISPID (or by name), arguments in their
// natural order, property puts with the named DISPID_PROPERTYPUT argument.
// Deliberately not: named arguments other than the put value, or a typed
// wrapper per interface.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>

#include "ComServer.h"

// An owned VARIANT.
class CVariant {
public:
    CVariant() { VariantInit(&m_v); }
    CVariant(long value) : CVariant() { V_VT(&m_v) = VT_I4; V_I4(&m_v) = value; }
    CVariant(int value) : CVariant(long(value)) {}
    CVariant(short value) : CVariant() { V_VT(&m_v) = VT_I2; V_I2(&m_v) = value; }
    CVariant(const wchar_t* text) : CVariant() { V_VT(&m_v) = VT_BSTR; V_BSTR(&m_v) = SysAllocString(text); }
    static CVariant Date(DATE date) { CVariant v; V_VT(&v.m_v) = VT_DATE; V_DATE(&v.m_v) = date; return v; }
    CVariant(const CVariant& other) : CVariant() { VariantCopy(&m_v, const_cast<VARIANT*>(&other.m_v)); }
    CVariant& operator=(const CVariant& other) {
        if (this != &other) VariantCopy(&m_v, const_cast<VARIANT*>(&other.m_v));
        return *this;
    }
    ~CVariant() { VariantClear(&m_v); }

    VARIANT* Out() { VariantClear(&m_v); return &m_v; }
    const VARIANT& Get() const { return m_v; }
    VARTYPE Type() const { return V_VT(&m_v); }
    // Conversions; 0, "" or NULL when the value does not convert.
    long Long() const;
    double Double() const;
    std::wstring Text() const;
    // The held object (a new reference), or NULL.
    CInterfacePtr<IDispatch> Object() const;

private:
    VARIANT m_v;
};

// What one call gave back besides its result.
struct DispatchOutcome {
    HRESULT hr = S_OK;          // Invoke's own result
    HRESULT scode = S_OK;       // the raised error (from EXCEPINFO) when hr is DISP_E_EXCEPTION
    std::wstring description;
    std::wstring source;
};

DispatchOutcome DispatchInvoke(IDispatch* object, DISPID id, WORD flags, std::initializer_list<CVariant> args,
                               CVariant* result = nullptr);
inline DispatchOutcome DispatchGet(IDispatch* object, DISPID id, CVariant& result,
                                   std::initializer_list<CVariant> args = {}) {
    return DispatchInvoke(object, id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, &result);
}
inline DispatchOutcome DispatchPut(IDispatch* object, DISPID id, const CVariant& value) {
    return DispatchInvoke(object, id, DISPATCH_PROPERTYPUT, {value});
}
inline DispatchOutcome DispatchMethod(IDispatch* object, DISPID id, std::initializer_list<CVariant> args = {},
                                      CVariant* result = nullptr) {
    return DispatchInvoke(object, id, DISPATCH_METHOD, args, result);
}
// DISPID_UNKNOWN when the object has no member of that name.
DISPID DispatchIdOf(IDispatch* object, const wchar_t* name);
