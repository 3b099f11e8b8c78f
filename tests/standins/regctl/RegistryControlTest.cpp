#include <gtest/gtest.h>

#include "Registry.h"
#include "RegistryControl.h"
#include "TestSupport.h"

namespace {
CRegistryControl PointAt(HKEY root, const CString& path, const char* name) {
    CRegistryControl reg;
    reg.SetRoot(root);
    reg.SetKeyPath(path);
    reg.SetValueName(name);
    return reg;
}
}  // namespace

TEST(RegistryControl, WritesAndReadsBackValuesOfAnyLength) {
    CTestRegistryKey test;
    const CString path = test.SubKey() + "\\Run";
    const std::string longLine = "C:\\Tools\\agent.exe " + std::string(100000, 'x');
    struct Case { const char* name; std::string data; } cases[] = {
        {"Short", "C:\\a.exe /min"},
        {"Long", longLine},
        {"Empty", ""},
        {"", "default value"},
    };
    for (const Case& c : cases) {
        CRegistryControl reg = PointAt(HKEY_CURRENT_USER, path, c.name);
        reg.SetValue(c.data.c_str());
        // The key does not exist before the first write: Write creates it.
        EXPECT_EQ(reg.Write(), ERROR_SUCCESS) << c.name;
    }
    for (const Case& c : cases) {
        CRegistryControl reg = PointAt(HKEY_CURRENT_USER, path, c.name);
        reg.SetValue("stale");
        EXPECT_EQ(reg.Read(), ERROR_SUCCESS) << c.name;
        EXPECT_EQ(reg.GetValue().str(), c.data) << c.name;
    }
    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
    DWORD type = 0;
    CString bytes;
    ASSERT_EQ(key.QueryBinary("Short", bytes, &type), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
}

TEST(RegistryControl, ReadsOtherTypesAsTextAndRefusesWhatIsNotText) {
    CTestRegistryKey test;
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, test.SubKey()), ERROR_SUCCESS);
    key.SetString("Expand", "%SystemRoot%\\x.exe", REG_EXPAND_SZ);
    key.SetDWORD("Number", 4000000000u);
    key.SetBinary("Blob", "\x01\x02", 2);
    // Written without a terminator, as some installers do.
    key.SetBinary("Bare", "abc", 3, REG_SZ);

    struct Case { const char* name; LONG rc; const char* text; } cases[] = {
        {"Expand", ERROR_SUCCESS, "%SystemRoot%\\x.exe"},
        {"Number", ERROR_SUCCESS, "4000000000"},
        {"Bare", ERROR_SUCCESS, "abc"},
        {"Blob", ERROR_INVALID_DATATYPE, ""},
        {"Missing", ERROR_FILE_NOT_FOUND, ""},
    };
    for (const Case& c : cases) {
        CRegistryControl reg = PointAt(HKEY_CURRENT_USER, test.SubKey(), c.name);
        reg.SetValue("stale");
        EXPECT_EQ(reg.Read(), c.rc) << c.name;
        EXPECT_EQ(reg.GetValue(), c.text) << c.name;
    }
    CRegistryControl missingKey = PointAt(HKEY_CURRENT_USER, test.SubKey() + "\\Nowhere", "x");
    EXPECT_EQ(missingKey.Read(), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryControl, DeleteRemovesOnlyTheNamedValue) {
    CTestRegistryKey test;
    CRegistryControl reg = PointAt(HKEY_CURRENT_USER, test.SubKey(), "Gone");
    reg.SetValue("1");
    ASSERT_EQ(reg.Write(), ERROR_SUCCESS);
    reg.SetValueName("Kept");
    ASSERT_EQ(reg.Write(), ERROR_SUCCESS);

    reg.SetValueName("Gone");
    EXPECT_EQ(reg.Delete(), ERROR_SUCCESS);
    EXPECT_EQ(reg.Delete(), ERROR_FILE_NOT_FOUND);
    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, test.SubKey()), ERROR_SUCCESS);
    EXPECT_FALSE(key.HasValue("Gone"));
    EXPECT_TRUE(key.HasValue("Kept"));

    CRegistryControl elsewhere = PointAt(HKEY_CURRENT_USER, test.SubKey() + "\\Nowhere", "Kept");
    EXPECT_EQ(elsewhere.Delete(), ERROR_FILE_NOT_FOUND);
    CRegKey nowhere;
    EXPECT_NE(nowhere.Open(HKEY_CURRENT_USER, test.SubKey() + "\\Nowhere"), ERROR_SUCCESS);
}
