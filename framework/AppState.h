// AppState.h - the application object's state that dialogs, sheets and menus
// read (resource instance, dialog colours), kept apart from App.cpp so that a
// program with a WinMain of its own can use the dialogs without linking the
// framework's WinMain. Internal to the framework.
#pragma once

#include <windows.h>

class CWinApp;

namespace QvAppState {
extern CWinApp* g_app;
extern HBRUSH g_dialogBrush;
extern COLORREF g_dialogText;
extern COLORREF g_dialogBk;
}  // namespace QvAppState
