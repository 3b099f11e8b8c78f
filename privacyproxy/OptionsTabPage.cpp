#include "AnonymousHub.h"
#include "BrowserProxy.h"
#include "EngineSettings.h"
#include "Pages.h"
#include "Seams.h"
#include "TextTable.h"
#include "UrlCacheWalker.h"
#include "VeilrunGlobals.h"

namespace {

struct CLabel {
    UINT id;
    int slot;
};

const CLabel kOptionTexts[] = {
    {IDC_DEFAULT_LABEL, 45}, {IDC_DEF_BLOCK_IMAGES, 46}, {IDC_DEF_BLOCK_POPUPS, 47}, {IDC_DEF_BLOCK_USERINFO, 48},
    {IDC_DEF_USE_HUB, 49},   {IDC_BROWSERS_LABEL, 50},   {IDC_SET_IE, 51},           {IDC_SET_NETSCAPE, 52},
    {IDC_SET_OPERA, 53},     {IDC_RESELECT_HUB, 54},     {IDC_NOTE1, 55},            {IDC_NOTE2, 56},
};

const char* const kLoopback = "127.0.0.1";

}  // namespace

BOOL COptionsTabPage::OnInitDialog() {
    CVeilrunPage::OnInitDialog();
    CCriticalSectionLock lock(g_csLists);
    CheckDlgButton(IDC_DEF_BLOCK_IMAGES, g_bDefBlockImages ? 1 : 0);
    CheckDlgButton(IDC_DEF_BLOCK_POPUPS, g_bDefBlockPopups ? 1 : 0);
    CheckDlgButton(IDC_DEF_BLOCK_USERINFO, g_bDefBlockCookies ? 1 : 0);
    CheckDlgButton(IDC_DEF_USE_HUB, g_bDefUseHub ? 1 : 0);
    CheckDlgButton(IDC_SET_IE, g_bSetIE ? 1 : 0);
    CheckDlgButton(IDC_SET_NETSCAPE, g_bSetNetscape ? 1 : 0);
    CheckDlgButton(IDC_SET_OPERA, g_bSetOpera ? 1 : 0);
    return TRUE;
}

void COptionsTabPage::OnLanguageChanged() {
    for (const CLabel& label : kOptionTexts) SetDlgItemText(label.id, g_Texts[label.slot]);
}

BOOL COptionsTabPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const int on = IsDlgButtonChecked(id) == BST_CHECKED;
    switch (id) {
    case IDC_DEF_BLOCK_IMAGES:
    case IDC_DEF_BLOCK_POPUPS: {
        {
            CCriticalSectionLock lock(g_csLists);
            (id == IDC_DEF_BLOCK_IMAGES ? g_bDefBlockImages : g_bDefBlockPopups) = on;
        }
        // Pages already cached would be shown without passing the proxy.
        if (on) DeleteTemporaryFiles();
        return TRUE;
    }
    case IDC_DEF_BLOCK_USERINFO: {
        CCriticalSectionLock lock(g_csLists);
        g_bDefBlockCookies = g_bDefBlockReferer = g_bDefBlockUserAgent = on;
        return TRUE;
    }
    case IDC_DEF_USE_HUB: {
        CCriticalSectionLock lock(g_csLists);
        g_bDefUseHub = on;
        return TRUE;
    }
    case IDC_SET_IE:
        g_bSetIE = on;
        on ? EnableIEProxy(kLoopback, g_Engine.ListenPort) : DisableIEProxy();
        return TRUE;
    case IDC_SET_NETSCAPE:
        g_bSetNetscape = on;
        on ? EnableNetscapeProxy(kLoopback, g_Engine.ListenPort) : DisableNetscapeProxy();
        return TRUE;
    case IDC_SET_OPERA:
        g_bSetOpera = on;
        on ? EnableOperaProxy(kLoopback, g_Engine.ListenPort) : DisableOperaProxy();
        return TRUE;
    case IDC_RESELECT_HUB: {
        HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
        EnableDlgItem(IDC_RESELECT_HUB, FALSE);
        ChooseAnonymousHub();
        EnableDlgItem(IDC_RESELECT_HUB, TRUE);
        SetCursor(old);
        return TRUE;
    }
    case IDC_LIVE_UPDATE:
        QvShellExecute(nullptr, "open", g_strModuleDir + "\\Update\\Update.exe", nullptr, nullptr, SW_SHOW);
        return TRUE;
    default:
        return CVeilrunPage::OnCommand(wParam, lParam);
    }
}
