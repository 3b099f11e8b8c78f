#include "AppState.h"

#include "App.h"

namespace QvAppState {
CWinApp* g_app = nullptr;
HBRUSH g_dialogBrush = nullptr;
COLORREF g_dialogText = RGB(0, 0, 0);
COLORREF g_dialogBk = RGB(192, 192, 192);
}  // namespace QvAppState

using namespace QvAppState;

HINSTANCE QvResourceInstance() { return g_app ? g_app->m_hInstance : GetModuleHandleA(nullptr); }
HBRUSH QvDialogBrush() { return g_dialogBrush; }
COLORREF QvDialogTextColor() { return g_dialogText; }
COLORREF QvDialogBkColor() { return g_dialogBk; }

CString LoadResourceString(UINT id) {
    char buffer[1024];
    int length = LoadStringA(QvResourceInstance(), id, buffer, sizeof buffer);
    return length > 0 ? CString(buffer, length) : CString();
}
