// Seams.h - the few calls that reach the user or the desktop outside the
// program's own windows: message boxes, ShellExecute/WinExec, sounds and HTML Help.
// Also the deletion of a registry key with all it holds, whose failure halfway
// (the subkeys gone, the key itself refused) no test can bring about otherwise:
// the registry of the system the tests run on does not enforce key rights.
// Every program calls these instead of the Win32 functions, so a test can
// record and script them (CScriptedMessageBoxes in tests/support) and a
// program run under test never blocks on a box or opens a browser.
// Deliberately not: a general mocking layer; only what cannot run unattended.
#pragma once

#include <windows.h>

#include <functional>

// MessageBoxA: returns the button pressed (IDOK, IDYES, ...).
int QvMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// ShellExecuteA: returns the instance value (> 32 on success).
HINSTANCE QvShellExecute(HWND owner, const char* verb, const char* file, const char* params,
                         const char* folder, int show);
// ShellExecuteW, for parameters that carry names outside the code page;
// ShellExecuteA before Windows NT, whose names are the code page's anyway.
HINSTANCE QvShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* params,
                          const wchar_t* folder, int show);
// PlaySoundA with SND_FILENAME-style flags; best effort (no device is not an error).
BOOL QvPlaySound(const char* sound, DWORD flags);
// WinExec: returns the WinExec value (> 31 on success).
UINT QvWinExec(const char* commandLine, UINT show);
// SHDeleteKeyA: subKey of parent with all its subkeys and values.
LONG QvDeleteKeyTree(HKEY parent, const char* subKey);
// HtmlHelpA loaded at run time from hhctrl.ocx; returns NULL quietly when absent.
HWND QvHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data);

// A function of a system library loaded when first asked for, or null. The
// libraries that only a few commands need (sounds, file dialogs, help) are
// reached this way so that no program pays for loading them at start-up;
// under Wine each costs tens of milliseconds there.
template <typename Proc>
Proc LateProc(const char* library, const char* name) {
    HMODULE module = LoadLibraryA(library);
    return module ? reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

using MessageBoxHook = std::function<int(HWND, const char*, const char*, UINT)>;
using ShellExecuteHook = std::function<HINSTANCE(HWND, const char*, const char*, const char*, const char*, int)>;
using WideShellExecuteHook =
    std::function<HINSTANCE(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int)>;
using PlaySoundHook = std::function<BOOL(const char*, DWORD)>;
using WinExecHook = std::function<UINT(const char*, UINT)>;
using HtmlHelpHook = std::function<HWND(HWND, const char*, UINT, DWORD_PTR)>;
using DeleteKeyTreeHook = std::function<LONG(HKEY, const char*)>;

// Replace the real call (empty function: back to the real call). Not thread-safe:
// set before the code under test starts its threads.
void SetMessageBoxHook(MessageBoxHook hook);
void SetShellExecuteHook(ShellExecuteHook hook);
void SetWideShellExecuteHook(WideShellExecuteHook hook);
void SetPlaySoundHook(PlaySoundHook hook);
void SetHtmlHelpHook(HtmlHelpHook hook);
void SetWinExecHook(WinExecHook hook);
void SetDeleteKeyTreeHook(DeleteKeyTreeHook hook);
