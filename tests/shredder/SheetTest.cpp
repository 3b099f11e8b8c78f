// Grindel's property sheet run for real under Wine: started by the
// application, driven by messages from timers inside its modal loop, with the
// message boxes and the tray scripted.
#include <windows.h>
#include <mstask.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "AboutBox.h"
#include "Files.h"
#include "Handles.h"
#include "OSVersion.h"
#include "SheetResources.h"
#include "ShredSheet.h"
#include "ShredderTestBed.h"
#include "TaskNames.h"
#include "TaskScheduler.h"

namespace {
struct TrayCall {
    DWORD command;
    HICON icon;
};
std::vector<TrayCall> g_tray;
BOOL RecordTray(DWORD command, NOTIFYICONDATAA* data) {
    g_tray.push_back({command, data->hIcon});
    return TRUE;
}

// The application with its real sheet, run modally by InitInstance.
class CSheetApp : public CTestShredderApp {
public:
    using CTestShredderApp::CTestShredderApp;

protected:
    void RunSheet() override { CShredderApp::RunSheet(); }
};

std::function<void()> g_step;
void CALLBACK RunStep(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    std::function<void()> step = std::move(g_step);
    if (step) step();
}
// Runs step from the message loop once the window with that caption is shown.
void WhenShown(const CString& caption, std::function<void(HWND)> step) {
    g_step = [caption, step] {
        HWND window = FindWindowA(nullptr, caption);
        if (window && IsWindowVisible(window))
            step(window);
        else
            WhenShown(caption, step);
    };
    SetTimer(nullptr, 0, 50, RunStep);
}

HWND PageWindow(CMyPropertySheet& sheet, int index) {
    sheet.SetActivePage(index);
    return HWND(sheet.SendMessage(PSM_GETCURRENTPAGEHWND));
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

HDROP MakeDrop(const std::vector<CString>& paths) {
    size_t chars = 1;
    for (const CString& p : paths) chars += size_t(p.GetLength()) + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars);
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    char* names = reinterpret_cast<char*>(drop + 1);
    for (const CString& p : paths) {
        lstrcpyA(names, p);
        names += p.GetLength() + 1;
    }
    GlobalUnlock(memory);
    return HDROP(memory);
}

// As Windows NT's shell drops: UTF-16 names.
HDROP MakeWideDrop(const std::vector<CRealPath>& paths) {
    CRealPath names;
    for (const CRealPath& p : paths) names += p + L'\0';
    names += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return HDROP(memory);
}

int CountBoxes(const CScriptedMessageBoxes& boxes, const char* start) {
    int n = 0;
    for (const RecordedBox& b : boxes.Boxes())
        if (b.text.rfind(start, 0) == 0) ++n;
    return n;
}

OSVERSIONINFOA Version(DWORD major, DWORD minor) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return info;
}
}  // namespace

TEST(SheetFormatDriver, TitleOfTheFormatDialogFollowsTheSystem) {
    struct Case {
        DWORD major, minor;
        const char* text;
        char letter;
        const char* title;
    } cases[] = {
        {5, 1, "Local Disk (C:)", 'C', "Format Local Disk (C:)"},
        {5, 0, "Local Disk (C:)", 'C', "Format C:\\"},
        {4, 0, "Data (D:)", 'D', "Format D:\\"},
        {5, 0, "Data (old) (X:)", 'X', "Format X:\\"},
        {6, 1, "Local Disk (C:)", 'C', ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatDialogTitle(c.text, c.letter, COSVersion(Version(c.major, c.minor))), c.title);
    }
}

TEST(Sheet, ShowsItsTabsTrayAndAboutBoxAndShredsDroppedFiles) {
    CShredderTestBed bed;
    // A progress caption of its own: the engine's suite, running beside this one, looks for the default.
    bed.WritePack("9606=" + bed.Title().str() + "\r\n9601=Dateien\r\n9900=Shredding " + bed.Title().str() + "\r\n");
    const CString file = bed.Folder().Write("work\\secret.txt", std::string(100000, 'x'));
    const CString folder = bed.Folder().File("work");
    CScriptedMessageBoxes boxes;
    g_tray.clear();
    SetNotifyIconHook(RecordTray);
    CSheetApp app(bed.Environment());

    bool ran = false;
    WhenShown(bed.Title(), [&](HWND hwnd) {
        CMyPropertySheet& sheet = *GetGrindelSheet();
        ASSERT_EQ(sheet.m_hWnd, hwnd);
        CTabCtrl tab;
        tab.Attach(sheet.GetTabControl());
        EXPECT_EQ(tab.GetItemText(0), "Shred Options");
        EXPECT_EQ(tab.GetItemText(1), "Dateien");
        EXPECT_EQ(tab.GetItemText(5), "Scheduler");
        tab.Detach();
        EXPECT_TRUE(sheet.IconAdded());
        EXPECT_NE(GetMenuState(GetSystemMenu(hwnd, FALSE), IDM_ABOUT, MF_BYCOMMAND), UINT(-1));

        CString version, copyright;
        WhenShown("About Quorvane Grindel", [&](HWND about) {
            version = CWnd::GetWindowTextOf(GetDlgItem(about, IDC_ABOUT_VERSION));
            copyright = CWnd::GetWindowTextOf(GetDlgItem(about, IDC_ABOUT_COPYRIGHT));
            Click(about, IDOK);
        });
        sheet.SendMessage(WM_SYSCOMMAND, IDM_ABOUT);
        EXPECT_EQ(version, "1.0.0.0");
        EXPECT_EQ(copyright, "Copyright (C) Quorvane");

        HWND files = PageWindow(sheet, 1);
        sheet.m_page2.OnDropFiles(MakeDrop({file, folder}));
        sheet.m_page2.OnDropFiles(MakeDrop({file}));
        EXPECT_EQ(CountBoxes(boxes, "Sorry, You can drag files only"), 1);
        ASSERT_EQ(sheet.m_page2.List().GetItemCount(), 1);
        EXPECT_EQ(sheet.m_page2.Paths().size(), 1u);

        boxes.Clear();
        boxes.QueueAnswer(IDYES);
        g_tray.clear();
        Click(files, IDC_SHRED_NOW);
        ASSERT_FALSE(boxes.Boxes().empty());
        EXPECT_EQ(boxes.Boxes()[0].caption, "WARNING!");
        EXPECT_FALSE(FileExists(file));
        EXPECT_EQ(sheet.m_page2.List().GetItemCount(), 0);
        EXPECT_TRUE(sheet.IsWindowEnabled());
        ASSERT_FALSE(g_tray.empty());
        EXPECT_NE(g_tray.back().icon, nullptr);
        ran = true;
        sheet.PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    });
    EXPECT_TRUE(app.InitInstance(""));
    EXPECT_TRUE(ran);
    EXPECT_EQ(GetGrindelSheet(), nullptr);
    ASSERT_FALSE(g_tray.empty());
    EXPECT_EQ(g_tray.back().command, DWORD(NIM_DELETE));
    SetNotifyIconHook(nullptr);
    app.ExitInstance();
}

namespace {
// The built library loaded from its file: its registration belongs to the
// Tasklatch suite, which undoes and redoes it while it runs beside this one.
CInterfacePtr<IDispatch> LoadedSchedule() {
    static HMODULE library = LoadLibraryA(GetModuleFolder() + "\\..\\..\\products\\Tasklatch\\Tasklatch.dll");
    typedef HRESULT(WINAPI * GetClassObject)(REFCLSID, REFIID, void**);
    GetClassObject get =
        library ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")))
                : nullptr;
    CInterfacePtr<IClassFactory> factory;
    CInterfacePtr<IDispatch> schedule;
    if (get && SUCCEEDED(get(CLSID_Schedule, IID_IClassFactory, reinterpret_cast<void**>(factory.Out()))))
        factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(schedule.Out()));
    return schedule;
}

CInterfacePtr<ITaskScheduler> PlatformScheduler() {
    CInterfacePtr<ITaskScheduler> scheduler;
    CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                     reinterpret_cast<void**>(scheduler.Out()));
    return scheduler;
}

CString TaskFile(const CString& name) {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    return CString(windows) + "\\Tasks\\" + name + ".job";
}

// Unique task names, deleted at the end: Wine's scheduler really runs tasks
// and other suites share the folder.
class CTestTasks {
public:
    ~CTestTasks() {
        CInterfacePtr<ITaskScheduler> scheduler = PlatformScheduler();
        for (const CString& name : m_names) {
            if (scheduler) scheduler->Delete(WideFromAnsi(name).c_str());
            DeleteFileA(TaskFile(name));
        }
    }
    CString Add(const char* prefix) {
        static const DWORD run = GetTickCount();
        static int counter = 0;
        CString name;
        name.Format("%s %lu-%lu-%d", prefix, GetCurrentProcessId(), run, ++counter);
        m_names.push_back(name);
        return name;
    }

private:
    std::vector<CString> m_names;
};
}  // namespace

// The Options page's editor, the Scheduler page and the Format driver on one
// sheet, with the real Tasklatch.
class SheetPages : public ::testing::Test {
protected:
    // One sheet for the suite: each shown window costs seconds under Wine.
    static void SetUpTestSuite() {
        CScriptedMessageBoxes startBoxes;
        bed = new CShredderTestBed;
        bed->WritePack("9606=" + bed->Title().str() + "\r\n10000=Task name " + bed->Title().str() + "\r\n");
        bed->Folder().Write("Lang\\Deutsch.ini",
                            "[Grindel Language Pack]\r\n9606=" + bed->Title().str() + " DE\r\n9600=Optionen\r\n");
        app = new CSheetApp(bed->Environment());
        CSheetJobs jobs;
        SetSheetServicesHook([&jobs](const CSheetJobs& filled) {
            jobs = filled;
            return true;
        });
        const bool started = app->InitInstance("");
        SetSheetServicesHook(nullptr);
        ASSERT_TRUE(started);
        sheet = new CMyPropertySheet(*app, jobs, false);
        sheet->AttachSchedule(LoadedSchedule().Get());
        ASSERT_TRUE(sheet->Create());
    }
    static void TearDownTestSuite() {
        if (sheet) sheet->DestroyWindow();
        delete sheet;
        if (app) app->ExitInstance();
        delete app;
        delete bed;
    }
    void SetUp() override {
        ASSERT_TRUE(sheet && sheet->IsWindow());
        ASSERT_TRUE(sheet->SchedulerAvailable());
    }
    static CShredderTestBed* bed;
    static CSheetApp* app;
    static CMyPropertySheet* sheet;
    CScriptedMessageBoxes boxes;
};
CShredderTestBed* SheetPages::bed = nullptr;
CSheetApp* SheetPages::app = nullptr;
CMyPropertySheet* SheetPages::sheet = nullptr;

TEST_F(SheetPages, EditorAddsAPatternAndARandomPassAndThePageDeletesTheAlgorithmOnlyWithItsKey) {
    HWND options = PageWindow(*sheet, 0);
    const int builtIns = app->Algorithms().GetSize();
    bool complementOnFirstPass = true;
    WhenShown("Custom Algorithm Editor", [&](HWND editor) {
        SetDlgItemTextA(editor, IDC_ALG_NAME, "Mine");
        Click(editor, IDC_SAVE);
        EXPECT_EQ(CountBoxes(boxes, "Please, Enter the algorithm description."), 1);
        SetDlgItemTextA(editor, IDC_ALG_DESCRIPTION, "Two passes");
        Click(editor, IDC_ADD_PASS);
        SetFocus(GetDlgItem(editor, IDC_PATTERN));
        SetDlgItemTextA(editor, IDC_PATTERN, "ABC");
        complementOnFirstPass = IsWindowEnabled(GetDlgItem(editor, IDC_PASS_COMPLEMENT)) != FALSE;
        Click(editor, IDC_ADD_PASS);
        Click(editor, IDC_PASS_RANDOM);
        Click(editor, IDC_SAVE);
    });
    Click(options, IDC_NEW_ALGORITHM);
    EXPECT_FALSE(complementOnFirstPass);
    ASSERT_EQ(app->Algorithms().GetSize(), builtIns + 1);
    const CAlgorithm& mine = app->Algorithms().GetAt(builtIns);
    EXPECT_EQ(mine.name, "Mine");
    ASSERT_EQ(mine.PassCount(), 2);
    EXPECT_EQ(mine.passes[0], CAlgorithmPass::Pattern({0xBC, 0x0A}));
    EXPECT_EQ(mine.passes[1], CAlgorithmPass::Random());

    HWND combo = GetDlgItem(options, IDC_ALGORITHM);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), builtIns + 1);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(options, IDC_DELETE_ALGORITHM)));
    SendMessageA(combo, CB_SETCURSEL, WPARAM(builtIns), 0);
    SendMessageA(options, WM_COMMAND, MAKEWPARAM(IDC_ALGORITHM, CBN_SELCHANGE), LPARAM(combo));
    EXPECT_EQ(app->Method(), builtIns);
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(options, IDC_DELETE_ALGORITHM)));

    // A key that does not go keeps its algorithm, on the page and in the tasks that use it.
    CTestTasks tasks;
    const CString task = tasks.Add("QvAlgKept");
    CString line;
    line.Format("\"/s\" \"%s\" \"/O%d\" \"C:\\x.txt\"", task.c_str(), builtIns);
    CJobDriver job;
    job.Attach(sheet->Schedule().CreateTask(task).Get());
    ASSERT_TRUE(job.SetCreator("Quorvane Grindel") && job.SetCommandLine(line) && job.Save());
    boxes.Clear();
    {
        CUndeletableKey locked(bed->ProductKey() + "\\Algorithms\\Mine");
        Click(options, IDC_DELETE_ALGORITHM);
    }
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Failed to delete the shredding algorithm registry key.");
    EXPECT_EQ(app->Algorithms().GetSize(), builtIns + 1);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), builtIns + 1);
    EXPECT_EQ(app->Method(), builtIns);
    sheet->Schedule().Refresh();
    CString kept;
    for (long i = 1; i <= sheet->Schedule().GetCount(); ++i) {
        job.Attach(sheet->Schedule().GetJob(short(i)).Get());
        if (job.GetName() == task) kept = job.GetCommandLine();
    }
    EXPECT_EQ(kept, line);

    Click(options, IDC_DELETE_ALGORITHM);
    EXPECT_EQ(app->Algorithms().GetSize(), builtIns);
    EXPECT_EQ(app->Method(), 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), builtIns);
}

TEST_F(SheetPages, GrindelTasksFollowTheirAlgorithmsWhenIndexesMove) {
    CTestTasks tasks;
    const CString moving = tasks.Add("QvAlgMove"), gone = tasks.Add("QvAlgGone"), foreign = tasks.Add("QvAlgOther");
    struct Task {
        CString name;
        const char* creator;
        int index;
    } made[] = {{moving, "Quorvane Grindel", 5}, {gone, "Quorvane Grindel", 6}, {foreign, "Someone Else", 5}};
    CJobDriver job;
    // An item named outside the code page: the line written back must not spell it by best fit.
    auto lineOf = [](const CString& name, int index) {
        CString options;
        options.Format("\"/s\" \"%s\" \"/O%d\" ", name.c_str(), index);
        return RealPathFrom(options) + L"\"C:\\\x17c\xf3\x142w.txt\"";
    };
    for (const Task& t : made) {
        job.Attach(sheet->Schedule().CreateTask(t.name).Get());
        ASSERT_TRUE(job.SetCreator(t.creator) && job.SetCommandLine(lineOf(t.name, t.index)) && job.Save());
    }
    boxes.Clear();
    // Index 5 moved to 6 (a user algorithm added before it); the one at 6 was deleted.
    RenumberTaskAlgorithms(*sheet, {0, 1, 2, 3, 4, 6, -1});
    const std::pair<CString, const char*> expected[] = {
        {moving, "\"/O6\""}, {gone, "\"/O-1\""}, {foreign, "\"/O5\""}};
    sheet->Schedule().Refresh();
    for (long i = 1; i <= sheet->Schedule().GetCount(); ++i) {
        job.Attach(sheet->Schedule().GetJob(short(i)).Get());
        for (const auto& e : expected)
            if (job.GetName() == e.first) {
                EXPECT_NE(job.GetCommandLine().Find(e.second), -1) << job.GetCommandLine().str();
            }
        if (job.GetName() == moving) { EXPECT_EQ(job.GetRealCommandLine(), lineOf(moving, 6)); }
    }
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "The task \"" + gone.str() + "\" used the deleted algorithm: it shreds nothing until you schedule it again.");
}

TEST_F(SheetPages, ScheduleMakesAGrindelTaskThatTheSchedulerPageListsAndDeletes) {
    CTestTasks tasks;
    // Names in collection order: Grindel's tasks with another program's between them.
    const CString mine = tasks.Add("QvSheetA"), other = tasks.Add("QvSheetB"), third = tasks.Add("QvSheetC"),
                  fourth = tasks.Add("QvSheetD");
    CJobDriver job;
    for (const CString& name : {other, third, fourth}) {
        job.Attach(sheet->Schedule().CreateTask(name).Get());
        ASSERT_TRUE(job.IsAttached());
        if (name != other) { ASSERT_TRUE(job.SetCreator("Quorvane Grindel") && job.Save()); }
    }

    const CString file = bed->Folder().Write("a b.txt", "x");
    HWND files = PageWindow(*sheet, 1);
    sheet->m_page2.AddPath(file);
    WhenShown("Task name " + bed->Title(), [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_TASK_NAME, other);
        Click(dialog, IDOK);
        EXPECT_EQ(CountBoxes(boxes, "There's a task with this name."), 1);
        std::string lower = other.str();
        CharLowerA(&lower[0]);
        SetDlgItemTextA(dialog, IDC_TASK_NAME, lower.c_str());
        Click(dialog, IDOK);
        EXPECT_EQ(CountBoxes(boxes, "There's a task with this name."), 2);
        // Names no task file can have are refused in the dialog, and the field holds no more than fits.
        for (const char* bad : {"a/b", "x:y", "what?", "NUL"}) {
            SetDlgItemTextA(dialog, IDC_TASK_NAME, bad);
            Click(dialog, IDOK);
        }
        EXPECT_EQ(CountBoxes(boxes, "A task name cannot hold any of the characters"), 4);
        const std::string longer(300, 'n');
        SetDlgItemTextA(dialog, IDC_TASK_NAME, "");
        SendDlgItemMessageA(dialog, IDC_TASK_NAME, EM_REPLACESEL, TRUE, LPARAM(longer.c_str()));
        EXPECT_EQ(GetWindowTextLengthA(GetDlgItem(dialog, IDC_TASK_NAME)), LongestTaskName());
        SetDlgItemTextA(dialog, IDC_TASK_NAME, longer.c_str());
        Click(dialog, IDOK);
        EXPECT_EQ(CountBoxes(boxes, "A task name can have at most"), 1);
        SetDlgItemTextA(dialog, IDC_TASK_NAME, mine);
        Click(dialog, IDOK);
    });
    Click(files, IDC_SCHEDULE);
    EXPECT_EQ(sheet->m_page2.List().GetItemCount(), 0);
    CInterfacePtr<ITaskScheduler> platform = PlatformScheduler();
    ASSERT_TRUE(platform);
    CInterfacePtr<ITask> task;
    platform->Activate(WideFromAnsi(mine).c_str(), IID_ITask, reinterpret_cast<IUnknown**>(task.Out()));
    ASSERT_TRUE(task);
    LPWSTR text = nullptr;
    ASSERT_EQ(task->GetParameters(&text), S_OK);
    EXPECT_EQ(AnsiFromWide(text), "\"/s\" \"" + mine.str() + "\" \"/O0\" \"" + file.str() + "\"");
    CoTaskMemFree(text);
    ASSERT_EQ(task->GetCreator(&text), S_OK);
    EXPECT_EQ(AnsiFromWide(text), "Quorvane Grindel");
    CoTaskMemFree(text);
    ASSERT_EQ(task->GetApplicationName(&text), S_OK);
    EXPECT_EQ(AnsiFromWide(text), JoinPath(bed->Folder().Path(), "Grindel.exe").str());
    CoTaskMemFree(text);

    HWND scheduler = PageWindow(*sheet, 5);
    CShredListCtrl& list = sheet->m_page6.List();
    EXPECT_EQ(list.FindExact(other), -1);
    const int row = list.FindExact(mine);
    ASSERT_GE(row, 0);
    ASSERT_GE(list.FindExact(third), 0);
    list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    // Deleted behind the page's back: the failed delete is told and the list shows the folder as it is.
    ASSERT_TRUE(DeleteFileA(TaskFile(mine)));
    // The system's property sheet of a task that is gone cannot come up: the user is told, not left waiting.
    boxes.Clear();
    Click(scheduler, IDC_TASK_PROPERTIES);
    EXPECT_EQ(CountBoxes(boxes, ("The Task Scheduler could not show the properties of the task \"" + mine.str() + "\".").c_str()),
              1);
    boxes.Clear();
    Click(scheduler, IDC_DELETE_TASK);
    EXPECT_EQ(CountBoxes(boxes, ("The Task Scheduler could not delete the task \"" + mine.str() + "\"").c_str()), 1);
    EXPECT_EQ(list.FindExact(mine), -1);
    ASSERT_GE(list.FindExact(third), 0);
    // The rows after the deleted task still reach their own tasks.
    for (int i = 0; i < list.GetItemCount(); ++i) {
        job.Attach(sheet->Schedule().GetJob(short(sheet->m_page6.RowMap()[size_t(i)])).Get());
        EXPECT_EQ(job.GetName(), list.GetItemText(i, 0));
    }

    boxes.QueueAnswer(IDYES);
    Click(scheduler, IDC_DELETE_ALL);
    EXPECT_FALSE(FileExists(TaskFile(third)));
    EXPECT_FALSE(FileExists(TaskFile(fourth)));
    EXPECT_TRUE(FileExists(TaskFile(other)));
    EXPECT_EQ(list.GetItemCount(), 0);
}

namespace {
// A task of that creator through the library ("Tasklatch" when none is given).
void MakeTask(CScheduleDriver& schedule, const CString& name, const char* creator) {
    CJobDriver job;
    job.Attach(schedule.CreateTask(name).Get());
    ASSERT_TRUE(job.IsAttached());
    if (creator) {
        ASSERT_TRUE(job.SetCreator(creator));
    }
    ASSERT_TRUE(job.Save());
}

// Cuts the task file in place (the scheduler service opens each file that
// appears in the folder, and one it holds cannot be renamed into place):
// after its creator, so that its bytes still tell who made it, or at 30 bytes,
// so that nothing of it can be read.
void DamageTask(const CString& name, bool keepCreator) {
    CString bytes;
    ASSERT_TRUE(ReadWholeFile(TaskFile(name), bytes));
    LONG cut = 30;
    if (keepCreator) {
        const std::wstring creator = L"Quorvane Grindel";
        const std::string wide(reinterpret_cast<const char*>(creator.c_str()), creator.size() * 2);
        const size_t at = bytes.str().find(wide);
        cut = at == std::string::npos ? LONG(bytes.GetLength()) - 80 : LONG(at + wide.size() + 8);
    }
    CHandle file;
    for (int i = 0; i < 20 && !file.IsValid(); ++i, Sleep(50))
        file.Attach(CreateFileA(TaskFile(name), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.IsValid());
    ASSERT_NE(SetFilePointer(file, cut, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    ASSERT_TRUE(SetEndOfFile(file));
}

// The file held by another program that lets nobody else open it.
CHandle HoldTask(const CString& name) {
    CHandle file;
    for (int i = 0; i < 20 && !file.IsValid(); ++i, Sleep(50))
        file.Attach(CreateFileA(TaskFile(name), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return file;
}

std::vector<CString> Rows(CShredListCtrl& list) {
    std::vector<CString> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) rows.push_back(list.GetItemText(i, 0));
    return rows;
}
}  // namespace

TEST_F(SheetPages, DamagedTaskIsListedAsSuchAndCanBeDeleted) {
    CTestTasks tasks;
    const CString name = tasks.Add("QvSheetDamaged");
    MakeTask(sheet->Schedule(), name, "Quorvane Grindel");
    DamageTask(name, true);
    HWND scheduler = PageWindow(*sheet, 5);
    CShredListCtrl& list = sheet->m_page6.List();
    const int row = list.FindExact(name + " (damaged)");
    ASSERT_GE(row, 0);
    EXPECT_EQ(sheet->m_page6.RowNames()[size_t(row)], name);

    // Run Now says why in words, under the task's own name.
    list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    boxes.Clear();
    Click(scheduler, IDC_RUN_NOW);
    const std::string start = "The Task Scheduler could not run the task \"" + name.str() + "\".\n";
    ASSERT_EQ(CountBoxes(boxes, start.c_str()), 1);
    EXPECT_EQ(boxes.Boxes()[0].text.find("0x"), std::string::npos) << boxes.Boxes()[0].text;

    boxes.Clear();
    Click(scheduler, IDC_DELETE_TASK);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_FALSE(FileExists(TaskFile(name)));
    EXPECT_EQ(list.FindExact(name + " (damaged)"), -1);
}

// Another program's task, held by it (as a virus scanner or a backup does)
// or damaged, is not Grindel's to list or delete; a task whose maker cannot be
// told while its file is held comes into the list once the file is free.
TEST_F(SheetPages, AnotherProgramsHeldOrDamagedTaskIsNeitherListedNorDeleted) {
    CTestTasks tasks;
    const CString mine = tasks.Add("QvSheetMine"), mineHeld = tasks.Add("QvSheetMineHeld"),
                  held = tasks.Add("QvSheetOtherHeld"), damaged = tasks.Add("QvSheetOtherDamaged"),
                  unknown = tasks.Add("QvSheetUnknownDamaged");
    MakeTask(sheet->Schedule(), mine, "Quorvane Grindel");
    MakeTask(sheet->Schedule(), mineHeld, "Quorvane Grindel");
    MakeTask(sheet->Schedule(), held, "Another Program");
    MakeTask(sheet->Schedule(), damaged, "Another Program");
    MakeTask(sheet->Schedule(), unknown, "Quorvane Grindel");
    DamageTask(damaged, true);
    DamageTask(unknown, false);
    HWND scheduler = nullptr;
    {
        CHandle holdOther = HoldTask(held), holdMine = HoldTask(mineHeld);
        ASSERT_TRUE(holdOther.IsValid() && holdMine.IsValid());
        PageWindow(*sheet, 0);
        scheduler = PageWindow(*sheet, 5);
        EXPECT_EQ(Rows(sheet->m_page6.List()), std::vector<CString>{mine});
        const std::vector<CString>& waiting = sheet->m_page6.HeldNames();
        EXPECT_NE(std::find(waiting.begin(), waiting.end(), held), waiting.end());
        EXPECT_NE(std::find(waiting.begin(), waiting.end(), mineHeld), waiting.end());
    }
    SendMessageA(scheduler, WM_TIMER, 1, 0);
    std::vector<CString> rows = Rows(sheet->m_page6.List());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<CString>{mine, mineHeld}));
    EXPECT_TRUE(sheet->m_page6.HeldNames().empty());

    boxes.QueueAnswer(IDYES);
    Click(scheduler, IDC_DELETE_ALL);
    EXPECT_FALSE(FileExists(TaskFile(mine)));
    EXPECT_FALSE(FileExists(TaskFile(mineHeld)));
    for (const CString& other : {held, damaged, unknown}) EXPECT_TRUE(FileExists(TaskFile(other))) << other.str();
}

TEST(SchedulerErrors, TheSchedulersOwnCodesAreToldInWords) {
    // Task not ready, invalid task, account not set, service not running.
    const HRESULT codes[] = {HRESULT(0x8004130A), HRESULT(0x8004130E), HRESULT(0x8004130F), HRESULT(0x80041315)};
    std::vector<CString> texts;
    for (HRESULT code : codes) {
        SCOPED_TRACE(code);
        const CString text = TaskErrorText(code);
        EXPECT_EQ(text.Find("0x"), -1) << text.str();
        EXPECT_NE(text.Find(' '), -1) << text.str();
        for (const CString& other : texts) EXPECT_NE(text, other);
        texts.push_back(text);
    }
}

namespace {
// A stand-in for the system's Format dialog: its first button records the
// clicks posted to it; 0x7002 is a real check box.
int g_formatClicks = 0;
LRESULT CALLBACK FakeButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONUP) ++g_formatClicks;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
    return true;
}
}  // namespace

TEST_F(SheetPages, FormatDriverPressesStartThenOkAndWaitsForAnotherText) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FakeButtonProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QvFakeFormatButton";
    RegisterClassA(&wc);
    const CString text = "Local Disk (Z:)";
    HWND dialog = CreateWindowExA(0, "STATIC", FormatDialogTitle(text, 'Z', COSVersion()), WS_POPUP, 0, 0, 200, 100,
                                  nullptr, nullptr, nullptr, nullptr);
    HWND start = CreateWindowExA(0, wc.lpszClassName, "&Begin", WS_CHILD, 0, 0, 50, 20, dialog, HMENU(1), nullptr,
                                 nullptr);
    CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX, 0, 30, 50, 20, dialog, HMENU(0x7002), nullptr,
                    nullptr);
    g_formatClicks = 0;
    sheet->SetCurrentDrive(text, 'Z');
    sheet->StartFormatDriver();

    // A localized first button is never pressed.
    PumpUntil([] { return false; }, 600);
    EXPECT_EQ(g_formatClicks, 0);
    SetWindowTextA(start, "&Start");
    EXPECT_TRUE(PumpUntil([] { return g_formatClicks == 1; }, 2000));
    EXPECT_EQ(IsDlgButtonChecked(dialog, 0x7002), UINT(BST_CHECKED));
    SetWindowTextA(start, "OK");
    EXPECT_TRUE(PumpUntil([] { return g_formatClicks == 2; }, 2000));
    PumpUntil([] { return false; }, 600);
    EXPECT_EQ(g_formatClicks, 2);
    sheet->StopFormatDriver();
    DestroyWindow(dialog);
}

TEST_F(SheetPages, DrivePageOffersLeavingTheDriveOnlyOffNtfsAndSchedulesOnlyFreeSpace) {
    HWND page = PageWindow(*sheet, 3);
    CShredListCtrl& list = sheet->m_page4.List();
    ASSERT_EQ(list.GetItemCount(), int(app->Drives().size()));
    ASSERT_GT(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetItemText(0, 0), app->Drives()[0].displayText);

    Click(page, IDC_DRIVE_SHRED_NOW);
    EXPECT_EQ(CountBoxes(boxes, "There's no selected drive"), 1);

    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    const bool ntfs = list.GetItemText(0, 1) == "NTFS";
    Click(page, IDC_WHOLE_DRIVE);
    EXPECT_EQ(sheet->m_page4.m_driveMode, 1);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, IDC_FORMAT_DRIVE)));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_FORMAT_DRIVE), UINT(BST_CHECKED));
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, IDC_LEAVE_DRIVE)) != FALSE, !ntfs);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_SCHEDULE)));

    Click(page, IDC_FREE_SPACE);
    EXPECT_EQ(sheet->m_page4.m_driveMode, 0);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_FORMAT_DRIVE)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_SCHEDULE)));
}

TEST_F(SheetPages, FilesThatFailToShredStayListedAndSelected) {
    const CString gone = bed->Folder().Write("gone.txt", "g"), held = bed->Folder().Write("held.txt", "h");
    HWND files = PageWindow(*sheet, 1);
    sheet->m_page2.AddPath(gone);
    sheet->m_page2.AddPath(held);
    HANDLE holder = CreateFileA(held, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    boxes.Clear();
    boxes.QueueAnswer(IDYES);
    Click(files, IDC_SHRED_NOW);
    CloseHandle(holder);
    EXPECT_FALSE(FileExists(gone));
    CShredListCtrl& list = sheet->m_page2.List();
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemText(0, 0), held);
    EXPECT_EQ(list.GetItemState(0, LVIS_SELECTED), UINT(LVIS_SELECTED));
    EXPECT_EQ(sheet->m_page2.Paths().size(), 1u);
}

// "żółw.txt" dropped beside "zólw.txt", its best-fit spelling: the one dropped is shredded.
TEST_F(SheetPages, ADroppedFileNamedOutsideTheCodePageIsShreddedByItsRealName) {
    const CRealPath turtle = JoinRealPath(bed->Folder().Path(), L"\x17c\xf3\x142w.txt");
    const CString lookAlike = bed->Folder().Write(ShownPath(RealNameOf(turtle)), "other file");
    CloseHandle(OpenRealFile(turtle, GENERIC_WRITE, 0, CREATE_NEW, 0));
    sheet->m_page2.RemoveAllPaths();
    sheet->m_page2.OnDropFiles(MakeWideDrop({turtle}));
    ASSERT_EQ(sheet->m_page2.Paths(), std::vector<CRealPath>{turtle});
    EXPECT_EQ(sheet->m_page2.List().GetItemText(0, 0), CodePageSpelling(turtle));
    boxes.Clear();
    boxes.QueueAnswer(IDYES);
    Click(PageWindow(*sheet, 1), IDC_SHRED_NOW);
    EXPECT_FALSE(FindRealEntry(turtle));
    EXPECT_EQ(ReadFileText(lookAlike), "other file");
    EXPECT_EQ(sheet->m_page2.List().GetItemCount(), 0);
}

TEST_F(SheetPages, AFileChosenInTheBrowseDialogIsListedByItsRealName) {
    const CRealPath turtle = JoinRealPath(bed->Folder().Path(), L"\x17c\xf3\x142w.txt");
    bed->Folder().Write(ShownPath(RealNameOf(turtle)), "other file");
    CloseHandle(OpenRealFile(turtle, GENERIC_WRITE, 0, CREATE_NEW, 0));
    sheet->m_page2.RemoveAllPaths();
    WhenShown("Open", [&](HWND dialog) {
        // The file name box: an edit in the old dialog, a combo box in Explorer's.
        for (int id : {0x47c, 0x480}) SetDlgItemTextW(dialog, id, turtle.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Click(PageWindow(*sheet, 1), IDC_BROWSE);
    EXPECT_EQ(sheet->m_page2.Paths(), std::vector<CRealPath>{turtle});
}

TEST_F(SheetPages, DrivePageShredsTheDriveOfTheRowWhateverItsLabelHolds) {
    HWND page = PageWindow(*sheet, 3);
    CShredListCtrl& list = sheet->m_page4.List();
    int row = -1;
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemData(i) == 'C') row = i;
    ASSERT_GE(row, 0);
    list.SetItemText(row, 0, "Data (old) (C:)");
    list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    Click(page, IDC_WHOLE_DRIVE);
    Click(page, IDC_DRIVE_SHRED_NOW);
    // C: holds Windows: refused before anything is asked or written.
    EXPECT_EQ(CountBoxes(boxes, "Drive C: holds Windows"), 1);
    EXPECT_EQ(CountBoxes(boxes, "WARNING"), 0);
    EXPECT_EQ(sheet->CurrentDriveText(), "Data (old) (C:)");
}

TEST_F(SheetPages, ChoosingAnotherLanguageRetextsTheSheetAndRenewsTheInstanceName) {
    HWND options = PageWindow(*sheet, 0);
    HWND combo = GetDlgItem(options, IDC_LANGUAGE);
    const int german = int(SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("Deutsch")));
    ASSERT_GE(german, 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("English")));

    SendMessageA(combo, CB_SETCURSEL, WPARAM(german), 0);
    SendMessageA(options, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE, CBN_SELCHANGE), LPARAM(combo));
    EXPECT_EQ(app->Language(), "Deutsch");
    EXPECT_EQ(app->Profile().GetString("Language", ""), "Deutsch");
    EXPECT_EQ(CountBoxes(boxes, "Context menu caption will be changed"), 1);
    EXPECT_EQ(sheet->GetWindowText(), bed->Title() + " DE");
    CTabCtrl tab;
    tab.Attach(sheet->GetTabControl());
    EXPECT_EQ(tab.GetItemText(0), "Optionen");
    tab.Detach();
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
    // The instance name follows the new title.
    HANDLE probe = CreateMutexA(nullptr, FALSE, bed->Title() + " DE");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(probe);

    // The same choice again changes nothing.
    boxes.Clear();
    SendMessageA(options, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE, CBN_SELCHANGE), LPARAM(combo));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SheetPages, SubFolderOptionsTitleCarriesNoShortcutMarkOfItsButton) {
    HWND folders = PageWindow(*sheet, 2);
    CString buttonText;
    GetWindowTextA(GetDlgItem(folders, IDC_SUBFOLDER_OPTIONS), buttonText.GetBuffer(64), 64);
    buttonText.ReleaseBuffer();
    EXPECT_EQ(buttonText, "SubFolder &Options");
    bool shown = false;
    WhenShown("SubFolder Options", [&](HWND dialog) {
        shown = true;
        Click(dialog, IDCANCEL);
    });
    Click(folders, IDC_SUBFOLDER_OPTIONS);
    EXPECT_TRUE(shown);
}
