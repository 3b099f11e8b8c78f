// Skin.h - the layer over the outside skin control: it is created by its
// CLSID and called late-bound through IDispatch by DISPID (LoadSkinFile,
// SkinWindow, SkinWindowAs, GetSkinWindowObject); a skinned window's object
// is refreshed through the declared refresh interface. When the control is
// not installed every call is a quiet no-op and the windows stay plain.
// CSkinObject holds one reference to the control's automation interface
// (Blokkum and Grindel share one); CSkin is Swiftlane's wrapper bound to a
// control of its main dialog. Tests replace the creation with a fake.
// Deliberately not: the control's drawing, skin files or persisted state.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>

#include "Window.h"

// {BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}
extern const CLSID CLSID_SkinControl;
// {92AEA298-248E-45DB-97B6-A8C7CD5892E7}: the control's dual interface.
extern const IID IID_ISkinControl;
// {5483984C-BFEC-4B7B-8F0A-849B8E743EE3}: a skinned window's object.
extern const IID IID_ISkinWindowObject;
// {7DF90993-429D-41C3-BA1D-DB8B619D332E}: the interface that refreshes it.
extern const IID IID_ISkinWindowRefresh;

enum : DISPID {
    DISPID_SKIN_LOADSKINFILE = 0x60020001,
    DISPID_SKIN_SKINWINDOW = 0x60020006,
    DISPID_SKIN_SKINWINDOWAS = 0x60020007,
    DISPID_SKIN_GETSKINWINDOWOBJECT = 0x6002000a,
};

// The refresh interface as far as the suite calls it: RefreshSkinWindow is
// its slot 34 (after IUnknown, IDispatch and 27 methods the suite never calls).
struct ISkinWindowRefresh : public IDispatch {
#define QV_SKIN_UNUSED(n) virtual HRESULT STDMETHODCALLTYPE Unused##n() = 0;
    QV_SKIN_UNUSED(07) QV_SKIN_UNUSED(08) QV_SKIN_UNUSED(09) QV_SKIN_UNUSED(10) QV_SKIN_UNUSED(11)
    QV_SKIN_UNUSED(12) QV_SKIN_UNUSED(13) QV_SKIN_UNUSED(14) QV_SKIN_UNUSED(15) QV_SKIN_UNUSED(16)
    QV_SKIN_UNUSED(17) QV_SKIN_UNUSED(18) QV_SKIN_UNUSED(19) QV_SKIN_UNUSED(20) QV_SKIN_UNUSED(21)
    QV_SKIN_UNUSED(22) QV_SKIN_UNUSED(23) QV_SKIN_UNUSED(24) QV_SKIN_UNUSED(25) QV_SKIN_UNUSED(26)
    QV_SKIN_UNUSED(27) QV_SKIN_UNUSED(28) QV_SKIN_UNUSED(29) QV_SKIN_UNUSED(30) QV_SKIN_UNUSED(31)
    QV_SKIN_UNUSED(32) QV_SKIN_UNUSED(33)
#undef QV_SKIN_UNUSED
    virtual HRESULT STDMETHODCALLTYPE RefreshSkinWindow() = 0;
};

// An owned IUnknown reference (released with the object).
class CUnknownRef {
public:
    CUnknownRef() = default;
    explicit CUnknownRef(IUnknown* owned) : m_p(owned) {}
    ~CUnknownRef() { Release(); }
    CUnknownRef(const CUnknownRef&) = delete;
    CUnknownRef& operator=(const CUnknownRef&) = delete;
    CUnknownRef(CUnknownRef&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    CUnknownRef& operator=(CUnknownRef&& other) noexcept;
    IUnknown* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void Release();

private:
    IUnknown* m_p = nullptr;
};

class CSkinObject {
public:
    CSkinObject() = default;
    ~CSkinObject() { Reset(); }
    CSkinObject(const CSkinObject&) = delete;
    CSkinObject& operator=(const CSkinObject&) = delete;

    // Takes a reference of its own (the caller keeps its reference); null empties.
    void Assign(IDispatch* control);
    void Reset();
    bool IsPresent() const { return m_control != nullptr; }
    IDispatch* Get() const { return m_control; }

    // Each is one automation call; results are not checked by any caller.
    void LoadSkinFile(const char* path) const;
    void SkinWindow(HWND hwnd) const;
    void SkinWindowAs(HWND hwnd, const char* objectName) const;
    // The skinned window's object, or empty (no control, or the call failed).
    CUnknownRef GetSkinWindowObject(HWND hwnd) const;

private:
    IDispatch* m_control = nullptr;
};

// Refresh through the window object itself (Blokkum, Grindel).
void RefreshSkinWindow(IUnknown* windowObject);
// Refresh through the window object's own interface first (Swiftlane).
void RefreshSkinWindowThroughObject(IUnknown* windowObject);

// Creates the control; returns an owned reference or null when absent. The
// default asks COM for the CLSID; tests install a recording fake.
using SkinFactory = std::function<IDispatch*()>;
void SetSkinFactory(SkinFactory factory);
IDispatch* CreateSkinControl();

// Swiftlane's skin control: created by CLSID in its parent (the dialog keeps
// a placeholder control with the id, which this object borrows).
class CSkin : public CWnd {
public:
    BOOL Create(HWND parent, UINT id);
    bool IsPresent() const { return m_object.IsPresent(); }
    const CSkinObject& Object() const { return m_object; }
    void SkinWindow(HWND hwnd) const { m_object.SkinWindow(hwnd); }
    void SkinWindowAs(HWND hwnd, const char* objectName) const { m_object.SkinWindowAs(hwnd, objectName); }
    CUnknownRef GetSkinWindowObject(HWND hwnd) const { return m_object.GetSkinWindowObject(hwnd); }
    // The sheet-activation ritual: the window's object, then its refresh.
    void RefreshWindow(HWND hwnd) const;

private:
    CSkinObject m_object;
};
