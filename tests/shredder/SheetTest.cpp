// Grindel's property sheet run for real under Wine: started by the
// application, driven by messages from timers inside its modal loop, with the
// message boxes and the tray scripted.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "AboutBox.h"
#include "OSVersion.h"
#include "SheetResources.h"
#include "ShredSheet.h"
#include "ShredderTestBed.h"

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
        const char* title;
    } cases[] = {
        {5, 1, "Local Disk (C:)", "Format Local Disk (C:)"},
        {5, 0, "Local Disk (C:)", "Format C:\\"},
        {4, 0, "Data (D:)", "Format D:\\"},
        {5, 0, "C:", "Format C:\\"},
        {6, 1, "Local Disk (C:)", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatDialogTitle(c.text, COSVersion(Version(c.major, c.minor))), c.title);
    }
}

TEST(Sheet, ShowsItsTabsTrayAndAboutBoxAndShredsDroppedFiles) {
    CShredderTestBed bed;
    bed.WritePack("9606=" + bed.Title().str() + "\r\n9601=Dateien\r\n");
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
        EXPECT_EQ(sheet.m_page2.Paths().GetSize(), 1);

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
