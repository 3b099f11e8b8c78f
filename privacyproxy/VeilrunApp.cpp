#include "VeilrunApp.h"

#include <commctrl.h>

#include "EngineSettings.h"
#include "MainDialog.h"
#include "Skin.h"

void PrepareVeilrunWindows() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&controls);
    LoadSkinBitmaps();
    RegisterSkinClasses();
}

INT_PTR RunMainDialog(CWinApp& app, CMainDialog& dialog) {
    app.m_pMainWnd = &dialog;
    const INT_PTR result = dialog.DoModal();
    app.m_pMainWnd = nullptr;
    return result;
}

BOOL CVeilrunApp::InitInstance() {
    EnableControlContainer();
    Enable3dControls();
    g_Engine = VeilrunEngineSettings();
    PrepareVeilrunWindows();
    CMainDialog dialog;
    RunMainDialog(*this, dialog);
    return FALSE;
}
