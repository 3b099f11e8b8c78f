#include <gtest/gtest.h>

#include "Files.h"
#include "TestSupport.h"
#include "modLanguage.h"

namespace {
class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { SetAppPath(program.Path()); }
    void TearDown() override {
        SetAppPath("");
        SetLanguageFile(kDefaultLanguageFile);
    }
    void WritePack(const char* file, const std::string& body) {
        program.Write((CString("Lang\\") + file).c_str(), "[Quorvane Language Pack]\r\n" + body);
    }
    std::string Log() { return ReadFileText(program.File("errorlog.txt")); }

    CTempFolder program;
};

int CountOf(const std::string& text, const std::string& piece) {
    int n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}
}  // namespace

TEST_F(LanguageTest, LooksTextsUpInTheActivePackWithDefaults) {
    WritePack("German.ini", "413=Aktiviert\r\n414=\r\n415=  Aktueller Benutzer  \r\n500=" + std::string(600, 'w') +
                                "\r\n");
    WritePack("English.ini", "413=Enabled here\r\n");
    SetLanguageFile("German.ini");
    struct Case { const char* key; const char* fallback; std::string text; } cases[] = {
        {"413", "Enabled", "Aktiviert"},
        {"414", "Default", ""},  // present but empty: not the default
        {"415", "", "Aktueller Benutzer"},
        {"416", "All Users", "All Users"},  // missing key
        {"500", "", std::string(499, 'w')},  // cut to the buffer, not one less
    };
    for (const Case& c : cases) EXPECT_EQ(SetCaptionfromINI(c.key, c.fallback).str(), c.text) << c.key;

    SetLanguageFile("Klingon.ini");
    EXPECT_EQ(SetCaptionfromINI("413", "Enabled"), "Enabled");
    SetLanguageFile("English.ini");
    EXPECT_EQ(SetCaptionfromINI("413", "Enabled"), "Enabled here");
    // Lookups that fall back are no failures.
    EXPECT_EQ(Log(), "");
}

TEST_F(LanguageTest, LocationNamesComeFromThePackOrTheirEnglishTexts) {
    WritePack("English.ini", "426=Registre(Utilisateur)\r\n433=Win.ini Ausf\r\n");
    CLocationNames names;
    GetLocationNames(names);
    EXPECT_EQ(names.userRun, "Registre(Utilisateur)");
    EXPECT_EQ(names.machineRun, "Registry(Machine Run)");
    EXPECT_EQ(names.machineRunOnce, "Registry(Machine RunOnce)");
    EXPECT_EQ(names.machineRunOnceEx, "Registry(Machine RunOnceEx)");
    EXPECT_EQ(names.userStartup, "StartUp (Current User)");
    EXPECT_EQ(names.allUsersStartup, "StartUp (All Users)");
    EXPECT_EQ(names.winIniLoad, "Win.ini Load");
    EXPECT_EQ(names.winIniRun, "Win.ini Ausf");
}

TEST_F(LanguageTest, EachFailureAppendsOneRecordAndKeepsEarlierOnes) {
    program.Write("errorlog.txt", "earlier record\r\n");
    SetLanguageFile((std::string(300, 'n') + ".ini").c_str());
    EXPECT_EQ(SetCaptionfromINI("413", "Enabled"), "");
    SetLanguageFile("English.ini");
    EXPECT_EQ(SetCaptionfromINI("", "Enabled"), "");

    const std::string log = Log();
    EXPECT_EQ(log.rfind("earlier record\r\n", 0), 0u) << log;
    EXPECT_EQ(CountOf(log, "Date: "), 2) << log;
    EXPECT_EQ(CountOf(log, "\r\nTime: "), 2) << log;
    EXPECT_EQ(CountOf(log, ", Method: SetCaptionfromINI\r\n"), 2) << log;
    EXPECT_NE(log.find(", Error Number: 206, Method: SetCaptionfromINI\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(", Error Number: 87, Method: SetCaptionfromINI\r\n"), std::string::npos) << log;

    // Record layout: date line, time line, message line.
    CStringArray lines = SplitText(CString(log), "\r\n");
    ASSERT_GE(lines.GetSize(), 7);
    EXPECT_EQ(lines[1].Left(6), "Date: ");
    EXPECT_GT(lines[1].GetLength(), 6);
    EXPECT_EQ(lines[2].Left(6), "Time: ");
    EXPECT_EQ(lines[3].Left(19), "Error Description: ");
    EXPECT_EQ(lines[4].Left(6), "Date: ");
    EXPECT_EQ(lines[7], "");
}

TEST_F(LanguageTest, ErrorMessagesNameDescriptionNumberAndMethod) {
    EXPECT_EQ(FormatErrorMessage("Bad file name or number", 52, "ReadSaveProf"),
              "Error Description: Bad file name or number, Error Number: 52, Method: ReadSaveProf");
    // A log that cannot be written is given up without a fault.
    SetAppPath(program.File("no\\such\\folder"));
    LogError("lost");
    SetAppPath(program.Path());
    EXPECT_FALSE(FileExists(program.File("errorlog.txt")));
}
