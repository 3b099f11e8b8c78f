#include <gtest/gtest.h>

#include "ShredderResources.h"
#include "ShredderTestBed.h"

namespace {
class CAlertApp : public CShredderApp {
public:
    using CShredderApp::CShredderApp;
    using CShredderApp::RunAlertDialog;
};

struct AlertScript {
    CString caption;
    bool tick = false;
    int pressed = 0;
    CString text, checkText;
};
AlertScript* g_script = nullptr;

// Runs inside the dialog's modal loop: reads the dialog, ticks the box, presses OK.
void CALLBACK PressAlert(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA(nullptr, g_script->caption);
    if (!dialog) return;
    KillTimer(nullptr, timer);
    char text[1000] = "";
    GetDlgItemTextA(dialog, IDC_ALERT_TEXT, text, sizeof(text));
    g_script->text = text;
    GetDlgItemTextA(dialog, IDC_ALERT_CHECK, text, sizeof(text));
    g_script->checkText = text;
    if (g_script->tick) SendDlgItemMessageA(dialog, IDC_ALERT_CHECK, BM_CLICK, 0, 0);
    SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
    ++g_script->pressed;
}
}  // namespace

TEST(AlertDialog, ShowsItsTextAndReportsTheCheckBox) {
    for (bool tick : {true, false}) {
        SCOPED_TRACE(tick);
        CShredderTestBed bed;
        bed.WritePack("9606=" + bed.Title().str() + "\r\n11001=Never#again\r\n");
        CScriptedMessageBoxes boxes;
        CAlertApp app(bed.Environment());
        ASSERT_TRUE(app.InitInstance("\"/s\" \"a\" \"C:\\none.txt\""));
        AlertScript script;
        script.caption = bed.Title();
        script.tick = tick;
        g_script = &script;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, PressAlert);
        bool dontShow = !tick;
        EXPECT_TRUE(app.RunAlertDialog(11000, "Old shell#here", &dontShow));
        KillTimer(nullptr, timer);
        g_script = nullptr;
        EXPECT_EQ(script.pressed, 1);
        EXPECT_EQ(dontShow, tick);
        EXPECT_EQ(script.text, "Old shell\nhere");
        EXPECT_EQ(script.checkText, "Never#again");
        app.ExitInstance();
    }
}
