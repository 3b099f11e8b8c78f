#include <gtest/gtest.h>

#include <map>
#include <string>

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

// The LAN goes through Wine; the dial-up connections are held here, since
// Wine writes a named connection's options on the LAN. A connection's n-th
// write fails when asked.
class CHeldConnections : public CIEProxySettings {
public:
    using CIEProxySettings::CIEProxySettings;
    bool QueryConnectionOptions(const char* connection, IEConnectionOptions& options) const override {
        if (!connection) return CIEProxySettings::QueryConnectionOptions(connection, options);
        options = held[connection];
        return true;
    }
    bool ApplyConnectionOptions(const char* connection, const IEConnectionOptions& options) const override {
        if (!connection) return CIEProxySettings::ApplyConnectionOptions(connection, options);
        if (++writes[connection] == failingWrite[connection]) return false;
        held[connection] = options;
        return true;
    }
    mutable std::map<std::string, IEConnectionOptions> held;
    mutable std::map<std::string, int> writes, failingWrite;
};

// The LAN's registry values, type and bytes, as one text to compare.
std::string LanValues(const CString& internetSettingsKey) {
    const struct {
        const char* subKey;
        const char* name;
    } values[] = {{"", "ProxyEnable"},
                  {"", "ProxyServer"},
                  {"", "ProxyOverride"},
                  {"\\Connections", "DefaultConnectionSettings"},
                  {"\\Connections", "SavedLegacySettings"}};
    std::string all;
    for (const auto& v : values) {
        CRegKey key;
        CString bytes;
        DWORD type = REG_NONE;
        if (key.Open(HKEY_CURRENT_USER, internetSettingsKey + v.subKey) == ERROR_SUCCESS &&
            key.QueryBinary(v.name, bytes, &type) == ERROR_SUCCESS)
            all += std::string(v.name) + "=" + std::to_string(type) + ":" + bytes.str() + ";";
    }
    return all;
}

std::string Describe(const IEConnectionOptions& o) {
    return std::to_string(o.flags) + " " + o.server.c_str() + " " + o.bypass.c_str();
}

// Points the fixture at the tests' Internet Settings key, with no connections
// and an enabled LAN proxy of the given server bypassing local addresses.
void LayEnabledLan(IEFixture& f, CRegKey& lanKey, const char* server) {
    f.system.internetSettingsKey = BLOKKUM_INTERNET_SETTINGS_KEY;
    CRegKey::DeleteTree(HKEY_CURRENT_USER, f.system.internetSettingsKey + "\\Connections");
    ASSERT_EQ(lanKey.Create(HKEY_CURRENT_USER, f.system.internetSettingsKey), ERROR_SUCCESS);
    lanKey.SetDWORD("ProxyEnable", 1);
    lanKey.SetString("ProxyServer", server);
    lanKey.SetString("ProxyOverride", "<local>");
}
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

TEST(IEProxySettings, AFailedStepPutsBackEveryConnectionAndTheFlagsStay) {
    // A set starts from the user's own settings, a reset from the proxy on each.
    const IEConnectionOptions userA{3, "http=cache:3128", "<local>"}, userB{1, "", ""}, ours{3, kOurs, "local"};
    const char kNothingChanged[] = "QvTestDialB can't be read or changed. Internet Explorer's settings were not changed.";
    struct Row {
        bool set;
        int dialAFailingWrite;  // 2: its put-back
        const char* told;
    } rows[] = {
        {true, 0, kNothingChanged},
        {false, 0, kNothingChanged},
        // The LAN is still put back after the first dial-up's put-back failed.
        {true, 2, "QvTestDialB can't be read or changed, and QvTestDialA could not be put back as it was."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.set << " " << r.dialAFailingWrite);
        const IEConnectionOptions& dialA = r.set ? userA : ours;
        const IEConnectionOptions& dialB = r.set ? userB : ours;
        const char* lanServer = r.set ? "http=cache:3128" : BLOKKUM_PROXY_TEXT;
        CSavedKey saved(BLOKKUM_INTERNET_SETTINGS_KEY);
        CScriptedMessageBoxes boxes;
        IEFixture f;
        // The LAN's values where the per-connection options write them.
        {
            CRegKey lanKey;
            ASSERT_NO_FATAL_FAILURE(LayEnabledLan(f, lanKey, lanServer));
            lanKey.DeleteValue("ProxyHttp1.1");
        }
        f.AddConnection("DefaultConnectionSettings", ConnectionBlob(3, lanServer));
        const std::string lanValuesBefore = LanValues(f.system.internetSettingsKey);
        f.AddConnection("QvTestDialA", ConnectionBlob(3, kOurs));
        f.AddConnection("QvTestDialB", ConnectionBlob(3, kOurs));
        // Set starts from nothing configured and no HTTP/1.1 value, reset from all configured.
        const DWORD before = r.set ? 99 : 1;
        CBlokkumSettings settings(f.where);
        settings.m_dwLanConfigured = settings.m_dwDialUpConfigured = r.set ? 0 : 1;
        if (!r.set) {
            WriteDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_LAN, 1);
            WriteDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_DIALUP, 1);
            WriteDWORD(f.system.internetSettingsKey, "ProxyHttp1.1", 1);
        }
        CBrowserProxyContext context(settings, f.system);
        CHeldConnections ie(context);
        IEConnectionOptions lanBefore, lan;
        ASSERT_TRUE(ie.QueryConnectionOptions(nullptr, lanBefore));
        ie.held = {{"QvTestDialA", dialA}, {"QvTestDialB", dialB}};
        ie.failingWrite = {{"QvTestDialA", r.dialAFailingWrite}, {"QvTestDialB", 1}};
        ie.ListDialUpConnections(r.set);
        for (DialUpConnection& c : ie.m_connections) c.checked = 1;

        EXPECT_FALSE(r.set ? SetIEProxy(ie, true, true) : ResetIEProxy(ie, true, true));

        ASSERT_TRUE(ie.QueryConnectionOptions(nullptr, lan));
        EXPECT_EQ(Describe(lan), Describe(lanBefore));
        EXPECT_EQ(LanValues(f.system.internetSettingsKey), lanValuesBefore);
        EXPECT_EQ(Describe(ie.held["QvTestDialA"]) == Describe(dialA), r.dialAFailingWrite != 2);
        EXPECT_EQ(Describe(ie.held["QvTestDialB"]), Describe(dialB));
        EXPECT_EQ(ReadDWORD(f.system.internetSettingsKey, "ProxyHttp1.1"), before);
        EXPECT_EQ(settings.m_dwLanConfigured + settings.m_dwDialUpConfigured, r.set ? 0u : 2u);
        EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_LAN), before);
        EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_DIALUP), before);
        const std::vector<RecordedBox> told = boxes.Boxes();
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].text, std::string("Error, Failed to ") + (r.set ? "set" : "reset") +
                                    " Internet Explorer proxy setting.\n" + r.told);
    }
}

TEST(IEProxySettings, BlokkoutsResetGoesPastAFailedConnectionAndNamesWhatIsStillSet) {
    CSavedKey saved(BLOKKUM_INTERNET_SETTINGS_KEY);
    CScriptedMessageBoxes boxes;
    IEFixture f;
    // The LAN's values where the per-connection options write them.
    f.system.internetSettingsKey = BLOKKUM_INTERNET_SETTINGS_KEY;
    CRegKey::DeleteTree(HKEY_CURRENT_USER, f.system.internetSettingsKey + "\\Connections");
    f.AddConnection("QvTestDialA", ConnectionBlob(3, kOurs));
    f.AddConnection("QvTestDialB", ConnectionBlob(3, kOurs));
    WriteDWORD(f.system.internetSettingsKey, "ProxyHttp1.1", 1);
    WriteDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_LAN, 1);
    WriteDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_DIALUP, 1);
    CBlokkumSettings settings(f.where);
    settings.m_dwLanConfigured = settings.m_dwDialUpConfigured = 1;
    CBrowserProxyContext context(settings, f.system);
    CHeldConnections ie(context);
    ASSERT_TRUE(ie.CIEProxySettings::ApplyConnectionOptions(nullptr, {3, kOurs, "local"}));
    ie.held = {{"QvTestDialA", {3, kOurs, ""}}, {"QvTestDialB", {3, kOurs, ""}}};
    ie.failingWrite = {{"QvTestDialA", 1}};
    ie.ListDialUpConnections(false);
    for (DialUpConnection& c : ie.m_connections) c.checked = !c.greyed;

    EXPECT_FALSE(ResetIEProxy(ie, true, true, ResetRule::kBestEffort));

    IEConnectionOptions lan;
    ASSERT_TRUE(ie.QueryConnectionOptions(nullptr, lan));
    EXPECT_EQ(lan.flags & PROXY_TYPE_PROXY, 0u);
    EXPECT_EQ(ie.held["QvTestDialA"].flags, 3u);
    EXPECT_EQ(ie.held["QvTestDialB"].flags, DWORD(PROXY_TYPE_DIRECT));
    EXPECT_EQ(ReadDWORD(f.system.internetSettingsKey, "ProxyHttp1.1"), 0u);
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_LAN), 0u);
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_DIALUP), 1u);
    const std::vector<RecordedBox> told = boxes.Boxes();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text,
              "Error, Failed to reset Internet Explorer proxy setting.\n"
              "These are still set for Blokkum's proxy and must be reset by hand: QvTestDialA");
}

TEST(IEProxySettings, AResetGivesBackTheUsersOwnProxyAndLeavesOneSetSince) {
    const IEConnectionOptions userDial{3, "http=dial:80", "<local>"};
    struct Row {
        const char* name;
        ResetRule rule;
        const char* setSince;  // the LAN server someone else put on after the set
        const char* serverAfter;
        bool offByHandAndSetAgain;  // Blokkum's proxy switched off, then set once more
    } rows[] = {
        {"wizard", ResetRule::kAllOrNothing, nullptr, "http=company:3128", false},
        {"Blokkout", ResetRule::kBestEffort, nullptr, "http=company:3128", false},
        {"set since by someone else", ResetRule::kAllOrNothing, "other:8080", "other:8080", false},
        {"wizard, off by hand and set again", ResetRule::kAllOrNothing, nullptr, "http=company:3128", true},
        {"Blokkout, off by hand", ResetRule::kBestEffort, nullptr, "http=company:3128", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CSavedKey saved(BLOKKUM_INTERNET_SETTINGS_KEY);
        CScriptedMessageBoxes boxes;
        IEFixture f;
        CRegKey lanKey;
        ASSERT_NO_FATAL_FAILURE(LayEnabledLan(f, lanKey, "http=company:3128"));
        f.AddConnection("QvTestDialA", ConnectionBlob(1, ""));
        CBlokkumSettings settings(f.where);
        CBrowserProxyContext context(settings, f.system);
        CHeldConnections ie(context);
        ie.held = {{"QvTestDialA", userDial}};
        ie.ListDialUpConnections(true);
        ASSERT_EQ(ie.m_connections.GetSize(), 1);
        ie.m_connections[0].checked = 1;

        ASSERT_TRUE(SetIEProxy(ie, true, true));
        ASSERT_TRUE(ie.IsLanProxySet());
        ASSERT_EQ(Describe(ie.held["QvTestDialA"]), Describe({3, kOurs, "local"}));
        if (r.setSince) lanKey.SetString("ProxyServer", r.setSince);
        if (r.offByHandAndSetAgain) {
            lanKey.SetDWORD("ProxyEnable", 0);
            ie.held["QvTestDialA"].flags = PROXY_TYPE_DIRECT;
            if (r.rule == ResetRule::kAllOrNothing) {
                ASSERT_TRUE(SetIEProxy(ie, true, true));
            }
        }
        EXPECT_TRUE(ResetIEProxy(ie, true, true, r.rule));

        CString server, bypass;
        DWORD enabled = 0;
        lanKey.QueryString("ProxyServer", server);
        lanKey.QueryString("ProxyOverride", bypass);
        lanKey.QueryDWORD("ProxyEnable", enabled);
        EXPECT_EQ(server, r.serverAfter);
        EXPECT_EQ(bypass, "<local>");
        EXPECT_EQ(enabled, 1u);
        EXPECT_EQ(Describe(ie.held["QvTestDialA"]), Describe(userDial));
        CRegKey kept;
        EXPECT_NE(kept.Open(HKEY_CURRENT_USER, f.where.ProxySettingKey() + "\\Internet Explorer\\LAN"), ERROR_SUCCESS);
        EXPECT_TRUE(boxes.Boxes().empty());
    }
}

TEST(IEProxySettings, FlagsAreCorrectedToWhatInternetExplorerReallyUses) {
    struct Row {
        const char* name;
        DWORD lanFlag, dialFlag;  // 99: absent
        const char* lanServer;
        DWORD dialBlobFlags;
        DWORD lanAfter, dialAfter;
    } rows[] = {
        {"a stale LAN flag over another server", 1, 99, "127.0.0.1:8100", 1, 0, 99},
        {"the proxy on without flags", 99, 0, BLOKKUM_PROXY_TEXT, 3, 1, 1},
        {"flags that agree", 1, 0, BLOKKUM_PROXY_TEXT, 1, 1, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        IEFixture f;
        f.SetInternetSettings(1, r.lanServer);
        f.AddConnection("QvTestDialA", ConnectionBlob(r.dialBlobFlags, kOurs));
        const CString flags = f.where.ProxySettingKey();
        if (r.lanFlag != 99) WriteDWORD(flags, BLOKKUM_FLAG_LAN, r.lanFlag);
        if (r.dialFlag != 99) WriteDWORD(flags, BLOKKUM_FLAG_DIALUP, r.dialFlag);
        CBlokkumSettings settings(f.where);
        settings.ReadProxyFlags();
        CBrowserProxyContext context(settings, f.system);
        CIEProxySettings(context).CorrectFlags();
        EXPECT_EQ(ReadDWORD(flags, BLOKKUM_FLAG_LAN), r.lanAfter);
        EXPECT_EQ(ReadDWORD(flags, BLOKKUM_FLAG_DIALUP), r.dialAfter);
        EXPECT_EQ(settings.m_dwLanConfigured, r.lanAfter % 99);
        EXPECT_EQ(settings.m_dwDialUpConfigured, r.dialAfter % 99);
    }
}
