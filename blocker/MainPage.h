// MainPage.h - CMainPage, Blokkum's tray sheet: run modally for the whole
// life of the program and mostly hidden, it owns the tray icon and its menu,
// starts the proxy listener, runs the pop-up scan timer, relays changes
// between its pages and the tray and holds the program's one exit path.
// Blokkum's private messages are posted to the sheet: PreTranslateMessage
// takes them, or its window procedure while a box or menu runs a loop of its
// own. WM_LASTBROWSERCLOSED is posted to the hidden window, whose procedure
// passes it on to the sheet (or keeps it for the sheet's start). Its pages,
// in tab order: Popups, Web Zone, General Options.
// Deliberately not: a page of its own making (each page has its own file).
#pragma once

#include <windows.h>

#include "Menu.h"
#include "OptionsPage.h"
#include "PopupCountDlg.h"
#include "PopupDlg.h"
#include "PropertySheet.h"
#include "Tray.h"
#include "WebZonePage.h"

enum : UINT {
    WM_CATCHINGCHANGED = 8008,
    WM_LANGPACKCHANGED = 8009,
    WM_TOPMOSTCHANGED = 8010,
    WM_BANNERBLOCKCHANGED = 8011,
};
enum { kPopupScanTimerId = 8013, kPopupScanMs = 1, kTrayIconId = 1, kAboutCommand = 0x10 };

class CMainPage : public CPropertySheet {
public:
    CMainPage();
    ~CMainPage() override;

    void SaveAll();
    void ShowHideSheet();
    void ToggleCatching();
    void ToggleBannerBlock();
    void ClearCounter();
    void RelabelSheet();
    void RelabelTrayMenu();
    void LoadTrayTips();
    void AddTrayIcon();
    void ModifyTrayIcon();
    void DeleteTrayIcon();
    // Asks first unless the last browser closed, then ends the program.
    void ExitProgram();
    // Saves, takes the tray icon and the counter away, closes the boxes and
    // dialogs still open and ends the sheet; once.
    void EndProgram();

    BOOL PreTranslateMessage(MSG* msg) override;
    HMENU TrayMenu() const { return m_trayMenu; }

    CPopupDlg m_popups;
    CActiveXPage m_webZone;
    COptionsPage m_options;
    // The Web Zone page keeps its own modified flag.
    bool m_bPopupsModified = false;
    bool m_bOptionsModified = false;
    bool m_bEndingOnBrowserClose = false;
    bool m_bShown = false;
    // The program is ending: work that a closed dialog returns to stops.
    bool m_bEnding = false;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;

private:
    bool OnPrivateMessage(UINT msg);
    bool OnSysCommand(UINT command);
    void OnTaskbarCreated(UINT msg);
    void OnTrayNotify(UINT mouseMessage);
    void OnHelp();
    void ShowAbout();
    void OnCancelCommand();
    void HideSheet();
    void CloseModalWindows();
    HICON CatchingIcon() const;
    void SetMenuItemLangText(UINT id, const char* key, const char* defaultText);

    HICON m_hIcon;
    CTrayIcon m_tray;
    CMenu m_menu;
    HMENU m_trayMenu = nullptr;
    CString m_strEnabledTip;
    CString m_strDisabledTip;
    CString m_strSavedLanguage;
    UINT m_nShownIcon = 0;
    bool m_bAskingToExit = false;
    CPopupScan m_scan;
};
