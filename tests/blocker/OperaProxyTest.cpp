#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "IEProxyTestSupport.h"
#include "OperaProxySettings.h"
#include "TestSupport.h"

namespace {
const std::string kServer = "HTTP Server=" BLOKKUM_PROXY_HOST_ALIAS ":8100";

// Opera 7 in <temp>\Opera7 and Opera 6 in <temp>\Opera6 on Windows 98.
struct OperaFixture {
    CTempFolder root;
    CTestRegistryKey reg;
    CBlokkumLocations where;
    CBlokkumSettings settings;
    CBrowserProxyContext context;
    OperaFixture()
        : where(Locations(reg)), settings(where),
          context(settings, CBrowserSystem(root.File("WINDOWS"), "joe", TestVersion(1, 4, 10))) {
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, where.operaKey);
        key.SetString("Last Directory2", root.File("Opera7"));
        key.SetString("Last CommandLine", root.File("Opera6\\Opera.exe"));
    }
    static CBlokkumLocations Locations(const CTestRegistryKey& reg) {
        CBlokkumLocations w;
        w.key = reg.SubKey() + "\\Quorvane Blokkum";
        w.operaKey = reg.SubKey() + "\\Opera Software";
        return w;
    }
};
}  // namespace

TEST(OperaProxySettings, OnlyTheTwoProxyLinesOfTheSectionChange) {
    struct Row {
        const char* name;
        std::string before, afterSet, afterReset;
    } rows[] = {
        {"no section", "[User Prefs]\r\nUse HTTP=0\r\n",
         "[User Prefs]\r\nUse HTTP=0\r\n\r\n[Proxy]\r\nUse HTTP=1\r\n" + kServer + "\r\n", "[User Prefs]\r\nUse HTTP=0\r\n"},
        {"already set", "[Proxy]\r\nUse HTTP=1\r\n" + kServer + "\r\n", "[Proxy]\r\nUse HTTP=1\r\n" + kServer + "\r\n",
         "[Proxy]\r\nUse HTTP=0\r\nHTTP Server\r\n"},
        // A reset leaves a proxy that is not Blokkum's.
        {"other proxy", "[Proxy]\r\nHTTPS Server=s:443\r\nUse HTTP=0\r\nHTTP Server=cache:3128\r\nUse HTTPS=1\r\n[A]\r\n",
         "[Proxy]\r\nHTTPS Server=s:443\r\nUse HTTP=1\r\n" + kServer + "\r\nUse HTTPS=1\r\n[A]\r\n",
         "[Proxy]\r\nHTTPS Server=s:443\r\nUse HTTP=0\r\nHTTP Server=cache:3128\r\nUse HTTPS=1\r\n[A]\r\n"},
        {"section without the lines", "[Proxy]\nFTP Server=ftp:21\n\n[A]\n",
         "[Proxy]\nFTP Server=ftp:21\nUse HTTP=1\n" + kServer + "\n\n[A]\n", "[Proxy]\nFTP Server=ftp:21\n\n[A]\n"},
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
}

TEST(OperaProxySettings, AResetGivesBackTheUsersOwnLinesAndLeavesOnesSetSince) {
    const std::string user = "[Proxy]\r\nUse HTTP=1\r\nHTTP Server=cache:3128\r\n[A]\r\n";
    struct Row {
        const char* name;
        ResetRule rule;
        const char* serverSince;  // put on the file after the set
        std::string after;
    } rows[] = {
        {"wizard", ResetRule::kAllOrNothing, nullptr, user},
        {"Blokkout", ResetRule::kBestEffort, nullptr, user},
        {"set since", ResetRule::kAllOrNothing, "HTTP Server=other:8080",
         "[Proxy]\r\nUse HTTP=1\r\nHTTP Server=other:8080\r\n[A]\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OperaFixture f;
        CScriptedMessageBoxes boxes;
        const CString file = f.root.Write("Opera6\\opera6.ini", user);
        OperaIniPaths paths(1, 0);
        SetOperaProxy(f.context, paths);
        ASSERT_TRUE(IsIniConfigured(file));
        SetOperaProxy(f.context, paths);  // a second set keeps what the first found
        if (r.serverSince)
            f.root.Write("Opera6\\opera6.ini", "[Proxy]\r\nUse HTTP=1\r\n" + std::string(r.serverSince) +
                                                   "\r\n[A]\r\n");
        ResetOperaProxy(f.context, paths, r.rule);
        EXPECT_EQ(ReadFileText(file), r.after);
        EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_OPERA6), 0u);
        EXPECT_TRUE(boxes.Boxes().empty());
    }
}

TEST(OperaProxySettings, Opera7IniDependsOnMultiUserAndTheWindowsVersion) {
    struct Row {
        const char* multiUser;  // nullptr: no entry
        bool userFile;
        const char* expected;
        int code;
    } rows[] = {
        {"0", true, "Opera7\\profile\\opera6.ini", kOperaIniFound},
        {"1", true, "WINDOWS\\Application Data\\Opera\\Opera7\\profile\\opera6.ini", kOperaIniFound},
        {"1", false, "WINDOWS\\Application Data\\Opera\\Opera7\\profile\\opera6.ini", kOpera7IniMissing},
        {nullptr, false, "Opera7\\profile\\opera6.ini", kOperaIniFound},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.expected);
        OperaFixture f;
        f.root.Write("Opera7\\OperaDef6.ini", r.multiUser ? std::string("[System]\r\nMulti User=") + r.multiUser : "");
        f.root.Write("Opera7\\profile\\opera6.ini", "[Proxy]\r\n");
        if (r.userFile) f.root.Write("WINDOWS\\Application Data\\Opera\\Opera7\\profile\\opera6.ini", "[Proxy]\r\n");
        OperaIniPaths paths(1, 1);
        EXPECT_EQ(LocateOperaIni(f.context, paths), r.code | kOpera6IniMissing);
        EXPECT_EQ(paths.opera7Ini, f.root.File(r.expected));
        EXPECT_EQ(paths.opera6Ini, f.root.File("Opera6\\opera6.ini"));
    }
}

TEST(OperaProxySettings, OnlyTheVersionWhoseFileWasWrittenIsRecorded) {
    OperaFixture f;
    CScriptedMessageBoxes boxes;
    f.root.Write("Opera7\\OperaDef6.ini", "[System]\r\nMulti User=0\r\n");
    const CString opera7 = f.root.Write("Opera7\\profile\\opera6.ini", "[User Prefs]\r\nX=1\r\n");
    OperaIniPaths paths(1, 1);
    SetOperaProxy(f.context, paths);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Error, Failed to set Opera 6 proxy setting because " +
                                         std::string(f.root.File("Opera6\\opera6.ini")) + " doesn't exist.");
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_OPERA7), 1u);
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_OPERA6), 99u);

    f.settings.m_dwOpera7Configured = 0;
    IsOperaConfigured(f.context, paths);
    EXPECT_EQ(f.settings.m_dwOpera7Configured, 1u);
    EXPECT_EQ(f.settings.m_dwOpera6Configured, 0u);
    ResetOperaProxy(f.context, paths);
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_OPERA7), 0u);
    EXPECT_FALSE(IsIniConfigured(opera7));

    CRegKey::DeleteTree(HKEY_CURRENT_USER, f.where.operaKey);
    boxes.Clear();
    SetOperaProxy(f.context, paths);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "Error, Failed to set Opera proxy setting because Opera key doesn't exist in the Registry.");
}

TEST(OperaProxySettings, BothVersionsStayAsTheyWereWhenOneFileCannotBeReplaced) {
    OperaFixture f;
    f.root.Write("Opera7\\OperaDef6.ini", "[System]\r\nMulti User=0\r\n");
    const std::string before = "[Proxy]\r\nUse HTTP=0\r\nHTTP Server=cache:3128\r\n";
    const CString opera6 = f.root.Write("Opera6\\opera6.ini", before);
    const CString opera7 = f.root.Write("Opera7\\profile\\opera6.ini", before);
    CScriptedMessageBoxes boxes;
    {
        CHandle held = HoldFile(opera7, FILE_SHARE_READ);
        ASSERT_TRUE(held.IsValid());
        OperaIniPaths paths(1, 1);
        SetOperaProxy(f.context, paths);
    }
    EXPECT_EQ(ReadFileText(opera6), before);
    EXPECT_EQ(ReadFileText(opera7), before);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Error, Failed to set Opera proxy setting because " + std::string(opera7) +
                                         " can't be read or written. Opera's settings were not changed.");
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_OPERA6), 99u);
    EXPECT_EQ(ReadDWORD(f.where.ProxySettingKey(), BLOKKUM_FLAG_OPERA7), 99u);
}
