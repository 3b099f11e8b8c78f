#include <gtest/gtest.h>

#include "Files.h"
#include "Handles.h"
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
    EXPECT_EQ(ReadFileText(where.saveProf), "Agent\r\nDisabled\r\nRegistry(User Run)\r\nCurrent User\r\n"
                                            "Current User logs On\tcopy=Agent.1\ttype=1\r\nC:\\Agent\r\n");

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

TEST_F(StartupEditorTest, AFailedEnableIsReportedKeepsTheEntryDisabledAndRecordedAndEndsNoSession) {
    const CString live = files.Write("StartUp\\Locked.txt", "locked");
    Loaded({});
    Toggle("Locked.txt");
    ASSERT_TRUE(editor.ApplyNow());
    const CString kept = JoinPath(where.userPrivateFolder, "Locked.txt.1");
    ASSERT_EQ(ReadFileText(kept), "locked");

    int sessionsEnded = 0;
    SetExitWindowsHook([&](UINT, DWORD) { return BOOL(++sessionsEnded); });
    Toggle("Locked.txt");
    {
        // Opened without sharing: the file cannot move back.
        CHandle lock(CreateFileA(kept, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.IsValid());
        EXPECT_FALSE(editor.ApplyAndLogOff());
    }
    EXPECT_EQ(sessionsEnded, 0);
    ASSERT_EQ(editor.Failures().GetSize(), 1);
    EXPECT_NE(editor.Failures()[0].Find("Locked.txt"), -1);
    EXPECT_EQ(editor.List().GetAt(RowOf("Locked.txt")).status, "Disabled");
    EXPECT_EQ(ReadFileText(where.saveProf).rfind("Locked.txt\r\nDisabled\r\nStartUp (Current User)\r\n", 0), 0u);
    EXPECT_FALSE(FileExists(live));
    EXPECT_NE(ReadFileText(program.File("errorlog.txt")).find("Locked.txt"), std::string::npos);

    Toggle("Locked.txt");
    EXPECT_TRUE(editor.ApplyAndLogOff());
    SetExitWindowsHook(nullptr);
    EXPECT_EQ(sessionsEnded, 1);
    EXPECT_EQ(ReadFileText(live), "locked");
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, ALanguageSwitchBetweenDisableAndEnableChangesNothingStored) {
    Loaded({"Agent"});
    Toggle("Agent");
    ASSERT_TRUE(editor.ApplyNow());
    const std::string english = "Agent\r\nDisabled\r\nRegistry(User Run)\r\nCurrent User\r\n"
                                "Current User logs On\tcopy=Agent.1\ttype=1\r\nC:\\Agent\r\n";
    ASSERT_EQ(ReadFileText(where.saveProf), english);
    // Written under the pack before: the reader takes its texts too.
    files.Write("SaveProf.pro", english + "Old\r\nDeaktiviert\r\nRegistrierung(Benutzer)\r\nu\r\nw\r\nC:\\old.exe\r\n");
    program.Write("Lang\\Deutsch.ini", "[Quorvane Language Pack]\r\n413=Aktiv\r\n423=Deaktiviert\r\n"
                                       "426=Registrierung(Benutzer)\r\n");
    SetLanguageFile("Deutsch.ini");
    editor.Load();
    ASSERT_EQ(editor.List().GetCount(), 2);
    for (const char* name : {"Agent", "Old"}) {
        EXPECT_EQ(editor.List().GetAt(RowOf(name)).status, "Deaktiviert") << name;
        EXPECT_EQ(editor.List().GetAt(RowOf(name)).loadFrom, "Registrierung(Benutzer)") << name;
    }
    ASSERT_TRUE(editor.ApplyNow());
    EXPECT_EQ(ReadFileText(where.saveProf), english + "Old\r\nDisabled\r\nRegistry(User Run)\r\nCurrent User\r\n"
                                                      "Current User logs On\r\nC:\\old.exe\r\n");
    Toggle("Agent");
    Toggle("Old");
    ASSERT_TRUE(editor.ApplyNow());
    EXPECT_EQ(Value("Agent"), "C:\\Agent");
    EXPECT_EQ(Value("Old"), "C:\\old.exe");
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, RecordsOfEveryPackAreReadAndOneOfNoPackIsKeptAsItStands) {
    program.Write("Lang\\Deutsch.ini", "[Quorvane Language Pack]\r\n423=Deaktiviert\r\n426=Registrierung(Benutzer)\r\n");
    program.Write("Lang\\Francais.ini", "[Quorvane Language Pack]\r\n423=Desactive\r\n");
    SetLanguageFile("Francais.ini");
    const std::string unknown = "Lost\r\nInaktiv\r\nRegistry(User Run)\r\nu\r\nw\tcopy=Lost.1\r\nC:\\lost.exe\r\n";
    files.Write("SaveProf.pro", "Old\r\nDeaktiviert\r\nRegistrierung(Benutzer)\r\nu\r\nw\r\nC:\\old.exe\r\n" + unknown);
    Loaded({"Other"});
    ASSERT_EQ(editor.List().GetCount(), 3);
    EXPECT_EQ(editor.List().GetAt(RowOf("Old")).status, "Desactive");
    EXPECT_FALSE(editor.ToggleDisable(RowOf("Lost"), buttons) || editor.MarkRemove(RowOf("Lost"), buttons));
    Toggle("Other");
    ASSERT_TRUE(editor.ApplyNow());
    const std::string kept = ReadFileText(where.saveProf);
    EXPECT_NE(kept.find("Old\r\nDisabled\r\nRegistry(User Run)\r\n"), std::string::npos) << kept;
    EXPECT_NE(kept.find(unknown), std::string::npos) << kept;
    EXPECT_NE(ReadFileText(program.File("errorlog.txt")).find("Method: ReadSaveProf"), std::string::npos);
    Toggle("Old");
    ASSERT_TRUE(editor.ApplyNow());
    EXPECT_EQ(Value("Old"), "C:\\old.exe");
}

TEST_F(StartupEditorTest, ARecordFileOfOtherLineEndsOrADamagedEndIsListedAndKeptWhole) {
    const auto names = {"A", "B", "Last"};
    Loaded(names);
    for (const char* name : names) Toggle(name);
    ASSERT_TRUE(editor.ApplyNow());
    const std::string whole = ReadFileText(where.saveProf);
    std::string crOnly = whole;
    for (size_t at = 0; (at = crOnly.find("\r\n", at)) != std::string::npos; ++at) crOnly.replace(at, 2, "\r");
    const size_t last = whole.find("Last\r\nDisabled"), location = whole.rfind("C:\\Last");
    const struct {
        const char* what;
        std::string text;
        int disabled;  // rows listed Disabled; the rest are kept as they stand
    } cases[] = {
        {"CR line ends", crOnly, 3},
        {"cut in the status", whole.substr(0, last + 8), 2},
        {"cut in the command line", whole.substr(0, location + 5), 2},
        {"no last line end", whole.substr(0, whole.size() - 2), 2},
        {"a line inserted", std::string(whole).insert(whole.find("B\r\n") + 3, "inserted\r\n"), 1},
        {"blank lines between records", std::string(whole).insert(last, "\r\n\r\n").insert(0, "\r\n"), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        files.Write("SaveProf.pro", c.text);
        CStartupEditor next(where);
        next.Load();
        int disabled = 0;
        for (const StartupRecord& row : next.List().Rows()) disabled += !row.unreadable && row.status == "Disabled";
        EXPECT_EQ(disabled, c.disabled);
        EXPECT_TRUE(next.ApplyNow());
        EXPECT_EQ(ReadFileText(where.saveProf), c.disabled == 3 ? whole : c.text);
    }
}

TEST_F(StartupEditorTest, ARecordFileWhoseLineEndsWereDoubledListsItsEntriesAndTheyEnable) {
    const auto names = {"Probe1", "Probe2", "Probe3", "Probe4"};
    Loaded(names);
    for (const char* name : names) Toggle(name);
    ASSERT_TRUE(editor.ApplyNow());
    std::string doubled = ReadFileText(where.saveProf);
    for (size_t at = 0; (at = doubled.find("\r\n", at)) != std::string::npos; ++at) doubled[at + 1] = '\r';
    files.Write("SaveProf.pro", doubled);

    CStartupEditor next(where);
    next.Load();
    ASSERT_EQ(next.List().GetCount(), 4);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(next.List().GetAt(row).status, "Disabled") << row;
        ASSERT_TRUE(next.ToggleDisable(row, buttons));
    }
    ASSERT_TRUE(next.ApplyNow());
    for (const char* name : names) EXPECT_EQ(Value(name), std::string("C:\\") + name);
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(StartupEditorTest, ARecordFileThatCannotBeReadIsNeitherReplacedNorDeleted) {
    Loaded({"A", "B"});
    Toggle("A");
    ASSERT_TRUE(editor.ApplyNow());
    const std::string kept = ReadFileText(where.saveProf);
    {
        CHandle held = HoldFile(where.saveProf, 0);
        editor.Load();
    }
    Toggle("B");
    EXPECT_FALSE(editor.ApplyNow());
    ASSERT_EQ(editor.Failures().GetSize(), 1);
    EXPECT_NE(editor.Failures()[0].Find(where.saveProf), -1) << editor.Failures()[0].c_str();
    EXPECT_EQ(ReadFileText(where.saveProf), kept);
    EXPECT_EQ(Value("B"), "C:\\B");
}

TEST_F(StartupEditorTest, ALoadedProfilePutsNothingOverAValueThatStandsInItsPlace) {
    Loaded({"Agent"});
    const CString profile = files.Write("old.pro", "Agent\r\nEnabled\r\nRegistry(User Run)\r\nu\r\nw\r\nC:\\old.exe\r\n");
    ASSERT_TRUE(editor.LoadProfile(profile));
    EXPECT_FALSE(editor.ApplyNow());
    EXPECT_EQ(Value("Agent"), "C:\\Agent");
    ASSERT_EQ(editor.Failures().GetSize(), 1);
    EXPECT_NE(editor.Failures()[0].Find("Agent = C:\\Agent"), -1) << editor.Failures()[0].c_str();
    EXPECT_NE(ReadFileText(program.File("errorlog.txt")).find("Agent = C:\\Agent"), std::string::npos);
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
    StartupRecord outside = Row("..\\victim", "StartUp (Current User)", "", "", "C:\\x.exe");
    for (EntryStep step : {EntryStep::Disable, EntryStep::Enable, EntryStep::Add, EntryStep::Remove})
        EXPECT_NE(ChangeStartupEntry(step, outside, where), DWORD(ERROR_SUCCESS));
    StartupRecord copyOutside = Row("plain", "StartUp (Current User)", "", "", "C:\\x.exe");
    copyOutside.copyName = "..\\..\\victim.lnk";
    for (EntryStep step : {EntryStep::Enable, EntryStep::Discard})
        EXPECT_NE(ChangeStartupEntry(step, copyOutside, where), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(ReadFileText(victim), "keep me");
    StartupRecord nowhere = Row("plain", "Somewhere Else", "", "", "C:\\x.exe");
    EXPECT_NE(ChangeStartupEntry(EntryStep::Add, nowhere, where), DWORD(ERROR_SUCCESS));
}

TEST(RecordFile, LineBreaksAreBlankedAndATruncatedFileIsKeptWholeAsItStands) {
    CTempFolder dir;
    CTempFolder program;
    SetAppPath(program.Path());
    CArray<StartupRecord> records;
    records.Add(Row("Two", "Win.ini Run", "u", "w", "a\r\nb"));
    records.Add(Row("", "Registry(User Run)", "u", "w", "C:\\unnamed.exe", "Disabled"));
    records.Add(Row("Last", "StartUp (All Users)", "u", "w", ""));
    ASSERT_TRUE(WriteRecordFile(records, dir.File("three.pro"), 3));
    const std::string whole = ReadFileText(dir.File("three.pro"));
    EXPECT_EQ(whole.rfind("Two\r\nEnabled\r\nWin.ini Run\r\nu\r\nw\r\na  b\r\n\r\nDisabled\r\n", 0), 0u);
    EXPECT_FALSE(WriteRecordFile(records, "", 1));
    records[0].location = "a  b";

    // Names travel whole in the When? line, whatever they hold.
    StartupRecord named = records[2], back = records[2];
    named.fileName = "50%\tof\r\nit.lnk";
    named.copyName = "x.lnk.2";
    named.valueType = REG_DWORD;
    back.when = WhenWithIdentity(named, true);
    ASSERT_TRUE(TakeIdentity(back));
    EXPECT_EQ(back.when + "|" + back.fileName + "|" + back.copyName, "w|" + named.fileName + "|x.lnk.2");
    EXPECT_EQ(back.valueType, DWORD(REG_DWORD));

    // Cut at every byte: every record whose six lines are whole (a CR alone
    // ends a line) is read, and what the cut leaves of the next is kept as
    // it stands, written back after them byte for byte.
    std::vector<size_t> ends;
    for (size_t at = 0, lines = 0; (at = whole.find('\n', at)) != std::string::npos; ++at)
        if (++lines % 6 == 0) ends.push_back(at);
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        const std::string text = whole.substr(0, cut);
        CArray<StartupRecord> read;
        ASSERT_TRUE(ReadRecordFile(dir.Write("cut.pro", text), read)) << cut;
        size_t whole_records = 0;
        while (whole_records < 3 && ends[whole_records] <= cut) ++whole_records;
        const size_t tail = whole_records ? ends[whole_records - 1] : 0;
        const bool blank = text.find_first_not_of("\r\n", tail) == std::string::npos;
        ASSERT_EQ(size_t(read.GetSize()), whole_records + (blank ? 0 : 1)) << cut;
        for (size_t i = 0; i < whole_records; ++i) EXPECT_EQ(read[int(i)], records[int(i)]) << cut;
        if (blank) continue;
        EXPECT_TRUE(read[int(whole_records)].unreadable) << cut;
        // The cut one first: it must still go last.
        const StartupRecord cutOne = read[int(whole_records)];
        read.InsertAt(0, cutOne);
        read.RemoveAt(int(whole_records) + 1);
        ASSERT_TRUE(WriteRecordFile(read, dir.File("back.pro"), read.GetSize())) << cut;
        EXPECT_EQ(ReadFileText(dir.File("back.pro")), text) << cut;
    }
    EXPECT_NE(ReadFileText(program.File("errorlog.txt")).find("Method: ReadRecordFile"), std::string::npos);
    EXPECT_FALSE(ReadRecordFile(dir.File("missing.pro"), records));
    SetAppPath("");
}
