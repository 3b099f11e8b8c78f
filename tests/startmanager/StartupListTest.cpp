#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "Files.h"
#include "Registry.h"
#include "ShellLink.h"
#include "StartupList.h"
#include "StartupTestSupport.h"
#include "TestSupport.h"

namespace {
using StartupListTest = CFabricatedStartup;
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

    const std::string runLine =
        "C:\\Program Files\\Long Vendor Name\\Some Agent\\agent.exe " + std::string(150, 'r') + " C:\\second.exe";
    files.Write("win-copy.ini", "[windows]\r\nload=\r\nrun=" + runLine + "\r\n");
    CString winIniBefore;
    ASSERT_TRUE(ReadWholeFile(where.winIni, winIniBefore));

    const CString notepad = JoinPath(GetWindowsFolder(), "notepad.exe");
    const CString cmd = JoinPath(GetWindowsFolder(), "system32\\cmd.exe");
    ASSERT_EQ(CreateShortcut(JoinPath(where.userStartup, "Notepad.lnk"), notepad), S_OK);
    files.Write("StartUp\\readme.txt", "not a shortcut");
    files.Write("StartUp\\notes.lnk.txt", "");
    SetFileAttributesA(files.Write("StartUp\\hidden.txt", ""), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(files.Write("StartUp\\desktop.ini", ""), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA(JoinPath(where.userStartup, "Folder"), nullptr);
    ASSERT_EQ(CreateShortcut(JoinPath(where.commonStartup, "Tool.LNK"), cmd), S_OK);

    CStartupList list(where);
    list.Build();
    ASSERT_EQ(list.GetCount(), 10);

    const char* user = "Current User";
    const char* all = "All Users";
    const char* any = "Any User Logs On";
    EXPECT_EQ(Slice(list, 0, 6), Rows({Row("Alpha", "Registry(User Run)", user, "Current User logs On", "C:\\a.exe"),
                                       Row("Beta", "Registry(User Run)", user, "Current User logs On", longLine),
                                       Row("Gamma", "Registry(User Run)", user, "Current User logs On", "C:\\g.exe /q"),
                                       Row("Alpha", "Registry(Machine Run)", all, any, "C:\\machine\\a.exe"),
                                       Row("Flags", "Registry(Machine RunOnceEx)", all, any, "x"),
                                       Row("Win.ini Run", "Win.ini Run", "All users", any, runLine)}));

    // The folder listing's order is the system's own.
    Rows folder = Slice(list, 6, 3);
    std::sort(folder.begin(), folder.end(),
              [](const StartupRecord& a, const StartupRecord& b) { return a.taskName < b.taskName; });
    const char* userWhen = "Current User Logs On";
    EXPECT_EQ(folder, Rows({Row("Notepad", "StartUp (Current User)", user, userWhen, notepad.str()),
                            Row("notes.lnk.txt", "StartUp (Current User)", user, userWhen, ""),
                            Row("readme.txt", "StartUp (Current User)", user, userWhen, "")}));
    EXPECT_EQ(Slice(list, 9, 1), Rows({Row("Tool", "StartUp (All Users)", all, any, cmd.str())}));

    // Reading changed nothing, so a second build gives the same list.
    CString winIniAfter;
    ASSERT_TRUE(ReadWholeFile(where.winIni, winIniAfter));
    EXPECT_EQ(winIniAfter, winIniBefore);
    Rows first = Slice(list, 0, list.GetCount());
    list.Build();
    EXPECT_EQ(Slice(list, 0, list.GetCount()), first);
}

TEST(StartupFolderNames, OnlyATrailingShortcutExtensionIsCut) {
    // Wine hides every dot file, so ".lnk" itself cannot be listed from a folder here.
    struct Case {
        const char* file;
        const char* task;
    } cases[] = {
        {"Notepad.lnk", "Notepad"},
        {"Mixed.LnK", "Mixed"},
        {".lnk", ".lnk"},
        {"readme.txt", "readme.txt"},
        {"notes.lnk.txt", "notes.lnk.txt"},
        {"twice.lnk.lnk", "twice.lnk"},
        {"a.lnk", "a"},
    };
    for (const Case& c : cases) EXPECT_EQ(CStartupList::TaskNameOfFile(c.file), c.task) << c.file;
}

TEST_F(StartupListTest, MissingOrEmptyPlacesGiveNoRows) {
    struct Case {
        const char* name;
        const char* winIni;
    } cases[] = {
        {"nothing at all", nullptr},
        {"empty lines", "[windows]\r\nload=\r\nrun=\r\n"},
        {"other section", "[desktop]\r\nload=x.exe\r\nrun=y.exe\r\n"},
    };
    for (const Case& c : cases) {
        if (c.winIni) files.Write("win-copy.ini", c.winIni);
        CStartupList list(where);
        list.Build();
        EXPECT_EQ(list.GetCount(), 0) << c.name;
    }
    CStartupLocations nowhere = where;
    nowhere.userStartup = files.File("no such folder");
    nowhere.commonStartup = "";
    nowhere.winIni = files.File("missing.ini");
    CStartupList list(nowhere);
    list.Build();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(StartupListTest, WinIniLinesAreOneRowEachWithTheWholeLine) {
    files.Write("win-copy.ini", "[windows]\r\nload=C:\\one.exe C:\\two.exe\r\nrun=x\r\n");
    CStartupList list(where);
    list.ReadWinIniEntries();
    EXPECT_EQ(Slice(list, 0, 2),
              Rows({Row("Win.ini Load", "Win.ini Load", "All Users", "Any User Logs On", "C:\\one.exe C:\\two.exe"),
                    Row("Win.ini Run", "Win.ini Run", "All users", "Any User Logs On", "x")}));
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
    ASSERT_EQ(list.GetCount(), 3);
    auto row = [](const char* name, const char* loadFrom, const char* user, const char* when, const char* location) {
        StartupRecord r = Row(name, loadFrom, user, when, location);
        r.status = "Aktiv";
        return r;
    };
    EXPECT_EQ(Slice(list, 0, 3),
              Rows({row("Mine", "Registrierung(Benutzer)", "Benutzer", "Anmeldung", "C:\\m.exe"),
                    row("Svc", "Registrierung(Machine RunServices)", "Alle", "Jede Anmeldung", "C:\\s.exe"),
                    row("plain.txt", "Autostart", "Benutzer", "Anmeldung", "")}));
    EXPECT_EQ(list.LocationNames().userRun, "Registrierung(Benutzer)");
    EXPECT_EQ(list.LocationNames().winIniRun, "Win.ini Run");
}

TEST(ShellLink, CreatedShortcutReadsBackItsTarget) {
    CTempFolder dir;
    const CString target = JoinPath(GetWindowsFolder(), "notepad.exe");
    const CString link = dir.File("Editor.lnk");
    ASSERT_EQ(CreateShortcut(link, target), S_OK);
    EXPECT_TRUE(FileExists(link));
    EXPECT_EQ(ReadShortcutTarget(link), target);
    // Saving again replaces the old shortcut.
    const CString other = JoinPath(GetWindowsFolder(), "regedit.exe");
    ASSERT_EQ(CreateShortcut(link, other), S_OK);
    EXPECT_EQ(ReadShortcutTarget(link), other);

    EXPECT_EQ(ReadShortcutTarget(dir.File("missing.lnk")), "");
    EXPECT_EQ(ReadShortcutTarget(dir.Write("fake.lnk", "this is no shortcut")), "");
    EXPECT_NE(CreateShortcut(dir.File("no\\such\\folder\\x.lnk"), target), S_OK);
}

namespace {
// Removes what the test put into the system's own places, even when it fails.
class CSystemEntries {
public:
    ~CSystemEntries() {
        if (!m_winIni.IsEmpty())
            WritePrivateProfileStringA(kWinIniSection, "Run", m_hadRun ? m_run.c_str() : nullptr, m_winIni);
        for (const CString& file : m_files) DeleteFileA(file);
        for (const auto& value : m_values) {
            CRegKey key;
            if (key.Open(value.first, JoinPath(kRunKeyBase, "Run"), KEY_SET_VALUE) == ERROR_SUCCESS)
                key.DeleteValue(value.second);
        }
    }
    void AddValue(HKEY root, const CString& name, const char* data) {
        m_values.push_back({root, name});
        SetValue(root, JoinPath(kRunKeyBase, "Run"), name, data);
    }
    void SetWinIniRun(const CString& winIni, const char* line) {
        char previous[4096];
        GetPrivateProfileStringA(kWinIniSection, "Run", "\x01", previous, sizeof(previous), winIni);
        m_hadRun = CString(previous) != "\x01";
        m_run = previous;
        m_winIni = winIni;
        ASSERT_TRUE(WritePrivateProfileStringA(kWinIniSection, "Run", line, winIni));
    }
    void AddShortcut(const CString& path, const char* target) {
        m_files.push_back(path);
        ASSERT_EQ(CreateShortcut(path, target), S_OK);
    }

private:
    std::vector<CString> m_files;
    std::vector<std::pair<HKEY, CString>> m_values;
    CString m_winIni;
    CString m_run;
    bool m_hadRun = false;
};

int FindRow(const CStartupList& list, const CString& name, const char* loadFrom) {
    int found = -1;
    for (int i = 0; i < list.GetCount(); ++i) {
        if (list.GetAt(i).taskName != name || list.GetAt(i).loadFrom != loadFrom) continue;
        if (found >= 0) return -2;  // listed twice
        found = i;
    }
    return found;
}
}  // namespace

TEST(StartupListOfThisSystem, FindsEntriesInTheRealRunKeysAndStartupFolders) {
    CTempFolder program;
    SetAppPath(program.Path());
    CString unique;
    unique.Format("QuorvaneTest%lu_%lu", GetCurrentProcessId(), GetTickCount());
    const CString target = JoinPath(GetWindowsFolder(), "notepad.exe");
    const CStartupLocations system = CStartupLocations::OfThisSystem();
    ASSERT_FALSE(system.userStartup.IsEmpty());
    ASSERT_FALSE(system.commonStartup.IsEmpty());
    EXPECT_EQ(system.winIni.CompareNoCase(JoinPath(GetWindowsFolder(), "win.ini")), 0);

    CString winIniBefore;
    const bool hadWinIni = ReadWholeFile(system.winIni, winIniBefore);
    const CString runLine = unique + ".exe /from-win-ini";

    CStartupList list;
    {
        CSystemEntries entries;
        entries.SetWinIniRun(system.winIni, runLine);
        entries.AddValue(HKEY_CURRENT_USER, unique, "C:\\user.exe");
        entries.AddValue(HKEY_LOCAL_MACHINE, unique, "C:\\machine.exe");
        entries.AddShortcut(JoinPath(system.userStartup, unique + ".lnk"), target);
        entries.AddShortcut(JoinPath(system.commonStartup, unique + ".lnk"), target);
        list.Build();

        struct Case {
            const char* loadFrom;
            const char* location;
        } cases[] = {
            {"Registry(User Run)", "C:\\user.exe"},
            {"Registry(Machine Run)", "C:\\machine.exe"},
            {"Win.ini Run", runLine},
            {"StartUp (Current User)", target},
            {"StartUp (All Users)", target},
        };
        int previous = -1;
        for (const Case& c : cases) {
            int row = FindRow(list, CString(c.loadFrom) == "Win.ini Run" ? CString("Win.ini Run") : unique, c.loadFrom);
            ASSERT_GE(row, 0) << c.loadFrom;
            EXPECT_GT(row, previous) << c.loadFrom;
            EXPECT_EQ(list.GetAt(row).location, c.location) << c.loadFrom;
            previous = row;
        }
    }
    list.Build();
    EXPECT_EQ(FindRow(list, unique, "Registry(User Run)"), -1);
    EXPECT_EQ(FindRow(list, unique, "StartUp (All Users)"), -1);
    int run = FindRow(list, "Win.ini Run", "Win.ini Run");
    if (run >= 0) {
        EXPECT_NE(list.GetAt(run).location, runLine);
    }
    CString winIniAfter;
    EXPECT_EQ(ReadWholeFile(system.winIni, winIniAfter), hadWinIni);
    EXPECT_EQ(winIniAfter, winIniBefore);
    SetAppPath("");
}
