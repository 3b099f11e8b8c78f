// Bootlist's real forms, driven with messages over fabricated auto-start places.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "BootlistResources.h"
#include "FileDialog.h"
#include "Files.h"
#include "Seams.h"
#include "ShellLink.h"
#include "StartupTestSupport.h"
#include "clsExitWindows.h"
#include "frmMain.h"

namespace {
BOOL CALLBACK CountVisible(HWND hwnd, LPARAM data) {
    if (IsWindowVisible(hwnd)) ++*reinterpret_cast<int*>(data);
    return TRUE;
}

// What the next file dialog answers: a path, or a cancel when empty.
std::string g_chosenFile;
BOOL AnswerFileDialog(bool, OPENFILENAMEA* ofn) {
    if (g_chosenFile.empty()) return FALSE;
    lstrcpynA(ofn->lpstrFile, g_chosenFile.c_str(), int(ofn->nMaxFile));
    return TRUE;
}

// Runs once inside the next form the main form opens, as soon as that form
// stands: it ends before it is ever shown, because hiding a shown window costs
// Wine two seconds of waiting for a window manager that Xvfb does not have.
std::function<void(HWND)> g_insideModal;
HWND g_modalOwner = nullptr;
HHOOK g_hook = nullptr;
LRESULT CALLBACK RunInsideModal(int code, WPARAM wParam, LPARAM lParam) {
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && GetWindow(call->hwnd, GW_OWNER) == g_modalOwner) {
        UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
        auto script = std::move(g_insideModal);
        script(call->hwnd);
        return 0;
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

class BootlistFormTest : public CFabricatedStartup {
protected:
    BootlistFormTest() {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES | ICC_USEREX_CLASSES};
        InitCommonControlsEx(&init);
        pack = ReadFileText(GetModuleFolder() + "\\..\\..\\products\\Bootlist\\Lang\\English.ini");
        program.Write("Lang\\English.ini", pack);
        places.where = where;
        places.settingsKey = test.SubKey() + "\\Language";
        places.instanceName = "QuorvaneTests Bootlist " + test.SubKey().Mid(int(strlen("Software\\QuorvaneTests\\")));
        SetFileDialogHook(AnswerFileDialog);
    }
    ~BootlistFormTest() override {
        SetFileDialogHook(nullptr);
        SetShellExecuteHook(nullptr);
        SetExitWindowsHook(nullptr);
        int visible = 0;
        EnumThreadWindows(GetCurrentThreadId(), CountVisible, reinterpret_cast<LPARAM>(&visible));
        EXPECT_EQ(visible, 0) << "a window was left open";
    }
    void SetUp() override { ASSERT_FALSE(pack.empty()) << "the product's English pack is not built"; }

    HWND Open(frmMain& form) {
        EXPECT_TRUE(form.Create());
        g_modalOwner = form.m_hWnd;
        return form.m_hWnd;
    }
    void Close(frmMain& form) {
        ::SendMessageA(form.m_hWnd, WM_CLOSE, 0, 0);
        EXPECT_FALSE(form.IsWindow());
    }
    static void Command(HWND form, UINT id) {
        ::SendMessageA(form, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(form, int(id))));
    }
    static int Rows(HWND form) { return int(SendDlgItemMessageA(form, IDC_LISTVIEW1, LVM_GETITEMCOUNT, 0, 0)); }
    static std::string Cell(HWND form, int row, int column) {
        char text[512] = "";
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendDlgItemMessageA(form, IDC_LISTVIEW1, LVM_GETITEMTEXTA, WPARAM(row), LPARAM(&item));
        return text;
    }
    static int RowOf(HWND form, const char* name) {
        for (int row = 0; row < Rows(form); ++row)
            if (Cell(form, row, 0) == name) return row;
        return -1;
    }
    static void Select(HWND form, const char* name) {
        const int row = RowOf(form, name);
        ASSERT_GE(row, 0) << name;
        LVITEMA item{};
        item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendDlgItemMessageA(form, IDC_LISTVIEW1, LVM_SETITEMSTATE, WPARAM(row), LPARAM(&item));
    }
    static std::string Text(HWND form, UINT id) { return CWnd::GetWindowTextOf(GetDlgItem(form, int(id))).str(); }
    std::string UserValue(const char* name) const { return ValueOf(HKEY_CURRENT_USER, UserRun(), name); }
    void WhileModal(std::function<void(HWND)> script) {
        g_insideModal = std::move(script);
        g_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, RunInsideModal, nullptr, GetCurrentThreadId());
    }

    std::string pack;
    CBootlistPlaces places;
};
}  // namespace

TEST_F(BootlistFormTest, ListsTheFabricatedPlacesAndAppliesTheButtonsChanges) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "Agent", "C:\\agent.exe");
    SetValue(HKEY_CURRENT_USER, UserRun(), "Tray", "C:\\tray.exe");
    files.Write("win-copy.ini", "[windows]\r\nrun=C:\\a.exe C:\\b.exe\r\n");
    files.Write("StartUp\\readme.txt", "not a shortcut");
    {
        frmMain form(places);
        HWND hwnd = Open(form);
        ASSERT_EQ(Rows(hwnd), 4);
        const std::vector<std::string> agent = {"Agent", "Enabled", "Registry(User Run)", "Current User",
                                                "Current User Logs On", "C:\\agent.exe"};
        for (int c = 0; c < 6; ++c) EXPECT_EQ(Cell(hwnd, 0, c), agent[size_t(c)]) << c;
        EXPECT_EQ(Cell(hwnd, 2, 5), "C:\\a.exe C:\\b.exe");
        EXPECT_EQ(Cell(hwnd, 3, 2), "StartUp (Current User)");
        EXPECT_EQ(Text(hwnd, IDC_LABEL3), "Select Language");  // the pack's text, not the form's

        Select(hwnd, "Agent");
        Command(hwnd, IDC_CMDDISABLE);
        EXPECT_EQ(Cell(hwnd, 0, 1), "Disabled");
        EXPECT_EQ(Text(hwnd, IDC_CMDDISABLE), "&Enable");
        Select(hwnd, "Tray");
        EXPECT_EQ(Text(hwnd, IDC_CMDDISABLE), "&Disable");
        Command(hwnd, IDC_CMDREMOVE);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_CMDREMOVE)));
        EXPECT_EQ(UserValue("Agent"), "C:\\agent.exe");  // nothing before the apply

        Command(hwnd, IDM_APP_JUST);
        EXPECT_EQ(UserValue("Agent"), "<missing>");
        EXPECT_EQ(UserValue("Tray"), "<missing>");
        EXPECT_EQ(Rows(hwnd), 3);
        EXPECT_EQ(RowOf(hwnd, "Tray"), -1);
        EXPECT_EQ(ReadFileText(where.saveProf).rfind("Agent\r\nDisabled\r\nRegistry(User Run)\r\n", 0), 0u);
        Close(form);
    }
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, places.settingsKey, kLanguageValue), "English.ini");

    frmMain next(places);
    HWND hwnd = Open(next);
    ASSERT_EQ(RowOf(hwnd, "Agent"), Rows(hwnd) - 1);
    Select(hwnd, "Agent");
    EXPECT_EQ(Text(hwnd, IDC_CMDDISABLE), "&Enable");
    Command(hwnd, IDC_CMDDISABLE);
    Command(hwnd, IDM_APP_JUST);
    EXPECT_EQ(UserValue("Agent"), "C:\\agent.exe");
    EXPECT_FALSE(FileExists(where.saveProf));
    Close(next);
}

TEST_F(BootlistFormTest, AddFormAppendsRowsThatTheNextApplyWrites) {
    struct Case {
        const char* name;
        const char* path;
        int location;  // position in the form's location combo
        bool nameEnabled;
        const char* row;  // nullptr: nothing is added
        const char* user;  // or the message shown
    } cases[] = {
        {"Tool", "C:\\tool.exe", 0, true, "Tool", "Current User"},
        {"x", "C:\\ini.exe", 7, false, "Win.ini Run", "All Users"},
        {"Link", "C:\\link.exe", 4, true, "Link", "Current User"},
        {"", "C:\\nameless.exe", 0, true, nullptr, "Please enter both the task name and the program to start."},
        {"NoPath", "", 4, true, nullptr, "Please enter both the task name and the program to start."},
        {"Tool", "C:\\again.exe", 0, true, nullptr, "An entry with this name already exists at this location."},
    };
    CScriptedMessageBoxes boxes;
    frmMain form(places);
    HWND hwnd = Open(form);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool nameEnabled = !c.nameEnabled;
        WhileModal([&](HWND add) {
            SetDlgItemTextA(add, IDC_TXTNAME, c.name);
            SetDlgItemTextA(add, IDC_TXTLOCATION, c.path);
            HWND combo = GetDlgItem(add, IDC_COMBO1);
            SendMessageA(combo, CB_SETCURSEL, WPARAM(c.location), 0);
            SendMessageA(add, WM_COMMAND, MAKEWPARAM(IDC_COMBO1, CBN_SELCHANGE), LPARAM(combo));
            nameEnabled = IsWindowEnabled(GetDlgItem(add, IDC_TXTNAME)) != FALSE;
            Command(add, IDC_CMDADD);
        });
        const int before = Rows(hwnd);
        Command(hwnd, IDC_CMDADDTASK);
        EXPECT_EQ(nameEnabled, c.nameEnabled);
        ASSERT_EQ(Rows(hwnd), before + (c.row ? 1 : 0));
        if (!c.row) continue;
        EXPECT_EQ(Cell(hwnd, before, 0), c.row);
        EXPECT_EQ(Cell(hwnd, before, 1), "Enabled");
        EXPECT_EQ(Cell(hwnd, before, 3), c.user);
        EXPECT_EQ(Cell(hwnd, before, 5), c.path);
    }
    std::vector<std::string> shown;
    for (const Case& c : cases)
        if (!c.row) shown.push_back(c.user);
    ASSERT_EQ(boxes.Boxes().size(), shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(boxes.Boxes()[i].text, shown[i]);
        EXPECT_EQ(boxes.Boxes()[i].caption, "Quorvane Bootlist");
    }
    EXPECT_EQ(UserValue("Tool"), "<missing>");
    Command(hwnd, IDM_APP_JUST);
    EXPECT_EQ(UserValue("Tool"), "C:\\tool.exe");
    EXPECT_EQ(ReadIniText("windows", "Run", where.winIni), "C:\\ini.exe");
    EXPECT_EQ(ReadShortcutTarget(JoinPath(where.userStartup, "Link.lnk")), "C:\\link.exe");
    Close(form);
}

TEST_F(BootlistFormTest, ProfileSavedFromTheFormLoadsBackItsStatuses) {
    for (const char* name : {"A", "B", "C"}) SetValue(HKEY_CURRENT_USER, UserRun(), name, std::string("C:\\") + name);
    frmMain form(places);
    HWND hwnd = Open(form);
    Select(hwnd, "B");
    Command(hwnd, IDC_CMDDISABLE);
    g_chosenFile = files.File("saved.pro").str();
    Command(hwnd, IDM_SAVEPROF);
    const std::string saved = ReadFileText(files.File("saved.pro"));
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = saved.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(saved.substr(at, end - at));
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[6], "B");
    EXPECT_EQ(lines[7], "Disabled");

    Command(hwnd, IDC_CMDRESET);
    EXPECT_EQ(Cell(hwnd, 1, 1), "Enabled");
    // What cannot be saved or loaded is told, the file named; the list stays.
    const char* const notSaved = "The profile could not be saved";
    const char* const notLoaded = "The profile could not be loaded";
    const struct {
        UINT command;
        std::string file;
        const char* statusOfB;
        const char* box;  // the start of the box shown, nullptr for none
    } steps[] = {
        {IDM_LOADPROF, "", "Enabled", nullptr},  // cancelled
        {IDM_SAVEPROF, files.File("no folder\\saved.pro").str(), "Enabled", notSaved},
        {IDM_LOADPROF, files.File("missing.pro").str(), "Enabled", notLoaded},
        {IDM_LOADPROF, files.Write("cut.pro", saved.substr(0, saved.size() - 2)).str(), "Enabled", notLoaded},
        {IDM_LOADPROF, g_chosenFile, "Disabled", nullptr},
    };
    CScriptedMessageBoxes boxes;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.file);
        boxes.Clear();
        g_chosenFile = step.file;
        Command(hwnd, step.command);
        ASSERT_EQ(Rows(hwnd), 3);
        EXPECT_EQ(Cell(hwnd, 1, 0), "B");
        EXPECT_EQ(Cell(hwnd, 1, 1), step.statusOfB);
        ASSERT_EQ(boxes.Boxes().size(), step.box ? 1u : 0u);
        if (!step.box) continue;
        const std::string told = boxes.Boxes()[0].text;
        EXPECT_TRUE(told.rfind(step.box, 0) == 0 && told.find("\n" + step.file + ": ") != std::string::npos) << told;
    }
    Command(hwnd, IDM_APP_JUST);
    EXPECT_EQ(UserValue("B"), "<missing>");
    EXPECT_EQ(UserValue("A"), "C:\\A");
    // An empty profile: B, disabled now, lives only in SaveProf.pro and
    // must stay listed, recorded and enableable.
    g_chosenFile = files.Write("empty.pro", "").str();
    Command(hwnd, IDM_LOADPROF);
    ASSERT_EQ(Rows(hwnd), 1);
    EXPECT_EQ(Cell(hwnd, 0, 0), "B");
    EXPECT_EQ(Cell(hwnd, 0, 1), "Disabled");
    Command(hwnd, IDM_APP_JUST);
    EXPECT_EQ(ReadFileText(where.saveProf).rfind("B\r\nDisabled\r\n", 0), 0u);
    Select(hwnd, "B");
    Command(hwnd, IDC_CMDDISABLE);
    Command(hwnd, IDM_APP_JUST);
    EXPECT_EQ(UserValue("B"), "C:\\B");
    Close(form);
}

TEST_F(BootlistFormTest, MenusLanguageSwitchAndSecondCopyStayInsideTheirSeams) {
    SetValue(HKEY_CURRENT_USER, UserRun(), "A", "C:\\A");
    std::vector<std::string> started;
    SetShellExecuteHook([&](HWND, const char*, const char* file, const char* params, const char* folder, int) {
        started.push_back(std::string(file) + "|" + (params ? params : "") + "|" + (folder ? folder : ""));
        return HINSTANCE(42);
    });
    std::vector<UINT> exits;
    SetExitWindowsHook([&](UINT flags, DWORD) { exits.push_back(flags); return TRUE; });
    CScriptedMessageBoxes boxes;
    boxes.QueueAnswer(IDNO);  // the registry editor warning
    frmMain form(places);
    HWND hwnd = Open(form);

    frmMain second(places);
    EXPECT_TRUE(second.Create() == FALSE || !second.IsWindow());
    EXPECT_TRUE(second.EndedAsSecondInstance());

    for (UINT id : {IDM_UPDATE, IDM_HELPINDEX, IDM_REGISTRY, IDM_APP_LOG}) Command(hwnd, id);
    const CString app = program.Path();
    EXPECT_EQ(started, (std::vector<std::string>{(app + "\\liveupdate.exe||").str(),
                                                 (app + "\\BootlistHelp.chm||C:\\").str()}));
    EXPECT_EQ(exits, std::vector<UINT>{EWX_LOGOFF | EWX_FORCE});
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Warning");
    EXPECT_EQ(boxes.Boxes()[0].type, 276u);

    std::string version;
    WhileModal([&](HWND about) {
        version = Text(about, IDC_LBLVERSION);
        Command(about, IDC_CMDOK);
    });
    Command(hwnd, IDM_ABOUT);
    EXPECT_EQ(version, "Version 1.0.0.0");

    // The current language again: No keeps the unapplied change, Yes rebuilds the list.
    for (int answer : {IDNO, IDYES}) {
        Select(hwnd, "A");
        if (Cell(hwnd, 0, 1) == "Enabled") Command(hwnd, IDC_CMDDISABLE);
        boxes.QueueAnswer(answer);
        HWND combo = GetDlgItem(hwnd, IDC_COMBOLANG);
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_COMBOLANG, CBN_SELCHANGE), LPARAM(combo));
        EXPECT_EQ(Cell(hwnd, 0, 1), answer == IDYES ? "Enabled" : "Disabled");
        EXPECT_EQ(int(SendMessageA(combo, CB_GETCURSEL, 0, 0)), 0);
    }
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, places.settingsKey, kLanguageValue), "<missing>");
    Close(form);
}
