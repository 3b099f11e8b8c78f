#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "Files.h"
#include "HostsFile.h"
#include "IEProxyTestSupport.h"
#include "Registry.h"
#include "TestSupport.h"
#include "UninstallerApp.h"

namespace {
// A hidden top-level window with Blokkum's title; Blokkout finds it by caption.
class CTitledWindow {
public:
    explicit CTitledWindow(const char* title)
        : m_hwnd(CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", title, 0, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr)) {}
    ~CTitledWindow() { DestroyWindow(m_hwnd); }
    bool Received(UINT message) {
        MSG msg;
        return PeekMessageA(&msg, m_hwnd, message, message, PM_REMOVE) != FALSE;
    }

private:
    HWND m_hwnd;
};

CString UniqueTitle() {
    CString title;
    // '#' stays in a caption: Blokkum titles its window with the pack's text as it stands.
    title.Format("Blokkum test#window %lu %lu", GetCurrentProcessId(), GetTickCount());
    return title;
}

const char kOperaSet[] = "[User Prefs]\r\nX=1\r\n[Proxy]\r\nUse HTTP=1\r\nHTTP Server=" BLOKKUM_PROXY_HOST_ALIAS
                         ":8100\r\n";
const char kUserJsSet[] =
    "user_pref(\"network.proxy.http\", \"" BLOKKUM_PROXY_HOST_ALIAS "\");\r\n"
    "user_pref(\"network.proxy.http_port\", 8100);\r\n"
    "user_pref(\"network.proxy.type\", 1);\r\n";

// Blokkum installed on a Windows 98 tree under a temporary folder.
struct UninstallFixture {
    CTempFolder root;
    CTestRegistryKey reg;
    CUninstallLocations where;
    CString program, hosts, title;
    UninstallFixture() : title(UniqueTitle()) {
        where.blokkum.key = reg.SubKey() + "\\Quorvane Blokkum";
        where.blokkum.operaKey = reg.SubKey() + "\\Opera Software";
        where.blokkum.mozillaKey = reg.SubKey() + "\\Mozilla";
        where.zonesKey = reg.SubKey() + "\\Zones";
        where.system = CBrowserSystem(root.File("WINDOWS"), "joe", TestVersion(1, 4, 10));
        where.system.internetSettingsKey = reg.SubKey() + "\\Internet Settings";
        program = root.File("Blokkum");
        hosts = root.File("WINDOWS\\hosts");
    }
    void SeedBlokkum() const {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, where.blokkum.key);
        key.SetString("Path", program);
        key.SetString("Language", "Pack");
        root.Write("Blokkum\\Language\\Pack.ini", std::string("[QuorvaneBlokkum]\r\n9999=") + title.c_str() + "\r\n");
    }
    CString Zone(int n) const {
        CString key;
        key.Format("%s\\%d", where.zonesKey.c_str(), n);
        return key;
    }
};
}  // namespace

TEST(Blokkout, ZoneActionsAndBrowserProxiesAreGivenBack) {
    UninstallFixture f;
    f.SeedBlokkum();
    f.root.Write("Blokkum\\acRs.ini",
                 "[Local Intranet]\r\n1001=0\r\n1004=absent\r\n[Trusted Sites]\r\n1001=3\r\n"
                 "[Internet]\r\n1001=absent\r\n1200=65536\r\n[Restricted Sites]\r\n1001=3\r\n1201=oops\r\n");
    for (int zone : {1, 3, 4})
        for (const char* action : kZoneActions) {
            WriteDWORD(f.Zone(zone), action, 7);
            RecordZoneAction(HKEY_CURRENT_USER, f.where.blokkum.key, zone, action, 7);
        }
    // Blokkum wrote 0 there, and the action has been changed elsewhere since.
    RecordZoneAction(HKEY_CURRENT_USER, f.where.blokkum.key, 4, "1001", 0);

    const CString proxySetting = f.where.blokkum.ProxySettingKey();
    WriteDWORD(proxySetting, BLOKKUM_FLAG_NETSCAPE, 1);
    WriteDWORD(proxySetting, BLOKKUM_FLAG_OPERA7, 1);
    CRegKey opera, mozilla;
    opera.Create(HKEY_CURRENT_USER, f.where.blokkum.operaKey);
    opera.SetString("Last Directory2", f.root.File("Opera7"));
    mozilla.Create(HKEY_CURRENT_USER, f.where.blokkum.mozillaKey + "\\Mozilla 1.4");
    f.root.Write("Opera7\\Opera.exe", "MZ");
    f.root.Write("Opera7\\OperaDef6.ini", "[System]\r\nMulti User=0\r\n");
    const CString operaIni = f.root.Write("Opera7\\profile\\opera6.ini", kOperaSet);
    const CString userJs = f.root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\x.slt\\user.js", kUserJsSet);
    f.root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\x.slt\\prefs.js", "");
    f.root.Write("WINDOWS\\hosts", "127.0.0.1 localhost\r\n");

    CScriptedMessageBoxes boxes;
    CUninstallerApp app(f.where);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(boxes.Boxes().empty());

    // Absent, damaged and missing entries leave the action, and so does one
    // changed since Blokkum wrote it; no zone key is made.
    const DWORD expected[4][2] = {{0, 7}, {99, 99}, {7, 65536}, {7, 7}};
    for (int zone = 1; zone <= 4; ++zone) {
        EXPECT_EQ(ReadDWORD(f.Zone(zone), "1001"), expected[zone - 1][0]) << zone;
        EXPECT_EQ(ReadDWORD(f.Zone(zone), zone == 3 ? "1200" : "1201"), expected[zone - 1][1]) << zone;
    }

    EXPECT_EQ(ReadFileText(operaIni), "[User Prefs]\r\nX=1\r\n[Proxy]\r\nUse HTTP=0\r\nHTTP Server\r\n");
    EXPECT_EQ(ReadDWORD(proxySetting, BLOKKUM_FLAG_OPERA7), 0u);
    EXPECT_EQ(ReadDWORD(proxySetting, BLOKKUM_FLAG_OPERA6), 99u) << "a flag Blokkum never set is not written";
    EXPECT_EQ(ReadFileText(userJs),
              "user_pref(\"network.proxy.http\", \"\");\r\n"
              "user_pref(\"network.proxy.http_port\", 0);\r\n"
              "user_pref(\"network.proxy.type\", 0);\r\n");
    EXPECT_EQ(ReadDWORD(proxySetting, BLOKKUM_FLAG_NETSCAPE), 1u);
    EXPECT_EQ(ReadDWORD(proxySetting, BLOKKUM_FLAG_LAN), 99u);
}

TEST(Blokkout, WhatCannotBeResetIsNamedAndKeepsItsFlagAndTheRestIsReset) {
    UninstallFixture f;
    f.SeedBlokkum();
    f.root.Write("Blokkum\\acRs.ini", "[Internet]\r\n1200=3\r\n");
    f.root.Write("WINDOWS\\hosts", "127.0.0.1 localhost\r\n");
    WriteDWORD(f.where.blokkum.ProxySettingKey(), BLOKKUM_FLAG_NETSCAPE, 1);
    WriteDWORD(f.where.blokkum.ProxySettingKey(), BLOKKUM_FLAG_OPERA7, 1);
    CRegKey mozilla, opera;
    mozilla.Create(HKEY_CURRENT_USER, f.where.blokkum.mozillaKey + "\\Mozilla 1.4");
    opera.Create(HKEY_CURRENT_USER, f.where.blokkum.operaKey);
    opera.SetString("Last Directory2", f.root.File("Opera7"));
    f.root.Write("Opera7\\Opera.exe", "MZ");
    f.root.Write("Opera7\\OperaDef6.ini", "[System]\r\nMulti User=0\r\n");
    const CString operaIni = f.root.Write("Opera7\\profile\\opera6.ini", kOperaSet);
    CString userJs[2];
    const char* const names[2] = {"alice", "carol"};
    for (int i = 0; i < 2; ++i) {
        const std::string folder =
            std::string("WINDOWS\\Application Data\\Mozilla\\Profiles\\") + names[i] + "\\x.slt\\";
        userJs[i] = f.root.Write((folder + "user.js").c_str(), kUserJsSet);
        f.root.Write((folder + "prefs.js").c_str(), "");
    }

    CScriptedMessageBoxes boxes;
    {
        CHandle held = HoldFile(userJs[1], FILE_SHARE_READ), heldOpera = HoldFile(operaIni, 0);
        ASSERT_TRUE(held.IsValid() && heldOpera.IsValid());
        CUninstallerApp app(f.where);
        EXPECT_FALSE(app.InitInstance());
    }
    EXPECT_EQ(ReadFileText(operaIni), kOperaSet);
    EXPECT_EQ(ReadDWORD(f.where.blokkum.ProxySettingKey(), BLOKKUM_FLAG_OPERA7), 1u);

    EXPECT_EQ(ReadFileText(userJs[0]),
              "user_pref(\"network.proxy.http\", \"\");\r\n"
              "user_pref(\"network.proxy.http_port\", 0);\r\n"
              "user_pref(\"network.proxy.type\", 0);\r\n");
    EXPECT_EQ(ReadFileText(userJs[1]), kUserJsSet);
    const std::vector<RecordedBox> told = boxes.Boxes();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].text, "Error, Failed to reset Netscape proxy setting.\nThese are still set for Blokkum's proxy and "
                            "must be reset by hand: carol (" + userJs[1].str() + ")");
    EXPECT_NE(told[1].text.find(operaIni.str()), std::string::npos) << told[1].text;
}

TEST(Blokkout, AnEmptyInstanceTitleInThePackLooksForTheBuiltInOne) {
    UninstallFixture f;
    f.title = "";
    f.SeedBlokkum();
    CUninstallerApp app(f.where);
    ASSERT_TRUE(app.ReadBlokkumKey());
    app.NotifyBlokkum();
    EXPECT_EQ(app.m_strInstanceTitle, BLOKKUM_INSTANCE_TITLE);
}

TEST(Blokkout, MissingPiecesAreReportedOrLeftAlone) {
    const std::string zoneBox = "ActiveX restore settings file can't be found\r\nActiveX Settings will not be restored";
    const std::string hostsBox =
        "HOSTS file not found in your operating system, please contact our customr support telling us your "
        "operating system version";
    struct Row {
        const char* name;
        bool key, acRs, hosts, sample, backup;
        std::vector<std::string> boxes;
        const char *hostsAfter, *sampleAfter;  // nullptr: absent
    } rows[] = {
        {"no Blokkum key", false, true, true, false, true, {}, "old", nullptr},
        {"nothing to restore from", true, false, false, false, true, {zoneBox, hostsBox}, nullptr, nullptr},
        {"only the sample file", true, true, false, true, true, {}, nullptr, "sample"},
        {"no backup", true, true, true, false, false, {}, "old", nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        UninstallFixture f;
        if (r.key) f.SeedBlokkum();
        if (r.acRs) f.root.Write("Blokkum\\acRs.ini", "[Internet]\r\n1200=3\r\n");
        WriteDWORD(f.Zone(3), "1200", 0);
        if (r.key) RecordZoneAction(HKEY_CURRENT_USER, f.where.blokkum.key, 3, "1200", 0);
        if (r.hosts) f.root.Write("WINDOWS\\hosts", "old");
        if (r.sample) f.root.Write("WINDOWS\\hosts.sam", "sample");
        if (r.backup) f.root.Write("Blokkum\\mHosts", "saved");

        CScriptedMessageBoxes boxes;
        CUninstallerApp app(f.where);
        EXPECT_FALSE(app.InitInstance());
        std::vector<std::string> shown;
        for (const RecordedBox& b : boxes.Boxes()) shown.push_back(b.text);
        EXPECT_EQ(shown, r.boxes);
        if (!r.boxes.empty()) {
            EXPECT_EQ(boxes.Boxes()[0].caption, "VQ Blokkum & Ads Filter & Ads Filter");
            EXPECT_EQ(boxes.Boxes()[1].caption, BLOKKUM_CAPTION);
        }
        EXPECT_EQ(ReadFileText(f.hosts), r.hostsAfter ? r.hostsAfter : "");
        EXPECT_EQ(FileExists(f.hosts), r.hostsAfter != nullptr);
        EXPECT_EQ(ReadFileText(f.hosts + ".sam"), r.sampleAfter ? r.sampleAfter : "");
        EXPECT_EQ(ReadDWORD(f.Zone(3), "1200"), r.key && r.acRs ? 3u : 0u);
    }
}

TEST(Blokkout, TheHostsFileLosesOnlyWhatBlokkumPutIn) {
    const std::string block = "# Quorvane Blokkum banner list: begin\r\n127.0.0.1 ads.example\r\n"
                              "# Quorvane Blokkum banner list: end\r\n";
    const int kFree = -1;
    struct Row {
        const char* name;
        std::string before, after;
        int held;  // kFree, or the sharing another program holds the file with
    } rows[] = {
        {"user lines around the block",
         "127.0.0.1 localhost\r\n127.0.0.1\t" BLOKKUM_PROXY_HOST_ALIAS "\r\n10.1.2.3 my-nas.home\r\n" + block +
             "192.168.7.7 printer.home",
         "127.0.0.1 localhost\r\n10.1.2.3 my-nas.home\r\n192.168.7.7 printer.home", kFree},
        {"a created file, and entries of the user's that name the alias",
         "# Created By Quorvane Blokkum.\r\n127.0.0.1  QVBLOKKUM\n127.0.0.1 " BLOKKUM_PROXY_HOST_ALIAS
         " nas\n10.0.0.9 " BLOKKUM_PROXY_HOST_ALIAS " # mine\n" + block,
         "127.0.0.1 " BLOKKUM_PROXY_HOST_ALIAS " nas\n10.0.0.9 " BLOKKUM_PROXY_HOST_ALIAS " # mine\n", kFree},
        {"a file held for reading", "10.1.2.3 my-nas.home\r\n" + block, "10.1.2.3 my-nas.home\r\n" + block,
         FILE_SHARE_READ},
        {"a file held without sharing", "10.1.2.3 my-nas.home\r\n" + block, "10.1.2.3 my-nas.home\r\n" + block, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        UninstallFixture f;
        f.SeedBlokkum();
        f.root.Write("Blokkum\\acRs.ini", "[Internet]\r\n1200=3\r\n");
        f.root.Write("WINDOWS\\hosts", r.before);
        const CString backup = f.root.Write("Blokkum\\mHosts", "127.0.0.1 localhost\r\n");
        CScriptedMessageBoxes boxes;
        {
            CHandle held;
            if (r.held != kFree) held = HoldFile(f.hosts, DWORD(r.held));
            CUninstallerApp app(f.where);
            EXPECT_FALSE(app.InitInstance());
        }
        SetFileAttributesA(f.hosts, FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadFileText(f.hosts), r.after);
        EXPECT_EQ(FileExists(backup), r.held != kFree);
        std::vector<std::string> told;
        for (const RecordedBox& b : boxes.Boxes()) told.push_back(b.text);
        std::vector<std::string> expected;
        if (r.held != kFree)
            expected.push_back("Error, Failed to take Blokkum's entries out of the HOSTS file.\n" + f.hosts.str() +
                               " is in use by another program. The HOSTS file was not changed.");
        EXPECT_EQ(told, expected);
    }
}

namespace {
// A file of the prefix with its contents and attributes, put back as it was.
class CSavedFile {
public:
    explicit CSavedFile(const CString& path) : m_path(path), m_attributes(GetFileAttributesA(path)) {
        ReadWholeFile(path, m_contents);
    }
    ~CSavedFile() {
        SetFileAttributesA(m_path, FILE_ATTRIBUTE_NORMAL);
        WriteWholeFile(m_path, m_contents);
        SetFileAttributesA(m_path, m_attributes);
    }
    const CString& Contents() const { return m_contents; }

private:
    CString m_path, m_contents;
    DWORD m_attributes;
};

DWORD RunAndPump(const CString& exe, CTitledWindow& window, bool& notified) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    CString commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe, commandLine.GetBuffer(commandLine.GetLength()), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return DWORD(-1);
    const DWORD deadline = GetTickCount() + 60000;
    DWORD exitCode = STILL_ACTIVE;
    while (GetTickCount() < deadline) {
        notified = notified || window.Received(WM_UNINSTALLNOTIFY);
        if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) break;
    }
    notified = notified || window.Received(WM_UNINSTALLNOTIFY);
    if (!GetExitCodeProcess(process.hProcess, &exitCode) || exitCode == STILL_ACTIVE) {
        TerminateProcess(process.hProcess, 1);
        exitCode = DWORD(-2);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}
}  // namespace

TEST(Blokkout, TheProgramUndoesBlokkumOnThisMachine) {
    const CString exe = GetModuleFolder() + "\\..\\..\\products\\Blokkout\\Blokkout.exe";
    ASSERT_TRUE(FileExists(exe));
    CString version;
    EXPECT_TRUE(GetFileVersion(exe, &version, nullptr, 0));
    EXPECT_EQ(version, "1.0.0.0");

    CSavedKey blokkumKey(BLOKKUM_REGISTRY_KEY), zone(BLOKKUM_ZONES_KEY "\\3"), internet(BLOKKUM_INTERNET_SETTINGS_KEY);
    CRegKey::DeleteTree(HKEY_CURRENT_USER, BLOKKUM_REGISTRY_KEY);
    const CString hostsPath = CHostsFile().HostsPath();
    CSavedFile hosts(hostsPath);

    CTempFolder program;
    const CString title = UniqueTitle();
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, BLOKKUM_REGISTRY_KEY), ERROR_SUCCESS);
    key.SetString("Path", program.Path());
    key.SetString("Language", "Pack");
    key.Close();
    WriteDWORD(BLOKKUM_PROXY_SETTING_KEY, BLOKKUM_FLAG_LAN, 1);
    WriteDWORD(BLOKKUM_ZONES_KEY "\\3", "1200", 0);
    RecordZoneAction(HKEY_CURRENT_USER, BLOKKUM_REGISTRY_KEY, 3, "1200", 0);
    program.Write("Language\\Pack.ini", std::string("[QuorvaneBlokkum]\r\n9999=") + title.c_str() + "\r\n");
    program.Write("acRs.ini", "[Internet]\r\n1200=65536\r\n");
    // The first-start copy, then lines the user added around Blokkum's own.
    program.Write("mHosts", "127.0.0.1 localhost\r\n");
    const std::string userLines = "127.0.0.1 localhost\r\n10.1.2.3 my-nas.home\r\n192.168.7.7 printer.home\r\n";
    SetFileAttributesA(hostsPath, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(WriteWholeFile(hostsPath, "127.0.0.1 localhost\r\n127.0.0.1\t" BLOKKUM_PROXY_HOST_ALIAS
                                          "\r\n10.1.2.3 my-nas.home\r\n# Quorvane Blokkum banner list: begin\r\n"
                                          "127.0.0.1 ads.example\r\n# Quorvane Blokkum banner list: end\r\n"
                                          "192.168.7.7 printer.home\r\n"));
    // A plain file when Blokkum first started, read-only, hidden and system since.
    const DWORD usersAttributes = GetFileAttributesA(hostsPath);
    ASSERT_EQ(usersAttributes & kHostsClosedAttributes, DWORD(FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(RecordHostsAttributes(HKEY_CURRENT_USER, BLOKKUM_REGISTRY_KEY, hostsPath));
    ASSERT_TRUE(SetHostsAttributes(hostsPath, true));
    // The user's own proxy, kept by Blokkum's set before it put its own on.
    CRegKey kept;
    ASSERT_EQ(kept.Create(HKEY_CURRENT_USER, BLOKKUM_PROXY_SETTING_KEY "\\Internet Explorer\\LAN"), ERROR_SUCCESS);
    kept.SetDWORD("Flags", PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY);
    kept.SetString("Server", "http=company:3128");
    kept.SetString("Bypass", "<local>");
    kept.Close();

    CBlokkumSettings settings;
    CBrowserProxyContext context(settings);
    CIEProxySettings ie(context);
    ASSERT_TRUE(ie.ApplyConnectionOptions(nullptr,
                                          {PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY, BLOKKUM_PROXY_TEXT, "local"}));
    ASSERT_TRUE(ie.IsProxySet());

    CTitledWindow blokkum(title);
    bool notified = false;
    EXPECT_EQ(RunAndPump(exe, blokkum, notified), 0u);

    EXPECT_TRUE(notified);
    EXPECT_FALSE(ie.IsProxySet());
    EXPECT_EQ(ReadDWORD(BLOKKUM_PROXY_SETTING_KEY, BLOKKUM_FLAG_LAN), 0u);
    EXPECT_EQ(ReadDWORD(BLOKKUM_ZONES_KEY "\\3", "1200"), 65536u);
    CString server;
    CRegKey internetSettings;
    internetSettings.Open(HKEY_CURRENT_USER, BLOKKUM_INTERNET_SETTINGS_KEY);
    internetSettings.QueryString("ProxyServer", server);
    EXPECT_EQ(server, "http=company:3128");
    EXPECT_EQ(ReadFileText(hostsPath), userLines);
    EXPECT_EQ(GetFileAttributesA(hostsPath), usersAttributes);
    EXPECT_EQ(ReadDWORD(BLOKKUM_REGISTRY_KEY, BLOKKUM_HOSTS_ATTRIBUTES_VALUE), 99u);
    EXPECT_FALSE(FileExists(program.File("mHosts")));
}
