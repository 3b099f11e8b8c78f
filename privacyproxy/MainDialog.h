// MainDialog.h - CMainDialog, Veilrun's one window for the life of the
// process: start-up in its fixed order (autostart value, program folder,
// hub, block resources, Options.opt, browsers, skin, single instance,
// engine, tray, tabs and pages, texts), hidden behind its tray icon while it
// runs, and the shut-down that stops the engine, saves Options.opt and gives
// the browsers back. Also the page container and the language list.
// Deliberately not: a window of its own for the engine (it has none).
#pragma once

#include "Controls.h"
#include "Pages.h"
#include "ProxyListener.h"
#include "SingleInstance.h"
#include "Skin.h"
#include "TrayIconManager.h"

class CPageContainer {
public:
    ~CPageContainer();
    bool AddPage(UINT templateId, HWND parent, CDialog* page);
    bool ShowPage(int index);
    int GetCount() const { return int(m_pages.size()); }
    CDialog* GetPage(int index) const { return index >= 0 && index < GetCount() ? m_pages[size_t(index)] : nullptr; }
    int GetCurrent() const { return m_nCurrent; }
    void DestroyPages();

    RECT m_rcArea{};
    int m_bCentre = 0;

private:
    std::vector<CDialog*> m_pages;
    int m_nCurrent = -1;
};

class CLanguageCombo : public CComboBoxEx {
public:
    // Lists the packs of <program>\Language with their flags, selecting g_strLanguage.
    void Fill();

protected:
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CImageList m_images;
};

class CMainDialog : public CDialogSkin1 {
public:
    CMainDialog();
    ~CMainDialog() override;

    BOOL PreTranslateMessage(MSG* msg) override;
    CTabStrip& TabStrip() { return m_tabStrip; }
    CPageContainer& Pages() { return m_pages; }
    CTrayIconManager* Tray() const { return m_pTray; }
    int CurrentPage() const { return m_nCurrentPage; }
    const CProxyListener& Listener() const { return m_listener; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;

private:
    // Ends a start that failed before it changed anything: no shut-down runs.
    void EndAfterFailedStart();
    // Runs once however the program ends (Exit, log-off, destruction).
    void ShutDown();
    void OpenHelp();
    void CreateTabStrip();
    void CreatePages();

    CTabStrip m_tabStrip;
    CPageContainer m_pages;
    int m_nCurrentPage = 0;
    CTrayIconManager* m_pTray = nullptr;
    HACCEL m_hAccel = nullptr;
    RECT m_rcPages{};
    CLanguageCombo m_language;
    CSkinButton m_btnHelp;
    CProxyListener m_listener;
    CSingleInstance m_instance;
    bool m_bStarted = false;
    bool m_bShutDown = false;
    bool m_bStartedWinsock = false;
};

extern const char* const kHelpTopics[5];
