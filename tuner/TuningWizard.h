// TuningWizard.h - the tuning wizard: CMyPropertySheet and its nine pages.
// The pages only move values between their controls and the sheet's
// TuningSettings; what to recommend and where to go next is in Tuning.h.
#pragma once

#include <windows.h>

#include "PropertySheet.h"
#include "Tuning.h"
#include "TuningStore.h"

class CMyPropertySheet;

// Set once a modem that can be raised was found; never cleared while the program runs.
extern int g_nModemFound;

class CTuningPage : public CPropertyPage {
public:
    CTuningPage(UINT templateId, TuningPage index, const char* ntTitleKey, const char* ntTitle, const char* x9TitleKey,
                const char* x9Title);
    TuningPage Index() const { return m_index; }

protected:
    CMyPropertySheet& Sheet() const;
    TuningSettings& Settings() const;

    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    BOOL OnWizardFinish() override;

    // Texts of the page from the pack; values into the controls; values back
    // (false keeps the page because a value must be corrected).
    virtual void SetTexts() {}
    virtual void ShowValues() {}
    virtual bool StoreValues() { return true; }

    void LangText(UINT id, const char* key, const char* defaultText);
    // "Recommended ...  :  %d ..." lines: the value takes the place of "%d".
    void RecommendedLine(UINT id, const char* key, const char* defaultText, DWORD value);
    // "<label> was set to <value> <unit>." (no unit: "<label> was set to <value>.")
    // or "<label> isn't set."; the SYN page says "was set to option" instead.
    void CurrentLine(UINT id, const char* key, const char* label, const TuningValue& value, const char* unitKey,
                     const char* unit, const char* setKey = "2", const char* setText = "was set to");
    // "<label> is currently enabled/disabled." or "<label> isn't set."
    void SwitchLine(UINT id, const char* key, const char* label, const TuningValue& value);
    long EditValue(UINT id) const;
    void ResetEditIfNotPositive(UINT id, long recommendation);

private:
    TuningPage m_index;
    CString m_title;
};

class CChooseConnectionType : public CTuningPage {
public:
    CChooseConnectionType();

protected:
    BOOL OnInitDialog() override;
    void SetTexts() override;
    bool StoreValues() override;
};

class CMTUSettings : public CTuningPage {
public:
    CMTUSettings();

protected:
    void SetTexts() override;
    void ShowValues() override;
    bool StoreValues() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

class COtherMTUSettings : public CTuningPage {
public:
    COtherMTUSettings();

protected:
    void SetTexts() override;
    bool StoreValues() override;
};

class CRWINSetting : public CTuningPage {
public:
    CRWINSetting();

protected:
    void SetTexts() override;
    void ShowValues() override;
    bool StoreValues() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    uint64_t TypedRWIN() const;
    void RestoreRecommendation();
};

class CTTLSetting : public CTuningPage {
public:
    CTTLSetting();

protected:
    void SetTexts() override;
    void ShowValues() override;
    bool StoreValues() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

class CKeepAliveSettings : public CTuningPage {
public:
    CKeepAliveSettings();

protected:
    void SetTexts() override;
    void ShowValues() override;
    bool StoreValues() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

class CSYNFloodAttackSetting : public CTuningPage {
public:
    CSYNFloodAttackSetting();

protected:
    void SetTexts() override;
    void ShowValues() override;
    bool StoreValues() override;
};

class CICMPRedirectAttackSetting : public CTuningPage {
public:
    CICMPRedirectAttackSetting();

protected:
    void SetTexts() override;
    bool StoreValues() override;
};

class CModemBoost : public CTuningPage {
public:
    CModemBoost();

protected:
    void SetTexts() override;
};

class CMyPropertySheet : public CPropertySheet {
public:
    explicit CMyPropertySheet(CWnd* parent = nullptr);
    ~CMyPropertySheet() override;

    TuningSettings m_settings;
    // What the wizard read when it opened, saved as the backup on Finish.
    TuningOriginals m_originals;
    // The modem page is on the route now.
    bool ModemPage() const;
    CTuningPage* PageAt(TuningPage index) const;
    // Finish: the values go to the store, then the closing message; false
    // keeps the wizard open (the user would not have a backup replaced).
    bool ApplySettings();
    void RefreshSkin() const;
    void SkinWindow(HWND hwnd) const;

    CChooseConnectionType m_connectionType;
    CMTUSettings m_mtu;
    COtherMTUSettings m_otherMtu;
    CRWINSetting m_rwin;
    CTTLSetting m_ttl;
    CKeepAliveSettings m_keepAlive;
    CSYNFloodAttackSetting m_synFlood;
    CICMPRedirectAttackSetting m_icmpRedirect;
    CModemBoost m_modemBoost;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
