#include "MessageLoop.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <map>
#include <vector>

#include "Window.h"

namespace {
thread_local std::vector<CWnd*> t_modalStack;
thread_local std::map<HWND, DialogKind> t_dialogs;

bool IsTopLevel(HWND hwnd) { return !(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD); }
}  // namespace

void RegisterDialogWindow(HWND hwnd, DialogKind kind) { t_dialogs[hwnd] = kind; }
void UnregisterDialogWindow(HWND hwnd) { t_dialogs.erase(hwnd); }

bool PreTranslateThreadMessage(MSG* msg) {
    std::vector<CWnd*> asked;
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = GetParent(hwnd)) {
        CWnd* wnd = CWnd::FromHandle(hwnd);
        if (wnd) {
            asked.push_back(wnd);
            if (wnd->PreTranslateMessage(msg)) return true;
        }
        if (IsTopLevel(hwnd)) break;
    }
    // Copy: a filter may end its own modal run while we walk.
    std::vector<CWnd*> modal(t_modalStack.rbegin(), t_modalStack.rend());
    for (CWnd* wnd : modal) {
        if (std::find(asked.begin(), asked.end(), wnd) != asked.end()) continue;
        if (wnd->m_hWnd && wnd->PreTranslateMessage(msg)) return true;
    }
    if (msg->hwnd) {
        HWND root = GetAncestor(msg->hwnd, GA_ROOT);
        auto it = t_dialogs.find(root);
        if (it != t_dialogs.end() && IsWindow(root)) {
            if (it->second == DialogKind::Sheet) {
                if (PropSheet_IsDialogMessage(root, msg)) return true;
            } else if (IsDialogMessageA(root, msg)) {
                return true;
            }
        }
    }
    return false;
}

bool RunModalLoop(CWnd* modal, const std::function<bool()>& done) {
    t_modalStack.push_back(modal);
    bool quit = false;
    while (!done()) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            quit = true;
            break;
        }
        if (got == -1) break;
        if (!PreTranslateThreadMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    t_modalStack.erase(std::find(t_modalStack.begin(), t_modalStack.end(), modal));
    return !quit;
}

bool PumpWaitingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        if (!PreTranslateThreadMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}
