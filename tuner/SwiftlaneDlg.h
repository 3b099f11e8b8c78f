// SwiftlaneDlg.h - Swiftlane's main dialog (language packs, Set and Reset,
// the link and the skin of all windows) and its About box.
#pragma once

#include <windows.h>

#include "Controls.h"
#include "Dialog.h"
#include "HyperLink.h"
#include "Skin.h"

class CSwiftlaneDlg : public CDialog {
public:
    explicit CSwiftlaneDlg(CWnd* parent = nullptr);
    ~CSwiftlaneDlg() override;

    // The skin control of every Swiftlane window.
    const CSkin& Skin() const { return m_skin; }
    void SetTexts();
    void FillLanguageCombo();

    HICON m_icon;
    CHyperLink m_link;
    CComboBoxEx m_languages;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void PostNcDestroy() override;

private:
    void OnSetSettings();
    void OnResetSettings();
    void OnLanguageChanged();
    void PaintIcon();

    CSkin m_skin;
    CImageList m_flags;
};

class CSwiftlaneAboutDlg : public CDialog {
public:
    explicit CSwiftlaneAboutDlg(CWnd* parent = nullptr);
    // Replaces the texts of controls 1000 and 1001 (version-resource names)
    // by their values from the program's own version resource.
    void FillVersionInfo();

protected:
    BOOL OnInitDialog() override;
};
