// App.h - CWinApp, the application object: one global instance per program.
// The framework's WinMain calls InitInstance; TRUE runs the thread's message
// loop (the same filters as the modal loop) until WM_QUIT, FALSE ends the
// program after its work (the common pattern: the main dialog runs modally
// inside InitInstance). ExitInstance runs in both cases and gives the exit code.
// Also: the module folder, the resource instance, the dialogs' background
// colour and the switch-ons for ActiveX hosting and 3-D controls.
// Deliberately not: document templates, command-line parsing, idle work.
#pragma once

#include <windows.h>

#include "Strings.h"

class CWnd;

class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    virtual int Run();

    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;
    CString m_appName;

    // Folder of the program file, without a trailing backslash.
    CString GetModuleFolder() const;
    // Dialog and static backgrounds of every CDialog from now on.
    void SetDialogBkColor(COLORREF background = RGB(192, 192, 192), COLORREF text = RGB(0, 0, 0));
    // OLE for hosted controls; balanced at destruction.
    BOOL EnableControlContainer();
    // Windows draws 3-D controls itself since Windows 95; kept for the start-up order.
    BOOL Enable3dControls() { return TRUE; }

    static CWinApp* Current();
    int m_exitCode = 0;

private:
    bool m_oleStarted = false;
};

// Instance whose resources (dialog templates, strings, icons) are used.
HINSTANCE QvResourceInstance();
// Brush and text colour set by SetDialogBkColor (null brush: none set).
HBRUSH QvDialogBrush();
COLORREF QvDialogTextColor();
COLORREF QvDialogBkColor();
// Loads a string resource; empty when absent.
CString LoadResourceString(UINT id);
// What the framework's WinMain does; public so a test can run an application object.
int QvRunApplication(HINSTANCE instance, LPSTR commandLine, int show);
