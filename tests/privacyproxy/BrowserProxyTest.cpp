// Browser proxy set and reset on files in a temporary profile folder and on
// Internet Explorer's values under a test key.
#include <gtest/gtest.h>

#include <cstring>

#include "BrowserProxy.h"
#include "FileEntries.h"
#include "Files.h"
#include "Registry.h"
#include "RegistryKey.h"
#include "VeilrunTestSupport.h"

namespace {

const char* const kSetPrefs =
    "user_pref(\"network.proxy.type\", 1);\r\n"
    "user_pref(\"network.proxy.http\", \"127.0.0.1\");\r\n"
    "user_pref(\"network.proxy.http_port\", 8100);\r\n";

TEST(NetscapeProxy, PrefsLinesAreReplacedInPlaceOrAppended) {
    const struct {
        const char* name;
        const char* before;
        bool enable;
        const char* after;
    } cases[] = {
        {"no proxy lines: appended in order", "user_pref(\"a\", 1);", true,
         "user_pref(\"a\", 1);\r\n"
         "user_pref(\"network.proxy.type\", 1);\r\n"
         "user_pref(\"network.proxy.http\", \"127.0.0.1\");\r\n"
         "user_pref(\"network.proxy.http_port\", 8100);\r\n"},
        {"replaced where they stand", "user_pref(\"network.proxy.http_port\", 3128);\r\nx\r\n"
         "user_pref(\"network.proxy.type\", 0);\r\nuser_pref(\"network.proxy.http\", \"gate\");\r\n", true,
         "user_pref(\"network.proxy.http_port\", 8100);\r\nx\r\n"
         "user_pref(\"network.proxy.type\", 1);\r\nuser_pref(\"network.proxy.http\", \"127.0.0.1\");\r\n"},
        {"a commented line is left", "// user_pref(\"network.proxy.type\", 4);\n", false,
         "// user_pref(\"network.proxy.type\", 4);\r\nuser_pref(\"network.proxy.type\", 0);\r\n"},
        {"reset keeps host and port", kSetPrefs, false,
         "user_pref(\"network.proxy.type\", 0);\r\n"
         "user_pref(\"network.proxy.http\", \"127.0.0.1\");\r\n"
         "user_pref(\"network.proxy.http_port\", 8100);\r\n"},
    };
    for (const auto& c : cases) {
        CVeilrunWorld world;
        world.Write("profile\\Application Data\\Mozilla\\p1\\default\\x1\\prefs.js", c.before);
        world.Write("profile\\Application Data\\Mozilla\\p2\\default\\x2\\prefs.js", "untouched");
        c.enable ? EnableNetscapeProxy("127.0.0.1", 8100) : DisableNetscapeProxy();
        EXPECT_EQ(c.after, ReadFileText(world.PrefsPath())) << c.name;
        EXPECT_EQ("untouched", ReadFileText(world.File("profile\\Application Data\\Mozilla\\p2\\default\\x2\\prefs.js")))
            << c.name;
        EXPECT_FALSE(FileExists(world.PrefsPath() + "__temp")) << c.name;
        EXPECT_FALSE(FileExists(world.PrefsPath() + ".tmp~")) << c.name;
    }
}

TEST(OperaProxy, ProxySectionLinesInAnyLetterCase) {
    const struct {
        const char* name;
        const char* before;
        bool enable;
        const char* after;
    } cases[] = {
        {"Use HTTPS is a key of its own, left as it is",
         "[Proxy]\r\nUse HTTPS=0\r\nUse HTTP=0\r\nHTTP Server=old:1\r\nEnable HTTP 1.1 for proxy=0\r\n[Next]\r\nUse HTTP=0", true,
         "[Proxy]\r\nUse HTTPS=0\r\nUse HTTP=1\r\nHTTP Server=127.0.0.1:8100\r\nEnable HTTP 1.1 for proxy=1\r\n[Next]\r\n"
         "Use HTTP=0\r\n"},
        {"missing keys become the section's first lines, small letters too",
         "[General]\r\nx=1\r\n[proxy]\r\n; note\r\nFTP Server=f\r\n", true,
         "[General]\r\nx=1\r\n[proxy]\r\n; note\r\nEnable HTTP 1.1 for proxy=1\r\nHTTP Server=127.0.0.1:8100\r\n"
         "Use HTTP=1\r\nFTP Server=f\r\n"},
        {"no Proxy section: same lines", "[General]\r\nUse HTTP=0\r\n", true, "[General]\r\nUse HTTP=0\r\n"},
        {"reset", "[Proxy]\r\nUse HTTP=1\r\nHTTP Server=127.0.0.1:8100\r\n", false,
         "[Proxy]\r\nUse HTTP=0\r\nHTTP Server=127.0.0.1:8100\r\n"},
        {"a Proxy section that ends the file gets its line", "[Proxy]", false, "[Proxy]\r\nUse HTTP=0\r\n"},
    };
    for (const auto& c : cases) {
        CVeilrunWorld world;
        world.Write("profile\\Application Data\\Opera\\u1\\profile\\opera6.ini", c.before);
        c.enable ? EnableOperaProxy("127.0.0.1", 8100) : DisableOperaProxy();
        EXPECT_EQ(c.after, ReadFileText(world.OperaPath())) << c.name;
    }
}

TEST(BrowserFiles, ResetPutsBackTheProxyEachFileHadBefore) {
    const char* const prefs =
        "user_pref(\"network.proxy.type\", 1);\r\nuser_pref(\"network.proxy.http\", \"gate\");\r\n"
        "user_pref(\"network.proxy.http_port\", 3128);\r\n";
    const char* const opera = "[Proxy]\r\nUse HTTP=1\r\nHTTP Server=blokkum:8100\r\nEnable HTTP 1.1 for proxy=0\r\n";
    CVeilrunWorld world;
    world.Write("profile\\Application Data\\Mozilla\\p1\\default\\x1\\prefs.js", prefs);
    world.Write("profile\\Application Data\\Opera\\u1\\profile\\opera6.ini", opera);
    EnableNetscapeProxy("127.0.0.1", 8100);
    EnableOperaProxy("127.0.0.1", 8100);
    EXPECT_NE(std::string::npos, ReadFileText(world.PrefsPath()).find("\"127.0.0.1\""));
    EXPECT_NE(std::string::npos, ReadFileText(world.OperaPath()).find("HTTP Server=127.0.0.1:8100"));
    DisableNetscapeProxy();
    DisableOperaProxy();
    EXPECT_EQ(prefs, ReadFileText(world.PrefsPath()));
    EXPECT_EQ(opera, ReadFileText(world.OperaPath()));
}

TEST(BrowserFiles, MissingOrUnreadableFilesChangeNothing) {
    CVeilrunWorld world;
    EnableNetscapeProxy("127.0.0.1", 8100);
    EnableOperaProxy("127.0.0.1", 8100);
    const CString path = world.Write("settings.ini", "[Proxy]\r\nUse HTTP=0\r\n");
    HANDLE locked = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(ReplaceLine(path, "[Proxy]", "[", ";", "Use HTTP=0", "Use HTTP=1", false));
    EXPECT_FALSE(InsertLine(path, "[Proxy]", "[", ";", "Use HTTP=1", false));
    CloseHandle(locked);
    EXPECT_EQ("[Proxy]\r\nUse HTTP=0\r\n", ReadFileText(path));
    EXPECT_FALSE(FolderExists(world.File("profile")));
}

// A per-connection value: 8 bytes, flags, the proxy text's length and text, a tail.
std::string ConnectionValue(DWORD flags, const std::string& proxy) {
    std::string bytes(8, '\x46');
    DWORD length = DWORD(proxy.size());
    bytes.append(reinterpret_cast<const char*>(&flags), 4);
    bytes.append(reinterpret_cast<const char*>(&length), 4);
    return bytes + proxy + "TAIL";
}

TEST(IEProxy, SetAndResetRewriteEveryDialUpConnection) {
    CVeilrunWorld world;
    CRegKey connections;
    ASSERT_EQ(ERROR_SUCCESS,
              connections.Create(HKEY_CURRENT_USER, CRegistryKey(g_Places.IESettingsKey).m_strSubKey + "\\Connections"));
    const std::string longer = ConnectionValue(1, "gateway.example.net:3128");
    const std::string shorter = ConnectionValue(9, "g:1");
    const std::string lan = ConnectionValue(1, "lan:1");
    connections.SetBinary("Longer", longer.data(), DWORD(longer.size()));
    connections.SetBinary("Shorter", shorter.data(), DWORD(shorter.size()));
    connections.SetBinary("defaultconnectionsettings", lan.data(), DWORD(lan.size()));
    connections.SetBinary("SavedLegacySettings", lan.data(), DWORD(lan.size()));

    EnableIEProxy("127.0.0.1", 8100);
    CString bytes;
    connections.QueryBinary("Longer", bytes);
    EXPECT_EQ(ConnectionValue(3, "127.0.0.1:8100"), bytes.str()) << "shrinks by the difference";
    connections.QueryBinary("Shorter", bytes);
    EXPECT_EQ(ConnectionValue(11, "127.0.0.1:8100"), bytes.str()) << "grows";
    for (const char* name : {"defaultconnectionsettings", "SavedLegacySettings"}) {
        connections.QueryBinary(name, bytes);
        EXPECT_EQ(lan, bytes.str()) << name;
    }
    EXPECT_EQ(1, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable"));
    EXPECT_EQ("127.0.0.1:8100", RegistryText(g_Places.IESettingsKey, "ProxyServer"));
    EXPECT_EQ(1, RegistryNumber(g_Places.IEAdvancedKey + "\\PROXY", "CheckedValue"));

    DisableIEProxy();
    connections.QueryBinary("Shorter", bytes);
    EXPECT_EQ(shorter, bytes.str()) << "the connection's own proxy comes back";
    connections.QueryBinary("Longer", bytes);
    EXPECT_EQ(longer, bytes.str());
    EXPECT_EQ(0, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable"));
    EXPECT_EQ("127.0.0.1:8100", RegistryText(g_Places.IESettingsKey, "ProxyServer"));
}

TEST(IEProxy, ResetPutsBackOnlyWhatTheSetChanged) {
    const struct {
        const char* name;
        long enable;
        const char* server;
        const char* changedMeanwhile;  // another program's setting while Veilrun ran
        long enableAfter;
        const char* serverAfter;
    } cases[] = {
        {"another program's proxy comes back", 1, "http=blokkum:8100", nullptr, 1, "http=blokkum:8100"},
        {"a proxy switched off stays off", 0, "gate:3128", nullptr, 0, "gate:3128"},
        {"Veilrun's own, left by a run without reset, is no proxy to put back", 1, "127.0.0.1:8100", nullptr, 0,
         "127.0.0.1:8100"},
        {"a change made meanwhile is left", 0, "gate:3128", "other:1", 1, "other:1"},
    };
    for (const auto& c : cases) {
        CVeilrunWorld world;
        const CRegistryKey settings(g_Places.IESettingsKey);
        settings.SetDWORD("ProxyEnable", DWORD(c.enable));
        settings.SetString("ProxyServer", c.server);
        // Not a connection's binary block: never rewritten.
        CRegistryKey(g_Places.IESettingsKey + "\\Connections").SetString("Text", "0123456789abcdefgh");
        EnableIEProxy("127.0.0.1", 8100);
        if (c.changedMeanwhile) {
            settings.SetDWORD("ProxyEnable", 1);
            settings.SetString("ProxyServer", c.changedMeanwhile);
        }
        DisableIEProxy();
        EXPECT_EQ(c.enableAfter, RegistryNumber(g_Places.IESettingsKey, "ProxyEnable")) << c.name;
        EXPECT_EQ(c.serverAfter, RegistryText(g_Places.IESettingsKey, "ProxyServer")) << c.name;
        EXPECT_EQ("0123456789abcdefgh", RegistryText(g_Places.IESettingsKey + "\\Connections", "Text")) << c.name;
    }
}


TEST(IEProxy, DamagedConnectionValuesAreLeftAlone) {
    const std::string cases[] = {std::string("short"), ConnectionValue(1, "abc").substr(0, 17)};
    for (const std::string& c : cases) {
        CString bytes(c);
        EXPECT_FALSE(RewriteConnectionSettings(bytes, true, "127.0.0.1:8100"));
        EXPECT_EQ(c, bytes.str());
    }
}

}  // namespace

namespace {

// A user's own proxy in all three browsers: the LAN and one dial-up
// connection, prefs.js and opera6.ini.
struct COwnProxyWorld {
    CVeilrunWorld world;
    CRegKey settings, connections;
    const std::string dial = ConnectionValue(3, "dial.example:8080");
    const std::string prefs =
        "user_pref(\"a\", 1);\r\nuser_pref(\"network.proxy.type\", 1);\r\n"
        "user_pref(\"network.proxy.http\", \"corp.example\");\r\nuser_pref(\"network.proxy.http_port\", 3128);\r\n";
    const std::string opera = "[Proxy]\r\nUse HTTP=1\r\nHTTP Server=corp.example:3128\r\nEnable HTTP 1.1 for proxy=0\r\n";
    COwnProxyWorld() {
        const CString key = CRegistryKey(g_Places.IESettingsKey).m_strSubKey;
        settings.Create(HKEY_CURRENT_USER, key);
        connections.Create(HKEY_CURRENT_USER, key + "\\Connections");
        settings.SetDWORD("ProxyEnable", 1);
        settings.SetString("ProxyServer", "corp.example:3128");
        connections.SetBinary("Dial", dial.data(), DWORD(dial.size()));
        world.Write("profile\\Application Data\\Mozilla\\p1\\default\\x1\\prefs.js", prefs);
        world.Write("profile\\Application Data\\Opera\\u1\\profile\\opera6.ini", opera);
    }
    std::string Dial() const {
        CString bytes;
        connections.QueryBinary("Dial", bytes);
        return bytes.str();
    }
    std::string Lan() const {
        CString server;
        DWORD enable = 99;
        settings.QueryDWORD("ProxyEnable", enable);
        settings.QueryString("ProxyServer", server);
        return std::to_string(enable) + " " + server.c_str();
    }
};

DWORD RunKilledVeilrun() {
    CString command = "\"" + GetModuleFolder() + "\\VeilrunSetUnderTest.exe\" \"" + g_Places.ProfileFolder + "\" \"" +
                      g_Places.IEAdvancedKey + "\" \"" + g_Places.IESettingsKey + "\" \"" + g_Places.ProxyRecordKey +
                      "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, command.GetBuffer(command.GetLength()), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return DWORD(-1);
    DWORD code = DWORD(-2);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

}  // namespace

// Veilrun sets the browsers and is killed; the next start finds its own
// proxy (on, or switched off by hand in the meantime) and its Exit gives the
// user's own back in every browser.
TEST(BrowserRecord, AStartAfterAKilledRunGivesBackWhatTheUserHadBeforeIt) {
    for (bool offByHand : {false, true}) {
        SCOPED_TRACE(offByHand ? "Veilrun's proxy switched off by hand after the kill" : "straight after the kill");
        COwnProxyWorld own;
        ASSERT_EQ(RunKilledVeilrun(), 9u);
        ASSERT_EQ(own.Lan(), "1 127.0.0.1:8100");
        ASSERT_EQ(own.Dial(), ConnectionValue(3, "127.0.0.1:8100"));
        ASSERT_NE(ReadFileText(own.world.OperaPath()).find("HTTP Server=127.0.0.1:8100"), std::string::npos);
        if (offByHand) {
            own.settings.SetDWORD("ProxyEnable", 0);
            const std::string off = ConnectionValue(1, "127.0.0.1:8100");
            own.connections.SetBinary("Dial", off.data(), DWORD(off.size()));
            ASSERT_TRUE(ReplaceLine(own.world.PrefsPath(), "", "", "//", "user_pref(\"network.proxy.type\", 1);",
                                    "user_pref(\"network.proxy.type\", 0);", false));
            ASSERT_TRUE(ReplaceLine(own.world.OperaPath(), "[Proxy]", "[", ";", "Use HTTP=1", "Use HTTP=0", false));
        }

        EnableOperaProxy("127.0.0.1", 8100);
        EnableNetscapeProxy("127.0.0.1", 8100);
        EnableIEProxy("127.0.0.1", 8100);
        DisableOperaProxy();
        DisableNetscapeProxy();
        DisableIEProxy();

        EXPECT_EQ(own.Lan(), "1 corp.example:3128");
        EXPECT_EQ(own.Dial(), own.dial);
        EXPECT_EQ(ReadFileText(own.world.PrefsPath()), own.prefs);
        EXPECT_EQ(ReadFileText(own.world.OperaPath()), own.opera);
        CRegKey record;
        ASSERT_EQ(record.Open(HKEY_CURRENT_USER, CRegistryKey(g_Places.ProxyRecordKey).m_strSubKey), ERROR_SUCCESS);
        EXPECT_TRUE(record.EnumSubKeys().IsEmpty()) << "the reset forgets what it gave back";
    }
}

// A prefs.js reached through a link (a profile on another disk) changes
// where the link leads, and the link stays.
TEST(BrowserFiles, ALinkedPrefsFileChangesWhereItLeads) {
    CVeilrunWorld world;
    const std::string prefs = "user_pref(\"network.proxy.type\", 0);\r\n";
    const CString real = world.Write("elsewhere\\prefs.js", prefs);
    world.Write("profile\\Application Data\\Mozilla\\p1\\default\\x1\\keep.txt", "");
    if (!HostLink("ln -s", world.PrefsPath(), real)) GTEST_SKIP() << "no host ln to make links";
    EnableNetscapeProxy("127.0.0.1", 8100);
    EXPECT_EQ(ReadFileText(real), kSetPrefs);
    EXPECT_EQ(RealPathOf(world.PrefsPath()).CompareNoCase(RealPathOf(real)), 0) << "the link became a plain file";
    DisableNetscapeProxy();
    EXPECT_EQ(RealPathOf(world.PrefsPath()).CompareNoCase(RealPathOf(real)), 0);
    EXPECT_EQ(ReadFileText(real), prefs + std::string(kSetPrefs).substr(prefs.size()));
    HostLink("rm -f", world.PrefsPath());
}
