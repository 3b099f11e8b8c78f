#include "DispatchCall.h"

#include <vector>

namespace {
CVariant Converted(const VARIANT& v, VARTYPE type) {
    CVariant out;
    VariantChangeType(out.Out(), const_cast<VARIANT*>(&v), 0, type);
    return out;
}
}  // namespace

long CVariant::Long() const {
    CVariant v = Converted(m_v, VT_I4);
    return v.Type() == VT_I4 ? V_I4(&v.m_v) : 0;
}

double CVariant::Double() const {
    CVariant v = Converted(m_v, VT_R8);
    return v.Type() == VT_R8 ? V_R8(&v.m_v) : 0;
}

std::wstring CVariant::Text() const {
    CVariant v = Converted(m_v, VT_BSTR);
    if (v.Type() != VT_BSTR || !V_BSTR(&v.m_v)) return std::wstring();
    return std::wstring(V_BSTR(&v.m_v), SysStringLen(V_BSTR(&v.m_v)));
}

CInterfacePtr<IDispatch> CVariant::Object() const {
    if (V_VT(&m_v) == VT_DISPATCH) return CInterfacePtr<IDispatch>(V_DISPATCH(&m_v));
    if (V_VT(&m_v) == VT_UNKNOWN && V_UNKNOWN(&m_v)) {
        CInterfacePtr<IDispatch> d;
        V_UNKNOWN(&m_v)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(d.Out()));
        return d;
    }
    return CInterfacePtr<IDispatch>();
}

DispatchOutcome DispatchInvoke(IDispatch* object, DISPID id, WORD flags, std::initializer_list<CVariant> args,
                               CVariant* result) {
    DispatchOutcome outcome;
    if (!object) {
        outcome.hr = E_POINTER;
        return outcome;
    }
    // Invoke takes the arguments last to first.
    std::vector<VARIANT> reversed(args.size());
    size_t i = args.size();
    for (const CVariant& a : args) reversed[--i] = a.Get();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {};
    params.cArgs = UINT(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &putId;
    }
    EXCEPINFO excep = {};
    UINT argErr = 0;
    CVariant ignored;
    outcome.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                result ? result->Out() : ignored.Out(), &excep, &argErr);
    if (outcome.hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
        outcome.scode = excep.scode ? excep.scode : HRESULT(excep.wCode ? 0x80040200 + excep.wCode : E_FAIL);
        if (excep.bstrDescription) outcome.description = excep.bstrDescription;
        if (excep.bstrSource) outcome.source = excep.bstrSource;
    }
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    return outcome;
}

DISPID DispatchIdOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    if (!object || FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}
