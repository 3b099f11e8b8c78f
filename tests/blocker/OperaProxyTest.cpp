#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "OperaProxySettings.h"
#include "Registry.h"
#include "TestSupport.h"

namespace {
const std::string kServer = "HTTP Server=" BLOKKUM_PROXY_HOST_ALIAS ":8100";

COSVersion Win98() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    info.dwMajorVersion = 4;
    info.dwMinorVersion = 10;
    return COSVersion(info);
}

struct OperaFixture {
    CTempFolder root;
    CTestRegistryKey reg;
    CBlokkumLocations where;
    CBlokkumSettings settings;
    CBrowserProxyContext context;
    OperaFixture() : where(Locations(reg)), settings(where), context(settings, CBrowserSystem(root.File("WINDOWS"), "joe", Win98())) {}
    static CBlokkumLocations Locations(const CTestRegistryKey& reg) {
        CBlokkumLocations w;
        w.key = reg.SubKey() + "\\Quorvane Blokkum";
        w.operaKey = reg.SubKey() + "\\Opera Software";
        return w;
    }
    void SetOperaValue(const char* name, const CString& value) const {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, where.operaKey);
        key.SetString(name, value);
    }
    DWORD Flag(const char* name) const {
        CRegKey key;
        DWORD value = 99;
        key.Open(HKEY_CURRENT_USER, where.ProxySettingKey());
        key.QueryDWORD(name, value);
        return value;
    }
};
}  // namespace

TEST(OperaProxySettings, OnlyTheTwoProxyLinesOfTheSectionChange) {
    struct Row {
        const char* name;
        std::string before, afterSet, afterReset;
    } rows[] = {
        {"no section", "[User Prefs]\r\nUse HTTP=0\r\n", "[User Prefs]\r\nUse HTTP=0\r\n\r\n[Proxy]\r\nUse HTTP=1\r\n" + kServer + "\r\n",
         "[User Prefs]\r\nUse HTTP=0\r\n"},
        {"already set", "[Proxy]\r\nUse HTTP=1\r\n" + kServer + "\r\n", "[Proxy]\r\nUse HTTP=1\r\n" + kServer + "\r\n",
         "[Proxy]\r\nUse HTTP=0\r\nHTTP Server\r\n"},
        {"other proxy",
         "[Proxy]\r\nHTTPS Server=secure:443\r\nUse HTTP=0\r\nHTTP Server=cache:3128\r\nUse HTTPS=1\r\n[Adv]\r\nA=1\r\n",
         "[Proxy]\r\nHTTPS Server=secure:443\r\nUse HTTP=1\r\n" + kServer + "\r\nUse HTTPS=1\r\n[Adv]\r\nA=1\r\n",
         "[Proxy]\r\nHTTPS Server=secure:443\r\nUse HTTP=0\r\nHTTP Server\r\nUse HTTPS=1\r\n[Adv]\r\nA=1\r\n"},
        {"section without the lines", "[Proxy]\nFTP Server=ftp:21\n\n[Adv]\nA=1\n",
         "[Proxy]\nFTP Server=ftp:21\nUse HTTP=1\n" + kServer + "\n\n[Adv]\nA=1\n", "[Proxy]\nFTP Server=ftp:21\n\n[Adv]\nA=1\n"},
    };
    CTempFolder folder;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const CString file = folder.Write("opera6.ini", r.before);
        EXPECT_EQ(IsIniConfigured(file), r.before == r.afterSet);
        ASSERT_TRUE(SetOperaIni(file));
        EXPECT_EQ(ReadFileText(file), r.afterSet);
        EXPECT_TRUE(IsIniConfigured(file));
        folder.Write("opera6.ini", r.before);
        ASSERT_TRUE(ResetOperaIni(file));
        EXPECT_EQ(ReadFileText(file), r.afterReset);
        EXPECT_FALSE(IsIniConfigured(file));
    }
    EXPECT_FALSE(SetOperaIni(folder.File("missing.ini")));
}

TEST(OperaProxySettings, Opera7IniDependsOnMultiUserAndTheWindowsVersion) {
    struct Row {
        const char* name;
        const char* multiUser;  // nullptr: no [System] entry
        bool userFileExists;
        const char* expected;  // below the temporary folder
        int code;
    } rows[] = {
        {"single user", "0", true, "Opera7\\profile\\opera6.ini", kOperaIniFound},
        {"multi user", "1", true, "WINDOWS\\Application Data\\Opera\\Opera7\\profile\\opera6.ini", kOperaIniFound},
        {"multi user without its file", "1", false, "WINDOWS\\Application Data\\Opera\\Opera7\\profile\\opera6.ini",
         kOpera7IniMissing},
        {"default falls back to the folder", nullptr, false, "Opera7\\profile\\opera6.ini", kOperaIniFound},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OperaFixture f;
        f.SetOperaValue("Last Directory2", f.root.File("Opera7"));
        f.SetOperaValue("Last CommandLine", f.root.File("Opera6\\Opera.exe"));
        f.root.Write("Opera7\\OperaDef6.ini", r.multiUser ? std::string("[System]\r\nMulti User=") + r.multiUser : "");
        f.root.Write("Opera7\\profile\\opera6.ini", "[Proxy]\r\n");
        if (r.userFileExists) f.root.Write("WINDOWS\\Application Data\\Opera\\Opera7\\profile\\opera6.ini", "[Proxy]\r\n");
        OperaIniPaths paths(1, 1);
        EXPECT_EQ(LocateOperaIni(f.context, paths), r.code | kOpera6IniMissing);
        EXPECT_EQ(paths.opera7Ini, f.root.File(r.expected));
        EXPECT_EQ(paths.opera6Ini, f.root.File("Opera6\\opera6.ini"));
    }
    OperaFixture none;
    OperaIniPaths paths(1, 0);
    EXPECT_EQ(LocateOperaIni(none.context, paths), kOperaKeyMissing);
}

TEST(OperaProxySettings, SetRecordsOnlyTheVersionWhoseFileWasWritten) {
    OperaFixture f;
    CScriptedMessageBoxes boxes;
    f.SetOperaValue("Last Directory2", f.root.File("Opera7"));
    f.SetOperaValue("Last CommandLine", f.root.File("Opera6\\Opera.exe"));
    f.root.Write("Opera7\\OperaDef6.ini", "[System]\r\nMulti User=0\r\n");
    const CString opera7 = f.root.Write("Opera7\\profile\\opera6.ini", "[User Prefs]\r\nX=1\r\n");

    OperaIniPaths paths(1, 1);
    SetOperaProxy(f.context, paths);
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error, Failed to set Opera 6 proxy setting because " +
                                 std::string(f.root.File("Opera6\\opera6.ini")) + " doesn't exist.");
    EXPECT_EQ(shown[0].type, UINT(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(f.Flag(BLOKKUM_FLAG_OPERA7), 1u);
    EXPECT_EQ(f.Flag(BLOKKUM_FLAG_OPERA6), 99u);
    EXPECT_TRUE(IsIniConfigured(opera7));

    f.settings.m_dwOpera6Configured = f.settings.m_dwOpera7Configured = 0;
    IsOperaConfigured(f.context, paths);
    EXPECT_EQ(f.settings.m_dwOpera7Configured, 1u);
    EXPECT_EQ(f.settings.m_dwOpera6Configured, 0u);

    ResetOperaProxy(f.context, paths);
    EXPECT_EQ(f.Flag(BLOKKUM_FLAG_OPERA7), 0u);
    EXPECT_FALSE(IsIniConfigured(opera7));

    CRegKey::DeleteTree(HKEY_CURRENT_USER, f.where.operaKey);
    boxes.Clear();
    SetOperaProxy(f.context, paths);
    shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error, Failed to set Opera proxy setting because Opera key doesn't exist in the Registry.");
}
