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
    int RowOf(const CStartupEditor& editor, const char* name) const {
        for (int i = 0; i < editor.List().GetCount(); ++i)
            if (editor.List().GetAt(i).taskName == name) return i;
        return -1;
    }
    void Toggle(CStartupEditor& editor, const char* name) {
        CButtonUpdate buttons;
        ASSERT_TRUE(editor.ToggleDisable(RowOf(editor, name), buttons)) << name;
    }
    std::string SaveProf() const { return ReadFileText(where.saveProf); }
};
}  // namespace

TEST_F(StartupEditorTest, DisabledRunEntryMovesToTheRecordFileAndBackWhenEnabled) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "Agent", "C:\\agent.exe /tray");
    SetValue(HKEY_CURRENT_USER, UserRun(), "Other", "C:\\other.exe");
    {
        CStartupEditor editor(where);
        editor.Load();
        Toggle(editor, "Agent");
        EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Agent"), "C:\\agent.exe /tray");  // nothing before the apply
        editor.ApplyNow();
    }
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Agent"), "<missing>");
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Other"), "C:\\other.exe");
    EXPECT_EQ(SaveProf(),
              "Agent\r\nDisabled\r\nRegistry(User Run)\r\nCurrent User\r\nCurrent User logs On\r\nC:\\agent.exe /tray\r\n");

    CStartupEditor next(where);
    next.Load();
    ASSERT_EQ(next.List().GetCount(), 2);
    EXPECT_EQ(next.List().GetAt(1).taskName, "Agent");
    EXPECT_EQ(next.List().GetAt(1).status, "Disabled");
    Toggle(next, "Agent");
    next.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Agent"), "C:\\agent.exe /tray");
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, ApplyActsOnlyOnRowsWhoseStatusChanged) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "Twice", "C:\\t.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "Kept", "C:\\k.exe");
    CStartupEditor editor(where);
    editor.Load();
    Toggle(editor, "Twice");
    Toggle(editor, "Twice");
    // Changed behind the list's back: a write of either row would put the old data back.
    SetValue(HKEY_CURRENT_USER, UserRun(), "Twice", "C:\\changed.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "Kept", "C:\\changed.exe");
    editor.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Twice"), "C:\\changed.exe");
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Kept"), "C:\\changed.exe");
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, EveryLocationIsEmptiedAndWrittenBack) {
    program.Write("Lang\\Deutsch.ini", "[Quorvane Language Pack]\r\n419=Registrierung\r\n");
    SetLanguageFile("Deutsch.ini");
    const std::string runLine = "C:\\one.exe " + std::string(300, 'o') + " C:\\two.exe";
    files.Write("win-copy.ini", "[windows]\r\nload=C:\\load.exe\r\nrun=" + runLine + "\r\n");
    SetValue(HKEY_LOCAL_MACHINE, test.SubKey() + "\\RunOnce", "Setup", "C:\\setup.exe");
    const CString target = JoinPath(GetWindowsFolder(), "notepad.exe");
    ASSERT_EQ(CreateShortcut(JoinPath(where.userStartup, "Pad.lnk"), target), S_OK);
    ASSERT_EQ(CreateShortcut(JoinPath(where.commonStartup, "Shared.lnk"), target), S_OK);

    CStartupEditor editor(where);
    editor.Load();
    ASSERT_EQ(editor.List().GetCount(), 5);
    EXPECT_EQ(editor.List().GetAt(0).loadFrom, "Registrierung(Machine RunOnce)");
    for (int i = 0; i < 5; ++i) {
        CButtonUpdate buttons;
        editor.ToggleDisable(i, buttons);
    }
    editor.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, test.SubKey() + "\\RunOnce", "Setup"), "<missing>");
    EXPECT_EQ(ReadIniText(kWinIniSection, "Run", where.winIni), "");
    EXPECT_EQ(ReadIniText(kWinIniSection, "Load", where.winIni), "");
    EXPECT_FALSE(FileExists(JoinPath(where.userStartup, "Pad.lnk")));
    EXPECT_FALSE(FileExists(JoinPath(where.commonStartup, "Shared.lnk")));

    CStartupEditor next(where);
    next.Load();
    ASSERT_EQ(next.List().GetCount(), 5);
    for (int i = 0; i < 5; ++i) {
        CButtonUpdate buttons;
        next.ToggleDisable(i, buttons);
    }
    next.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, test.SubKey() + "\\RunOnce", "Setup"), "C:\\setup.exe");
    EXPECT_EQ(ReadIniText(kWinIniSection, "Run", where.winIni).str(), runLine);
    EXPECT_EQ(ReadIniText(kWinIniSection, "Load", where.winIni), "C:\\load.exe");
    EXPECT_EQ(ReadShortcutTarget(JoinPath(where.userStartup, "Pad.lnk")), target);
    EXPECT_EQ(ReadShortcutTarget(JoinPath(where.commonStartup, "Shared.lnk")), target);
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, RemovedRowsLeaveTheListAndTheirLocation) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "Gone", "C:\\g.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "Stays", "C:\\s.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "WasOff", "C:\\w.exe");
    CStartupEditor editor(where);
    editor.Load();
    Toggle(editor, "WasOff");
    editor.ApplyNow();

    CButtonUpdate buttons;
    ASSERT_TRUE(editor.MarkRemove(RowOf(editor, "Gone"), buttons));
    ASSERT_TRUE(editor.MarkRemove(RowOf(editor, "WasOff"), buttons));
    EXPECT_FALSE(buttons.removeEnabled);
    editor.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Gone"), "<missing>");
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "WasOff"), "<missing>");
    ASSERT_EQ(editor.List().GetCount(), 1);
    EXPECT_EQ(editor.List().GetAt(0).taskName, "Stays");
    ASSERT_EQ(editor.LoadedCount(), 1);
    EXPECT_TRUE(editor.LoadedRecord(0) == editor.List().GetAt(0));
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, AddedRowsAreWrittenOnlyWhenEnabledAndTrackedAfterwards) {
    CStartupEditor editor(where);
    editor.Load();
    // Disabled first: matched by position alone, the Enabled row after it
    // would take its place in the applied state.
    editor.List().Rows().Add(Row("Parked", "Registry(User Run)", "Current User", "x", "C:\\parked.exe"));
    editor.List().Rows().Add(Row("Added", "Registry(User Run)", "Current User", "x", "C:\\added.exe"));
    Toggle(editor, "Parked");
    editor.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Added"), "C:\\added.exe");
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Parked"), "<missing>");
    EXPECT_EQ(SaveProf().rfind("Parked\r\nDisabled\r\n", 0), 0u);

    // Later applies see each added row's own status, whatever their order.
    Toggle(editor, "Parked");
    editor.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Parked"), "C:\\parked.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "Added", "C:\\changed.exe");
    editor.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "Added"), "C:\\changed.exe");
}

TEST_F(StartupEditorTest, ResetAllBringsBackTheAppliedStatuses) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "A", "C:\\a.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "B", "C:\\b.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "C", "C:\\c.exe");
    CStartupEditor editor(where);
    editor.Load();
    Toggle(editor, "A");
    editor.ApplyNow();
    Toggle(editor, "B");
    CButtonUpdate buttons;
    editor.MarkRemove(RowOf(editor, "C"), buttons);
    editor.List().Rows().Add(Row("New", "Registry(User Run)", "Current User", "x", "C:\\n.exe"));

    editor.ResetAll();
    ASSERT_EQ(editor.List().GetCount(), 3);
    EXPECT_EQ(editor.List().GetAt(0).taskName, "B");
    EXPECT_EQ(editor.List().GetAt(1).taskName, "C");
    EXPECT_EQ(editor.List().GetAt(2).taskName, "A");
    EXPECT_EQ(editor.List().GetAt(2).status, "Disabled");
    EXPECT_EQ(editor.List().GetAt(1).status, "Enabled");
    // The new order is the applied state: an apply now changes nothing.
    SetValue(HKEY_CURRENT_USER, UserRun(), "B", "C:\\changed.exe");
    editor.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "B"), "C:\\changed.exe");
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "A"), "<missing>");
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "New"), "<missing>");
}

TEST_F(StartupEditorTest, ButtonsFollowTheSelectedRowsStatus) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "A", "C:\\a.exe");
    CStartupEditor editor(where);
    editor.Load();
    CButtonUpdate b;
    ASSERT_TRUE(editor.ButtonsForRow(0, b));
    EXPECT_EQ(b.disableCaption, CButtonUpdate::ShowDisable);
    EXPECT_TRUE(b.removeEnabled);
    ASSERT_TRUE(editor.ToggleDisable(0, b));
    EXPECT_EQ(b.disableCaption, CButtonUpdate::ShowEnable);
    ASSERT_TRUE(editor.ButtonsForRow(0, b));
    EXPECT_EQ(b.disableCaption, CButtonUpdate::ShowEnable);
    EXPECT_TRUE(b.removeEnabled);
    ASSERT_TRUE(editor.MarkRemove(0, b));
    ASSERT_TRUE(editor.ButtonsForRow(0, b));
    EXPECT_EQ(b.disableCaption, CButtonUpdate::Unchanged);
    EXPECT_FALSE(b.removeEnabled);
    // The Disable button turns a Remove row back to Enabled.
    ASSERT_TRUE(editor.ToggleDisable(0, b));
    EXPECT_EQ(editor.List().GetAt(0).status, "Enabled");
    EXPECT_EQ(b.disableCaption, CButtonUpdate::ShowDisable);

    for (int row : {-1, 1}) {
        EXPECT_FALSE(editor.ToggleDisable(row, b));
        EXPECT_FALSE(editor.MarkRemove(row, b));
        EXPECT_FALSE(editor.ButtonsForRow(row, b));
    }
    EXPECT_EQ(editor.List().GetAt(0).status, "Enabled");
}

TEST_F(StartupEditorTest, LogOffAndRestartComeAfterTheApply) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "A", "C:\\a.exe");
    std::vector<std::pair<UINT, std::string>> calls;
    SetExitWindowsHook([&](UINT flags, DWORD) {
        calls.push_back({flags, ValueOf(HKEY_CURRENT_USER, UserRun(), "A")});
        return TRUE;
    });
    CStartupEditor editor(where);
    editor.Load();
    Toggle(editor, "A");
    editor.ApplyAndLogOff();
    Toggle(editor, "A");
    editor.ApplyAndRestart();
    SetExitWindowsHook(nullptr);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(UINT(4), std::string("<missing>")));
    EXPECT_EQ(calls[1], std::make_pair(UINT(7), std::string("C:\\a.exe")));
}

TEST_F(StartupEditorTest, ProfileShorterThanTheLoadedListIsAppliedWithoutReadingPastIt) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "A", "C:\\a.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "B", "C:\\b.exe");
    CStartupEditor editor(where);
    editor.Load();
    editor.List().Rows().RemoveAt(1);
    Toggle(editor, "A");
    editor.ApplyNow();
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "A"), "<missing>");
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, UserRun(), "B"), "C:\\b.exe");
    EXPECT_EQ(editor.LoadedCount(), 1);
}

TEST_F(StartupEditorTest, StartupNamesThatLeaveTheFolderAreRefused) {
    const CString victim = files.Write("victim.lnk", "keep me");
    StartupRecord record = Row("..\\victim", "StartUp (Current User)", "", "", "C:\\x.exe");
    EXPECT_FALSE(RemoveStartupEntry(record, where));
    EXPECT_FALSE(WriteStartupEntry(record, where));
    EXPECT_EQ(ReadFileText(victim), "keep me");
    record.loadFrom = "Somewhere Else";
    record.taskName = "plain";
    EXPECT_FALSE(WriteStartupEntry(record, where));
}

TEST(RecordFile, SixLinesPerRecordAndDamagedFilesReadSafely) {
    CTempFolder dir;
    CArray<StartupRecord> records;
    records.Add(Row("One", "Registry(User Run)", "u", "w", "C:\\1.exe"));
    records.Add(Row("Two", "Win.ini Run", "u", "w", "a\r\nb"));
    records.Add(Row("Three", "StartUp (All Users)", "u", "w", ""));
    records[2].status = "Disabled";
    const CString path = dir.File("three.Pro");
    ASSERT_TRUE(WriteRecordFile(records, path, 3));
    const std::string text = ReadFileText(path);
    CStringArray lines = SplitText(CString(text), "\r\n");
    ASSERT_EQ(lines.GetSize(), 19);  // eighteen lines and the end
    EXPECT_EQ(lines[13], "Disabled");
    EXPECT_EQ(lines[11], "a  b");
    EXPECT_FALSE(WriteRecordFile(records, "", 3));

    CArray<StartupRecord> back;
    ASSERT_TRUE(ReadRecordFile(path, back));
    ASSERT_EQ(back.GetSize(), 3);
    EXPECT_TRUE(back[0] == records[0]);
    EXPECT_EQ(back[1].location, "a  b");
    EXPECT_TRUE(back[2] == records[2]);

    struct Case { const char* name; std::string text; int count; const char* lastLocation; } cases[] = {
        {"first line empty", "\r\nOne\r\nEnabled\r\n", 0, ""},
        {"stops at an empty line", "A\nB\nC\nD\nE\nF\n\nG\nH\n", 1, "F"},
        {"cut short", "A\r\nB\r\nC\r\nD\r\nE\r\nF\r\nG\r\nH", 2, ""},
        {"empty file", "", 0, ""},
    };
    for (const Case& c : cases) {
        CArray<StartupRecord> read;
        EXPECT_TRUE(ReadRecordFile(dir.Write("case.pro", c.text), read)) << c.name;
        ASSERT_EQ(read.GetSize(), c.count) << c.name;
        if (c.count) {
            EXPECT_EQ(read[c.count - 1].location, c.lastLocation) << c.name;
        }
    }
    CArray<StartupRecord> none;
    EXPECT_FALSE(ReadRecordFile(dir.File("missing.pro"), none));
    EXPECT_EQ(none.GetSize(), 0);
}
