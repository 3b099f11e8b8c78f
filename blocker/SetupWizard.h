// SetupWizard.h - CProxySettingSheet, the four-page wizard that points the
// chosen browsers at Blokkum's proxy (set mode) or takes them off it again
// (reset mode): browsers on page 1, Opera versions and Internet Explorer
// connections on page 2, Netscape/Mozilla profiles on page 3, Finish on
// page 4. The browser changes themselves are those of IEProxySettings.h,
// NetscapeProxySettings.h and OperaProxySettings.h; their flags land in the
// settings' Proxy Setting key.
//
// How the Popups page runs it (Set Proxy, Reset Proxy, or once at start-up):
//     CProxySettingSheet wizard(settings, dialogSkin, this);
//     wizard.m_nSetMode = 1;          // 0 (the default): reset mode
//     wizard.DoModal();               // nothing to read back
// Cancel sets the settings' Wizard Message to "A"; the caller's next save
// stores it. One wizard at a time: it lives on the caller's stack.
// Deliberately not: the second outside control of the last page (it is
// never called, so the page keeps a plain place for it).
#pragma once

#include <windows.h>

#include <memory>

#include "BlokkumDialogIds.h"
#include "BlokkumSettings.h"
#include "BrowserProxyContext.h"
#include "IEProxySettings.h"
#include "ListView.h"
#include "NetscapeProxySettings.h"
#include "PropertySheet.h"
#include "Skin.h"

class CProxySettingSheet;
class CCheckListPage;

class CWizardPage : public CPropertyPage {
public:
    explicit CWizardPage(UINT templateId);

protected:
    CProxySettingSheet& Wizard() const;
    void LangText(const char* key, UINT id, const char* defaultText);
    // The wizard buttons, posted to the sheet.
    void Buttons(DWORD flags) { SetWizardButtons(flags); }

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnQueryCancel() override;
    void OnHelp() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// The check-list of pages 2 and 3: a greyed row never takes a check, is
// drawn light grey, and every change of a check recounts the page's rows.
class CCheckListCtrl : public CListCtrl {
public:
    CCheckListPage* m_page = nullptr;

protected:
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CCheckListPage : public CWizardPage {
public:
    CCheckListPage(UINT templateId, UINT listId) : CWizardPage(templateId), m_listId(listId) {}
    virtual bool IsRowGreyed(int row) const = 0;
    // Rows checked now; the page's Next rule follows it.
    void RecountChecked();
    int m_nCheckedCount = 0;
    CCheckListCtrl m_list;

protected:
    void PrepareList(const char* columnKey, const char* columnDefault);
    void CheckAll();
    void UncheckAll();
    virtual void UpdateButtons() = 0;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    bool m_bActive = false;

private:
    UINT m_listId;
};

class CMyPropertyPage1 : public CWizardPage {
public:
    CMyPropertyPage1();

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnWizardNext() override;

private:
    void UpdateButtons();
    bool m_bFinishOnly = false;
};

class CMyPropertyPage2 : public CCheckListPage {
public:
    CMyPropertyPage2();
    bool IsRowGreyed(int row) const override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnWizardNext() override;
    void UpdateButtons() override;
};

class CMyPropertyPage3 : public CCheckListPage {
public:
    CMyPropertyPage3();
    bool IsRowGreyed(int row) const override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    BOOL OnWizardFinish() override;
    void UpdateButtons() override;

private:
    bool m_bFinishOnly = false;
};

class CMyPropertyPage4 : public CWizardPage {
public:
    CMyPropertyPage4();

protected:
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    LRESULT OnWizardBack() override;
    BOOL OnWizardFinish() override;
};

class CProxySettingSheet : public CPropertySheet {
public:
    // system: the machine the browser classes look at (tests point it at
    // keys and folders of their own).
    CProxySettingSheet(CBlokkumSettings& settings, CSkinObject& skin, CWnd* parent = nullptr,
                       const CBrowserSystem& system = CBrowserSystem());
    ~CProxySettingSheet() override;

    // Finish: the choices applied to the browsers.
    void ApplyChoices();

    CMyPropertyPage1 m_page1;
    CMyPropertyPage2 m_page2;
    CMyPropertyPage3 m_page3;
    CMyPropertyPage4 m_page4;
    int m_nSetMode = 0;
    int m_nIEChosen = 0, m_nOperaChosen = 0, m_nNetscapeChosen = 0;
    int m_nLanChosen = 0, m_nDialUpChosen = 0, m_nOpera6Chosen = 0, m_nOpera7Chosen = 0;
    // Internet Explorer already uses our proxy text (read when the wizard
    // is made, so a change since start-up counts).
    int m_nIEProxyPresent = 0;

    CBlokkumSettings& m_settings;
    CSkinObject& m_skin;
    CBrowserProxyContext m_context;
    std::unique_ptr<CIEProxySettings> m_pIE;
    std::unique_ptr<CNetscapeProxySettings> m_pNetscape;

protected:
    BOOL OnInitDialog() override;
};
