#include <gtest/gtest.h>

#include "Registry.h"
#include "RegistryControl.h"
#include "TestSupport.h"

namespace {
CRegistryControl PointAt(const CString& path, const char* name) {
    CRegistryControl reg;
    reg.SetRoot(HKEY_CURRENT_USER);
    reg.SetKeyPath(path);
    reg.SetValueName(name);
    reg.SetValue("stale");
    return reg;
}
}  // namespace

TEST(RegistryControl, WritesReadsAndDeletesValuesOfAnyLength) {
    CTestRegistryKey test;
    const CString path = test.SubKey() + "\\Run";
    const std::string longLine = "C:\\Tools\\agent.exe " + std::string(100000, 'x');
    for (const auto& v : {std::make_pair("Long", longLine), std::make_pair("Empty", std::string()),
                          std::make_pair("", std::string("default value"))}) {
        CRegistryControl reg = PointAt(path, v.first);
        reg.SetValue(v.second.c_str());
        EXPECT_EQ(reg.Write(), ERROR_SUCCESS) << v.first;  // the first write creates the key
    }
    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, path, KEY_READ | KEY_WRITE), ERROR_SUCCESS);
    key.SetString("Expand", "%SystemRoot%\\x.exe", REG_EXPAND_SZ);
    key.SetDWORD("Number", 4000000000u);
    key.SetBinary("Blob", "\x01\x02", 2);
    key.SetBinary("Bare", "abc", 3, REG_SZ);  // no terminator, as some installers write

    struct Case { const char* name; LONG rc; std::string text; } cases[] = {
        {"Long", ERROR_SUCCESS, longLine},
        {"Empty", ERROR_SUCCESS, ""},
        {"", ERROR_SUCCESS, "default value"},
        {"Expand", ERROR_SUCCESS, "%SystemRoot%\\x.exe"},
        {"Number", ERROR_SUCCESS, "4000000000"},
        {"Bare", ERROR_SUCCESS, "abc"},
        {"Blob", ERROR_INVALID_DATATYPE, ""},
        {"Missing", ERROR_FILE_NOT_FOUND, ""},
    };
    for (const Case& c : cases) {
        CRegistryControl reg = PointAt(path, c.name);
        EXPECT_EQ(reg.Read(), c.rc) << c.name;
        EXPECT_EQ(reg.GetValue().str(), c.text) << c.name;
    }

    CRegistryControl gone = PointAt(path, "Long");
    EXPECT_EQ(gone.Delete(), ERROR_SUCCESS);
    EXPECT_EQ(gone.Delete(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.HasValue("Long"));
    EXPECT_TRUE(key.HasValue("Empty"));
    EXPECT_EQ(PointAt(path + "\\Nowhere", "Long").Read(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(PointAt(path + "\\Nowhere", "Long").Delete(), ERROR_FILE_NOT_FOUND);
    CRegKey nowhere;
    EXPECT_NE(nowhere.Open(HKEY_CURRENT_USER, path + "\\Nowhere"), ERROR_SUCCESS);  // nothing created
}
