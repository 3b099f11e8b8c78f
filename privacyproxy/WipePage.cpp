#include "Pages.h"
#include "Seams.h"
#include "TextTable.h"
#include "UrlCacheWalker.h"
#include "VeilrunGlobals.h"

namespace {

struct CWipeBox {
    UINT id;
    int* setting;
    int slot;
};

const CWipeBox kWipeBoxes[] = {
    {IDC_WIPE_HISTORY, &g_bWipeHistory, 39},       {IDC_WIPE_COOKIES, &g_bWipeCookies, 40},
    {IDC_WIPE_TEMP_FILES, &g_bWipeTempFiles, 41},  {IDC_WIPE_RECENT_DOCS, &g_bWipeRecentDocs, 42},
    {IDC_WIPE_OFFICE_DOCS, &g_bWipeOfficeDocs, 43}, {IDC_WIPE_RECYCLE_BIN, &g_bWipeRecycleBin, 44},
};

}  // namespace

CString NotWipedText(const CStringArray& notWiped) {
    const int shown = 10;
    CString text = "These items could not be wiped (in use, links, or not inside your profile folder):\n";
    for (int i = 0; i < notWiped.GetSize() && i < shown; ++i) text += "\n" + notWiped[i];
    if (notWiped.GetSize() > shown) text += "\n... and " + IntToString(notWiped.GetSize() - shown) + " more.";
    return text;
}

void ReportNotWiped(HWND owner, const CStringArray& notWiped) {
    if (!notWiped.IsEmpty()) QvMessageBox(owner, NotWipedText(notWiped), g_Texts[1], MB_OK | MB_ICONWARNING);
}

BOOL CWipePage::OnInitDialog() {
    CVeilrunPage::OnInitDialog();
    for (const CWipeBox& box : kWipeBoxes) CheckDlgButton(box.id, *box.setting ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CWipePage::OnLanguageChanged() {
    SetDlgItemText(IDC_WIPE_NOW, g_Texts[37]);
    SetDlgItemText(IDC_WIPE_LABEL, g_Texts[38]);
    for (const CWipeBox& box : kWipeBoxes) SetDlgItemText(box.id, g_Texts[box.slot]);
}

BOOL CWipePage::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id == IDC_WIPE_NOW) {
        CStringArray notWiped;
        WipeSelected(notWiped);
        ReportNotWiped(m_hWnd, notWiped);
        return TRUE;
    }
    for (const CWipeBox& box : kWipeBoxes)
        if (box.id == id) {
            *box.setting = IsDlgButtonChecked(id) == BST_CHECKED;
            return TRUE;
        }
    return CVeilrunPage::OnCommand(wParam, lParam);
}
