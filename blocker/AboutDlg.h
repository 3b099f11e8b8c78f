// AboutDlg.h - CAboutDlg, Blokkum's About box: the copyright and file
// version from the program's own version resource, texts from the language
// pack, and a button that opens the maker's web site in Internet Explorer.
//
// How the tray sheet shows it (tray item "About" and system-menu item 0x10):
//     CAboutDlg about(settings, dialogSkin, this);
//     about.DoModal();
// Deliberately not: a skin file of its own (it uses the shared skin object).
#pragma once

#include <windows.h>

#include "BlokkumSettings.h"
#include "BrowserProxyContext.h"
#include "Dialog.h"
#include "Skin.h"

// The maker's web address, the About box's link button text and parameter.
#define BLOKKUM_MAKER_ADDRESS "http://www.quorvane.com"

class CAboutDlg : public CDialog {
public:
    // system: where Internet Explorer's App Paths entry is looked up.
    CAboutDlg(CBlokkumSettings& settings, CSkinObject& skin, CWnd* parent = nullptr,
              const CBrowserSystem& system = CBrowserSystem());

    // Controls 1047 and 1046 name version-resource strings; each is replaced
    // by its value when the resource has a non-empty one.
    void FillVersionInfo();

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void SetTexts();
    void OpenMakerSite();

    CBlokkumSettings& m_settings;
    CSkinObject& m_skin;
    CBrowserSystem m_system;
    CString m_templateTexts[3];
};
