// OptionsPage.h - COptionsPage, the General Options page of the tray sheet:
// start mode, alert sound, the program's language, Always On Top and the
// close-to-tray choice. Changes go into the settings at once; the sheet's
// save writes them. The lists it shows are built by the plain functions
// below, tested without a window.
// Deliberately not: the skin.
#pragma once

#include <windows.h>

#include "PropertySheet.h"
#include "Strings.h"

#define BLOKKUM_CUSTOM_SOUND_ROW "*** Custom Sound ***"

// Titles of <path>\Language\*.ini in enumeration order.
CStringArray ListLanguagePacks(const CString& path);

// The sound list: "Default" first, the other <path>\Sounds\*.wav titles
// sorted, the current sound's title (added when it is not among them), then
// the custom-sound row; selected is the current sound's row.
struct CSoundList {
    CStringArray rows;
    int selected = 0;
    bool customListed = false;
    CString currentFile;  // the file name shown as "Currently Used"
};
CSoundList BuildSoundList(const CString& path, const CString& userWavPath);

// Startup from the radio buttons (Windows, Manual, IE; none checked keeps
// current), and which button a value checks (0 when it checks none).
UINT StartupFromButtons(bool windows, bool manual, bool explorer, UINT current);
int StartupButton(UINT startup);

class COptionsPage : public CPropertyPage {
public:
    COptionsPage();
    ~COptionsPage() override;
    void RestoreControls();
    void SetTexts();
    HWND m_hSheet = nullptr;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void MarkModified();
    void FillLanguageCombo();
    void FillSoundList();
    void EnableSoundControls();
    void OnLanguageChanged();
    void OnSoundChanged();
    bool m_bCustomSoundListed = false;
    HIMAGELIST m_hFlags = nullptr;
};
