// MessageLoop.h - the one modal message loop of the suite.
// Every modal dialog and sheet runs RunModalLoop. For each message it asks,
// in order: the objects of the target window and its parents, then every
// window running modally on this thread (innermost first), so a message
// posted to a hidden window of the thread still reaches the sheet's
// PreTranslateMessage; then dialog-box navigation of the top-level dialog or
// sheet the message belongs to; then translation and dispatch.
// Deliberately not: idle processing, accelerator tables of its own.
#pragma once

#include <windows.h>

#include <functional>

class CWnd;

// Runs until done() is true (checked after every message) or WM_QUIT arrives
// (WM_QUIT is posted again for the outer loop). Returns false on WM_QUIT.
bool RunModalLoop(CWnd* modal, const std::function<bool()>& done);
// Handles the messages waiting now through the same filters, for work that
// runs long on the user-interface thread; false when WM_QUIT came (posted again).
bool PumpWaitingMessages();
// One pass of the filters above; true when the message was consumed.
bool PreTranslateThreadMessage(MSG* msg);

// Top-level windows whose messages need dialog navigation; dialogs and sheets
// register themselves while they exist.
enum class DialogKind { Dialog, Sheet };
void RegisterDialogWindow(HWND hwnd, DialogKind kind);
void UnregisterDialogWindow(HWND hwnd);
