// VeilrunApp.h - Veilrun's application object: it runs the main dialog
// modally for the whole life of the process and then ends.
// Deliberately not: a message loop of its own after the dialog.
#pragma once

#include "App.h"

class CMainDialog;

// Common controls, skin bitmaps and the skin's window classes; before any
// skinned button is constructed, since buttons copy the skin's defaults.
void PrepareVeilrunWindows();
// The main dialog as the app's main window until it ends; g_Engine must
// hold the engine's settings already.
INT_PTR RunMainDialog(CWinApp& app, CMainDialog& dialog);

class CVeilrunApp : public CWinApp {
public:
    CVeilrunApp() : CWinApp("Veilrun") {}
    BOOL InitInstance() override;
};
