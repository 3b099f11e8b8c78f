// Bootlist's entry: the application object shows the main form modally and
// the program ends when the form closes.
#include <windows.h>
#include <commctrl.h>

#include "App.h"
#include "BootlistForms.h"
#include "frmMain.h"

class CBootlistApp : public CWinApp {
public:
    CBootlistApp() : CWinApp(kAppTitle) {}

    BOOL InitInstance() override {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_USEREX_CLASSES};
        InitCommonControlsEx(&controls);
        // The skin control is an ActiveX control; absent, the forms stay plain.
        EnableControlContainer();
        frmMain form;
        m_pMainWnd = &form;
        form.DoModal();
        m_pMainWnd = nullptr;
        return FALSE;
    }
};

CBootlistApp theApp;
