// The Web Zone page in a sheet of its own, against zone keys under the
// test's key and a language pack of the test's folder.
#include <gtest/gtest.h>

#include "BlokkumDialogIds.h"
#include "IEProxyTestSupport.h"
#include "PropertySheet.h"
#include "TestSupport.h"
#include "WebZonePage.h"
#include "WizardTestSupport.h"

namespace {
// The radios of one zone as the page shows them, one letter per action in
// write order (1001, 1004, 1201, 1405, 1200): E, D, P, A or - for none.
std::string Shown(HWND page) {
    const UINT radios[5][4] = {{1024, 1025, 1026, 0}, {1030, 1031, 1032, 0}, {1033, 1034, 1035, 0},
                               {1036, 1037, 1038, 0}, {1043, 1044, 1045, 1046}};
    std::string shown;
    for (const auto& r : radios) {
        char c = '-';
        for (int i = 0; i < 4; ++i)
            if (r[i] && IsDlgButtonChecked(page, int(r[i])) == BST_CHECKED) c = "EDPA"[i];
        shown += c;
    }
    return shown;
}

void SelectZone(HWND page, int index) {
    HWND list = GetDlgItem(page, IDC_ZONE_LIST);
    SendMessageA(list, CB_SETCURSEL, WPARAM(index), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_ZONE_LIST, CBN_SELCHANGE), LPARAM(list));
}
}  // namespace

TEST(WebZonePage, EachActionShowsItsOwnValueAndApplyWritesOnlyWhatWasClicked) {
    CTestRegistryKey reg;
    CTempFolder folder;
    folder.Write("Language\\English.ini", "[QuorvaneBlokkum]\r\n8001=Zone:\r\n8023=Restart the browser\r\n");
    const CString zones = reg.SubKey() + "\\Zones";
    // Zone 1: 1004 and 1405 missing; zone 2: every action set; zone 3: no key.
    WriteDWORD(zones + "\\1", "1001", 3);
    WriteDWORD(zones + "\\1", "1201", 1);
    WriteDWORD(zones + "\\1", "1200", kZoneAdminApproved);
    for (const char* action : {"1001", "1004", "1201", "1405"}) WriteDWORD(zones + "\\2", action, 1);
    WriteDWORD(zones + "\\2", "1200", 0);

    CBlokkumLocations where;
    where.key = reg.SubKey() + "\\Quorvane Blokkum";
    CBlokkumSettings settings(where);
    settings.m_strPath = folder.Path();
    settings.m_strLanguage = "English";
    CSkinObject skin;
    CActiveXPage page(settings, skin, HKEY_CURRENT_USER, zones);
    CPropertySheet sheet("Web Zone");
    sheet.AddPage(&page);

    std::vector<std::string> shown;
    CString label, note;
    bool noteAfterTicks[2] = {false, false};
    HWND hwnd = nullptr;
    CStepDriver driver(
        {[&] {
             hwnd = page.m_hWnd;
             shown.push_back(Shown(hwnd));
             label = page.GetDlgItemText(IDC_ZONE_LABEL);
             note = page.GetDlgItemText(IDC_ZONE_NOTE);
             for (bool& visible : noteAfterTicks) {
                 SendMessageA(hwnd, WM_TIMER, kWebZoneNoteTimer, 0);
                 visible = IsWindowVisible(GetDlgItem(hwnd, IDC_ZONE_NOTE)) != FALSE;
             }
             ClickItem(hwnd, 1026);
             SelectZone(hwnd, 1);
             shown.push_back(Shown(hwnd));
             SelectZone(hwnd, 2);
             shown.push_back(Shown(hwnd));
             SelectZone(hwnd, 0);
             shown.push_back(Shown(hwnd));
             ClickItem(hwnd, 1024);
         },
         [&] { PostMessageA(sheet.m_hWnd, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0); },
         [&] { PostMessageA(sheet.m_hWnd, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); }},
        [&] { PostMessageA(sheet.m_hWnd, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
    sheet.DoModal();

    // A missing value (or zone key) shows no choice; 0x10000 is Administrator
    // Approved, which no other action has a radio for.
    EXPECT_EQ((std::vector<std::string>{"D-P-A", "PPPPE", "-----", "D-P-A"}), shown);
    EXPECT_EQ(CString("Zone:"), label);
    EXPECT_EQ(CString("Restart the browser"), note);
    EXPECT_TRUE(noteAfterTicks[0]);
    EXPECT_FALSE(noteAfterTicks[1]);
    struct Row {
        const char* action;
        DWORD expected;
    } rows[] = {{"1001", 0}, {"1004", 99}, {"1201", 1}, {"1405", 99}, {"1200", kZoneAdminApproved}};
    for (const Row& r : rows) EXPECT_EQ(r.expected, ReadDWORD(zones + "\\1", r.action)) << r.action;
    // What was written is recorded for the uninstaller, and only that.
    EXPECT_TRUE(IsRecordedZoneAction(HKEY_CURRENT_USER, where.key, 1, "1001", 0));
    EXPECT_FALSE(IsRecordedZoneAction(HKEY_CURRENT_USER, where.key, 1, "1201", 1));
    EXPECT_EQ(1u, ReadDWORD(zones + "\\2", "1001"));
    EXPECT_EQ(99u, ReadDWORD(zones + "\\3", "1001")) << "a zone nobody changed gained a key";
    ExpectNoWindowLeftOpen();
}
