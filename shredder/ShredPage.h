// ShredPage.h - what Grindel's six pages and its small dialogs share: the
// sheet and application they work for, message boxes captioned with the
// product title, the pages' language texts, the one skin object (held by the
// Shred Options page's control) and the help file.
// Deliberately not: any page's own logic.
#pragma once

#include <windows.h>

#include "Dialog.h"
#include "PropertySheet.h"
#include "Skin.h"
#include "Strings.h"

class CMyPropertySheet;
class CShredderApp;

// The skin control's interface; every Grindel window skins itself through it.
CSkinObject& GrindelSkin();
// "%s\HLP\Grindel.chm" with the program folder, opened maximised by the shell.
void OpenGrindelHelp(HWND owner, const char* appPath);
// A language text with one "%s" replaced.
CString LangText(int key, const char* defaultText, const char* insert = nullptr);
// One control's language text: control id, language key, English default.
struct CControlText {
    UINT id;
    int key;
    const char* text;
};
void SetControlTexts(HWND window, const CControlText* texts, size_t count);
template <size_t N>
void SetControlTexts(HWND window, const CControlText (&texts)[N]) {
    SetControlTexts(window, texts, N);
}

class CShredPage : public CPropertyPage {
public:
    CShredPage(UINT templateId, CMyPropertySheet& sheet);

protected:
    CMyPropertySheet& Sheet() const { return m_owner; }
    CShredderApp& App() const;
    // Captioned with the product title.
    int Box(const CString& text, UINT type) const;
    int Box(int key, const char* defaultText, UINT type) const;
    void SetText(UINT id, int key, const char* defaultText) const;
    void SkinPage() const { GrindelSkin().SkinWindow(m_hWnd); }

private:
    CMyPropertySheet& m_owner;
};

// A modal dialog of the sheet: skinned, captioned boxes, language texts.
class CShredDialog : public CDialog {
public:
    CShredDialog(UINT templateId, CShredderApp& app, HWND parent);

protected:
    CShredderApp& App() const { return m_app; }
    int Box(int key, const char* defaultText, UINT type) const;
    void SetText(UINT id, int key, const char* defaultText) const;

private:
    CShredderApp& m_app;
};
