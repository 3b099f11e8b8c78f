#include "App.h"

#include <ole2.h>

#include "AppState.h"
#include "Files.h"
#include "MessageLoop.h"

using namespace QvAppState;

CWinApp::CWinApp(const char* appName) : m_appName(appName ? appName : "") {
    g_app = this;
    m_hInstance = GetModuleHandleA(nullptr);
}

CWinApp::~CWinApp() {
    if (m_oleStarted) OleUninitialize();
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Current() { return g_app; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_exitCode; }

int CWinApp::Run() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0 && got != -1) {
        if (!PreTranslateThreadMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    m_exitCode = got == 0 ? int(msg.wParam) : m_exitCode;
    return m_exitCode;
}

CString CWinApp::GetModuleFolder() const { return ::GetModuleFolder(nullptr); }

void CWinApp::SetDialogBkColor(COLORREF background, COLORREF text) {
    if (g_dialogBrush) DeleteObject(g_dialogBrush);
    g_dialogBrush = CreateSolidBrush(background);
    g_dialogBk = background;
    g_dialogText = text;
}

BOOL CWinApp::EnableControlContainer() {
    if (m_oleStarted) return TRUE;
    HRESULT hr = OleInitialize(nullptr);
    m_oleStarted = SUCCEEDED(hr);
    return m_oleStarted;
}

int QvRunApplication(HINSTANCE instance, LPSTR commandLine, int show) {
    CWinApp* app = CWinApp::Current();
    if (!app) return 1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = commandLine ? commandLine : "";
    app->m_nCmdShow = show;
    if (app->InitInstance()) app->Run();
    return app->ExitInstance();
}

// Here, beside the application object, so that a program that has one links it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    return QvRunApplication(instance, commandLine, show);
}
