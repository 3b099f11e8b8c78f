#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "NetscapeProxySettings.h"
#include "Registry.h"
#include "TestSupport.h"

namespace {
COSVersion Version(DWORD platform, DWORD major, DWORD minor) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return COSVersion(info);
}

const char kSetUserJs[] =
    "user_pref(\"network.proxy.http\", \"" BLOKKUM_PROXY_HOST_ALIAS "\");\r\n"
    "user_pref(\"network.proxy.http_port\", 8100);\r\n"
    "user_pref(\"network.proxy.type\", 1);\r\n";

// A Windows 98 machine under a temporary folder: alice in the standard
// profiles folder, bob there without a salted folder, carol elsewhere and
// known only from registry.dat.
struct MozillaFixture {
    CTempFolder root;
    CTestRegistryKey reg;
    CBlokkumLocations where;
    CBlokkumSettings settings;
    CBrowserProxyContext context;
    CString mozilla;
    CString alicePrefs, aliceUser, carolFolder;
    MozillaFixture()
        : where(Locations(reg)), settings(where),
          context(settings, CBrowserSystem(root.File("WINDOWS"), "joe", Version(1, 4, 10))) {
        mozilla = root.File("WINDOWS\\Application Data\\Mozilla\\");
        alicePrefs = root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\ab12.slt\\prefs.js",
                                "// Mozilla User Preferences\r\n"
                                "user_pref(\"browser.startup.homepage\", \"http://example.org/\");\r\n"
                                "user_pref(\"network.proxy.http_port\", 3128);\r\n"
                                "user_pref(\"network.proxy.https\", \"secure.example\");\r\n");
        aliceUser = root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\ab12.slt\\user.js",
                               "user_pref(\"mail.check_time\", 5);");
        root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\bob\\notes.txt", "x");
        carolFolder = root.File("Elsewhere\\carol\\cd34.slt");
        root.Write("Elsewhere\\carol\\cd34.slt\\prefs.js", "user_pref(\"a\", 1);\n");
        std::string registry("\x76\x31\x2e\x30 header\0", 12);
        registry += std::string("directory\0", 10) + carolFolder.c_str() + std::string("\0", 1);
        registry += std::string("directory\0", 10) + (mozilla + "Profiles\\alice\\ab12.slt").c_str() +
                    std::string("\0", 1);
        registry += std::string("directory\0", 10) + std::string(300, 'x') + ".slt" + std::string("\0", 1);
        root.Write("WINDOWS\\Application Data\\Mozilla\\registry.dat", registry);
    }
    static CBlokkumLocations Locations(const CTestRegistryKey& reg) {
        CBlokkumLocations w;
        w.key = reg.SubKey() + "\\Quorvane Blokkum";
        return w;
    }
    DWORD Flag() const {
        CRegKey key;
        DWORD value = 99;
        key.Open(HKEY_CURRENT_USER, where.ProxySettingKey());
        key.QueryDWORD(BLOKKUM_FLAG_NETSCAPE, value);
        return value;
    }
};

void Check(CNetscapeProxySettings& ns, std::initializer_list<const char*> names) {
    for (int i = 0; i < ns.m_profiles.GetSize(); ++i)
        for (const char* name : names)
            if (ns.m_profiles[i].name == name) ns.m_profiles[i].checked = 1;
}
}  // namespace

TEST(NetscapeProxySettings, MozillaFolderFollowsTheWindowsVersion) {
    struct Row {
        COSVersion os;
        const char* expected;
    } rows[] = {
        {Version(2, 5, 1), "C:\\Documents and Settings\\joe\\Application Data\\Mozilla\\"},
        {Version(2, 5, 0), "C:\\Documents and Settings\\joe\\Application Data\\Mozilla\\"},
        {Version(1, 4, 90), "C:\\WINDOWS\\Application Data\\Mozilla\\"},
        {Version(1, 4, 0), "C:\\WINDOWS\\Application Data\\Mozilla\\"},
        {Version(2, 4, 0), "C:\\WINDOWS\\Profiles\\joe\\Application Data\\Mozilla\\"},
        // Unknown versions find nothing rather than searching the current folder.
        {Version(2, 6, 1), ""},
    };
    CBlokkumSettings settings;
    for (const Row& r : rows) {
        CBrowserProxyContext context(settings, CBrowserSystem("C:\\WINDOWS", "joe", r.os));
        CNetscapeProxySettings ns(context);
        EXPECT_EQ(ns.MozillaFolder(), r.expected);
    }
}

TEST(NetscapeProxySettings, ProfilesComeFromTheFolderAndFromRegistryDat) {
    MozillaFixture f;
    CNetscapeProxySettings ns(f.context);
    ns.ListNetscapeProfiles(true);
    ASSERT_EQ(ns.m_profileCount, 3);
    EXPECT_EQ(ns.m_profiles[0].name, "alice");
    EXPECT_EQ(ns.m_profiles[0].folder, NETSCAPE_FOLDER_UNKNOWN);
    EXPECT_EQ(ns.m_profiles[1].name, "bob");
    EXPECT_EQ(ns.m_profiles[2].name, "carol");
    EXPECT_EQ(ns.m_profiles[2].folder, f.carolFolder);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ns.m_profiles[i].greyed, 0);
    EXPECT_FALSE(CNetscapeProxySettings(f.context).IsNetscapeConfigured());

    // carol alone is found only through registry.dat.
    Check(ns, {"carol"});
    ns.SetNetscapeProxy();
    EXPECT_EQ(ReadFileText(f.carolFolder + "\\user.js"), kSetUserJs);
    EXPECT_TRUE(CNetscapeProxySettings(f.context).IsNetscapeConfigured());
    ns.ListNetscapeProfiles(false);
    ASSERT_EQ(ns.m_profileCount, 3);
    EXPECT_EQ(ns.m_profiles[0].greyed, 1);
    EXPECT_EQ(ns.m_profiles[2].greyed, 0);
}

TEST(NetscapeProxySettings, SetAndResetChangeOnlyTheProxyPreferences) {
    MozillaFixture f;
    CScriptedMessageBoxes boxes;
    CNetscapeProxySettings ns(f.context);
    ns.ListNetscapeProfiles(true);
    Check(ns, {"alice", "bob"});
    ns.SetNetscapeProxy();

    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error, Failed to set Netscape's profile bob proxy setting because " +
                                 std::string(f.mozilla + "Profiles\\bob\\prefs.js") + " doesn't exist.");
    EXPECT_EQ(shown[0].caption, BLOKKUM_CAPTION);
    EXPECT_EQ(shown[0].type, UINT(MB_OK | MB_ICONSTOP));

    EXPECT_EQ(ReadFileText(f.alicePrefs),
              "// Mozilla User Preferences\r\n"
              "user_pref(\"browser.startup.homepage\", \"http://example.org/\");\r\n"
              "user_pref(\"network.proxy.https\", \"secure.example\");\r\n");
    EXPECT_EQ(ReadFileText(f.aliceUser), std::string("user_pref(\"mail.check_time\", 5);\r\n") + kSetUserJs);
    EXPECT_EQ(f.Flag(), 1u);
    EXPECT_EQ(f.settings.m_dwNetscapeConfigured, 1u);
    EXPECT_EQ(ns.m_setDone, 1);

    ns.ListNetscapeProfiles(false);
    Check(ns, {"alice"});
    ns.ResetNetscapeProxy();
    EXPECT_EQ(ReadFileText(f.aliceUser),
              "user_pref(\"mail.check_time\", 5);\r\n"
              "user_pref(\"network.proxy.http\", \"\");\r\n"
              "user_pref(\"network.proxy.http_port\", 0);\r\n"
              "user_pref(\"network.proxy.type\", 0);\r\n");
    EXPECT_EQ(f.Flag(), 0u);
    EXPECT_FALSE(CNetscapeProxySettings(f.context).IsNetscapeConfigured());
}
