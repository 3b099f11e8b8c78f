// The skin layer against a recording fake of the control, and without one.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Skin.h"

namespace {

struct RecordedCall {
    DISPID id;
    WORD flags;
    std::vector<VARTYPE> types;
    std::vector<std::string> values;
};

std::string Narrow(BSTR text) {
    std::string result;
    for (const wchar_t* p = text; p && *p; ++p) result += char(*p);
    return result;
}

// The skinned window's object: answers both refresh-path interfaces.
class CFakeWindowObject : public ISkinWindowRefresh {
public:
    LONG refs = 1;
    int refreshes = 0;
    bool answersWindowObject = true;
    bool answersRefresh = true;
    std::vector<std::string> queried;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            queried.push_back("unknown");
        } else if (iid == IID_ISkinWindowObject) {
            queried.push_back("object");
            if (!answersWindowObject) return E_NOINTERFACE;
        } else if (iid == IID_ISkinWindowRefresh) {
            queried.push_back("refresh");
            if (!answersRefresh) return E_NOINTERFACE;
        } else {
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
#define QV_FAKE_UNUSED(n) HRESULT STDMETHODCALLTYPE Unused##n() override { ADD_FAILURE() << "slot " #n; return E_NOTIMPL; }
    QV_FAKE_UNUSED(07) QV_FAKE_UNUSED(08) QV_FAKE_UNUSED(09) QV_FAKE_UNUSED(10) QV_FAKE_UNUSED(11)
    QV_FAKE_UNUSED(12) QV_FAKE_UNUSED(13) QV_FAKE_UNUSED(14) QV_FAKE_UNUSED(15) QV_FAKE_UNUSED(16)
    QV_FAKE_UNUSED(17) QV_FAKE_UNUSED(18) QV_FAKE_UNUSED(19) QV_FAKE_UNUSED(20) QV_FAKE_UNUSED(21)
    QV_FAKE_UNUSED(22) QV_FAKE_UNUSED(23) QV_FAKE_UNUSED(24) QV_FAKE_UNUSED(25) QV_FAKE_UNUSED(26)
    QV_FAKE_UNUSED(27) QV_FAKE_UNUSED(28) QV_FAKE_UNUSED(29) QV_FAKE_UNUSED(30) QV_FAKE_UNUSED(31)
    QV_FAKE_UNUSED(32) QV_FAKE_UNUSED(33)
#undef QV_FAKE_UNUSED
    HRESULT STDMETHODCALLTYPE RefreshSkinWindow() override {
        ++refreshes;
        return S_OK;
    }
};

// The control: records every late-bound call.
class CFakeSkinControl : public IDispatch {
public:
    LONG refs = 1;
    std::vector<RecordedCall> calls;
    CFakeWindowObject* windowObject = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_ISkinControl) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        ADD_FAILURE() << "the layer must call by DISPID, never by name";
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        RecordedCall call{id, flags, {}, {}};
        // Back into call order: DISPPARAMS holds the last argument first.
        for (UINT i = params->cArgs; i-- > 0;) {
            const VARIANT& v = params->rgvarg[i];
            call.types.push_back(v.vt);
            call.values.push_back(v.vt == VT_BSTR ? Narrow(v.bstrVal) : v.vt == VT_I4 ? std::to_string(v.lVal) : "?");
        }
        calls.push_back(call);
        if (id == DISPID_SKIN_GETSKINWINDOWOBJECT && result && windowObject) {
            VariantInit(result);
            result->vt = VT_UNKNOWN;
            result->punkVal = windowObject;
            windowObject->AddRef();
        }
        return S_OK;
    }
};

class SkinTest : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        control.windowObject = &window;
        SetSkinFactory([this]() -> IDispatch* {
            ++created;
            control.AddRef();
            return &control;
        });
    }
    void TearDown() override {
        SetSkinFactory(nullptr);
        EXPECT_EQ(1, control.refs) << "control references balance";
        EXPECT_EQ(1, window.refs) << "window-object references balance";
        CoUninitialize();
    }
    CFakeSkinControl control;
    CFakeWindowObject window;
    int created = 0;
};

std::string Hwnd(HWND hwnd) { return std::to_string(LONG(reinterpret_cast<LONG_PTR>(hwnd))); }

TEST_F(SkinTest, CallsGoByDispidWithTheirArgumentTypesInOrder) {
    HWND a = reinterpret_cast<HWND>(0x1234), b = reinterpret_cast<HWND>(0x5678);
    {
        CSkin skin;
        ASSERT_TRUE(skin.Create(nullptr, 1028));
        EXPECT_EQ(1, created);
        skin.Object().LoadSkinFile("C:\\Program\\Title.skn");
        skin.SkinWindowAs(a, "Main");
        skin.SkinWindow(b);
        CUnknownRef object = skin.GetSkinWindowObject(a);
        EXPECT_EQ(static_cast<IUnknown*>(&window), object.Get());
    }
    struct Expected {
        DISPID id;
        std::vector<VARTYPE> types;
        std::vector<std::string> values;
    } expected[] = {
        {0x60020001, {VT_BSTR}, {"C:\\Program\\Title.skn"}},
        {0x60020007, {VT_I4, VT_BSTR}, {Hwnd(a), "Main"}},
        {0x60020006, {VT_I4}, {Hwnd(b)}},
        {0x6002000a, {VT_I4}, {Hwnd(a)}},
    };
    ASSERT_EQ(std::size(expected), control.calls.size());
    for (size_t i = 0; i < control.calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].id, control.calls[i].id);
        EXPECT_EQ(DISPATCH_METHOD, control.calls[i].flags);
        EXPECT_EQ(expected[i].types, control.calls[i].types);
        EXPECT_EQ(expected[i].values, control.calls[i].values);
    }
}

TEST_F(SkinTest, RefreshGoesThroughTheWindowObjectInterfaces) {
    HWND sheet = reinterpret_cast<HWND>(0x42);
    CSkin skin;
    ASSERT_TRUE(skin.Create(nullptr, 1028));
    skin.RefreshWindow(sheet);
    EXPECT_EQ(1, window.refreshes);
    EXPECT_EQ((std::vector<std::string>{"unknown", "object", "refresh"}), window.queried);

    window.queried.clear();
    CSkinObject shared;
    shared.Assign(skin.Object().Get());
    CUnknownRef object = shared.GetSkinWindowObject(sheet);
    RefreshSkinWindow(object.Get());
    EXPECT_EQ(2, window.refreshes);
    EXPECT_EQ((std::vector<std::string>{"unknown", "refresh"}), window.queried);
}

TEST_F(SkinTest, RefreshIsSlot34OfTheDeclaredInterface) {
    using Slot = HRESULT(STDMETHODCALLTYPE*)(void*);
    void** table = *reinterpret_cast<void***>(static_cast<ISkinWindowRefresh*>(&window));
    EXPECT_EQ(S_OK, reinterpret_cast<Slot>(table[34])(static_cast<ISkinWindowRefresh*>(&window)));
    EXPECT_EQ(1, window.refreshes);
}

TEST_F(SkinTest, AFailedQueryRefreshesNothing) {
    struct Case {
        bool windowObject, refresh;
    } cases[] = {{false, true}, {true, false}, {false, false}};
    CSkin skin;
    ASSERT_TRUE(skin.Create(nullptr, 1028));
    for (const Case& c : cases) {
        window.answersWindowObject = c.windowObject;
        window.answersRefresh = c.refresh;
        skin.RefreshWindow(reinterpret_cast<HWND>(0x42));
        EXPECT_EQ(0, window.refreshes);
    }
}

TEST_F(SkinTest, SharedObjectIsReplacedAndReleased) {
    CSkinObject shared;
    shared.Assign(&control);
    EXPECT_EQ(2, control.refs);
    shared.Assign(&control);
    EXPECT_EQ(2, control.refs);
    shared.Reset();
    EXPECT_FALSE(shared.IsPresent());
    EXPECT_EQ(1, control.refs);
}

TEST(SkinAbsent, EveryCallIsAQuietNoOp) {
    CoInitialize(nullptr);
    SetSkinFactory(nullptr);
    // No control of that CLSID is installed: creation by CLSID finds nothing.
    CSkin skin;
    EXPECT_FALSE(skin.Create(nullptr, 1028));
    EXPECT_FALSE(skin.IsPresent());
    HWND desktop = GetDesktopWindow();
    skin.Object().LoadSkinFile("C:\\missing.skn");
    skin.SkinWindow(desktop);
    skin.SkinWindowAs(desktop, "Button");
    EXPECT_FALSE(skin.GetSkinWindowObject(desktop));
    skin.RefreshWindow(desktop);
    RefreshSkinWindow(nullptr);
    RefreshSkinWindowThroughObject(nullptr);
    CoUninitialize();
}

}  // namespace
