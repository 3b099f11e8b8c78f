#include "Seams.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "RealNames.h"

namespace {
MessageBoxHook g_messageBox;
ShellExecuteHook g_shellExecute;
WideShellExecuteHook g_wideShellExecute;
PlaySoundHook g_playSound;
HtmlHelpHook g_htmlHelp;
WinExecHook g_winExec;
DeleteKeyTreeHook g_deleteKeyTree;

typedef HWND(WINAPI* HtmlHelpProc)(HWND, LPCSTR, UINT, DWORD_PTR);
typedef BOOL(WINAPI* PlaySoundProc)(LPCSTR, HMODULE, DWORD);
}  // namespace

int QvMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    if (g_messageBox) return g_messageBox(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

HINSTANCE QvShellExecute(HWND owner, const char* verb, const char* file, const char* params, const char* folder,
                         int show) {
    if (g_shellExecute) return g_shellExecute(owner, verb, file, params, folder, show);
    return ShellExecuteA(owner, verb, file, params, folder, show);
}

HINSTANCE QvShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* params,
                          const wchar_t* folder, int show) {
    if (g_wideShellExecute) return g_wideShellExecute(owner, verb, file, params, folder, show);
    if (HasWideFileCalls()) return ShellExecuteW(owner, verb, file, params, folder, show);
    auto narrow = [](const wchar_t* text) { return text ? ShownPath(text) : CString(); };
    const CString v = narrow(verb), f = narrow(file), p = narrow(params), d = narrow(folder);
    return ShellExecuteA(owner, verb ? v.c_str() : nullptr, f, params ? p.c_str() : nullptr,
                         folder ? d.c_str() : nullptr, show);
}

UINT QvWinExec(const char* commandLine, UINT show) {
    if (g_winExec) return g_winExec(commandLine, show);
    return WinExec(commandLine, show);
}

BOOL QvPlaySound(const char* sound, DWORD flags) {
    if (g_playSound) return g_playSound(sound, flags);
    static PlaySoundProc proc = LateProc<PlaySoundProc>("winmm.dll", "PlaySoundA");
    return proc ? proc(sound, nullptr, flags) : FALSE;
}

LONG QvDeleteKeyTree(HKEY parent, const char* subKey) {
    if (g_deleteKeyTree) return g_deleteKeyTree(parent, subKey);
    return LONG(SHDeleteKeyA(parent, subKey));
}

HWND QvHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) {
    if (g_htmlHelp) return g_htmlHelp(caller, file, command, data);
    static HtmlHelpProc proc = LateProc<HtmlHelpProc>("hhctrl.ocx", "HtmlHelpA");
    return proc ? proc(caller, file, command, data) : nullptr;
}

void SetMessageBoxHook(MessageBoxHook hook) { g_messageBox = std::move(hook); }
void SetShellExecuteHook(ShellExecuteHook hook) { g_shellExecute = std::move(hook); }
void SetWideShellExecuteHook(WideShellExecuteHook hook) { g_wideShellExecute = std::move(hook); }
void SetPlaySoundHook(PlaySoundHook hook) { g_playSound = std::move(hook); }
void SetHtmlHelpHook(HtmlHelpHook hook) { g_htmlHelp = std::move(hook); }
void SetWinExecHook(WinExecHook hook) { g_winExec = std::move(hook); }
void SetDeleteKeyTreeHook(DeleteKeyTreeHook hook) { g_deleteKeyTree = std::move(hook); }
