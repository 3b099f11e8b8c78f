#include "Pages.h"

#include "TextTable.h"
#include "VeilrunIds.h"

CString FormatRecordTime(time_t when, time_t now) {
    char date[64] = "", today[64] = "", clock[64] = "";
    struct tm local = {}, current = {};
    const struct tm* p = localtime(&when);
    if (p) local = *p;
    p = localtime(&now);
    if (p) current = *p;
    strftime(date, sizeof date, "%b %d,%Y", &local);
    strftime(today, sizeof today, "%b %d,%Y", &current);
    if (CString(date).CompareNoCase(today) != 0) return date;
    strftime(clock, sizeof clock, "%I:%M:%S %p", &local);
    return clock;
}

CString BlockedItemsText(const CSiteRecord& site) {
    if (site.m_bDefaultOptions) return g_Texts[17] + ".";
    if (site.m_bBlockSite) return g_Texts[18] + ".";
    CString words;
    if (site.m_bBlockImages) words += "-" + g_Texts[19];
    if (site.m_bBlockPopups) words += "-" + g_Texts[20];
    if (site.m_bBlockUserInfo) words += "-" + g_Texts[21];
    if (site.m_bUseHub) words += "-" + g_Texts[22];
    return words.IsEmpty() ? CString("Nothing.") : words.Mid(1) + ".";
}

BOOL CVeilrunPage::OnInitDialog() {
    MarkForRelabelling(m_hWnd);
    return TRUE;
}

bool CVeilrunPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_LANGUAGECHANGED) {
        OnLanguageChanged();
        result = 0;
        return true;
    }
    if (msg == WM_LISTCOLUMNCLICK) {
        OnColumnClick(int(wParam));
        result = 0;
        return true;
    }
    // Sent before the page shows; a page shown inside a hidden window (at
    // start-up) is not in view yet.
    if (msg == WM_SHOWWINDOW && wParam && (lParam == SW_PARENTOPENING || ::IsWindowVisible(GetParent())))
        OnShown();
    return false;
}
