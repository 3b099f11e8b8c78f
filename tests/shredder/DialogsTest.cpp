#include <gtest/gtest.h>

#include "ShredderResources.h"
#include "ShredderTestBed.h"

namespace {
typedef CShredderApp CAlertApp;

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
        EXPECT_TRUE(app.ShowAlert(11000, "Old shell#here", &dontShow));
        KillTimer(nullptr, timer);
        g_script = nullptr;
        EXPECT_EQ(script.pressed, 1);
        EXPECT_EQ(dontShow, tick);
        EXPECT_EQ(script.text, "Old shell\nhere");
        EXPECT_EQ(script.checkText, "Never#again");
        app.ExitInstance();
    }
}

namespace {
typedef CShredderApp CDriveOptionsApp;

struct DriveScript {
    std::vector<int> clicks;  // then OK, or Cancel when it is the last click
    bool leaveEnabled = true, formatChecked = false, afterEnabledAtStart = true;
};
DriveScript* g_drive = nullptr;

void CALLBACK PressDriveOptions(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA(nullptr, "Shred Drive Options");
    if (!dialog) return;
    KillTimer(nullptr, timer);
    g_drive->afterEnabledAtStart = IsWindowEnabled(GetDlgItem(dialog, IDC_DRIVE_FORMAT)) != FALSE;
    for (int id : g_drive->clicks) {
        if (id == IDCANCEL) break;
        SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
    }
    g_drive->leaveEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_DRIVE_LEAVE)) != FALSE;
    g_drive->formatChecked = IsDlgButtonChecked(dialog, IDC_DRIVE_FORMAT) == BST_CHECKED;
    SendDlgItemMessageA(dialog, g_drive->clicks.empty() || g_drive->clicks.back() != IDCANCEL ? IDOK : IDCANCEL,
                        BM_CLICK, 0, 0);
}
}  // namespace

TEST(DriveOptionsDialog, WholeDriveChoicesFollowTheFileSystem) {
    struct Row {
        const char* fileSystem;
        std::vector<int> clicks;
        bool ok, freeSpaceOnly, formatAfter, leaveEnabled;
    } rows[] = {
        {"NTFS", {IDC_DRIVE_WHOLE}, true, false, true, false},
        {"FAT32", {IDC_DRIVE_WHOLE, IDC_DRIVE_LEAVE}, true, false, false, true},
        {"FAT32", {IDC_DRIVE_WHOLE, IDCANCEL}, false, true, false, true},
    };
    CShredderTestBed bed;
    CDriveOptionsApp app(bed.Environment());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fileSystem + std::to_string(row.clicks.size()));
        DriveScript script;
        script.clicks = row.clicks;
        g_drive = &script;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, PressDriveOptions);
        bool freeSpaceOnly = true, formatAfter = false;
        EXPECT_EQ(app.AskDriveOptions("X:\\", row.fileSystem, &freeSpaceOnly, &formatAfter), row.ok);
        KillTimer(nullptr, timer);
        g_drive = nullptr;
        EXPECT_FALSE(script.afterEnabledAtStart);
        EXPECT_EQ(freeSpaceOnly, row.freeSpaceOnly);
        if (row.ok && !row.freeSpaceOnly) { EXPECT_EQ(formatAfter, row.formatAfter); }
        EXPECT_EQ(script.leaveEnabled, row.leaveEnabled);
    }
}
