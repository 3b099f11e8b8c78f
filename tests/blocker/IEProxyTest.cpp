#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "IEProxySettings.h"
#include "IEProxyTestSupport.h"
#include "TestSupport.h"

namespace {
const CString kOurs = BLOKKUM_PROXY_TEXT;

struct IEFixture {
    CTestRegistryKey reg;
    CBlokkumLocations where;
    CBrowserSystem system;
    IEFixture() {
        where.key = reg.SubKey() + "\\Quorvane Blokkum";
        system.internetSettingsKey = reg.SubKey() + "\\Internet Settings";
    }
    void AddConnection(const char* name, const CString& blob) const {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, system.internetSettingsKey + "\\Connections");
        key.SetBinary(name, blob.c_str(), DWORD(blob.GetLength()));
    }
    void SetInternetSettings(DWORD enable, const char* server) const {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, system.internetSettingsKey);
        key.SetDWORD("ProxyEnable", enable);
        key.SetString("ProxyServer", server);
    }
};
}  // namespace

TEST(IEProxySettings, ConnectionsAreGreyedByModeAndTheSystemValuesAreNeverListed) {
    IEFixture f;
    const CString ours = ConnectionBlob(3, kOurs, DWORD(kOurs.GetLength()));
    f.AddConnection("DefaultConnectionSettings", ours);
    f.AddConnection("SavedLegacySettings", ours);
    f.AddConnection("Ours", ours);
    f.AddConnection("OtherProxy", ConnectionBlob(3, "http=cache:3128", 15));
    f.AddConnection("DirectOnly", ConnectionBlob(1, kOurs, DWORD(kOurs.GetLength())));
    // Our text followed by 256 more bytes: the whole 32-bit length counts, not its low byte.
    f.AddConnection("LongText", ConnectionBlob(3, kOurs + CString('x', 256), DWORD(kOurs.GetLength() + 256)));
    f.AddConnection("CutShort", ConnectionBlob(3, "http=qv", DWORD(kOurs.GetLength() + 40)).Left(16 + 7));

    CBlokkumSettings settings(f.where);
    CBrowserProxyContext context(settings, f.system);
    CIEProxySettings ie(context);
    for (bool setMode : {true, false}) {
        SCOPED_TRACE(setMode ? "set mode" : "reset mode");
        ie.ListDialUpConnections(setMode);
        ASSERT_EQ(ie.m_connectionCount, 5);
        EXPECT_EQ(ie.m_greyedCount, setMode ? 1 : 4);
        EXPECT_EQ(ie.m_configuredCount, setMode ? 0 : 1);
        for (int i = 0; i < ie.m_connections.GetSize(); ++i) {
            const DialUpConnection& c = ie.m_connections[i];
            const bool carries = c.name == "Ours";
            EXPECT_EQ(c.greyed, setMode ? carries : !carries) << c.name.c_str();
            EXPECT_EQ(ie.m_greyed[i], c.greyed);
            EXPECT_TRUE(c.name.Find("Settings") < 0);
        }
    }
}

TEST(IEProxySettings, IsProxySetWantsOurTextOnTheEnabledLanOrOnAListedConnection) {
    struct Row {
        DWORD enable;
        const char* server;
        const char* ours;  // the value that carries our text, if any
        bool expected;
    } rows[] = {
        // Dial-up only: the LAN proxy is off, a connection carries ours.
        {0, "", "Dial", true},
        // Internet Explorer's stale copies of the LAN settings are no connections.
        {0, "", "SavedLegacySettings", false},
        {0, "", "DefaultConnectionSettings", false},
        {0, BLOKKUM_PROXY_TEXT, nullptr, false},
        {1, BLOKKUM_PROXY_TEXT, nullptr, true},
        {1, "http=cache:3128", "Dial", true},
        {1, "http=cache:3128", nullptr, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.enable << " " << r.server << " " << (r.ours ? r.ours : "-"));
        IEFixture f;
        f.SetInternetSettings(r.enable, r.server);
        f.AddConnection("Dial", ConnectionBlob(3, "http=x:1", 8));
        if (r.ours) f.AddConnection(r.ours, ConnectionBlob(3, kOurs, DWORD(kOurs.GetLength())));
        CBlokkumSettings settings(f.where);
        CBrowserProxyContext context(settings, f.system);
        EXPECT_EQ(CIEProxySettings(context).IsProxySet(), r.expected);
    }
}

TEST(IEProxySettings, EachFlagFollowsTheConnectionsThatWereReallySetOrReset) {
    CSavedKey saved(BLOKKUM_INTERNET_SETTINGS_KEY);
    CScriptedMessageBoxes boxes;
    IEFixture f;
    CBlokkumSettings settings(f.where);
    CBrowserProxyContext real(settings);
    CIEProxySettings lan(real);
    SetIEProxy(lan, true, false);
    EXPECT_TRUE(lan.IsProxySet());
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_LAN), 1u);
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_DIALUP), 99u);
    ResetIEProxy(lan, true, false);
    EXPECT_FALSE(lan.IsProxySet());
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_LAN), 0u);

    // Two configured connections: the dial-up flag goes only with the second.
    f.AddConnection("QvTestDialA", ConnectionBlob(3, kOurs, DWORD(kOurs.GetLength())));
    f.AddConnection("QvTestDialB", ConnectionBlob(3, kOurs, DWORD(kOurs.GetLength())));
    f.SetInternetSettings(0, "");
    settings.m_dwDialUpConfigured = 1;
    CBrowserProxyContext context(settings, f.system);
    CIEProxySettings dial(context);
    dial.ListDialUpConnections(false);
    for (int i = 0; i < 2; ++i) {
        dial.m_connections[0].checked = i == 0;
        dial.m_connections[1].checked = i == 1;
        ResetIEProxy(dial, false, true);
        EXPECT_EQ(settings.m_dwDialUpConfigured, i == 0 ? 1u : 0u);
        EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_DIALUP), i == 0 ? 99u : 0u);
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}
