// Real windows under Wine: dialogs, sheets, wizards, lists, tray and menus.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "App.h"
#include "Controls.h"
#include "Dialog.h"
#include "FileDialog.h"
#include "Gdi.h"
#include "ListView.h"
#include "MessageLoop.h"
#include "Menu.h"
#include "PropertySheet.h"
#include "Seams.h"
#include "SingleInstance.h"
#include "TestSupport.h"
#include "Tray.h"
#include "UiTestResources.h"

namespace {

const UINT WM_TEST_STEP = WM_APP + 7;

BOOL CALLBACK CountVisible(HWND hwnd, LPARAM data) {
    if (IsWindowVisible(hwnd)) ++*reinterpret_cast<int*>(data);
    return TRUE;
}

int CountVisibleThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountVisible, reinterpret_cast<LPARAM>(&count));
    return count;
}

int CALLBACK ByDataDescending(LPARAM a, LPARAM b, LPARAM) { return int(b - a); }

class UiTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
        InitCommonControlsEx(&init);
    }
    void TearDown() override { EXPECT_EQ(0, CountVisibleThreadWindows()) << "a window was left open"; }
};

// A button that answers its own clicks through reflection.
class CReflectingButton : public CButton {
public:
    int clicks = 0;

protected:
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
        ++clicks;
        result = 0;
        return true;
    }
};

class CButtonsDialog : public CDialog {
public:
    CButtonsDialog() : CDialog(IDD_BUTTONS) {}
    int pressHandled = 0;
    int parentSawReflected = 0;
    bool askOnPress = false;
    CReflectingButton reflected;

protected:
    BOOL OnInitDialog() override {
        reflected.SubclassDlgItem(IDC_REFLECTED, m_hWnd);
        ::PostMessageA(GetDlgItem(IDC_REFLECTED), BM_CLICK, 0, 0);
        ::PostMessageA(GetDlgItem(IDC_PRESS), BM_CLICK, 0, 0);
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
        case IDC_PRESS:
            ++pressHandled;
            if (!askOnPress) {
                EndDialog(77);
            } else if (QvMessageBox(m_hWnd, "Close now?", "Buttons", MB_YESNO | MB_ICONQUESTION) == IDYES) {
                EndDialog(IDOK);
            } else {
                EndDialog(IDCANCEL);
            }
            return TRUE;
        case IDC_REFLECTED:
            ++parentSawReflected;
            return TRUE;
        default:
            return CDialog::OnCommand(wParam, lParam);
        }
    }
};

TEST_F(UiTest, ModalDialogButtonClickReachesItsHandler) {
    CButtonsDialog dialog;
    EXPECT_EQ(77, dialog.DoModal());
    EXPECT_EQ(1, dialog.pressHandled);
    EXPECT_EQ(1, dialog.reflected.clicks);
    EXPECT_EQ(0, dialog.parentSawReflected);
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

TEST_F(UiTest, ScriptedMessageBoxAnswerSteersTheHandler) {
    struct Case {
        int answer;
        INT_PTR expected;
    } cases[] = {{IDYES, IDOK}, {IDNO, IDCANCEL}};
    for (const Case& c : cases) {
        CScriptedMessageBoxes boxes;
        boxes.QueueAnswer(c.answer);
        CButtonsDialog dialog;
        dialog.askOnPress = true;
        EXPECT_EQ(c.expected, dialog.DoModal());
        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ("Close now?", boxes.Boxes()[0].text);
        EXPECT_EQ("Buttons", boxes.Boxes()[0].caption);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), boxes.Boxes()[0].type);
    }
}

TEST_F(UiTest, ModelessDialogLivesUntilEnded) {
    CButtonsDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HWND hwnd = dialog.m_hWnd;
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(&dialog, CWnd::FromHandle(hwnd));
    dialog.EndDialog(IDOK);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, CWnd::FromHandle(hwnd));
}

class CHiddenWindow : public CWnd {
public:
    int received = 0;
    int taskbarCreated = 0;
    CTrayIcon tray;

protected:
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (tray.OnTaskbarCreated(msg)) {
            ++taskbarCreated;
            result = 0;
            return true;
        }
        if (msg == WM_TEST_STEP) ++received;
        return false;
    }
};

class CAttachingDialog : public CDialog {
public:
    CAttachingDialog() : CDialog(IDD_BUTTONS) {}
    CEdit edit;
    bool attached = false;

protected:
    BOOL OnInitDialog() override {
        attached = edit.Attach(GetDlgItem(IDC_EDIT));
        return TRUE;
    }
};

TEST_F(UiTest, AttachedWrapperIsReleasedWithItsDialogSoTheDialogRunsAgain) {
    CAttachingDialog dialog;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(dialog.Create());
        EXPECT_TRUE(dialog.attached);
        EXPECT_EQ(dialog.GetDlgItem(IDC_EDIT), dialog.edit.m_hWnd);
        HWND edit = dialog.edit.m_hWnd;
        dialog.EndDialog(IDOK);
        EXPECT_EQ(nullptr, dialog.edit.m_hWnd);
        EXPECT_EQ(nullptr, CWnd::FromHandle(edit));
    }
}

TEST_F(UiTest, WaitingMessagesArePumpedUntilQuit) {
    CHiddenWindow hidden;
    ASSERT_TRUE(hidden.CreateEx(0, nullptr, "Pumped", 0, RECT{0, 0, 0, 0}, nullptr, 0));
    PostMessageA(hidden.m_hWnd, WM_TEST_STEP, 0, 0);
    PostMessageA(hidden.m_hWnd, WM_TEST_STEP, 0, 0);
    EXPECT_TRUE(PumpWaitingMessages());
    EXPECT_EQ(2, hidden.received);
    PostQuitMessage(3);
    EXPECT_FALSE(PumpWaitingMessages());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT is kept for the outer loop";
    EXPECT_EQ(3u, msg.wParam);
    hidden.DestroyWindow();
}

TEST_F(UiTest, DialogBackgroundColourAnswersControlColour) {
    CWinApp* app = CWinApp::Current();
    CWinApp local;
    local.SetDialogBkColor(RGB(206, 206, 210), RGB(0, 0, 0));
    CButtonsDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HDC dc = GetDC(dialog.m_hWnd);
    LRESULT brush = SendMessageA(dialog.m_hWnd, WM_CTLCOLORDLG, WPARAM(dc), LPARAM(dialog.m_hWnd));
    EXPECT_EQ(LRESULT(QvDialogBrush()), brush);
    EXPECT_EQ(RGB(206, 206, 210), GetBkColor(dc));
    ReleaseDC(dialog.m_hWnd, dc);
    dialog.EndDialog(IDOK);
    (void)app;
}

// Records what its parent reflected to it.
class CRecordingControl : public CButton {
public:
    std::vector<UINT> reflected;

protected:
    bool OnReflectedMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        reflected.push_back(msg);
        result = msg == WM_NOTIFY ? 5 : msg == WM_CTLCOLORBTN ? LRESULT(GetStockObject(WHITE_BRUSH)) : TRUE;
        return true;
    }
};

class CNotifyDialog : public CDialog {
public:
    CNotifyDialog() : CDialog(IDD_BUTTONS) {}
    int parentNotifies = 0;

protected:
    BOOL OnNotify(WPARAM, LPARAM, LRESULT* result) override {
        ++parentNotifies;
        *result = 9;
        return TRUE;
    }
};

TEST_F(UiTest, NotificationsDrawingAndColoursAreReflectedToTheControl) {
    CNotifyDialog dialog;
    ASSERT_TRUE(dialog.Create());
    CRecordingControl control;
    ASSERT_TRUE(control.SubclassDlgItem(IDC_REFLECTED, dialog.m_hWnd));
    NMHDR fromChild{control.m_hWnd, IDC_REFLECTED, NM_CLICK};
    SendMessageA(dialog.m_hWnd, WM_NOTIFY, IDC_REFLECTED, LPARAM(&fromChild));
    EXPECT_EQ(5, GetWindowLongPtrA(dialog.m_hWnd, DWLP_MSGRESULT));
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = IDC_REFLECTED;
    draw.hwndItem = control.m_hWnd;
    EXPECT_TRUE(SendMessageA(dialog.m_hWnd, WM_DRAWITEM, IDC_REFLECTED, LPARAM(&draw)));
    HDC dc = GetDC(control.m_hWnd);
    EXPECT_EQ(LRESULT(GetStockObject(WHITE_BRUSH)), SendMessageA(dialog.m_hWnd, WM_CTLCOLORBTN, WPARAM(dc), LPARAM(control.m_hWnd)));
    ReleaseDC(control.m_hWnd, dc);
    EXPECT_EQ((std::vector<UINT>{WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLORBTN}), control.reflected);
    EXPECT_EQ(0, dialog.parentNotifies);
    // Not from a child of the dialog: the dialog's own handler answers.
    NMHDR fromElsewhere{GetDesktopWindow(), 0, NM_CLICK};
    SendMessageA(dialog.m_hWnd, WM_NOTIFY, 0, LPARAM(&fromElsewhere));
    EXPECT_EQ(1, dialog.parentNotifies);
    EXPECT_EQ(9, GetWindowLongPtrA(dialog.m_hWnd, DWLP_MSGRESULT));
    control.UnsubclassWindow();
    dialog.EndDialog(IDOK);
}

// Pages that count their notifications.
class CCountingPage : public CPropertyPage {
public:
    explicit CCountingPage(UINT id) : CPropertyPage(id) {}
    int inits = 0, actives = 0, applies = 0, resets = 0;

protected:
    BOOL OnInitDialog() override {
        ++inits;
        SetModified(TRUE);
        return TRUE;
    }
    BOOL OnSetActive() override {
        ++actives;
        return TRUE;
    }
    BOOL OnApply() override {
        ++applies;
        return TRUE;
    }
    void OnReset() override { ++resets; }
};

// Posts its script of messages to itself once it stands.
class CScriptedSheet : public CPropertySheet {
public:
    CScriptedSheet() : CPropertySheet("Scripted"), one(IDD_PAGE_ONE), two(IDD_PAGE_TWO) {
        AddPage(&one);
        AddPage(&two);
    }
    CCountingPage one, two;
    std::vector<std::pair<UINT, WPARAM>> script;
    int tabCount = 0;

protected:
    BOOL OnInitDialog() override {
        tabCount = int(::SendMessageA(GetTabControl(), TCM_GETITEMCOUNT, 0, 0));
        for (auto& step : script) PostMessage(step.first, step.second, 0);
        return TRUE;
    }
};

TEST_F(UiTest, SheetApplyCallsEveryCreatedPageAndCancelDoesNot) {
    struct Case {
        const char* name;
        std::vector<std::pair<UINT, WPARAM>> script;
        INT_PTR result;
        int appliesOne, appliesTwo, resetsOne;
    } cases[] = {
        {"apply then cancel",
         {{PSM_SETCURSEL, 1}, {PSM_PRESSBUTTON, PSBTN_APPLYNOW}, {PSM_PRESSBUTTON, PSBTN_CANCEL}},
         IDCANCEL, 1, 1, 1},
        {"cancel only", {{PSM_SETCURSEL, 1}, {PSM_PRESSBUTTON, PSBTN_CANCEL}}, IDCANCEL, 0, 0, 1},
        {"ok", {{PSM_SETCURSEL, 1}, {PSM_PRESSBUTTON, PSBTN_OK}}, IDOK, 1, 1, 0},
        {"ok on an untouched second page", {{PSM_PRESSBUTTON, PSBTN_OK}}, IDOK, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedSheet sheet;
        sheet.script = c.script;
        EXPECT_EQ(c.result, sheet.DoModal());
        EXPECT_EQ(2, sheet.tabCount);
        EXPECT_EQ(1, sheet.one.inits);
        EXPECT_EQ(c.appliesOne, sheet.one.applies);
        EXPECT_EQ(c.appliesTwo, sheet.two.applies);
        EXPECT_EQ(c.resetsOne, sheet.one.resets);
        EXPECT_EQ(nullptr, sheet.m_hWnd);
    }
}

TEST_F(UiTest, SheetTabTextsAreSetThroughTheTabControl) {
    CScriptedSheet sheet;
    ASSERT_TRUE(sheet.Create());
    EXPECT_TRUE(sheet.SetTabText(1, "Renamed"));
    CTabCtrl tab;
    tab.Attach(sheet.GetTabControl());
    EXPECT_EQ(CString("First"), tab.GetItemText(0));
    EXPECT_EQ(CString("Renamed"), tab.GetItemText(1));
    tab.Detach();
    EXPECT_FALSE(sheet.HasClosed());
    sheet.PressButton(PSBTN_CANCEL);
    PumpWaitingMessages();
    EXPECT_TRUE(sheet.HasClosed());
    EXPECT_EQ(1, sheet.one.resets);
    sheet.DestroyWindow();
}

// Sees a message posted to another window of its thread and ends on it.
class CWatchingSheet : public CScriptedSheet {
public:
    HWND hidden = nullptr;
    int seen = 0;

protected:
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->hwnd == hidden && msg->message == WM_TEST_STEP) {
            ++seen;
            EndDialog(42);
            return TRUE;
        }
        return CScriptedSheet::PreTranslateMessage(msg);
    }
};


TEST_F(UiTest, MessagePostedFromAnotherThreadToHiddenWindowEndsTheSheet) {
    CHiddenWindow hidden;
    ASSERT_TRUE(hidden.CreateEx(WS_EX_TOOLWINDOW, nullptr, "Hidden", 0, RECT{0, 0, 0, 0}, nullptr, 0));
    CWatchingSheet sheet;
    sheet.hidden = hidden.m_hWnd;
    HWND target = hidden.m_hWnd;
    std::thread poster([target] {
        Sleep(200);
        PostMessageA(target, WM_TEST_STEP, 0, 0);
    });
    INT_PTR result = sheet.DoModal();
    poster.join();
    EXPECT_EQ(42, result);
    EXPECT_EQ(1, sheet.seen);
    EXPECT_EQ(0, hidden.received);
    hidden.DestroyWindow();
}

// Three wizard pages: Next on the first skips the second, Back on the third
// returns to the first. Each activation presses the next scripted button.
struct WizardScript {
    std::vector<int> buttons;
    size_t next = 0;
    std::vector<int> visited;
    int finished = 0;
};

class CWizardPage : public CPropertyPage {
public:
    CWizardPage(UINT id, int number, WizardScript& script) : CPropertyPage(id), m_number(number), m_script(script) {}

protected:
    BOOL OnSetActive() override {
        m_script.visited.push_back(m_number);
        DWORD buttons = m_number == 1 ? PSWIZB_NEXT : m_number == 3 ? PSWIZB_BACK | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_NEXT;
        GetSheet()->SetWizardButtons(buttons);
        if (m_script.next < m_script.buttons.size()) GetSheet()->PressButton(m_script.buttons[m_script.next++]);
        return TRUE;
    }
    LRESULT OnWizardNext() override { return m_number == 1 ? IDD_PAGE_THREE : 0; }
    LRESULT OnWizardBack() override { return m_number == 3 ? IDD_PAGE_ONE : 0; }
    BOOL OnWizardFinish() override {
        ++m_script.finished;
        return TRUE;
    }

private:
    int m_number;
    WizardScript& m_script;
};

TEST_F(UiTest, WizardSkipsAPageOnNextAndComesBackOnBack) {
    WizardScript script;
    script.buttons = {PSBTN_NEXT, PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH};
    CWizardPage one(IDD_PAGE_ONE, 1, script), two(IDD_PAGE_TWO, 2, script), three(IDD_PAGE_THREE, 3, script);
    CPropertySheet sheet("Wizard");
    sheet.AddPage(&one);
    sheet.AddPage(&two);
    sheet.AddPage(&three);
    sheet.SetWizardMode();
    EXPECT_EQ(INT_PTR(ID_WIZFINISH), sheet.DoModal());
    EXPECT_EQ((std::vector<int>{1, 3, 1, 3}), script.visited);
    EXPECT_EQ(1, script.finished);
    EXPECT_EQ(nullptr, two.m_hWnd);
}

TEST_F(UiTest, WizardCancelFinishesNothing) {
    WizardScript script;
    script.buttons = {PSBTN_NEXT, PSBTN_CANCEL};
    CWizardPage one(IDD_PAGE_ONE, 1, script), two(IDD_PAGE_TWO, 2, script), three(IDD_PAGE_THREE, 3, script);
    CPropertySheet sheet("Wizard");
    sheet.AddPage(&one);
    sheet.AddPage(&two);
    sheet.AddPage(&three);
    sheet.SetWizardMode();
    EXPECT_EQ(INT_PTR(IDCANCEL), sheet.DoModal());
    EXPECT_EQ((std::vector<int>{1, 3}), script.visited);
    EXPECT_EQ(0, script.finished);
}

// A list with check boxes, clicked on its state icons by posted mouse messages.
class CListDialog : public CDialog {
public:
    CListDialog() : CDialog(IDD_LIST) {}
    std::vector<int> clicks;
    int checked = -1;
    UINT hitFlags = 0;
    std::vector<CString> sorted;
    CListCtrl list;

protected:
    BOOL OnInitDialog() override {
        list.Attach(GetDlgItem(IDC_LIST));
        list.SetExtendedStyle(LVS_EX_CHECKBOXES);
        list.InsertColumn(0, "Name", LVCFMT_LEFT, 150);
        const char* names[] = {"alpha", "beta", "gamma"};
        for (int i = 0; i < 3; ++i) list.InsertItem(i, names[i], LPARAM(i));
        for (int item : clicks) {
            RECT bounds{};
            list.GetItemRect(item, &bounds, LVIR_BOUNDS);
            POINT point{bounds.left + 8, (bounds.top + bounds.bottom) / 2};
            if (item == clicks.front()) list.HitTest(point, &hitFlags);
            ::PostMessageA(list.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
            ::PostMessageA(list.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
        }
        PostMessage(WM_TEST_STEP);
        return TRUE;
    }
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg != WM_TEST_STEP) return false;
        checked = 0;
        for (int i = 0; i < list.GetItemCount(); ++i) checked += list.GetCheck(i) ? 1 : 0;
        list.SortItems(ByDataDescending, 0);
        for (int i = 0; i < list.GetItemCount(); ++i) sorted.push_back(list.GetItemText(i, 0));
        list.Detach();
        EndDialog(IDOK);
        result = 0;
        return true;
    }
};

TEST_F(UiTest, ListWithCheckBoxesReportsCheckedCountAfterClicks) {
    struct Case {
        std::vector<int> clicks;
        int checked;
    } cases[] = {{{0, 2}, 2}, {{1}, 1}, {{0, 0, 2}, 1}, {{}, 0}};
    for (const Case& c : cases) {
        CListDialog dialog;
        dialog.clicks = c.clicks;
        EXPECT_EQ(IDOK, dialog.DoModal());
        EXPECT_EQ(c.checked, dialog.checked);
        if (!c.clicks.empty()) {
            EXPECT_TRUE(dialog.hitFlags & LVHT_ONITEMSTATEICON);
        }
        EXPECT_EQ((std::vector<CString>{"gamma", "beta", "alpha"}), dialog.sorted);
    }
}

TEST_F(UiTest, TrayIconIsAddedAgainAfterTaskbarCreatedBroadcast) {
    CHiddenWindow window;
    ASSERT_TRUE(window.CreateEx(WS_EX_TOOLWINDOW, nullptr, "Tray owner", 0, RECT{0, 0, 0, 0}, nullptr, 0));
    HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
    ASSERT_TRUE(window.tray.Add(window.m_hWnd, 1, icon, "Tip"));
    EXPECT_TRUE(window.tray.IsAdded());
    // The shell forgets the icon, as a restarted explorer would.
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window.m_hWnd;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    lstrcpyA(data.szTip, "Probe");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data));
    PostMessageA(HWND_BROADCAST, TaskbarCreatedMessage(), 0, 0);
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < 2000) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (window.taskbarCreated) break;
        Sleep(20);
    }
    EXPECT_EQ(1, window.taskbarCreated);
    EXPECT_TRUE(window.tray.IsAdded());
    EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &data)) << "the shell has the icon again";
    EXPECT_TRUE(window.tray.ModifyTip("Other tip"));
    EXPECT_TRUE(window.tray.Delete());
    EXPECT_FALSE(window.tray.Delete());
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data));
    window.DestroyWindow();
}

TEST(UiPlain, SecondInstanceOfTheSameNameIsRefused) {
    CString name;
    name.Format("QuorvaneUiTest-%lu", GetCurrentProcessId());
    CSingleInstance first(name);
    CSingleInstance second(name);
    EXPECT_FALSE(first.IsAlreadyRunning());
    EXPECT_TRUE(second.IsAlreadyRunning());
    second.Close();
    first.Close();
    CSingleInstance again(name);
    EXPECT_FALSE(again.IsAlreadyRunning());
}

struct TrackRecord {
    static HMENU menu;
    static HWND owner;
    static int calls;
};
HMENU TrackRecord::menu = nullptr;
HWND TrackRecord::owner = nullptr;
int TrackRecord::calls = 0;

TEST(UiPlain, TrayMenuIsLoadedModifiedAndTrackedWithWmNullAfter) {
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDM_TRAY));
    CMenu popup;
    popup.Borrow(menu.GetSubMenu(0));
    ASSERT_NE(nullptr, popup.GetSafeHmenu());
    EXPECT_EQ(3, popup.GetMenuItemCount());
    EXPECT_TRUE(popup.SetDefaultItem(0, TRUE));
    EXPECT_EQ(UINT(ID_TRAY_OPEN), GetMenuDefaultItem(popup, FALSE, 0));
    EXPECT_TRUE(popup.ModifyMenu(ID_TRAY_EXIT, MF_BYCOMMAND | MF_STRING, ID_TRAY_EXIT, "Leave"));
    char text[64] = "";
    popup.GetMenuString(ID_TRAY_EXIT, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ("Leave", text);
    popup.CheckMenuItem(ID_TRAY_OPEN, MF_BYCOMMAND | MF_CHECKED);
    EXPECT_TRUE(popup.GetMenuState(ID_TRAY_OPEN, MF_BYCOMMAND) & MF_CHECKED);

    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(WS_EX_TOOLWINDOW, nullptr, "Menu owner", 0, RECT{0, 0, 0, 0}, nullptr, 0));
    SetTrackPopupHook([](HMENU m, UINT, int, int, HWND o) -> BOOL {
        TrackRecord::menu = m;
        TrackRecord::owner = o;
        ++TrackRecord::calls;
        return TRUE;
    });
    EXPECT_TRUE(TrackTrayMenu(popup, owner.m_hWnd));
    SetTrackPopupHook(nullptr);
    EXPECT_EQ(1, TrackRecord::calls);
    EXPECT_EQ(popup.GetSafeHmenu(), TrackRecord::menu);
    EXPECT_EQ(owner.m_hWnd, TrackRecord::owner);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, owner.m_hWnd, WM_NULL, WM_NULL, PM_REMOVE));
    owner.DestroyWindow();
}

TEST(UiPlain, FileDialogFilterAndChosenPath) {
    CString filter = FileDialogFilter("Wav Files (*.wav)|*.wav||");
    EXPECT_EQ(std::string("Wav Files (*.wav)\0*.wav\0\0\0\0", 27), filter.str());
    SetFileDialogHook([](bool open, OPENFILENAMEA* ofn) -> BOOL {
        EXPECT_TRUE(open);
        EXPECT_EQ(0, memcmp(ofn->lpstrFilter, "Wav Files (*.wav)\0*.wav\0", 24));
        lstrcpynA(ofn->lpstrFile, "C:\\Sounds\\ding.wav", int(ofn->nMaxFile));
        return TRUE;
    });
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY, "Wav Files (*.wav)|*.wav||");
    EXPECT_EQ(IDOK, dialog.DoModal());
    SetFileDialogHook(nullptr);
    EXPECT_EQ(CString("C:\\Sounds\\ding.wav"), dialog.GetPathName());
    EXPECT_EQ(CString("ding.wav"), dialog.GetFileName());
}

TEST(UiPlain, UnderlinedCopyOfAFont) {
    for (bool underline : {true, false}) {
        CFont font(CopyFontWithUnderline(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), underline));
        ASSERT_NE(nullptr, font.Get());
        LOGFONTA log{};
        ASSERT_TRUE(GetObjectA(font, sizeof log, &log));
        EXPECT_EQ(underline ? 1 : 0, log.lfUnderline);
    }
    CClientDC screen(nullptr);
    CMemoryDC memory(screen, 8, 8);
    ASSERT_NE(nullptr, memory.Bitmap());
    EXPECT_EQ(HGDIOBJ(memory.Bitmap()), GetCurrentObject(memory, OBJ_BITMAP));
}

class CCountingApp : public CWinApp {
public:
    BOOL initResult = FALSE;
    int inits = 0, exits = 0;
    BOOL InitInstance() override {
        ++inits;
        if (initResult) PostQuitMessage(5);
        return initResult;
    }
    int ExitInstance() override {
        ++exits;
        return CWinApp::ExitInstance() + 100;
    }
};

TEST(UiPlain, ApplicationEndsAfterInitInstanceOrAfterItsLoop) {
    for (BOOL init : {FALSE, TRUE}) {
        CCountingApp app;
        app.initResult = init;
        int code = QvRunApplication(GetModuleHandleA(nullptr), const_cast<char*>(""), SW_SHOW);
        EXPECT_EQ(1, app.inits);
        EXPECT_EQ(1, app.exits);
        EXPECT_EQ(init ? 105 : 100, code);
    }
}

}  // namespace
