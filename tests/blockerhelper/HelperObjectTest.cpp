#include <gtest/gtest.h>

#include "HelperObject.h"

namespace {

// A browser that offers only what the helper asks of it: the connection
// point of DWebBrowserEvents2.
class CFakeBrowser : public IConnectionPointContainer, public IConnectionPoint {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, Blokkjack::kIidWebBrowser2) ||
                     IsEqualIID(riid, IID_IConnectionPointContainer);
        *object = known ? static_cast<IConnectionPointContainer*>(this) : nullptr;
        return known ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        *point = IsEqualIID(riid, Blokkjack::kIidBrowserEvents) ? (AddRef(), this) : nullptr;
        return *point ? S_OK : CONNECT_E_NOCONNECTION;
    }
    STDMETHODIMP GetConnectionInterface(IID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        *cookie = 0x5EED;
        return sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_sink));
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        if (cookie != 0x5EED || !m_sink) return CONNECT_E_NOCONNECTION;
        m_sink->Release();
        m_sink = nullptr;
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    ULONG m_refs = 1;
    IDispatch* m_sink = nullptr;
};

TEST(HelperObject, HoldsTheBrowserEventsUntilTheBrowserQuits) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(ServeClassObject<CRirodoVeriZazFactory>(Blokkjack::kClsid, Blokkjack::kClsid, IID_IClassFactory,
                                                      reinterpret_cast<void**>(&factory)),
              S_OK);
    IObjectWithSite* helper = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IObjectWithSite, reinterpret_cast<void**>(&helper)), S_OK);
    factory->Release();
    EXPECT_EQ(Blokkjack::Module().CanUnloadNow(), S_FALSE);

    CFakeBrowser browser;
    ASSERT_EQ(helper->SetSite(static_cast<IConnectionPointContainer*>(&browser)), S_OK);
    ASSERT_NE(browser.m_sink, nullptr);
    IDispatch* sink = browser.m_sink;
    DISPPARAMS none{};
    EXPECT_EQ(sink->Invoke(250, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(sink->Invoke(250, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_NE(browser.m_sink, nullptr) << "only the quit ends the connection";
    EXPECT_EQ(sink->Invoke(Blokkjack::kDispidOnQuit, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(browser.m_sink, nullptr);

    helper->Release();
    EXPECT_EQ(browser.m_refs, 1u) << "the helper let go of the browser";
    EXPECT_EQ(Blokkjack::Module().CanUnloadNow(), S_OK);
}

}  // namespace
