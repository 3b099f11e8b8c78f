#include <gtest/gtest.h>

#include <algorithm>

#include "Files.h"
#include "ShellLink.h"
#include "StartupList.h"
#include "StartupTestSupport.h"

namespace {
using StartupListTest = CFabricatedStartup;
const char* const kUser = "Current User";
const char* const kAll = "All Users";
const char* const kAny = "Any User Logs On";
}  // namespace

TEST_F(StartupListTest, ListsEveryLocationInOrderWithItsColumnTexts) {
    const std::string longLine = "C:\\Tools\\sync.exe " + std::string(5000, 'p');
    SetValue(HKEY_CURRENT_USER, UserRun(), "Alpha", "C:\\a.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "Beta", longLine);
    SetValue(HKEY_CURRENT_USER, UserRun(), "Gamma", "C:\\g.exe /q");
    SetValue(HKEY_CURRENT_USER, test.SubKey() + "\\RunOnce", "UserOnce", "C:\\never.exe");
    SetValue(HKEY_LOCAL_MACHINE, test.SubKey() + "\\Run", "Alpha", "C:\\machine\\a.exe");
    CRegKey emptyOnce;
    ASSERT_EQ(emptyOnce.Create(HKEY_LOCAL_MACHINE, test.SubKey() + "\\RunOnce"), ERROR_SUCCESS);
    SetValue(HKEY_LOCAL_MACHINE, test.SubKey() + "\\RunOnceEx", "Flags", "x");
    SetValue(HKEY_LOCAL_MACHINE, test.SubKey() + "\\RunOnceEx\\0001", "Sub", "C:\\sub.exe");
    // No RunServices key, as on NT.
    const std::string runLine = "C:\\Vendor\\agent.exe " + std::string(150, 'r') + " C:\\second.exe";
    files.Write("win-copy.ini", "[windows]\r\nload=\r\nrun=" + runLine + "\r\n");

    const CString notepad = JoinPath(GetWindowsFolder(), "notepad.exe");
    const CString cmd = JoinPath(GetWindowsFolder(), "system32\\cmd.exe");
    ASSERT_EQ(CreateShortcut(JoinPath(where.userStartup, "Notepad.lnk"), notepad), S_OK);
    files.Write("StartUp\\readme.txt", "not a shortcut");
    files.Write("StartUp\\notes.lnk.txt", "");
    SetFileAttributesA(files.Write("StartUp\\desktop.ini", ""), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA(JoinPath(where.userStartup, "Folder"), nullptr);
    ASSERT_EQ(CreateShortcut(JoinPath(where.commonStartup, "Tool.LNK"), cmd), S_OK);
    CString winIniBefore;
    ASSERT_TRUE(ReadWholeFile(where.winIni, winIniBefore));

    CStartupList list(where);
    list.Build();
    ASSERT_EQ(list.GetCount(), 10);
    EXPECT_EQ(Slice(list, 0, 6), Rows({Row("Alpha", "Registry(User Run)", kUser, "Current User logs On", "C:\\a.exe"),
                                       Row("Beta", "Registry(User Run)", kUser, "Current User logs On", longLine),
                                       Row("Gamma", "Registry(User Run)", kUser, "Current User logs On", "C:\\g.exe /q"),
                                       Row("Alpha", "Registry(Machine Run)", kAll, kAny, "C:\\machine\\a.exe"),
                                       Row("Flags", "Registry(Machine RunOnceEx)", kAll, kAny, "x"),
                                       Row("Win.ini Run", "Win.ini Run", "All users", kAny, runLine)}));
    // The folder listing's order is the system's own.
    Rows folder = Slice(list, 6, 3);
    std::sort(folder.begin(), folder.end(), [](const StartupRecord& a, const StartupRecord& b) {
        return a.taskName < b.taskName;
    });
    const char* userWhen = "Current User Logs On";
    EXPECT_EQ(folder, Rows({Row("Notepad", "StartUp (Current User)", kUser, userWhen, notepad.str()),
                            Row("notes.lnk.txt", "StartUp (Current User)", kUser, userWhen, ""),
                            Row("readme.txt", "StartUp (Current User)", kUser, userWhen, "")}));
    EXPECT_EQ(Slice(list, 9, 1), Rows({Row("Tool", "StartUp (All Users)", kAll, kAny, cmd.str())}));

    // Reading changed nothing: the same file, and the same list again.
    CString winIniAfter;
    ASSERT_TRUE(ReadWholeFile(where.winIni, winIniAfter));
    EXPECT_EQ(winIniAfter, winIniBefore);
    const Rows first = Slice(list, 0, list.GetCount());
    list.Build();
    EXPECT_EQ(Slice(list, 0, list.GetCount()), first);
}

TEST_F(StartupListTest, EmptyOrMissingPlacesGiveNoRowsAndLoadIsOneRow) {
    files.Write("win-copy.ini", "[windows]\r\nload=\r\nrun=\r\n[desktop]\r\nrun=y.exe\r\n");
    CStartupList list(where);
    list.Build();
    EXPECT_EQ(list.GetCount(), 0);
    CStartupLocations nowhere = where;
    nowhere.userStartup = files.File("no such folder");
    nowhere.commonStartup = "";
    nowhere.winIni = files.File("missing.ini");
    CStartupList none(nowhere);
    none.Build();
    EXPECT_EQ(none.GetCount(), 0);

    files.Write("win-copy.ini", "[windows]\r\nload=C:\\one.exe C:\\two.exe\r\n");
    list.Build();
    EXPECT_EQ(Slice(list, 0, 2), Rows({Row("Win.ini Load", "Win.ini Load", kAll, kAny, "C:\\one.exe C:\\two.exe")}));
}

TEST(StartupFolderNames, OnlyATrailingShortcutExtensionIsCut) {
    // Wine hides every dot file, so ".lnk" itself cannot be listed from a folder here.
    const char* cases[][2] = {{"Notepad.lnk", "Notepad"},       {"Mixed.LnK", "Mixed"},  {".lnk", ".lnk"},
                              {"notes.lnk.txt", "notes.lnk.txt"}, {"twice.lnk.lnk", "twice.lnk"}};
    for (const auto& c : cases) EXPECT_EQ(CStartupList::TaskNameOfFile(c[0]), c[1]) << c[0];
}

TEST_F(StartupListTest, ColumnTextsFollowTheLanguagePack) {
    program.Write("Lang\\Deutsch.ini",
                  "[Quorvane Language Pack]\r\n413=Aktiv\r\n415=Benutzer\r\n416=Alle\r\n418=Anmeldung\r\n"
                  "419=Registrierung\r\n420=Jede Anmeldung\r\n426=Registrierung(Benutzer)\r\n430=Autostart\r\n");
    SetLanguageFile("Deutsch.ini");
    SetValue(HKEY_CURRENT_USER, UserRun(), "Mine", "C:\\m.exe");
    SetValue(HKEY_LOCAL_MACHINE, test.SubKey() + "\\RunServices", "Svc", "C:\\s.exe");
    files.Write("StartUp\\plain.txt", "");
    CStartupList list(where);
    list.Build();
    EXPECT_EQ(Slice(list, 0, 4),
              Rows({Row("Mine", "Registrierung(Benutzer)", "Benutzer", "Anmeldung", "C:\\m.exe", "Aktiv"),
                    Row("Svc", "Registrierung(Machine RunServices)", "Alle", "Jede Anmeldung", "C:\\s.exe", "Aktiv"),
                    Row("plain.txt", "Autostart", "Benutzer", "Anmeldung", "", "Aktiv")}));
    EXPECT_EQ(list.LocationNames().winIniRun, "Win.ini Run");
}

TEST(ShellLink, CreatedShortcutReadsBackItsTarget) {
    CTempFolder dir;
    const CString link = dir.File("Editor.lnk");
    for (const char* exe : {"notepad.exe", "regedit.exe"}) {  // the second replaces the first
        ASSERT_EQ(CreateShortcut(link, JoinPath(GetWindowsFolder(), exe)), S_OK);
        EXPECT_EQ(ReadShortcutTarget(link), JoinPath(GetWindowsFolder(), exe));
    }
    EXPECT_EQ(ReadShortcutTarget(dir.File("missing.lnk")), "");
    EXPECT_EQ(ReadShortcutTarget(dir.Write("fake.lnk", "this is no shortcut")), "");
    EXPECT_NE(CreateShortcut(dir.File("no\\such\\folder\\x.lnk"), "C:\\x.exe"), S_OK);
}

TEST(StartupListOfThisSystem, FindsEntriesInTheRealRunKeysWinIniAndStartupFolders) {
    CTempFolder program;
    SetAppPath(program.Path());
    CString name;
    name.Format("QuorvaneTest%lu_%lu", GetCurrentProcessId(), GetTickCount());
    const CStartupLocations system = CStartupLocations::OfThisSystem();
    ASSERT_FALSE(system.userStartup.IsEmpty());
    ASSERT_FALSE(system.commonStartup.IsEmpty());
    const CString runKey = JoinPath(kRunKeyBase, "Run");
    const CString target = JoinPath(GetWindowsFolder(), "notepad.exe");
    const CString runLine = name + ".exe /from-win-ini";
    char oldRun[4096];
    GetPrivateProfileStringA(kWinIniSection, "Run", "\x01", oldRun, sizeof(oldRun), system.winIni);

    SetValue(HKEY_CURRENT_USER, runKey, name, "C:\\user.exe");
    SetValue(HKEY_LOCAL_MACHINE, runKey, name, "C:\\machine.exe");
    WritePrivateProfileStringA(kWinIniSection, "Run", runLine, system.winIni);
    CreateShortcut(JoinPath(system.userStartup, name + ".lnk"), target);
    CreateShortcut(JoinPath(system.commonStartup, name + ".lnk"), target);
    CStartupList list;
    list.Build();
    WritePrivateProfileStringA(kWinIniSection, "Run", CString(oldRun) == "\x01" ? nullptr : oldRun, system.winIni);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        CRegKey key;
        if (key.Open(root, runKey, KEY_SET_VALUE) == ERROR_SUCCESS) key.DeleteValue(name);
    }
    DeleteFileA(JoinPath(system.userStartup, name + ".lnk"));
    DeleteFileA(JoinPath(system.commonStartup, name + ".lnk"));
    SetAppPath("");

    const std::pair<const char*, CString> wanted[] = {{"Registry(User Run)", "C:\\user.exe"},
                                                      {"Registry(Machine Run)", "C:\\machine.exe"},
                                                      {"Win.ini Run", runLine},
                                                      {"StartUp (Current User)", target},
                                                      {"StartUp (All Users)", target}};
    int previous = -1;
    for (const auto& w : wanted) {
        const CString task = w.first == CString("Win.ini Run") ? CString(w.first) : name;
        int found = -1, times = 0;
        for (int i = 0; i < list.GetCount(); ++i)
            if (list.GetAt(i).taskName == task && list.GetAt(i).loadFrom == w.first) found = i, ++times;
        EXPECT_EQ(times, 1) << w.first;
        EXPECT_GT(found, previous) << w.first;
        EXPECT_EQ(found >= 0 ? list.GetAt(found).location : CString(), w.second) << w.first;
        previous = found;
    }
}
