// Two marked pop-up windows in a process of their own, for the scan's tests:
// "hung" is made by a thread that takes no message until the test sets the
// event named on the command line, "refuses" answers every WM_SETTEXT with
// FALSE. Both titles carry the page script's marker.
// Once the event is set the process ends with 0. A minute without it ends
// the process with 3: a test that cannot set it is stuck on the hung window.
#include <windows.h>

#include "BlokkumShared.h"

namespace {
LRESULT CALLBACK RefusingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETTEXT) return FALSE;
    return DefWindowProcA(window, msg, wParam, lParam);
}

DWORD WINAPI HungThread(void* release) {
    CreateWindowExA(0, "STATIC", "hung" BLOKKUM_POPUP_TITLE_MARKER, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                    nullptr);
    ExitProcess(WaitForSingleObject(release, 60000) == WAIT_OBJECT_0 ? 0 : 3);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, commandLine);
    if (!release) return 2;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RefusingProc;
    wc.hInstance = instance;
    wc.lpszClassName = "QvRefusingTitle";
    RegisterClassA(&wc);
    CreateWindowExA(0, wc.lpszClassName, "refuses" BLOKKUM_POPUP_TITLE_MARKER, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                    instance, nullptr);
    HANDLE hung = CreateThread(nullptr, 0, HungThread, release, 0, nullptr);
    if (!hung) return 2;
    CloseHandle(hung);
    for (;;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}
