// BlokkumDialogSupport.h - what Blokkum's wizard, Web Zone page, About box
// and start notice share: taking a dialog's own skin control as the shared
// skin object, refreshing the main window's skin on page activation, the
// help file and the program caption.
// Deliberately not: the tray sheet's own relabelling or tray handling.
#pragma once

#include <windows.h>

#include "BlokkumSettings.h"
#include "Skin.h"
#include "Strings.h"

// The skin control a dialog hosts becomes the shared skin object (the one
// held before is released); without the control the object is empty.
void TakeDialogSkinControl(CSkinObject& shared);
// <Path>\Title.skn, the skin file of Blokkum's dialogs.
CString TitleSkinFile(const CBlokkumSettings& settings);
// The program's main window's skin object refreshed (nothing without one).
void RefreshMainWindowSkin(const CSkinObject& shared);

// <Path>\Help\QVHelp.chm at its contents; a missing file gets one OK box.
void ShowBlokkumHelp(HWND owner, const CBlokkumSettings& settings);
// Key 99990, the caption of Blokkum's message boxes.
CString BlokkumCaption(const CBlokkumSettings& settings);
