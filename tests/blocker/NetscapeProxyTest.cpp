#include <gtest/gtest.h>

#include <vector>

#include "BlokkumShared.h"
#include "IEProxyTestSupport.h"
#include "Files.h"
#include "Handles.h"
#include "NetscapeProxySettings.h"
#include "TestSupport.h"

namespace {
const char kSetUserJs[] =
    "user_pref(\"network.proxy.http\", \"" BLOKKUM_PROXY_HOST_ALIAS "\");\r\n"
    "user_pref(\"network.proxy.http_port\", 8100);\r\n"
    "user_pref(\"network.proxy.type\", 1);\r\n";

void Check(CNetscapeProxySettings& ns, std::initializer_list<const char*> names) {
    for (int i = 0; i < ns.m_profiles.GetSize(); ++i) {
        ns.m_profiles[i].checked = 0;
        for (const char* name : names) ns.m_profiles[i].checked |= ns.m_profiles[i].name == name;
    }
}

CBlokkumLocations BlokkumKeyBelow(const CTestRegistryKey& reg) {
    CBlokkumLocations where;
    where.key = reg.SubKey() + "\\Quorvane Blokkum";
    return where;
}

// A Windows 98 machine in a folder of its own, with Blokkum's key in a test key.
struct CWindows98World {
    CTempFolder root;
    CTestRegistryKey reg;
    CBlokkumLocations where = BlokkumKeyBelow(reg);
    CBlokkumSettings settings{where};
    CBrowserProxyContext context{settings, CBrowserSystem(root.File("WINDOWS"), "joe", TestVersion(1, 4, 10))};
};
}  // namespace

TEST(NetscapeProxySettings, MozillaFolderFollowsTheWindowsVersion) {
    struct Row {
        COSVersion os;
        const char* expected;
    } rows[] = {
        {TestVersion(2, 5, 1), "C:\\Documents and Settings\\joe\\Application Data\\Mozilla\\"},
        {TestVersion(2, 5, 0), "C:\\Documents and Settings\\joe\\Application Data\\Mozilla\\"},
        {TestVersion(1, 4, 90), "C:\\WINDOWS\\Application Data\\Mozilla\\"},
        {TestVersion(2, 4, 0), "C:\\WINDOWS\\Profiles\\joe\\Application Data\\Mozilla\\"},
        // An unknown version finds nothing rather than searching the current folder.
        {TestVersion(2, 6, 1), ""},
    };
    CBlokkumSettings settings;
    for (const Row& r : rows) {
        CBrowserProxyContext context(settings, CBrowserSystem("C:\\WINDOWS", "joe", r.os));
        EXPECT_EQ(CNetscapeProxySettings(context).MozillaFolder(), r.expected);
    }
}

TEST(NetscapeProxySettings, ProfilesOfBothSourcesAreSetAndResetKeepingTheUsersOtherLines) {
    // Windows 98: alice in the profiles folder, bob there without a salted
    // folder, carol elsewhere and named only in registry.dat.
    CWindows98World world;
    CTempFolder& root = world.root;
    const CBlokkumLocations& where = world.where;
    CBrowserProxyContext& context = world.context;
    const CString mozilla = root.File("WINDOWS\\Application Data\\Mozilla\\");
    const CString alice = root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\ab12.slt\\prefs.js",
                                     "user_pref(\"browser.startup.homepage\", \"http://example.org/\");\r\n"
                                     "user_pref(\"network.proxy.http_port\", 3128);\r\n"
                                     "user_pref(\"network.proxy.https\", \"secure.example\");\r\n");
    const CString aliceUser = FolderOf(alice) + "\\user.js";
    root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\ab12.slt\\user.js", "user_pref(\"a\", 5);");
    root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\bob\\notes.txt", "x");
    const CString carol = FolderOf(root.Write("Elsewhere\\carol\\cd34.slt\\prefs.js", ""));
    const std::string tag("directory\0", 10), nul("\0", 1);
    root.Write("WINDOWS\\Application Data\\Mozilla\\registry.dat",
               "head" + nul + tag + carol.c_str() + nul + tag + (mozilla + "Profiles\\alice\\ab12.slt").c_str() + nul +
                   tag + std::string(300, 'x') + ".slt" + nul);

    CScriptedMessageBoxes boxes;
    CNetscapeProxySettings ns(context);
    ns.ListNetscapeProfiles(true);
    ASSERT_EQ(ns.m_profileCount, 3);
    EXPECT_EQ(ns.m_profiles[0].name + ns.m_profiles[1].name + ns.m_profiles[2].name, "alicebobcarol");
    EXPECT_EQ(ns.m_profiles[2].folder, carol);
    EXPECT_FALSE(CNetscapeProxySettings(context).IsNetscapeConfigured());
    Check(ns, {"carol"});
    ns.SetNetscapeProxy();
    EXPECT_EQ(ReadFileText(carol + "\\user.js"), kSetUserJs);
    EXPECT_TRUE(CNetscapeProxySettings(context).IsNetscapeConfigured());

    Check(ns, {"alice", "bob"});
    ns.SetNetscapeProxy();
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error, Failed to set Netscape's profile bob proxy setting because " +
                                 std::string(mozilla + "Profiles\\bob\\prefs.js") + " doesn't exist.");
    EXPECT_EQ(shown[0].type, UINT(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(ReadFileText(alice),
              "user_pref(\"browser.startup.homepage\", \"http://example.org/\");\r\n"
              "user_pref(\"network.proxy.https\", \"secure.example\");\r\n");
    EXPECT_EQ(ReadFileText(aliceUser), std::string("user_pref(\"a\", 5);\r\n") + kSetUserJs);
    EXPECT_EQ(ReadDWORD(where.ProxySettingKey(), BLOKKUM_FLAG_NETSCAPE), 1u);

    ns.ListNetscapeProfiles(false);
    EXPECT_EQ(ns.m_profiles[1].greyed, 1);
    Check(ns, {"alice", "carol"});
    // Carol's proxy has been pointed elsewhere since Blokkum's set.
    const std::string carolSince = "user_pref(\"network.proxy.http\", \"other\");\r\n"
                                   "user_pref(\"network.proxy.http_port\", 8080);\r\n";
    root.Write("Elsewhere\\carol\\cd34.slt\\user.js", carolSince);
    ns.ResetNetscapeProxy();
    EXPECT_EQ(ReadFileText(carol + "\\user.js"), carolSince);
    // The proxy lines the set replaced come back.
    EXPECT_EQ(ReadFileText(aliceUser), "user_pref(\"a\", 5);\r\n");
    EXPECT_EQ(ReadFileText(alice),
              "user_pref(\"browser.startup.homepage\", \"http://example.org/\");\r\n"
              "user_pref(\"network.proxy.https\", \"secure.example\");\r\n"
              "user_pref(\"network.proxy.http_port\", 3128);\r\n");
    EXPECT_EQ(ReadDWORD(where.ProxySettingKey(), BLOKKUM_FLAG_NETSCAPE), 0u);
    EXPECT_FALSE(CNetscapeProxySettings(context).IsNetscapeConfigured());
}

TEST(NetscapeProxySettings, AFileThatCannotBeReadOrReplacedLeavesEveryChosenProfileAsItWas) {
    // Held so that it cannot be read, or read but not replaced.
    const DWORD shares[] = {0, FILE_SHARE_READ};
    const std::string prefs = "user_pref(\"network.proxy.http_port\", 3128);\r\nuser_pref(\"x\", 1);\r\n";
    for (DWORD share : shares) {
        for (bool set : {true, false}) {
            // A reset starts from profiles on Blokkum's proxy.
            const std::string user = std::string("user_pref(\"a\", 5);\r\n") + (set ? "" : kSetUserJs);
            SCOPED_TRACE(testing::Message() << "share " << share << (set ? ", set" : ", reset"));
            CWindows98World world;
            CTempFolder& root = world.root;
            const CBlokkumLocations& where = world.where;
            CBrowserProxyContext& context = world.context;
            std::vector<CString> files;
            for (const char* name : {"alice", "carol"}) {
                const std::string folder =
                    std::string("WINDOWS\\Application Data\\Mozilla\\Profiles\\") + name + "\\ab.slt\\";
                files.push_back(root.Write((folder + "prefs.js").c_str(), prefs));
                files.push_back(root.Write((folder + "user.js").c_str(), user));
            }
            const CString carolUser = files.back();
            CNetscapeProxySettings ns(context);
            ns.ListNetscapeProfiles(set);
            for (int i = 0; i < ns.m_profiles.GetSize(); ++i) ns.m_profiles[i].checked = 1;
            CScriptedMessageBoxes boxes;
            {
                CHandle held = HoldFile(carolUser, share);
                ASSERT_TRUE(held.IsValid());
                EXPECT_FALSE(set ? ns.SetNetscapeProxy() : ns.ResetNetscapeProxy());
            }
            for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(ReadFileText(files[i]), i % 2 ? user : prefs);
            const auto shown = boxes.Boxes();
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, std::string("Error, Failed to ") + (set ? "set" : "reset") +
                                         " Netscape's profile carol proxy setting because " + carolUser.c_str() +
                                         " can't be read or written. No profile was changed.");
            EXPECT_EQ(ReadDWORD(where.ProxySettingKey(), BLOKKUM_FLAG_NETSCAPE), 99u);
            WIN32_FIND_DATAA data;
            CFindHandle left(FindFirstFileA(FolderOf(carolUser) + "\\*~", &data));
            EXPECT_FALSE(left.IsValid()) << data.cFileName;
        }
    }
}

// The proxy switched off by hand (type 0) still names Blokkum's host and
// port: a second set keeps what the first one kept, and the reset gives the
// user's company proxy back.
TEST(NetscapeProxySettings, ASecondSetAfterTheProxyWasSwitchedOffByHandKeepsTheUsersProxy) {
    CWindows98World world;
    const std::string user = "user_pref(\"network.proxy.type\", 1);\r\n"
                             "user_pref(\"network.proxy.http\", \"cache.corp\");\r\n"
                             "user_pref(\"network.proxy.http_port\", 3128);\r\n";
    const std::string folder = "WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\ab.slt\\";
    const CString prefs = world.root.Write((folder + "prefs.js").c_str(), "user_pref(\"x\", 1);\r\n");
    const CString userJs = world.root.Write((folder + "user.js").c_str(), user);
    CScriptedMessageBoxes boxes;
    CNetscapeProxySettings ns(world.context);
    ns.ListNetscapeProfiles(true);
    Check(ns, {"alice"});
    ASSERT_TRUE(ns.SetNetscapeProxy());
    std::string off = ReadFileText(userJs);
    off.replace(off.find("\"network.proxy.type\", 1"), 23, "\"network.proxy.type\", 0");
    world.root.Write((folder + "user.js").c_str(), off);
    ASSERT_TRUE(ns.SetNetscapeProxy());
    ASSERT_TRUE(ns.ResetNetscapeProxy());
    EXPECT_EQ(ReadFileText(userJs), user);
    EXPECT_EQ(ReadFileText(prefs), "user_pref(\"x\", 1);\r\n");
    EXPECT_TRUE(boxes.Boxes().empty());
}
