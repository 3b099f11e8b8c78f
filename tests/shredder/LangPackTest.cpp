#include <gtest/gtest.h>

#include "Files.h"
#include "LangPack.h"
#include "TestSupport.h"

namespace {
class LangPack : public testing::Test {
protected:
    void SetUp() override { SetLangPackSource(m_dir.Path(), "English"); }
    void TearDown() override { SetLangPackSource("", "English"); }
    void WritePack(const char* language, const std::string& body) {
        m_dir.Write((std::string("Lang\\") + language + ".ini").c_str(), "[Grindel Language Pack]\r\n" + body);
    }
    CTempFolder m_dir;
};
}  // namespace

TEST_F(LangPack, PathIsProgramFolderLangAndLanguage) {
    EXPECT_EQ(LangPackPath(), m_dir.Path() + "\\Lang\\English.ini");
    SetLangPackSource("C:\\Program Files\\Grindel", "Deutsch");
    EXPECT_EQ(LangPackPath(), "C:\\Program Files\\Grindel\\Lang\\Deutsch.ini");
}

TEST_F(LangPack, MissingPackSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(LoadLangString(9006, "Memory allocation error."), "Memory allocation error.");
    m_dir.Write("Lang\\English.ini", "[Other Section]\r\n9006=elsewhere\r\n");
    EXPECT_EQ(LoadLangString(9006, "default"), "default");
    WritePack("English", "9007=present\r\n");
    EXPECT_EQ(LoadLangString(9006, "default"), "default");
    EXPECT_EQ(LoadLangString(9007, "default"), "present");
    SetLangPackSource(m_dir.Path(), "Klingon");
    EXPECT_EQ(LoadLangString(9007, "default"), "default");
}

TEST_F(LangPack, HashBreaksLinesInMessagesButNotOnControls) {
    WritePack("English", "9065=first#second#\r\n");
    EXPECT_EQ(LoadLangString(9065, ""), "first\nsecond\n");
    EXPECT_EQ(LoadLangControlText(9065, ""), "first#second#");
    // The defaults go through the same mapping.
    EXPECT_EQ(LoadLangString(1, "a#b"), "a\nb");

    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, parent, HMENU(1043), nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(SetDlgItemLangText(parent, 1043, 9065, "unused"));
    char text[100] = "";
    GetWindowTextA(child, text, sizeof(text));
    EXPECT_STREQ(text, "first#second#");
    DestroyWindow(parent);
}

TEST_F(LangPack, LongTextsAreCutToTheirBuffers) {
    WritePack("English", "9000=" + std::string(3000, 'm') + "\r\n");
    EXPECT_EQ(LoadLangString(9000, "").GetLength(), 1999);
    EXPECT_EQ(LoadLangControlText(9000, "").GetLength(), 99);
}
