#include "BlokkumDialogSupport.h"

#include "App.h"
#include "BlokkumShared.h"
#include "Seams.h"
#include "Window.h"

namespace {
const UINT kHelpDisplayToc = 0x0001;
}

void TakeDialogSkinControl(CSkinObject& shared) {
    IDispatch* control = CreateSkinControl();
    shared.Assign(control);
    if (control) control->Release();
}

CString TitleSkinFile(const CBlokkumSettings& settings) { return settings.m_strPath + "\\Title.skn"; }

void RefreshMainWindowSkin(const CSkinObject& shared) {
    CWinApp* app = CWinApp::Current();
    if (!app || !app->m_pMainWnd || !shared.IsPresent()) return;
    CUnknownRef object = shared.GetSkinWindowObject(app->m_pMainWnd->m_hWnd);
    RefreshSkinWindow(object.Get());
}

void ShowBlokkumHelp(HWND owner, const CBlokkumSettings& settings) {
    const CString file = settings.m_strPath + "\\Help\\QVHelp.chm";
    if (QvHtmlHelp(owner, file, kHelpDisplayToc, 0)) return;
    CWinApp* app = CWinApp::Current();
    CString title = app && !app->m_appName.IsEmpty() ? app->m_appName : CString(BLOKKUM_CAPTION);
    QvMessageBox(owner, "Cannot locate HTML Help file QVHelp.chm", title, MB_OK);
}

CString BlokkumCaption(const CBlokkumSettings& settings) {
    return settings.Language().LoadLangString(BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION);
}
