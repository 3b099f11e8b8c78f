#include <gtest/gtest.h>

#include "Files.h"
#include "StartupRecord.h"
#include "TestSupport.h"
#include "modLanguage.h"

namespace {
class LanguageTest : public ::testing::Test {
protected:
    LanguageTest() { SetAppPath(program.Path()); }
    ~LanguageTest() override {
        SetAppPath("");
        SetLanguageFile(kDefaultLanguageFile);
    }
    CTempFolder program;
};
}  // namespace

TEST_F(LanguageTest, LooksTextsUpInTheActivePackWithDefaults) {
    const std::string body = "413=Aktiviert\r\n414=\r\n415=  Aktueller Benutzer  \r\n500=" + std::string(600, 'w');
    program.Write("Lang\\German.ini", "[Quorvane Language Pack]\r\n" + body + "\r\n");
    SetLanguageFile("German.ini");
    struct Case { const char* key; const char* fallback; std::string text; } cases[] = {
        {"413", "Enabled", "Aktiviert"},
        {"414", "Default", ""},  // present but empty: not the default
        {"415", "", "Aktueller Benutzer"},
        {"416", "All Users", "All Users"},
        {"500", "", std::string(499, 'w')},  // what the 500-character buffer holds, not one less
    };
    for (const Case& c : cases) EXPECT_EQ(SetCaptionfromINI(c.key, c.fallback).str(), c.text) << c.key;
    SetLanguageFile("Klingon.ini");
    EXPECT_EQ(SetCaptionfromINI("413", "Enabled"), "Enabled");
    EXPECT_FALSE(FileExists(program.File("errorlog.txt")));  // falling back is no failure
}

TEST_F(LanguageTest, EachFailureAppendsOneRecordAndKeepsEarlierOnes) {
    program.Write("errorlog.txt", "earlier record\r\n");
    SetLanguageFile((std::string(300, 'n') + ".ini").c_str());
    EXPECT_EQ(SetCaptionfromINI("413", "Enabled"), "");
    SetLanguageFile("English.ini");
    EXPECT_EQ(SetCaptionfromINI("", "Enabled"), "");

    CStringArray lines = SplitText(CString(ReadFileText(program.File("errorlog.txt"))), "\r\n");
    ASSERT_EQ(lines.GetSize(), 8);
    EXPECT_EQ(lines[0], "earlier record");
    for (int first : {1, 4}) {
        EXPECT_EQ(lines[first].Left(6), "Date: ");
        EXPECT_GT(lines[first].GetLength(), 6);
        EXPECT_EQ(lines[first + 1].Left(6), "Time: ");
        EXPECT_EQ(lines[first + 2].Left(19), "Error Description: ");
    }
    const CString tooLong = ", Error Number: 206, Method: SetCaptionfromINI";
    const CString noKey = ", Error Number: 87, Method: SetCaptionfromINI";
    EXPECT_EQ(lines[3].Right(tooLong.GetLength()), tooLong);
    EXPECT_EQ(lines[6].Right(noKey.GetLength()), noKey);
    EXPECT_EQ(lines[7], "");

    // A log that cannot be written is given up without a fault.
    SetAppPath(program.File("no\\such\\folder"));
    LogError("lost");
}

TEST_F(LanguageTest, AnEmptyTextIsNoStatusOrLocationWhenThePackCannotBeRead) {
    // Every look-up fails (and gives an empty text) for a pack path this long.
    SetLanguageFile((std::string(300, 'n') + ".ini").c_str());
    EXPECT_EQ(kUnknownStatus, StatusOf(""));
    EXPECT_EQ(kNoLocation, LocationCodeOf(""));
    EXPECT_EQ(kStatusDisabled, StatusOf("Disabled"));
    EXPECT_EQ(kWinIniRun, LocationCodeOf("Win.ini Run"));
}
