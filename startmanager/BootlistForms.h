// BootlistForms.h - what Bootlist's three forms share: the application's
// title (the caption of every message box), the texts the main form's
// captions step keeps for the other forms, the skin every form loads, and
// the right-to-left switch of the Arabic pack.
// Deliberately not: the forms themselves (frmMain.h, frmAddTask.h, frmAbout.h).
#pragma once

#include <windows.h>

#include "Skin.h"
#include "Strings.h"

extern const char* const kAppTitle;

// Module-wide texts of the main form's captions step.
struct CSharedTexts {
    bool languageFilesPresent = false;
    // Message texts 1 to 3: keys 410, 411 and 412.
    CString message[3];
    // The About form's caption, four labels and two buttons: keys 301 to 307.
    CString about[7];
};

// Creates the skin control, loads <App.Path>\Title.skn and skins the form;
// without the control nothing happens.
void SkinForm(CSkinObject& skin, HWND form);

// Right-to-left layout when the active pack is "Arabic.ini".
void SetFormRightToLeft(HWND form);

// A menu item's or top-level menu's label, by command id or by position.
void SetMenuText(HMENU menu, UINT item, bool byPosition, const char* text);
