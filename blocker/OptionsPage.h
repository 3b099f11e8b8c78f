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
// sorted, the current sound's title (added when its file is not among them),
// then the custom-sound row; selected is the current sound's row. Each row
// keeps the full path of its file (the custom-sound row none).
struct CSoundList {
    CStringArray rows;
    CStringArray paths;
    int selected = 0;
    bool customListed = false;
    CString currentFile;  // the file name shown as "Currently Used"
};
CSoundList BuildSoundList(const CString& path, const CString& userWavPath);
// A sound file's name as its row shows it: without ".wav" when it ends in it.
CString SoundTitle(const CString& fileName);

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
    void SelectCurrentSound();
    bool m_bCustomSoundListed = false;
    CStringArray m_soundPaths;  // of the sound list's rows, in order
    HIMAGELIST m_hFlags = nullptr;
};
