#include <gtest/gtest.h>
#include <shlwapi.h>

#include "BlokkumShared.h"
#include "Files.h"
#include "HostsFile.h"
#include "IEProxySavedSettings.h"
#include "Registry.h"
#include "TestSupport.h"
#include "UninstallerApp.h"

namespace {
COSVersion Win98() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    info.dwMajorVersion = 4;
    info.dwMinorVersion = 10;
    return COSVersion(info);
}

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
    HWND Get() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

CString UniqueTitle() {
    CString title;
    title.Format("Blokkum test window %lu %lu", GetCurrentProcessId(), GetTickCount());
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
        where.system = CBrowserSystem(root.File("WINDOWS"), "joe", Win98());
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
    void SetKeyValue(const CString& subKey, const char* name, DWORD value) const {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, subKey);
        key.SetDWORD(name, value);
    }
    DWORD KeyValue(const CString& subKey, const char* name) const {
        CRegKey key;
        DWORD value = 99;
        key.Open(HKEY_CURRENT_USER, subKey);
        key.QueryDWORD(name, value);
        return value;
    }
    CString Zone(int n) const {
        CString key;
        key.Format("%s\\%d", where.zonesKey.c_str(), n);
        return key;
    }
};
}  // namespace

TEST(Blokkout, TheWholePassGivesBackZonesBrowsersAndTheHostsFile) {
    UninstallFixture f;
    f.SeedBlokkum();
    f.root.Write("Blokkum\\acRs.ini",
                 "[Local Intranet]\r\n1001=0\r\n1004=absent\r\n[Trusted Sites]\r\n1001=3\r\n"
                 "[Internet]\r\n1001=absent\r\n1200=65536\r\n[Restricted Sites]\r\n1001=3\r\n1201=oops\r\n");
    for (int zone : {1, 3, 4})
        for (const char* action : kZoneActions) f.SetKeyValue(f.Zone(zone), action, 7);

    const CString proxySetting = f.where.blokkum.ProxySettingKey();
    f.SetKeyValue(proxySetting, BLOKKUM_FLAG_NETSCAPE, 1);
    f.SetKeyValue(proxySetting, BLOKKUM_FLAG_OPERA7, 1);
    {
        CRegKey opera;
        opera.Create(HKEY_CURRENT_USER, f.where.blokkum.operaKey);
        opera.SetString("Last Directory2", f.root.File("Opera7"));
        CRegKey mozilla;
        mozilla.Create(HKEY_CURRENT_USER, f.where.blokkum.mozillaKey + "\\Mozilla 1.4");
    }
    f.root.Write("Opera7\\Opera.exe", "MZ");
    f.root.Write("Opera7\\OperaDef6.ini", "[System]\r\nMulti User=0\r\n");
    const CString operaIni = f.root.Write("Opera7\\profile\\opera6.ini", kOperaSet);
    const CString userJs = f.root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\x.slt\\user.js", kUserJsSet);
    f.root.Write("WINDOWS\\Application Data\\Mozilla\\Profiles\\alice\\x.slt\\prefs.js", "");

    f.root.Write("WINDOWS\\hosts", "127.0.0.1 localhost\r\n127.0.0.1\t" BLOKKUM_PROXY_HOST_ALIAS "\r\n");
    f.root.Write("Blokkum\\mHosts", "127.0.0.1 localhost\r\n");
    CTitledWindow blokkum(f.title);

    CScriptedMessageBoxes boxes;
    CUninstallerApp app(f.where);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_TRUE(boxes.Boxes().empty());

    EXPECT_EQ(f.KeyValue(f.Zone(1), "1001"), 0u);
    EXPECT_EQ(f.KeyValue(f.Zone(1), "1004"), 7u);
    EXPECT_EQ(f.KeyValue(f.Zone(3), "1200"), 65536u);
    EXPECT_EQ(f.KeyValue(f.Zone(3), "1001"), 7u);
    EXPECT_EQ(f.KeyValue(f.Zone(4), "1001"), 3u);
    EXPECT_EQ(f.KeyValue(f.Zone(4), "1201"), 7u);
    CRegKey trusted;
    EXPECT_NE(trusted.Open(HKEY_CURRENT_USER, f.Zone(2)), ERROR_SUCCESS);

    EXPECT_TRUE(blokkum.Received(WM_UNINSTALLNOTIFY));

    EXPECT_EQ(ReadFileText(operaIni), "[User Prefs]\r\nX=1\r\n[Proxy]\r\nUse HTTP=0\r\nHTTP Server\r\n");
    EXPECT_EQ(f.KeyValue(proxySetting, BLOKKUM_FLAG_OPERA7), 0u);
    EXPECT_EQ(f.KeyValue(proxySetting, BLOKKUM_FLAG_OPERA6), 0u);
    EXPECT_EQ(ReadFileText(userJs),
              "user_pref(\"network.proxy.http\", \"\");\r\n"
              "user_pref(\"network.proxy.http_port\", 0);\r\n"
              "user_pref(\"network.proxy.type\", 0);\r\n");
    EXPECT_EQ(f.KeyValue(proxySetting, BLOKKUM_FLAG_NETSCAPE), 1u);
    EXPECT_EQ(f.KeyValue(proxySetting, BLOKKUM_FLAG_LAN), 99u);

    EXPECT_EQ(ReadFileText(f.hosts), "127.0.0.1 localhost\r\n");
    EXPECT_EQ(GetFileAttributesA(f.hosts), DWORD(kHostsClosedAttributes));
    EXPECT_FALSE(FileExists(f.root.File("Blokkum\\mHosts")));
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
        const char* hostsAfter;   // nullptr: absent
        const char* sampleAfter;  // nullptr: absent
    } rows[] = {
        {"no Blokkum key", false, true, true, false, true, {}, "old", nullptr},
        {"nothing to restore from", true, false, false, false, true, {zoneBox, hostsBox}, nullptr, nullptr},
        {"only the sample file", true, true, false, true, true, {}, nullptr, "saved"},
        {"no backup", true, true, true, false, false, {}, "old", nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        UninstallFixture f;
        if (r.key) f.SeedBlokkum();
        if (r.acRs) f.root.Write("Blokkum\\acRs.ini", "[Internet]\r\n1200=3\r\n");
        f.SetKeyValue(f.Zone(3), "1200", 0);
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
        EXPECT_EQ(FileExists(f.hosts), r.hostsAfter != nullptr);
        if (r.hostsAfter) {
            EXPECT_EQ(ReadFileText(f.hosts), r.hostsAfter);
        }
        if (r.sampleAfter) {
            EXPECT_EQ(ReadFileText(f.hosts + ".sam"), r.sampleAfter);
        }
        EXPECT_EQ(f.KeyValue(f.Zone(3), "1200"), r.key && r.acRs ? 3u : 0u);
    }
}

namespace {
// A key of the prefix copied aside and put back as it was.
class CSavedKey {
public:
    explicit CSavedKey(const char* subKey) : m_subKey(subKey) {
        CRegKey real;
        m_had = real.Open(HKEY_CURRENT_USER, subKey) == ERROR_SUCCESS;
        CRegKey copy;
        if (m_had && copy.Create(HKEY_CURRENT_USER, m_copy.SubKey()) == ERROR_SUCCESS)
            SHCopyKeyA(HKEY_CURRENT_USER, subKey, copy, 0);
        real.Close();
        CRegKey::DeleteTree(HKEY_CURRENT_USER, subKey);
    }
    ~CSavedKey() {
        CRegKey::DeleteTree(HKEY_CURRENT_USER, m_subKey);
        CRegKey real;
        if (m_had && real.Create(HKEY_CURRENT_USER, m_subKey) == ERROR_SUCCESS)
            SHCopyKeyA(HKEY_CURRENT_USER, m_copy.SubKey(), real, 0);
    }

private:
    CString m_subKey;
    CTestRegistryKey m_copy;
    bool m_had = false;
};

// A file of the prefix with its contents and attributes, put back as it was.
class CSavedFile {
public:
    explicit CSavedFile(const CString& path) : m_path(path), m_attributes(GetFileAttributesA(path)) {
        m_had = ReadWholeFile(path, m_contents);
    }
    ~CSavedFile() {
        SetFileAttributesA(m_path, FILE_ATTRIBUTE_NORMAL);
        if (!m_had) {
            DeleteFileA(m_path);
            return;
        }
        WriteWholeFile(m_path, m_contents);
        SetFileAttributesA(m_path, m_attributes);
    }
    const CString& Contents() const { return m_contents; }

private:
    CString m_path, m_contents;
    DWORD m_attributes;
    bool m_had = false;
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

    CSavedKey blokkumKey(BLOKKUM_REGISTRY_KEY);
    CSavedKey zone(BLOKKUM_ZONES_KEY "\\3");
    CSavedInternetSettings internetSettings;
    const CString hostsPath = CHostsFile().HostsPath();
    CSavedFile hosts(hostsPath);

    CTempFolder program;
    const CString title = UniqueTitle();
    {
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, BLOKKUM_REGISTRY_KEY), ERROR_SUCCESS);
        key.SetString("Path", program.Path());
        key.SetString("Language", "Pack");
        CRegKey flags;
        flags.Create(HKEY_CURRENT_USER, BLOKKUM_PROXY_SETTING_KEY);
        flags.SetDWORD(BLOKKUM_FLAG_LAN, 1);
        CRegKey internet;
        internet.Create(HKEY_CURRENT_USER, BLOKKUM_ZONES_KEY "\\3");
        internet.SetDWORD("1200", 0);
    }
    program.Write("Language\\Pack.ini", std::string("[QuorvaneBlokkum]\r\n9999=") + title.c_str() + "\r\n");
    program.Write("acRs.ini", "[Internet]\r\n1200=65536\r\n");
    const std::string saved = hosts.Contents().str() + "\r\n# saved before Blokkum\r\n";
    program.Write("mHosts", saved);

    CBlokkumSettings settings;
    CBrowserProxyContext context(settings);
    CIEProxySettings ie(context);
    ASSERT_TRUE(ie.SetConnectionOptions(nullptr, BLOKKUM_PROXY_TEXT));
    ASSERT_TRUE(ie.IsProxySet());

    CTitledWindow blokkum(title);
    bool notified = false;
    EXPECT_EQ(RunAndPump(exe, blokkum, notified), 0u);

    EXPECT_TRUE(notified);
    EXPECT_FALSE(ie.IsProxySet());
    CRegKey flags;
    DWORD lan = 99, action = 0;
    flags.Open(HKEY_CURRENT_USER, BLOKKUM_PROXY_SETTING_KEY);
    flags.QueryDWORD(BLOKKUM_FLAG_LAN, lan);
    EXPECT_EQ(lan, 0u);
    CRegKey internet;
    internet.Open(HKEY_CURRENT_USER, BLOKKUM_ZONES_KEY "\\3");
    internet.QueryDWORD("1200", action);
    EXPECT_EQ(action, 65536u);
    EXPECT_EQ(ReadFileText(hostsPath), saved);
    EXPECT_EQ(GetFileAttributesA(hostsPath), DWORD(kHostsClosedAttributes));
    EXPECT_FALSE(FileExists(program.File("mHosts")));
}
