#include <gtest/gtest.h>

#include "Files.h"
#include "ShellLink.h"
#include "StartupEditor.h"
#include "StartupTestSupport.h"
#include "clsExitWindows.h"
#include "modRecordFile.h"
#include "modStartupEntry.h"

namespace {
class StartupEditorTest : public CFabricatedStartup {
protected:
    void Loaded(std::initializer_list<const char*> values) {
        for (const char* name : values) SetValue(HKEY_CURRENT_USER, UserRun(), name, std::string("C:\\") + name);
        editor.Load();
    }
    int RowOf(const char* name) const {
        for (int i = 0; i < editor.List().GetCount(); ++i)
            if (editor.List().GetAt(i).taskName == name) return i;
        return -1;
    }
    void Toggle(const char* name) { ASSERT_TRUE(editor.ToggleDisable(RowOf(name), buttons)) << name; }
    void Remove(const char* name) { ASSERT_TRUE(editor.MarkRemove(RowOf(name), buttons)) << name; }
    std::string Value(const char* name) const { return ValueOf(HKEY_CURRENT_USER, UserRun(), name); }
    // Changed behind the list's back: a write of the row would put the old data back.
    void Tamper(const char* name) { SetValue(HKEY_CURRENT_USER, UserRun(), name, "C:\\changed.exe"); }

    CStartupEditor editor{where};
    CButtonUpdate buttons;
};
}  // namespace

TEST_F(StartupEditorTest, DisabledEntryMovesToTheRecordFileAndBackWhenEnabled) {
    Loaded({"Agent", "Other", "Twice"});
    Toggle("Agent");
    Toggle("Twice");
    Toggle("Twice");
    Tamper("Twice");
    EXPECT_EQ(Value("Agent"), "C:\\Agent");  // nothing before the apply
    editor.ApplyNow();
    EXPECT_EQ(Value("Agent"), "<missing>");
    EXPECT_EQ(Value("Twice"), "C:\\changed.exe");
    EXPECT_EQ(ReadFileText(where.saveProf),
              "Agent\r\nDisabled\r\nRegistry(User Run)\r\nCurrent User\r\nCurrent User logs On\r\nC:\\Agent\r\n");

    CStartupEditor next(where);
    next.Load();
    ASSERT_EQ(next.List().GetCount(), 3);
    EXPECT_EQ(next.List().GetAt(2).taskName, "Agent");
    EXPECT_EQ(next.List().GetAt(2).status, "Disabled");
    ASSERT_TRUE(next.ToggleDisable(2, buttons));
    next.ApplyNow();
    EXPECT_EQ(Value("Agent"), "C:\\Agent");
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, AnEntryLeavesItsLocationOnlyOnceTheRecordFileKeepsIt) {
    where.saveProf = files.File("read-only Windows folder\\SaveProf.pro");
    CStartupEditor limited(where);
    SetValue(HKEY_CURRENT_USER, UserRun(), "A", "C:\\a.exe");
    limited.Load();
    ASSERT_TRUE(limited.ToggleDisable(0, buttons));
    EXPECT_FALSE(limited.ApplyNow());
    EXPECT_EQ(Value("A"), "C:\\a.exe");
    EXPECT_EQ(limited.LoadedRecord(0).status, "Enabled");  // still to be applied
    const std::string log = ReadFileText(program.File("errorlog.txt"));
    EXPECT_NE(log.find(", Method: WriteSaveProf\r\n"), std::string::npos) << log;
}

TEST_F(StartupEditorTest, AnEntryBackInItsLocationIsListedOnce) {
    files.Write("SaveProf.pro", "A\r\nDisabled\r\nRegistry(User Run)\r\nu\r\nw\r\nC:\\A\r\n"
                                "Z\r\nDisabled\r\nRegistry(User Run)\r\nu\r\nw\r\nC:\\Z\r\n");
    Loaded({"A"});
    ASSERT_EQ(editor.List().GetCount(), 2);
    EXPECT_EQ(editor.List().GetAt(0).status, "Enabled");
    EXPECT_EQ(editor.List().GetAt(1).taskName, "Z");
    EXPECT_EQ(editor.List().GetAt(1).status, "Disabled");
}

TEST_F(StartupEditorTest, EveryLocationIsEmptiedAndWrittenBack) {
    // Machine rows carry the pack's word for "Registry" and must still be found.
    program.Write("Lang\\Deutsch.ini", "[Quorvane Language Pack]\r\n419=Registrierung\r\n");
    SetLanguageFile("Deutsch.ini");
    const std::string runLine = "C:\\one.exe " + std::string(300, 'o') + " C:\\two.exe";
    files.Write("win-copy.ini", "[windows]\r\nload=C:\\load.exe\r\nrun=" + runLine + "\r\n");
    const CString onceKey = test.SubKey() + "\\RunOnce";
    SetValue(HKEY_LOCAL_MACHINE, onceKey, "Setup", "C:\\setup.exe");
    const CString target = JoinPath(GetWindowsFolder(), "notepad.exe");
    const CString userLink = JoinPath(where.userStartup, "Pad.lnk");
    const CString commonLink = JoinPath(where.commonStartup, "Shared.lnk");
    ASSERT_EQ(CreateShortcut(userLink, target), S_OK);
    ASSERT_EQ(CreateShortcut(commonLink, target), S_OK);

    for (bool disable : {true, false}) {
        CStartupEditor pass(where);
        pass.Load();
        ASSERT_EQ(pass.List().GetCount(), 5);
        for (int i = 0; i < 5; ++i) pass.ToggleDisable(i, buttons);
        pass.ApplyNow();
        EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, onceKey, "Setup"), disable ? "<missing>" : "C:\\setup.exe");
        EXPECT_EQ(ReadIniText(kWinIniSection, "Run", where.winIni).str(), disable ? "" : runLine);
        EXPECT_EQ(ReadIniText(kWinIniSection, "Load", where.winIni), disable ? "" : "C:\\load.exe");
        EXPECT_EQ(ReadShortcutTarget(userLink), disable ? "" : target);
        EXPECT_EQ(ReadShortcutTarget(commonLink), disable ? "" : target);
        EXPECT_EQ(FileExists(where.saveProf), disable);
    }
}

TEST_F(StartupEditorTest, RemovedRowsLeaveTheListTheirLocationAndTheRecordFile) {
    Loaded({"Gone", "Stays", "WasOff"});
    Toggle("WasOff");
    editor.ApplyNow();
    Remove("Gone");
    Remove("WasOff");
    EXPECT_FALSE(buttons.removeEnabled);
    editor.ApplyNow();
    EXPECT_EQ(Value("Gone"), "<missing>");
    EXPECT_EQ(Value("WasOff"), "<missing>");
    ASSERT_EQ(editor.List().GetCount(), 1);
    EXPECT_EQ(editor.List().GetAt(0).taskName, "Stays");
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, AddedRowsAreWrittenOnlyWhenEnabledAndTrackedAfterwards) {
    Loaded({});
    // Disabled first: matched by position alone, the Enabled row after it
    // would take its place in the applied state.
    editor.List().Rows().Add(Row("Parked", "Registry(User Run)", "", "", "C:\\parked.exe", "Disabled"));
    editor.List().Rows().Add(Row("Added", "Registry(User Run)", "", "", "C:\\added.exe"));
    editor.ApplyNow();
    EXPECT_EQ(Value("Added"), "C:\\added.exe");
    EXPECT_EQ(Value("Parked"), "<missing>");
    EXPECT_EQ(ReadFileText(where.saveProf).rfind("Parked\r\nDisabled\r\n", 0), 0u);

    Toggle("Parked");
    Tamper("Added");
    editor.ApplyNow();
    EXPECT_EQ(Value("Parked"), "C:\\parked.exe");
    EXPECT_EQ(Value("Added"), "C:\\changed.exe");
}

TEST_F(StartupEditorTest, ResetAllBringsBackTheAppliedStatusesInStep) {
    Loaded({"A", "B", "C"});
    Toggle("A");
    editor.ApplyNow();
    Toggle("B");
    Remove("C");
    editor.List().Rows().Add(Row("New", "Registry(User Run)", "", "", "C:\\n.exe"));
    editor.ResetAll();
    EXPECT_EQ(Slice(editor.List(), 0, 9), Rows({Row("B", "Registry(User Run)", "Current User", "Current User logs On", "C:\\B"),
                                               Row("C", "Registry(User Run)", "Current User", "Current User logs On", "C:\\C"),
                                               Row("A", "Registry(User Run)", "Current User", "Current User logs On",
                                                   "C:\\A", "Disabled")}));
    // The new order is the applied state: an apply now changes nothing.
    Tamper("B");
    editor.ApplyNow();
    EXPECT_EQ(Value("B"), "C:\\changed.exe");
    EXPECT_EQ(Value("A"), "<missing>");
}

TEST_F(StartupEditorTest, ButtonsFollowTheSelectedRowsStatus) {
    Loaded({"A"});
    using B = CButtonUpdate;
    struct Step { bool (CStartupEditor::*press)(int, B&); const char* status; B::Caption caption; bool remove; };
    const Step steps[] = {
        {nullptr, "Enabled", B::ShowDisable, true},
        {&CStartupEditor::ToggleDisable, "Disabled", B::ShowEnable, true},
        {nullptr, "Disabled", B::ShowEnable, true},
        {&CStartupEditor::MarkRemove, "Remove", B::Unchanged, false},
        {nullptr, "Remove", B::Unchanged, false},
        {&CStartupEditor::ToggleDisable, "Enabled", B::ShowDisable, true},
    };
    for (const Step& s : steps) {
        B b;
        ASSERT_TRUE(s.press ? (editor.*s.press)(0, b) : editor.ButtonsForRow(0, b)) << s.status;
        EXPECT_EQ(editor.List().GetAt(0).status, s.status);
        EXPECT_EQ(b.disableCaption, s.caption) << s.status;
        EXPECT_EQ(b.removeEnabled, s.remove) << s.status;
    }
    for (int row : {-1, 1})
        EXPECT_FALSE(editor.ToggleDisable(row, buttons) || editor.MarkRemove(row, buttons) ||
                     editor.ButtonsForRow(row, buttons));
}

TEST_F(StartupEditorTest, LogOffAndRestartComeAfterTheApply) {
    Loaded({"A"});
    std::vector<std::pair<UINT, std::string>> calls;
    SetExitWindowsHook([&](UINT flags, DWORD) {
        calls.push_back({flags, Value("A")});
        return TRUE;
    });
    Toggle("A");
    editor.ApplyAndLogOff();
    Toggle("A");
    editor.ApplyAndRestart();
    SetExitWindowsHook(nullptr);
    EXPECT_EQ(calls, (std::vector<std::pair<UINT, std::string>>{{4, "<missing>"}, {7, "C:\\A"}}));
}

TEST_F(StartupEditorTest, ShorterListsAndNamesThatLeaveTheFolderAreSafe) {
    Loaded({"A", "B"});
    editor.List().Rows().RemoveAt(1);  // a loaded profile with fewer rows
    Toggle("A");
    editor.ApplyNow();
    EXPECT_EQ(Value("A"), "<missing>");
    EXPECT_EQ(Value("B"), "C:\\B");

    const CString victim = files.Write("victim.lnk", "keep me");
    const StartupRecord outside = Row("..\\victim", "StartUp (Current User)", "", "", "C:\\x.exe");
    EXPECT_FALSE(RemoveStartupEntry(outside, where));
    EXPECT_FALSE(WriteStartupEntry(outside, where));
    EXPECT_EQ(ReadFileText(victim), "keep me");
    EXPECT_FALSE(WriteStartupEntry(Row("plain", "Somewhere Else", "", "", "C:\\x.exe"), where));
}

TEST(RecordFile, LineBreaksInFieldsAreBlankedAndDamagedFilesReadSafely) {
    CTempFolder dir;
    CArray<StartupRecord> records;
    records.Add(Row("Two", "Win.ini Run", "u", "w", "a\r\nb"));
    ASSERT_TRUE(WriteRecordFile(records, dir.File("one.pro"), 1));
    EXPECT_EQ(ReadFileText(dir.File("one.pro")), "Two\r\nEnabled\r\nWin.ini Run\r\nu\r\nw\r\na  b\r\n");
    EXPECT_FALSE(WriteRecordFile(records, "", 1));

    struct Case { std::string text; int count; const char* lastLocation; } cases[] = {
        {"\r\nOne\r\nEnabled\r\n", 0, ""},             // first line empty
        {"A\nB\nC\nD\nE\nF\n\nG\nH\n", 1, "F"},         // stops at an empty line
        {"A\r\nB\r\nC\r\nD\r\nE\r\nF\r\nG\r\nH", 2, ""},  // cut short: kept, the rest empty
    };
    for (const Case& c : cases) {
        CArray<StartupRecord> read;
        EXPECT_TRUE(ReadRecordFile(dir.Write("case.pro", c.text), read)) << c.text;
        ASSERT_EQ(read.GetSize(), c.count) << c.text;
        EXPECT_EQ(c.count ? read[c.count - 1].location : CString(), c.lastLocation) << c.text;
    }
    EXPECT_FALSE(ReadRecordFile(dir.File("missing.pro"), records));
}
