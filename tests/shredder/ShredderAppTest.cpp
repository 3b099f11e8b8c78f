#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "Registry.h"
#include "ShredderKeys.h"
#include "ShredderTestBed.h"

namespace {
DWORD ProfileInt(const CShredderTestBed& bed, const char* name, DWORD missing = 0xDEAD) {
    CRegKey key;
    DWORD value = missing;
    if (key.Open(HKEY_CURRENT_USER, bed.ProfileKey()) == ERROR_SUCCESS) key.QueryDWORD(name, value);
    return value;
}

CString ProfileString(const CShredderTestBed& bed, const char* name) {
    CRegKey key;
    CString value("<missing>");
    if (key.Open(HKEY_CURRENT_USER, bed.ProfileKey()) == ERROR_SUCCESS) key.QueryString(name, value);
    return value;
}

int CountBoxes(const CScriptedMessageBoxes& boxes, const char* start) {
    int n = 0;
    for (const RecordedBox& b : boxes.Boxes())
        if (b.text.rfind(start, 0) == 0) ++n;
    return n;
}
}  // namespace

TEST(ShredderStartUp, FirstInteractiveStartTakesDefaultsAndStoresTheProgramFolder) {
    CShredderTestBed bed;
    CScriptedMessageBoxes boxes;
    CTestShredderApp app(bed.Environment());
    ASSERT_TRUE(app.InitInstance(""));
    EXPECT_EQ(app.sheetRuns, 1);
    EXPECT_EQ(app.Method(), 0);
    EXPECT_EQ(app.Language(), "English");
    EXPECT_EQ(app.AppPath(), bed.Folder().Path());
    EXPECT_EQ(ProfileString(bed, "AppPath"), bed.Folder().Path());
    EXPECT_EQ(app.ProductTitle(), bed.Title());
    EXPECT_TRUE(app.HasMutex());
    EXPECT_FALSE(app.IsScheduled());
    EXPECT_EQ(app.Algorithms().GetSize(), 5);
    EXPECT_TRUE(app.HasDiskFreeSpaceEx());
    EXPECT_TRUE(app.IsNT());
    EXPECT_TRUE(app.HasSetFilePointerEx());
    EXPECT_TRUE(app.IsSystemRestorePlatform());  // the test prefix reports XP
    // Neither Tasklatch nor Grindhook is installed here: both are told, with the stop icon.
    ASSERT_EQ(CountBoxes(boxes, "Couldn't access Tasklatch.dll."), 1);
    ASSERT_EQ(CountBoxes(boxes, "Couldn't access Grindhook.dll."), 1);
    for (const RecordedBox& b : boxes.Boxes()) {
        EXPECT_EQ(b.caption, bed.Title().str());
        EXPECT_EQ(b.type, UINT(MB_ICONSTOP));
    }
    EXPECT_TRUE(app.SchedulerUnavailable());
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_FALSE(FileExists(bed.Folder().File("log.txt")));
}

TEST(ShredderStartUp, AppPathIsTheProgramFolderAndOnlyInteractiveStartsWriteIt) {
    struct Row {
        const char* stored;
        const char* cmdLine;
        const char* expectedStored;
    } rows[] = {
        {"Empty", "", nullptr},  // replaced by the program folder
        {"C:\\somewhere\\else", "", nullptr},
        {nullptr, "\"/s\" \"t\" \"C:\\no such file.txt\"", "<missing>"},
        {"Empty", "C:\\nothing-here.txt", "Empty"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cmdLine);
        CShredderTestBed bed;
        CScriptedMessageBoxes boxes;
        boxes.QueueAnswer(IDOK);
        if (row.stored) {
            CRegKey key;
            ASSERT_EQ(key.Create(HKEY_CURRENT_USER, bed.ProfileKey()), ERROR_SUCCESS);
            key.SetString("AppPath", row.stored);
        }
        CTestShredderApp app(bed.Environment());
        app.InitInstance(row.cmdLine);
        EXPECT_EQ(app.AppPath(), bed.Folder().Path());
        EXPECT_EQ(ProfileString(bed, "AppPath"), row.expectedStored ? CString(row.expectedStored) : bed.Folder().Path());
        app.ExitInstance();
    }
}

TEST(ShredderStartUp, OneInteractiveInstanceButAnyNumberOfRunsWithItems) {
    CShredderTestBed bed;
    CScriptedMessageBoxes boxes;
    CTestShredderApp first(bed.Environment());
    ASSERT_TRUE(first.InitInstance(""));
    ASSERT_TRUE(first.HasMutex());
    boxes.Clear();

    CTestShredderApp second(bed.Environment());
    EXPECT_FALSE(second.InitInstance(""));
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_EQ(second.sheetRuns, 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "There's an instance running of the program so you can't run another instance.");
    EXPECT_EQ(boxes.Boxes()[0].caption, bed.Title().str());
    EXPECT_EQ(boxes.Boxes()[0].type, UINT(MB_ICONINFORMATION));

    CTestShredderApp withItems(bed.Environment());
    EXPECT_TRUE(withItems.InitInstance("\"/s\" \"beside\" \"C:\\not-there.bin\""));
    EXPECT_FALSE(withItems.HasMutex());
    EXPECT_EQ(withItems.sheetRuns, 0);
    withItems.ExitInstance();

    first.ExitInstance();
    CTestShredderApp third(bed.Environment());
    EXPECT_TRUE(third.InitInstance(""));
    third.ExitInstance();
}

TEST(ShredderStartUp, RecycleBinVerbIsWrittenQuotedAtEveryStart) {
    CShredderTestBed bed;
    bed.WritePack("9606=" + bed.Title().str() + "\r\n12000=Shred it all\r\n");
    CScriptedMessageBoxes boxes;
    const CString verbKey = bed.ClassesKey("CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\shell\\Quorvane Grindel");
    for (const char* cmdLine : {"", "\"/s\" \"x\" \"C:\\absent.txt\""}) {
        SCOPED_TRACE(cmdLine);
        CRegKey::DeleteTree(HKEY_CURRENT_USER, verbKey);
        CTestShredderApp app(bed.Environment());
        app.InitInstance(cmdLine);
        CRegKey verb, command;
        ASSERT_EQ(verb.Open(HKEY_CURRENT_USER, verbKey), ERROR_SUCCESS);
        CString text;
        EXPECT_EQ(verb.QueryString(nullptr, text), ERROR_SUCCESS);
        EXPECT_EQ(text, "Shred it all");
        ASSERT_EQ(command.Open(verb, "command"), ERROR_SUCCESS);
        EXPECT_EQ(command.QueryString(nullptr, text), ERROR_SUCCESS);
        EXPECT_EQ(text, "\"" + bed.Folder().Path() + "\\Grindel.exe\" recycle");
        app.ExitInstance();
    }
}

TEST(ShredderStartUp, PresentComponentsAndScheduledRunsShowNoBoxes) {
    CShredderTestBed bed;
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, bed.ClassesKey("CLSID\\{82F4E188-BEAF-43d7-B3D0-2B8113D4B471}")),
              ERROR_SUCCESS);
    bed.Folder().Write("Grindhook.dll", "MZ");
    {
        CScriptedMessageBoxes boxes;
        CTestShredderApp app(bed.Environment());
        ASSERT_TRUE(app.InitInstance(""));
        EXPECT_EQ(CountBoxes(boxes, "Couldn't access Grindhook.dll."), 0);
        EXPECT_EQ(CountBoxes(boxes, "Couldn't access Tasklatch.dll."), 1);
        app.ExitInstance();
    }
    DeleteFileA(bed.Folder().File("Grindhook.dll"));
    CScriptedMessageBoxes boxes;
    CTestShredderApp app(bed.Environment());
    app.shellMajor = 4;
    app.shellMinor = 70;
    ASSERT_TRUE(app.InitInstance("\"/s\" \"quiet\" \"C:\\absent.txt\""));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(app.alerts.empty());
    EXPECT_TRUE(app.SchedulerUnavailable());
    app.ExitInstance();
}

TEST(ShredderStartUp, OldShell32ShowsTheAlertUntilItIsTurnedOff) {
    struct Row {
        DWORD major, minor;
        bool known;
        DWORD alertDisabled;  // 0xDEAD: not stored
        bool ok, checked;
        bool shown;
        DWORD storedAfter;
    } rows[] = {
        {4, 70, true, 0xDEAD, true, true, true, 1},
        {4, 70, true, 0, true, false, true, 0},
        {4, 70, true, 0, false, true, true, 0},  // closed without OK
        {4, 70, true, 1, true, true, false, 1},
        {4, 0, false, 0xDEAD, true, false, true, 0xDEAD},
        {4, 71, true, 0xDEAD, true, true, false, 0xDEAD},
        {5, 0, true, 0xDEAD, true, true, false, 0xDEAD},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.major << "." << row.minor << " disabled " << row.alertDisabled);
        CShredderTestBed bed;
        if (row.alertDisabled != 0xDEAD) {
            CRegKey key;
            ASSERT_EQ(key.Create(HKEY_CURRENT_USER, bed.ProfileKey()), ERROR_SUCCESS);
            key.SetDWORD("AlertDisabled", row.alertDisabled);
        }
        CScriptedMessageBoxes boxes;
        CTestShredderApp app(bed.Environment());
        app.shellMajor = row.major;
        app.shellMinor = row.minor;
        app.shellVersionKnown = row.known;
        app.alertOk = row.ok;
        app.alertChecked = row.checked;
        ASSERT_TRUE(app.InitInstance(""));
        EXPECT_EQ(app.RecycleBinAvailable(), !row.shown && row.alertDisabled == 0xDEAD);
        EXPECT_EQ(app.alerts.size(), row.shown ? 1u : 0u);
        if (row.shown) {
            EXPECT_EQ(app.alerts[0], 11000);
        }
        EXPECT_EQ(ProfileInt(bed, "AlertDisabled"), row.storedAfter);
        app.ExitInstance();
    }
}

TEST(ShredderStartUp, StoredMethodFollowsItsAlgorithmByName) {
    CShredderTestBed bed;
    CAlgorithmList list(bed.ProductKey());
    list.LoadAlgorithms();
    CAlgorithm a;
    a.name = "Zulu";
    a.description = "mine";
    a.passes = {CAlgorithmPass::Random()};
    ASSERT_EQ(list.SaveAlgorithm(-1, a), SAVE_OK);
    {
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, bed.ProfileKey()), ERROR_SUCCESS);
        key.SetDWORD("Method", 2);
        key.SetString("MethodName", "Zulu");
    }
    CScriptedMessageBoxes boxes;
    CTestShredderApp app(bed.Environment());
    ASSERT_TRUE(app.InitInstance(""));
    EXPECT_EQ(app.Method(), 5);
    EXPECT_EQ(ProfileInt(bed, "Method"), 5u);
    app.SetMethod(1);
    EXPECT_EQ(ProfileString(bed, "MethodName"), "U.S. Standard, DoD 5220.22-M");
    app.ExitInstance();
}

TEST(ShredderPlatform, ProtectedFoldersDrivesAndSid) {
    CShredderTestBed bed;
    CScriptedMessageBoxes boxes;
    CTestShredderApp app(bed.Environment());
    ASSERT_TRUE(app.InitInstance(""));

    char windows[MAX_PATH], system[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(app.ProtectedFolder(0), windows);
    EXPECT_EQ(app.ProtectedFolder(1), system);
    for (int i = 2; i < 6; ++i) EXPECT_FALSE(app.ProtectedFolder(i).IsEmpty()) << i;
    EXPECT_EQ(app.ProtectedFolder(6), CString(system) + "\\IOSUBSYS");
    EXPECT_EQ(app.ProtectedFolder(7), CString(system) + "\\VMM32");

    const DWORD present = GetLogicalDrives();
    size_t fixed = 0;
    for (int i = 0; i < 26; ++i) {
        char root[4] = {char('A' + i), ':', '\\', 0};
        const bool isFixed = (present & (1u << i)) && GetDriveTypeA(root) == DRIVE_FIXED;
        EXPECT_STREQ(app.FixedDriveRoot(i), isFixed ? root : "") << root;
        if (!isFixed) {
            EXPECT_EQ(app.NtfsFlag(i), 0);
            continue;
        }
        ASSERT_LT(fixed, app.Drives().size());
        const CDriveRecord& d = app.Drives()[fixed++];
        EXPECT_EQ(d.letter, root[0]);
        EXPECT_EQ(app.NtfsFlag(i), d.fileSystem.CompareNoCase("NTFS") == 0 ? 1 : 0);
        char label[261] = "";
        GetVolumeInformationA(root, label, sizeof(label), nullptr, nullptr, nullptr, nullptr, 0);
        CString expected;
        if (label[0])
            expected.Format("%s (%c:)", label, root[0]);
        else
            expected.Format("Local Disk (%c:)", root[0]);
        EXPECT_EQ(d.displayText, expected);
    }
    EXPECT_EQ(fixed, app.Drives().size());
    EXPECT_STREQ(app.FixedDriveRoot(2), "C:\\");

    // Wine reports NTFS for its drives and has the Recycle Bin functions, so the SID is read.
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_READ, &token));
    BYTE buffer[1000];
    DWORD length = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &length));
    CloseHandle(token);
    char* expected = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &expected));
    EXPECT_EQ(app.UserSid(), expected);
    LocalFree(expected);
    app.ExitInstance();
}

TEST(ShredderPlatform, SidTextForms) {
    struct Row {
        SID_IDENTIFIER_AUTHORITY authority;
        BYTE count;
        DWORD subs[3];
        const char* text;
    } rows[] = {
        {{{0, 0, 0, 0, 0, 5}}, 2, {32, 544, 0}, "S-1-5-32-544"},
        {{{0, 0, 0, 0, 0, 1}}, 1, {0, 0, 0}, "S-1-1-0"},
        {{{0, 0, 1, 2, 3, 4}}, 1, {7, 0, 0}, "S-1-16909060-7"},
        {{{1, 2, 3, 4, 5, 6}}, 3, {1, 4294967295u, 9, }, "S-1-0x010203040506-1-4294967295-9"},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.text);
        PSID sid = nullptr;
        ASSERT_TRUE(AllocateAndInitializeSid(&row.authority, row.count, row.subs[0], row.subs[1], row.subs[2], 0, 0,
                                             0, 0, 0, &sid));
        char text[100];
        DWORD size = sizeof(text);
        EXPECT_TRUE(FormatSidText(sid, text, &size));
        EXPECT_STREQ(text, row.text);
        DWORD small = 28 + 12 * row.count - 1;
        SetLastError(0);
        EXPECT_FALSE(FormatSidText(sid, text, &small));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(small, 28u + 12u * row.count);
        FreeSid(sid);
    }
}

TEST(TaskChecks, AttributeQuestionsAndTheSubfolderOptionsAreSettledOnce) {
    CShredderTestBed bed;
    CScriptedMessageBoxes boxes;
    CTestJob job(bed);
    CTaskChecks checks(job.job);
    CString hidden = bed.Folder().Write("hidden.txt", "h");
    SetFileAttributesA(hidden, FILE_ATTRIBUTE_HIDDEN);
    struct Row {
        int answer, result;
    } rows[] = {{IDYES, 2}, {IDNO, 0}, {IDCANCEL, 1}};
    for (const Row& row : rows) {
        boxes.QueueAnswer(row.answer);
        EXPECT_EQ(checks.CheckFile(hidden), row.result);
    }
    EXPECT_EQ(checks.CheckFile(bed.Folder().File("plain-missing.txt")), 0);
    ASSERT_EQ(boxes.Boxes().size(), 4u);
    EXPECT_EQ(boxes.Boxes()[3].type, UINT(MB_OK));

    // Folder and Remove on "prompt": asked once each, at the first subfolder, and stored.
    bed.Folder().Write("tree\\one\\a.txt", "a");
    bed.Folder().Write("tree\\two\\deeper\\b.txt", "b");
    CShredderProfile profile(bed.ProductKey());
    profile.WriteInt("Folder", 1);
    profile.WriteInt("Remove", 1);
    boxes.Clear();
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDNO);
    EXPECT_EQ(checks.CheckFolderTree(bed.Folder().File("tree"), false), 2);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Do you want to shred all sub folders?");
    EXPECT_EQ(profile.GetInt("Folder", 9), 2u);
    EXPECT_EQ(profile.GetInt("Remove", 9), 0u);
    EXPECT_EQ(FileExists(bed.Folder().File("tree\\two\\deeper\\b.txt")), true);

    // A system folder answered Cancel cancels the command; a hidden file inside a folder asks OK/Cancel.
    boxes.Clear();
    boxes.QueueAnswer(IDCANCEL);
    EXPECT_EQ(checks.CheckFolderTree(bed.Folder().File("tree"), true), 1);
    SetFileAttributesA(bed.Folder().File("tree\\one\\a.txt"), FILE_ATTRIBUTE_READONLY);
    boxes.QueueAnswer(IDCANCEL);
    EXPECT_EQ(checks.CheckFolderTree(bed.Folder().File("tree\\one"), false), 1);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].type, UINT(MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2));
    SetFileAttributesA(bed.Folder().File("tree\\one\\a.txt"), FILE_ATTRIBUTE_NORMAL);
}
