#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "IEProxySavedSettings.h"
#include "IEProxySettings.h"
#include "Registry.h"
#include "TestSupport.h"

namespace {
// The settings blob of one connection: flags at 8, text length at 12, text at 16.
CString Blob(DWORD flags, const CString& text, DWORD length) {
    char head[16] = {};
    memcpy(head + 8, &flags, 4);
    memcpy(head + 12, &length, 4);
    CString blob(head, 16);
    blob += text;
    blob += CString(char(0), 12);
    return blob;
}

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
    DWORD Flag(const char* name) const {
        CRegKey key;
        DWORD value = 99;
        key.Open(HKEY_CURRENT_USER, where.ProxySettingKey());
        key.QueryDWORD(name, value);
        return value;
    }
};

const CString kOurs = BLOKKUM_PROXY_TEXT;
}  // namespace

TEST(IEProxySettings, ConnectionsAreGreyedByModeAndTheSystemValuesAreNeverListed) {
    IEFixture f;
    f.AddConnection("DefaultConnectionSettings", Blob(3, kOurs, DWORD(kOurs.GetLength())));
    f.AddConnection("SavedLegacySettings", Blob(3, kOurs, DWORD(kOurs.GetLength())));
    f.AddConnection("Ours", Blob(3, kOurs, DWORD(kOurs.GetLength())));
    f.AddConnection("OtherProxy", Blob(3, "http=cache:3128", 15));
    f.AddConnection("DirectOnly", Blob(1, kOurs, DWORD(kOurs.GetLength())));
    // 256 + 19: only the low byte of the length counts.
    f.AddConnection("LongText", Blob(3, kOurs + CString('x', 256), DWORD(kOurs.GetLength() + 256)));
    f.AddConnection("Truncated", Blob(3, "http=qv", DWORD(kOurs.GetLength() + 40)).Left(16 + 7));

    CBlokkumSettings settings(f.where);
    CBrowserProxyContext context(settings, f.system);
    CIEProxySettings ie(context);
    struct Row {
        bool setMode;
        int greyed, configured;
    } rows[] = {{true, 2, 0}, {false, 3, 2}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.setMode ? "set mode" : "reset mode");
        ie.ListDialUpConnections(r.setMode);
        ASSERT_EQ(ie.m_connectionCount, 5);
        EXPECT_EQ(ie.m_greyedCount, r.greyed);
        EXPECT_EQ(ie.m_configuredCount, r.configured);
        for (int i = 0; i < ie.m_connections.GetSize(); ++i) {
            const DialUpConnection& c = ie.m_connections[i];
            const bool ours = c.name == "Ours" || c.name == "LongText";
            EXPECT_EQ(c.greyed, r.setMode ? ours : !ours) << c.name.c_str();
            EXPECT_EQ(ie.m_greyed[i], c.greyed);
            EXPECT_EQ(c.checked, 0);
            EXPECT_NE(c.name, "DefaultConnectionSettings");
            EXPECT_NE(c.name, "SavedLegacySettings");
        }
    }
}

TEST(IEProxySettings, IsProxySetNeedsProxyEnableAndOurTextHereOrOnAConnection) {
    struct Row {
        DWORD enable;
        const char* server;
        bool connectionCarriesIt;
        bool expected;
    } rows[] = {
        {0, BLOKKUM_PROXY_TEXT, true, false},
        {1, BLOKKUM_PROXY_TEXT, false, true},
        {1, "http=cache:3128", true, true},
        {1, "http=cache:3128", false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.enable << " " << r.server << " " << r.connectionCarriesIt);
        IEFixture f;
        f.SetInternetSettings(r.enable, r.server);
        f.AddConnection("Dial", Blob(3, r.connectionCarriesIt ? kOurs : CString("http=x:1"),
                                     r.connectionCarriesIt ? DWORD(kOurs.GetLength()) : 8));
        CBlokkumSettings settings(f.where);
        CBrowserProxyContext context(settings, f.system);
        EXPECT_EQ(CIEProxySettings(context).IsProxySet(), r.expected);
    }
}


TEST(IEProxySettings, LanSetAndResetGoThroughInternetExplorerAndKeepTheFlag) {
    CSavedInternetSettings saved;
    CTestRegistryKey reg;
    CBlokkumLocations where;
    where.key = reg.SubKey() + "\\Quorvane Blokkum";
    CBlokkumSettings settings(where);
    CBrowserProxyContext context(settings);
    CIEProxySettings ie(context);
    CScriptedMessageBoxes boxes;

    SetIEProxy(ie, true, false);
    EXPECT_TRUE(ie.IsProxySet());
    EXPECT_EQ(settings.m_dwLanConfigured, 1u);
    CRegKey flags;
    ASSERT_EQ(flags.Open(HKEY_CURRENT_USER, where.ProxySettingKey()), ERROR_SUCCESS);
    DWORD value = 0;
    EXPECT_EQ(flags.QueryDWORD(BLOKKUM_FLAG_LAN, value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(flags.HasValue(BLOKKUM_FLAG_DIALUP));

    ResetIEProxy(ie, true, false);
    EXPECT_FALSE(ie.IsProxySet());
    EXPECT_EQ(settings.m_dwLanConfigured, 0u);
    flags.QueryDWORD(BLOKKUM_FLAG_LAN, value);
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(IEProxySettings, DialUpFlagIsClearedOnlyWhenTheLastConfiguredConnectionIsReset) {
    for (int checkedCount : {1, 2}) {
        SCOPED_TRACE(checkedCount);
        CSavedInternetSettings saved;
        IEFixture f;
        f.AddConnection("QvTestDialA", Blob(3, kOurs, DWORD(kOurs.GetLength())));
        f.AddConnection("QvTestDialB", Blob(3, kOurs, DWORD(kOurs.GetLength())));
        f.SetInternetSettings(0, "");
        CBlokkumSettings settings(f.where);
        settings.m_dwDialUpConfigured = 1;
        CBrowserProxyContext context(settings, f.system);
        CIEProxySettings ie(context);
        ie.ListDialUpConnections(false);
        ASSERT_EQ(ie.m_configuredCount, 2);
        for (int i = 0; i < checkedCount; ++i) ie.m_connections[i].checked = 1;
        ResetIEProxy(ie, false, true);
        EXPECT_EQ(settings.m_dwDialUpConfigured, checkedCount == 2 ? 0u : 1u);
        EXPECT_EQ(f.Flag(BLOKKUM_FLAG_DIALUP), checkedCount == 2 ? 0u : 99u);
        EXPECT_EQ(f.Flag(BLOKKUM_FLAG_LAN), 99u);
        CRegKey real;
        if (real.Open(HKEY_CURRENT_USER, BLOKKUM_INTERNET_SETTINGS_KEY "\\Connections", KEY_WRITE) == ERROR_SUCCESS) {
            real.DeleteValue("QvTestDialA");
            real.DeleteValue("QvTestDialB");
        }
    }
}

TEST(IEProxySettings, FindAppPathNeedsANonEmptyDefaultValue) {
    CTestRegistryKey reg;
    CBrowserSystem system;
    system.appPathsRoot = HKEY_CURRENT_USER;
    system.appPathsKey = reg.SubKey();
    CRegKey key;
    key.Create(HKEY_CURRENT_USER, reg.SubKey() + "\\Iexplore.exe");
    key.SetString(nullptr, "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE");
    key.Create(HKEY_CURRENT_USER, reg.SubKey() + "\\Empty.exe");
    key.SetString(nullptr, "");
    CString path;
    EXPECT_TRUE(FindAppPath(system, "Iexplore.exe", path));
    EXPECT_EQ(path, "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE");
    EXPECT_FALSE(FindAppPath(system, "Empty.exe", path));
    EXPECT_FALSE(FindAppPath(system, "Missing.exe", path));
}
