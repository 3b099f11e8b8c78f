// Two marked pop-up windows in a process of their own, for the scan's tests:
// "hung" is made by a thread that never pumps messages, "refuses" answers
// every WM_SETTEXT with FALSE. Both titles carry the page script's marker.
// The process ends after a minute, or earlier when the test ends it.
#include <windows.h>

#include "BlokkumShared.h"

namespace {
LRESULT CALLBACK RefusingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETTEXT) return FALSE;
    return DefWindowProcA(window, msg, wParam, lParam);
}

DWORD WINAPI HungThread(void*) {
    CreateWindowExA(0, "STATIC", "hung" BLOKKUM_POPUP_TITLE_MARKER, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                    nullptr);
    Sleep(60000);
    return 0;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RefusingProc;
    wc.hInstance = instance;
    wc.lpszClassName = "QvRefusingTitle";
    RegisterClassA(&wc);
    CreateWindowExA(0, wc.lpszClassName, "refuses" BLOKKUM_POPUP_TITLE_MARKER, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                    instance, nullptr);
    HANDLE hung = CreateThread(nullptr, 0, HungThread, nullptr, 0, nullptr);
    if (hung) CloseHandle(hung);
    const DWORD end = GetTickCount() + 60000;
    while (int(end - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return 0;
}
