#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <thread>

#include "CommandLine.h"
#include "ProgressDialog.h"
#include "RunLog.h"
#include "ShredderKeys.h"
#include "ShredderTestBed.h"

namespace {
std::vector<std::string> Strings(const CStringArray& a) {
    std::vector<std::string> v;
    for (const CString& s : a) v.push_back(s.str());
    return v;
}
std::vector<std::string> Strings(const std::vector<CRealPath>& a) {
    std::vector<std::string> v;
    for (const CRealPath& s : a) v.push_back(ShownPath(s).str());
    return v;
}
typedef std::vector<std::string> V;
const ULONGLONG kNoBlocks = 0;

std::string CurrentRoot() {
    char full[MAX_PATH];
    GetFullPathNameA("\\", MAX_PATH, full, nullptr);
    return full;
}
// Tests running beside these ones show windows of the same names: only this process's count.
HWND OwnTopWindow(const char* className, const char* title) {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, title)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == GetCurrentProcessId()) return w;
    }
    return nullptr;
}
}  // namespace

TEST(CommandLine, EveryFormTheWritersUse) {
    struct Row {
        const char* line;
        bool scheduled;
        const char* task;
        int o, d, f, r;
        V items;
        V unread = {};
    } rows[] = {
        {"\"/s\" \"Nightly\" \"/O2\" \"C:\\a.txt\" \"C:\\My Files\\b.txt\"", true, "Nightly", 2, -1, 0, 0,
         {"C:\\a.txt", "C:\\My Files\\b.txt"}},
        {"\"/s\" \"T\" \"/O1\" \"/F2\" \"/R1\" \"C:\\Old\" \"D:\\Older\"", true, "T", 1, -1, 2, 1, {"C:\\Old", "D:\\Older"}},
        {"\"/s\" \"T\" \"/O3\" \"/D0\" \"C:\\\"", true, "T", 3, 0, 0, 0, {"C:\\"}},
        {"\"/s\" \"Bin\" \"/O0\" \"recycle\"", true, "Bin", 0, -1, 0, 0, {"recycle"}},
        {"recycle", false, "", 0, -1, 0, 0, {"recycle"}},
        {"\"C:\\With Blank\\x.doc\" \"", false, "", 0, -1, 0, 0, {"C:\\With Blank\\x.doc"}},  // Grindhook
        {"\"C:\\one.txt\" \"C:\\two.txt\"", false, "", 0, -1, 0, 0, {"C:\\one.txt", "C:\\two.txt"}},
        {"\"/S\" \"/o3\" \"/X9\" \"C:\\f\"", false, "", 0, -1, 0, 0, {"C:\\f"}},
        {"\"/s\" \"/O1\" \"/O\"", true, "/O1", 0, -1, 0, 0, {}},  // the name is never an option or an item
        {"\"/s\" \"t\" \"/O12abc\" \"/D-1\"", true, "t", 12, -1, 0, 0, {}},
        {"one  ", false, "", 0, -1, 0, 0, {"one"}},
        {"  a b   c", false, "", 0, -1, 0, 0, {"a", "b", "c"}},
        {"/s task /O4 C:\\x.txt", true, "task", 4, -1, 0, 0, {"C:\\x.txt"}},
        {"", false, "", 0, -1, 0, 0, {}},
        {"\"C:\\half open", false, "", 0, -1, 0, 0, {}, {"C:\\half open"}},
        {"\"C:\\done\" \"C:\\half", false, "", 0, -1, 0, 0, {"C:\\done"}, {"C:\\half"}},
        {"\"\" \"C:\\z\"", false, "", 0, -1, 0, 0, {"C:\\z"}},
        {"skipped \"C:\\q\" outside", false, "", 0, -1, 0, 0, {"C:\\q"}, {"skipped", "outside"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        CShredderTestBed bed;
        {
            CTestShredderApp app(bed.Environment());
            ASSERT_TRUE(app.ParseCmdLine(row.line));
            EXPECT_EQ(app.IsScheduled(), row.scheduled);
            EXPECT_EQ(app.TaskName(), row.task);
            EXPECT_EQ(app.OptionO(), row.o);
            EXPECT_EQ(app.OptionD(), row.d);
            EXPECT_EQ(app.OptionF(), row.f);
            EXPECT_EQ(app.OptionR(), row.r);
            EXPECT_EQ(Strings(app.Items()), row.items);
            EXPECT_EQ(Strings(app.UnreadCommandLine()), row.unread);
        }
        // The run's lines reach the log when it ends.
        EXPECT_EQ(bed.Log(), row.scheduled ? "Task Name: " + std::string(row.task) + "\r\n" : "");
    }
}

TEST(CommandLine, SplitKeepsEmptyQuotedTokens) {
    EXPECT_EQ(Strings(SplitCmdLine("\"\" \"x\"")), V({"", "x"}));
    EXPECT_EQ(Strings(SplitCmdLine("\"")), V());
    EXPECT_EQ(Strings(SplitCmdLine(static_cast<const char*>(nullptr))), V());
}

TEST(DriveRoots, RecognisedInEveryCase) {
    struct Row {
        const char* path;
        char letter;
    } rows[] = {{"C:", 'C'}, {"c:", 'C'}, {"C:\\", 'C'}, {"d:/", 'D'}, {"C:\\x", 0},
                {"C:\\\\", 0}, {"1:", 0},   {"", 0},       {"CC:", 0},  {"\\\\server\\share", 0}};
    for (const Row& row : rows) EXPECT_EQ(DriveRootLetter(row.path), row.letter) << row.path;
}

namespace {
class ScheduledRun : public testing::Test {
protected:
    std::string Run(const std::string& items) {
        CTestShredderApp app(m_bed.Environment());
        app.InitInstance(("\"/s\" \"nightly\" " + items).c_str());
        app.ExitInstance();
        return m_bed.Log();
    }
    CShredderTestBed m_bed;
    CScriptedMessageBoxes m_boxes;
};
}  // namespace

TEST_F(ScheduledRun, ShredsWithoutAnyBoxAndLogsSuccess) {
    CString path = m_bed.Folder().Write("data\\secret.txt", "top secret");
    SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Run("\"/O1\" \"" + path.str() + "\""), "Task Name: nightly\r\nSuccess\r\n\r\n");
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(m_boxes.Boxes().empty());
    // A second run appends.
    CString again = m_bed.Folder().Write("data\\again.txt", "more");
    EXPECT_EQ(Run("\"/O0\" \"" + again.str() + "\""),
              "Task Name: nightly\r\nSuccess\r\n\r\nTask Name: nightly\r\nSuccess\r\n\r\n");
}

TEST_F(ScheduledRun, FailuresAreLoggedAndThenThereIsNoSuccess) {
    CString keep = m_bed.Folder().Write("keep.txt", "never touched");
    const std::string missing = m_bed.Folder().File("missing.txt").str();
    struct Row {
        std::string args;
        std::string log;
    } rows[] = {
        {"\"/O0\" \"" + missing + "\"", "Error:\r\n\"" + missing + "\"\r\nIs not a valid file system object\r\n\r\n"},
        {"\"/O5\" \"" + keep.str() + "\"", "Error: There is no shredding algorithm number 5.\r\nNothing has been shredded.\r\n\r\n"},
        {"\"/O-1\" \"" + keep.str() + "\"", "Error: There is no shredding algorithm number -1.\r\nNothing has been shredded.\r\n\r\n"},
        {"\"/O0\" \"c:\"", "Error:\r\n\"C:\\\"\r\ncannot be shredded from the command line.\r\n\r\n"},
        {"\"/O0\" \"\\\"", "Error:\r\n\"" + CurrentRoot() + "\"\r\ncannot be shredded from the command line.\r\n\r\n"},
        {"\"/O0\" \"/D7\" \"C:\\\"", "Error:\r\n\"C:\\\"\r\ncannot be shredded from the command line.\r\n\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        DeleteFileA(m_bed.Folder().File("log.txt"));
        const std::string expected = "Task Name: nightly\r\n" + (row.log.empty() ? "Success\r\n\r\n" : row.log);
        EXPECT_EQ(Run(row.args), expected);
        EXPECT_EQ(ReadFileText(keep), "never touched");
    }
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST(BrokenScheduledLine, EndsByItselfWithAnErrorLineAndNoWindowAndShredsNothing) {
    CTempFolder folder;
    const std::string kept = folder.Write("kept.txt", "kept").str();
    const std::string nothing = "Error: the command line names nothing to shred.\r\nNothing has been shredded.\r\n\r\n";
    const std::string damaged =
        "Error: the command line of this scheduled run is damaged.\r\nNothing has been shredded.\r\n\r\n";
    auto unread = [](const std::string& piece) {
        return "Error: this part of the command line is not between two double quotes, so it has not been read:\r\n" +
               piece + "\r\n\r\n";
    };
    struct Row {
        std::string line;
        std::string log;
    } rows[] = {
        {"\"/s\" \"t\" \"/O0\" \"C:\\no closing quote", "Task Name: t\r\n" + unread("C:\\no closing quote") + damaged},
        {"\"/s\" \"t\"", "Task Name: t\r\n" + nothing},
        {"\"/s\" \"my\"task\"", "Task Name: my\r\n" + unread("task") + damaged},
        {"\"/s\"", nothing},
        // What a line names is not shredded when its options may have been lost with the rest.
        {"\"/s\" \"t\" \"/O4\" \"" + kept + "\" C:\\unquoted.txt",
         "Task Name: t\r\n" + unread("C:\\unquoted.txt") + damaged},
        {"/s t /O4 \"" + kept + "\"", unread("/s t /O4") + damaged},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        CShredderTestBed bed;
        CScriptedMessageBoxes boxes;
        {
            CTestShredderApp app(bed.Environment());
            EXPECT_FALSE(app.InitInstance(row.line.c_str()));
            EXPECT_EQ(app.ExitCode(), 1);
            EXPECT_EQ(app.sheetRuns, 0);
            EXPECT_FALSE(app.HasMutex());
        }
        EXPECT_EQ(bed.Log(), row.log);
        EXPECT_TRUE(boxes.Boxes().empty());
        EXPECT_EQ(ReadFileText(kept.c_str()), "kept");
    }
}

namespace {
// Made and removed through the calls that reach paths of any length.
std::wstring LongName(const CString& path) {
    WCHAR wide[MAX_PATH * 4];
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 4);
    return std::wstring(L"\\\\?\\") + wide;
}
}  // namespace

TEST_F(ScheduledRun, AFileTooDeepToReachIsNamed) {
    const CString top = m_bed.Folder().File("top");
    const CString middle = JoinPath(top, CString('m', 120)), bottom = JoinPath(middle, CString('b', 120));
    const CString deep = JoinPath(bottom, "secret.txt");
    ASSERT_GT(deep.GetLength(), MAX_PATH);
    CString reachable = m_bed.Folder().Write("top\\near.txt", "near");
    for (const CString* folder : {&middle, &bottom})
        ASSERT_TRUE(CreateDirectoryW(LongName(*folder).c_str(), nullptr)) << GetLastError() << " " << folder->str();
    HANDLE file = CreateFileW(LongName(deep).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    const std::string log = Run("\"/O0\" \"/F2\" \"/R2\" \"" + top.str() + "\"");
    EXPECT_FALSE(FileExists(reachable));
    EXPECT_NE(GetFileAttributesW(LongName(deep).c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string named = "Not shredded: these items in\r\n" + middle.str() + "\r\ncould not be reached";
    EXPECT_NE(log.find(named), std::string::npos) << log;
    EXPECT_NE(log.find("\r\n" + bottom.str() + "\r\n" + deep.str() + "\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Success"), std::string::npos);
    DeleteFileW(LongName(deep).c_str());
    for (const CString* folder : {&bottom, &middle}) RemoveDirectoryW(LongName(*folder).c_str());
}

TEST_F(ScheduledRun, LockedFileIsLoggedAndKept) {
    CString path = m_bed.Folder().Write("open.txt", "held open");
    HANDLE lock = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const std::string log = Run("\"/O0\" \"" + path.str() + "\"");
    CloseHandle(lock);
    EXPECT_EQ(log, "Task Name: nightly\r\nCould not obtain exclusive access to\r\n" + path.str() +
                       "\r\n\r\nFiles that are in use by other programs\r\nor Windows itself cannot be shredded.\r\n\r\n");
    EXPECT_EQ(ReadFileText(path), "held open");
}

namespace {
// The built Grindel in the folder, so that its log.txt is the test's.
CString CopyGrindel(const CTempFolder& folder) {
    const CString grindel = folder.File("Grindel.exe");
    return CopyFileA(GetModuleFolder() + "\\..\\..\\products\\Grindel\\Grindel.exe", grindel, FALSE) ? grindel
                                                                                                      : CString();
}
HANDLE StartGrindel(const CString& grindel, const CString& args) {
    CString line = "\"" + grindel + "\" " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.GetBuffer(line.GetLength()), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}
}  // namespace

// Tasks at log-on start their runs together: every run's record reaches log.txt whole.
TEST(ScheduledRuns, TwelveAtOnceLeaveTwelveWholeRecords) {
    CTempFolder folder;
    const CString grindel = CopyGrindel(folder);
    ASSERT_FALSE(grindel.IsEmpty());
    std::vector<CString> files;
    std::vector<HANDLE> runs;
    {
        // Held as a run holds it for its turn, until every run has done its work and waits to write.
        CHandle held(CreateFileA(folder.File("log.txt"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, 0, nullptr));
        ASSERT_TRUE(held.IsValid());
        ASSERT_TRUE(LockFile(held, CRunLog::kTurnOffset, 0, 1, 0));
        for (int i = 0; i < 12; ++i) {
            CString name;
            name.Format("data%02d.txt", i);
            files.push_back(folder.Write(name, "shred me"));
            CString args;
            args.Format("\"/s\" \"task %02d\" \"/O0\" \"%s\"", i, files.back().c_str());
            runs.push_back(StartGrindel(grindel, args));
            ASSERT_TRUE(runs.back());
        }
        for (int tries = 0; tries < 600 && std::any_of(files.begin(), files.end(), [](const CString& f) {
                                return FileExists(f);
                            });
             ++tries)
            Sleep(100);
        UnlockFile(held, CRunLog::kTurnOffset, 0, 1, 0);
    }
    for (HANDLE run : runs) {
        EXPECT_EQ(WaitForSingleObject(run, 60000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(run, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(run);
    }
    // Each record whole, and nothing else: no line lost, none of another run in between.
    const std::string log = ReadFileText(folder.File("log.txt"));
    size_t length = 0;
    for (int i = 0; i < 12; ++i) {
        char record[64];
        length += size_t(snprintf(record, sizeof(record), "Task Name: task %02d\r\nSuccess\r\n\r\n", i));
        EXPECT_NE(log.find(record), std::string::npos) << record;
    }
    EXPECT_EQ(log.size(), length) << log;
}

namespace {
char FirstByte(const CString& path) {
    CHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    char first = 0;
    DWORD got = 0;
    return file.IsValid() && ReadFile(file, &first, 1, &got, nullptr) && got == 1 ? first : 0;
}
bool AnyFile(const CString& pattern) {
    WIN32_FIND_DATAA found;
    return CFindHandle(FindFirstFileA(pattern, &found)).IsValid();
}
}  // namespace

// The task's time limit ends a run with TerminateProcess: it never reaches its end.
TEST(ScheduledRuns, ARunKilledMidwayLeavesWhatItWroteForTheNextRun) {
    CTempFolder folder;
    const CString grindel = CopyGrindel(folder);
    ASSERT_FALSE(grindel.IsEmpty());
    const CString big = folder.Write("big.bin", std::string(32 << 20, 'b'));
    const CString missing = folder.File("missing.txt"), small = folder.Write("small.txt", "s");
    CHandle killed(StartGrindel(grindel, "\"/s\" \"killed\" \"/O4\" \"" + missing + "\" \"" + big + "\""));
    ASSERT_TRUE(killed.IsValid());
    // Its first pass has begun on the big file, after the line on the missing one.
    for (int tries = 0; tries < 3000 && FirstByte(big) == 'b'; ++tries) Sleep(10);
    ASSERT_TRUE(TerminateProcess(killed, 9));
    ASSERT_EQ(WaitForSingleObject(killed, 60000), WAIT_OBJECT_0);
    ASSERT_TRUE(FileExists(big)) << "the run ended before it was killed";

    CHandle next(StartGrindel(grindel, "\"/s\" \"next\" \"/O0\" \"" + small + "\""));
    ASSERT_TRUE(next.IsValid());
    ASSERT_EQ(WaitForSingleObject(next, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadFileText(folder.File("log.txt")),
              "Task Name: killed\r\nError:\r\n\"" + missing.str() + "\"\r\nIs not a valid file system object\r\n\r\n" +
                  Grindel::kTextRunEndedEarly + "\r\n\r\nTask Name: next\r\nSuccess\r\n\r\n");
    EXPECT_FALSE(AnyFile(folder.File("log-*"))) << "a pending record is left";
}

// Records left on the disk as a power loss, a damaged disk or a held log leave them.
TEST(RunLog, RecordsRunsLeftAreAppendedReadableOrNamed) {
    const std::string ended = std::string(Grindel::kTextRunEndedEarly) + "\r\n\r\n";
    const char* const id = "log-01DA000000000001-00000ABC";
    struct Row {
        std::string name;
        std::string contents;
        LONGLONG size;  // extended to it, without writing
        std::string log;
        std::string left;  // the name the file has afterwards, if any
    } rows[] = {
        {".run", "Task Name: cut\r\nError:" + std::string(4096, '\0'), 0, "Task Name: cut\r\nError:\r\n" + ended, ""},
        {".done", "Task Name: held log\r\nSuccess\r\n\r\n", 0, "Task Name: held log\r\nSuccess\r\n\r\n", ""},
        {".run", "", 3LL << 30, "The record of an earlier run could not be read. It is kept in\r\n%s.kept\r\n\r\n",
         ".run.kept"},
        {".running", "Task Name: not a record\r\n", 0, "", ".running"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTempFolder folder;
        const CString pending = folder.Write((id + row.name).c_str(), row.contents);
        if (row.size) {
            CHandle file(CreateFileA(pending, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            LARGE_INTEGER size;
            size.QuadPart = row.size;
            ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
        }
        CRunLog log;
        log.SetPath(folder.File("log.txt"));
        log.AppendEndedRuns();
        CString expected(row.log);
        expected.Replace("%s", pending);
        EXPECT_EQ(ReadFileText(folder.File("log.txt")), expected.str());
        EXPECT_EQ(AnyFile(folder.File("log-*")), !row.left.empty());
        if (!row.left.empty()) { EXPECT_TRUE(FileExists(folder.File((id + row.left).c_str()))); }
    }
}

TEST(InteractiveRun, AsksFirstAndNoMeansNothingIsTouched) {
    CShredderTestBed bed;
    CString one = bed.Folder().Write("one.txt", "1");
    CString two = bed.Folder().Write("two.txt", "2");
    CScriptedMessageBoxes boxes;
    boxes.QueueAnswer(IDNO);
    {
        CTestShredderApp app(bed.Environment());
        app.progressFactory = [] { return new CSilentProgress; };
        ASSERT_TRUE(app.InitInstance(("\"" + one.str() + "\" \"" + two.str() + "\"").c_str()));
        app.ExitInstance();
    }
    EXPECT_TRUE(FileExists(one));
    EXPECT_TRUE(FileExists(two));
    const std::vector<RecordedBox> asked = boxes.Boxes();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().text,
              "WARNING: Shredded files and folders cannot be recovered.\nAre you sure you want to shred these 2 items?");
    EXPECT_EQ(asked.back().type, UINT(MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2));
    EXPECT_FALSE(FileExists(bed.Folder().File("log.txt")));

    boxes.Clear();
    boxes.QueueAnswer(IDOK);  // Tasklatch is missing
    boxes.QueueAnswer(IDOK);  // Grindhook is missing
    boxes.QueueAnswer(IDYES);
    {
        CTestShredderApp app(bed.Environment());
        app.progressFactory = [] { return new CSilentProgress; };
        ASSERT_TRUE(app.InitInstance(("\"" + one.str() + "\"").c_str()));
        app.ExitInstance();
    }
    ASSERT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(boxes.Boxes()[2].text, "WARNING: Shredded files and folders cannot be recovered.\nAre you sure you want to "
                                     "shred\n" + one.str() + "?");
    EXPECT_FALSE(FileExists(one));
    EXPECT_TRUE(FileExists(two));
}

TEST(InteractiveRun, TheRealProgressDialogRunsAndCancelStopsTheJob) {
    CShredderTestBed bed;
    CString first = bed.Folder().Write("first.bin", std::string(300000, 'f'));
    CString second = bed.Folder().Write("second.bin", std::string(1000, 's'));
    CScriptedMessageBoxes boxes;
    for (int i = 0; i < 3; ++i) boxes.QueueAnswer(i == 2 ? IDYES : IDOK);
    // Presses Cancel in the real dialog as soon as the first block is written.
    struct CCancellingDialog : public CProgressDialog {
        CCancellingDialog(volatile bool& abort, bool* seen) : CProgressDialog(nullptr, kNoBlocks, abort), seen(seen) {}
        bool* seen;
        bool pressed = false;
        void Pump() override {
            *seen = *seen || (Window() && OwnTopWindow(nullptr, "Shredding.....") == Window());
            if (!pressed && Window()) pressed = PostMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            CProgressDialog::Pump();
        }
    };
    bool sawDialog = false;
    {
        CTestShredderApp app(bed.Environment());
        app.progressFactory = [&] { return new CCancellingDialog(app.AbortFlag(), &sawDialog); };
        ASSERT_TRUE(app.InitInstance(("\"" + first.str() + "\" \"" + second.str() + "\"").c_str()));
        EXPECT_TRUE(app.AbortFlag());
        app.ExitInstance();
    }
    EXPECT_TRUE(sawDialog);
    EXPECT_FALSE(FileExists(first));  // cut, renamed and deleted after the block in progress
    EXPECT_TRUE(FileExists(second));  // the job stopped before it
    EXPECT_EQ(OwnTopWindow(nullptr, "Shredding....."), nullptr);
}

TEST(ScheduledJob, SizeCountsFilesAndFoldersInSixtyFourBits) {
    CShredderTestBed bed;
    CString a = bed.Folder().Write("a.bin", std::string(100000, 'a'));
    CString b = bed.Folder().Write("b.bin", std::string(50000, 'b'));
    CString big = bed.Folder().Write("tree\\deep\\big.bin", "");
    {
        // Five gigabytes without writing them: the file is only extended.
        HANDLE h = CreateFileA(big, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size;
        size.QuadPart = 5LL << 30;
        ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(h));
        CloseHandle(h);
    }
    struct Row {
        std::string items;
        ULONGLONG blocks;
    } rows[] = {
        {"\"" + a.str() + "\" \"" + b.str() + "\" \"" + bed.Folder().File("none").str() + "\"", 150000ull * 3 / 65536 + 1},
        {"\"" + bed.Folder().File("tree").str() + "\"", (5ull << 30) * 3 / 65536 + 1},
        {"\"" + bed.Folder().File("none").str() + "\" \"recycle\"", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.items);
        CScriptedMessageBoxes boxes;
        CTestShredderApp app(bed.Environment());
        ULONGLONG seen = 12345;
        app.progressFactory = [&] {
            seen = app.JobBlocks();
            return new CSilentProgress;
        };
        ASSERT_TRUE(app.InitInstance(("\"/s\" \"size\" \"/O1\" " + row.items).c_str()));
        EXPECT_EQ(seen, row.blocks);
        EXPECT_EQ(app.JobBlocks(), 0u);
        app.ExitInstance();
    }
    EXPECT_TRUE(FileExists(big));
}

namespace {
// Plays the system's end of the session at the job's first pump: asks the
// watch window, and with endToo also tells it the session ends (from another
// thread, as the system does), noting what was on the disk when that answer came.
struct CSessionEnd {
    CShredderTestBed& bed;
    CString first;
    bool endToo;
    bool sent = false;
    std::thread ender;
    std::string logWhenAnswered;
    bool firstWhenAnswered = true;
    ~CSessionEnd() {
        if (ender.joinable()) ender.join();
    }
    // The watch window comes up on a thread of its own.
    static HWND OwnWatch() {
        for (int tries = 0; tries < 1000; ++tries, Sleep(10))
            if (HWND w = OwnTopWindow("QuorvaneGrindelSession", nullptr)) return w;
        return nullptr;
    }
    void AtPump() {
        if (sent) return;
        HWND watch = OwnWatch();
        sent = watch && SendMessageA(watch, WM_QUERYENDSESSION, 0, 0) == TRUE;
        if (!sent || !endToo) return;
        HANDLE answered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ender = std::thread([this, watch, answered] {
            SendMessageA(watch, WM_ENDSESSION, TRUE, 0);
            logWhenAnswered = bed.Log();
            firstWhenAnswered = FileExists(first);
            SetEvent(answered);
        });
        // The job stays in this pump for a while: an answer that does not wait
        // for the job comes meanwhile, with the first file still there.
        WaitForSingleObject(answered, 500);
        CloseHandle(answered);
    }
};
struct CEndingProgress : public CSilentProgress {
    CSessionEnd& end;
    explicit CEndingProgress(CSessionEnd& e) : end(e) {}
    void Pump() override {
        end.AtPump();
        CSilentProgress::Pump();
    }
};
}  // namespace

TEST(ScheduledJob, TheSessionEndingStopsTheJobAndItsEndWaitsForTheStop) {
    const std::string ended = "Task Name: end\r\n" + std::string(Grindel::kTextSessionEnded) + "\r\n\r\n";
    for (bool endToo : {false, true}) {
        SCOPED_TRACE(endToo ? "asked, then told" : "asked");
        CShredderTestBed bed;
        CString first = bed.Folder().Write("first.bin", std::string(200000, 'f'));
        CString second = bed.Folder().Write("second.bin", "s");
        CSessionEnd end{bed, first, endToo, false, {}, {}};
        CScriptedMessageBoxes boxes;
        CTestShredderApp app(bed.Environment());
        app.progressFactory = [&] { return new CEndingProgress(end); };
        ASSERT_TRUE(app.InitInstance(("\"/s\" \"end\" \"/O4\" \"" + first.str() + "\" \"" + second.str() + "\"").c_str()));
        if (end.ender.joinable()) end.ender.join();
        EXPECT_TRUE(end.sent);
        EXPECT_TRUE(app.EndSessionFlag());
        EXPECT_FALSE(FileExists(first));
        EXPECT_TRUE(FileExists(second));
        app.ExitInstance();
        EXPECT_EQ(bed.Log(), ended);
        if (endToo) {
            EXPECT_FALSE(end.firstWhenAnswered);
            EXPECT_EQ(end.logWhenAnswered, ended);
        }
    }
}

namespace {
struct CTree {
    CString top, a, sub, b, deep, c;
    explicit CTree(const CTempFolder& folder) {
        a = folder.Write("top\\a.txt", "a");
        b = folder.Write("top\\sub\\b.txt", "b");
        c = folder.Write("top\\sub\\deep\\c.txt", "c");
        top = folder.File("top");
        sub = JoinPath(top, "sub");
        deep = JoinPath(sub, "deep");
    }
    std::string State() const {
        std::string s;
        for (const CString* p : {&a, &b, &c}) s += FileExists(*p) ? "f" : "-";
        for (const CString* p : {&top, &sub, &deep}) s += FolderExists(*p) ? "D" : "-";
        return s;
    }
};
}  // namespace

TEST_F(ScheduledRun, FolderOptionsDecideHowDeepAndWhatIsRemoved) {
    struct Row {
        const char* options;
        const char* state;
        const char* skipped;  // the log's word on what a question would have decided, before the subfolder
    } rows[] = {
        {"\"/F0\" \"/R2\"", "-ffDDD", nullptr},
        {"\"/F2\" \"/R0\"", "---DDD", nullptr},
        {"\"/F2\" \"/R2\"", "------", nullptr},
        {"\"/F2\" \"/R1\"", "---DDD", "Not removed: the folder\r\n"},  // the removal question takes No
        {"\"/F1\" \"/R2\"", "-ffDDD", "Not shredded: the subfolder\r\n"},  // so does the subfolder question
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options);
        CShredderTestBed bed;
        CTree tree(bed.Folder());
        CTestShredderApp app(bed.Environment());
        app.InitInstance(("\"/s\" \"tree\" \"/O0\" " + std::string(row.options) + " \"" + tree.top.str() + "\"").c_str());
        app.ExitInstance();
        EXPECT_EQ(tree.State(), row.state);
        const std::string log = bed.Log();
        EXPECT_EQ(log.find("Success") == std::string::npos, row.skipped != nullptr) << log;
        EXPECT_EQ(log.find("?"), std::string::npos) << "a question in the log: " << log;
        if (row.skipped) { EXPECT_NE(log.find(row.skipped + tree.sub.str() + "\r\n"), std::string::npos) << log; }
    }
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

// żółw.txt and Łódź: spelt "zólw.txt" and "Lódz" by best fit, which opens neither.
TEST_F(ScheduledRun, NamesOutsideTheCodePageInAFolderAreShreddedByTheirRealNames) {
    const CRealPath top = RealPathFrom(m_bed.Folder().File("top")), sub = JoinRealPath(top, L"\x141\xf3" L"d\x17a");
    const CRealPath turtle = JoinRealPath(top, L"\x17c\xf3\x142w.txt"), inner = JoinRealPath(sub, L"inner.txt");
    const std::string turtleBytes(70000, 't'), innerBytes(5000, 'i');
    CString spelt;
    ASSERT_FALSE(SpellInCodePage(RealNameOf(sub), spelt)) << spelt.c_str();
    ASSERT_TRUE(CreateDirectoryW(top.c_str(), nullptr) && CreateDirectoryW(sub.c_str(), nullptr));
    for (const auto& file : {std::make_pair(turtle, turtleBytes), std::make_pair(inner, innerBytes)}) {
        CHandle h(OpenRealFile(file.first, GENERIC_WRITE, 0, CREATE_NEW, 0));
        ASSERT_TRUE(WriteAllBytes(h, file.second.data(), DWORD(file.second.size())));
    }
    EXPECT_TRUE(IsItemLeft(ShownPath(top)));
    CTestJob job(m_bed);
    job.profile.WriteInt("Folder", 2);
    EXPECT_EQ(CTaskChecks(job.job).CheckFolderTree(ShownPath(top), false), 2);

    CPasses seen;
    ULONGLONG blocks = 0;
    {
        CTestShredderApp app(m_bed.Environment());
        app.progressFactory = [&] {
            blocks = app.JobBlocks();
            return new CRealPassReader(&seen);
        };
        app.InitInstance(("\"/s\" \"nightly\" \"/O1\" \"/F2\" \"/R2\" \"" + ShownPath(top).str() + "\"").c_str());
        app.ExitInstance();
    }
    EXPECT_EQ(m_bed.Log(), "Task Name: nightly\r\nSuccess\r\n\r\n");
    EXPECT_EQ(blocks, 75000ull * 3 / 65536 + 1);
    ExpectOverwritten(seen, turtle, turtleBytes);
    ExpectOverwritten(seen, inner, innerBytes);
    EXPECT_FALSE(FindRealEntry(top));
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

// An item named outside the code page, on the line or in a list, beside the
// file of its best-fit spelling ("zólw.txt"): only the item is shredded.
TEST_F(ScheduledRun, ItemsOutsideTheCodePageAreShreddedByTheirRealNamesNeverByALookAlike) {
    for (const bool listed : {false, true}) {
        SCOPED_TRACE(listed ? "in a list" : "on the line");
        const CRealPath turtle = JoinRealPath(m_bed.Folder().Path(), L"\x17c\xf3\x142w.txt");
        const CRealPath lookAlike = RealPathFrom(ShownPath(turtle));
        ASSERT_NE(lookAlike, turtle);
        for (const CRealPath& file : {turtle, lookAlike}) {
            CHandle h(OpenRealFile(file, GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
            ASSERT_TRUE(WriteAllBytes(h, "bytes", 5));
        }
        const CRealPath item = listed ? RealPathFrom(kItemListOption) + WriteItemList({turtle}) : turtle;
        {
            CTestShredderApp app(m_bed.Environment());
            app.InitInstance(L"\"/s\" \"t\" \"/O0\" \"" + item + L"\"");
            app.ExitInstance();
        }
        EXPECT_FALSE(FindRealEntry(turtle));
        EXPECT_EQ(ReadRealFile(lookAlike), "bytes");
        DeleteRealFile(lookAlike);
    }
    EXPECT_EQ(m_bed.Log(), "Task Name: t\r\nSuccess\r\n\r\nTask Name: t\r\nSuccess\r\n\r\n");
}

TEST_F(ScheduledRun, ProtectedFoldersAreSkippedWhereverTheyAre) {
    CString guarded = m_bed.Folder().Write("top\\Fonts\\keep.ttf", "font");
    CString loose = m_bed.Folder().Write("top\\loose.txt", "x");
    CString inside = m_bed.Folder().Write("top\\other\\go.txt", "x");
    const CString fonts = m_bed.Folder().File("top\\Fonts");
    for (const CString& item : {fonts + "\\", m_bed.Folder().File("top")}) {
        SCOPED_TRACE(item.str());
        CTestShredderApp app(m_bed.Environment());
        app.guardedFolder = fonts;
        app.InitInstance(("\"/s\" \"fonts\" \"/O0\" \"/F2\" \"/R2\" \"" + item.str() + "\"").c_str());
        app.ExitInstance();
        EXPECT_EQ(ReadFileText(guarded), "font");
    }
    EXPECT_FALSE(FileExists(loose));
    EXPECT_FALSE(FileExists(inside));
    EXPECT_FALSE(FolderExists(m_bed.Folder().File("top\\other")));
    EXPECT_TRUE(FolderExists(m_bed.Folder().File("top")));  // still holds the protected folder
    const std::string log = m_bed.Log();
    EXPECT_EQ(log, "Task Name: fonts\r\nSkipping " + fonts.str() + "\\ folder.\r\n\r\nTask Name: fonts\r\nSkipping " +
                       fonts.str() + " folder.\r\n\r\n");
}

TEST(InteractiveRun, CancelAtASubfolderQuestionStopsTheWholeJob) {
    CShredderTestBed bed;
    CTree tree(bed.Folder());
    CString later = bed.Folder().Write("later.txt", "later");
    CShredderProfile(bed.ProductKey()).WriteInt("Folder", 1);
    CScriptedMessageBoxes boxes;
    for (int answer : {IDOK, IDOK, IDYES, IDCANCEL}) boxes.QueueAnswer(answer);
    CTestShredderApp app(bed.Environment());
    app.progressFactory = [] { return new CSilentProgress; };
    ASSERT_TRUE(app.InitInstance(("\"" + tree.top.str() + "\" \"" + later.str() + "\"").c_str()));
    app.ExitInstance();
    ASSERT_EQ(boxes.Boxes().size(), 4u);
    EXPECT_EQ(boxes.Boxes()[3].text, "Shred subfolder:\n" + tree.sub.str() + "?");
    EXPECT_EQ(tree.State().substr(1), "ffDDD");  // a.txt may come before or after the subfolder
    EXPECT_EQ(ReadFileText(later), "later");
}

namespace {
ULONGLONG BinItems() {
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof(info);
    return SHQueryRecycleBinA("C:\\", &info) == S_OK ? info.i64NumItems : ~0ull;
}

// What each file held after each complete pass, read back while it is still open.
class CPassReader : public CSilentProgress {
public:
    explicit CPassReader(std::vector<std::string>* seen) : m_seen(seen) {}
    void PassWritten(const char* path, int) override { m_seen->push_back(ReadFileText(path)); }

private:
    std::vector<std::string>* m_seen;
};
}  // namespace

// Wine keeps the bin in the desktop's trash under this build's home.
TEST_F(ScheduledRun, RecycleBinContentsAreOverwrittenInPlaceThenTheBinIsEmptied) {
    ASSERT_EQ(BinItems(), 0u) << "the bin of this build's home should start empty";
    EXPECT_EQ(Run("\"/O1\" \"recycle\""), "Task Name: nightly\r\nThe recycle bin is currently empty.\r\n\r\n");

    const std::string secret(70000, 's'), inner(5000, 'i');
    CString file = m_bed.Folder().Write("gone\\secret.txt", secret);
    m_bed.Folder().Write("tree\\deep\\inner.txt", inner);
    ASSERT_TRUE(SendToBin(file));
    ASSERT_TRUE(SendToBin(m_bed.Folder().File("tree")));
    ASSERT_EQ(BinItems(), 2u);
    DeleteFileA(m_bed.Folder().File("log.txt"));
    std::vector<std::string> seen;
    {
        CTestShredderApp app(m_bed.Environment());
        app.progressFactory = [&seen] { return new CPassReader(&seen); };
        app.InitInstance("\"/s\" \"nightly\" \"/O1\" \"recycle\"");
        app.ExitInstance();
    }
    EXPECT_EQ(m_bed.Log(), "Task Name: nightly\r\nSuccess\r\n\r\n");
    EXPECT_EQ(BinItems(), 0u);
    // Three passes over each file, each the file's size and none of it what it held.
    ASSERT_EQ(seen.size(), 6u);
    for (const std::string& pass : seen) {
        EXPECT_TRUE(pass.size() == secret.size() || pass.size() == inner.size()) << pass.size();
        EXPECT_NE(pass, secret);
        EXPECT_NE(pass, inner);
    }
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

// The Recycle Bin page starts the shred with no job around it: the progress the
// operation opens is the one the engine drives.
TEST(InteractiveRun, RecycleBinShredFromThePageOverwritesWhatTheBinHolds) {
    CShredderTestBed bed;
    ASSERT_EQ(BinItems(), 0u) << "the bin of this build's home should start empty";
    const std::string binned(70000, 'b');
    CString file = bed.Folder().Write("binned.txt", binned);
    ASSERT_TRUE(SendToBin(file));
    ASSERT_EQ(BinItems(), 1u);
    CScriptedMessageBoxes boxes;
    CTestJob job(bed);
    std::vector<std::string> seen;
    job.host.progressFactory = [&seen] { return new CPassReader(&seen); };
    boxes.QueueAnswer(IDYES);
    EXPECT_EQ(CRecycleBinShred(job.job).ShredNow(), 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, Grindel::kTextBinConfirm);
    EXPECT_EQ(BinItems(), 0u);
    ASSERT_FALSE(seen.empty());
    EXPECT_NE(seen.back(), binned);
}
