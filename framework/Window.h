// Window.h - CWnd, a window object bound to one HWND through a handle map.
// Offers: binding (Attach/Detach), subclassing of existing windows and
// dialog items, one dispatch path (WindowProc -> reflection to the control's
// own object -> OnMessage switch -> OnCommand/OnNotify/OnTimer -> default),
// PreTranslateMessage for the modal loop, timers and the thin one-message
// helpers the dialogs use. GWL_USERDATA is left alone: programs use it for
// marks of their own.
// Deliberately not: a message-map macro language, document/view, idle work.
#pragma once

#include <windows.h>

#include "Strings.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to a window, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Binds without changing the window procedure (messages are not seen).
    // Such a binding ends by itself once its window is gone and the parent
    // dialog or window it lived in is destroyed.
    bool Attach(HWND hwnd);
    HWND Detach();
    // Routes the window's messages through this object; the old procedure
    // stays the default. Undone automatically at WM_NCDESTROY.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(UINT id, HWND parent);
    HWND UnsubclassWindow();

    // Creates a window of a class whose procedure is StaticWindowProc (null
    // class name: the framework's own plain class).
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, const RECT& rect,
                  HWND parent, UINT idOrMenu);
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    BOOL DestroyWindow();

    // Asked by the modal loop before a message is dispatched; TRUE consumes it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The current message, passed on to the default processing.
    LRESULT Default();

    // Helpers that send one message each.
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(m_hWnd, msg, wParam, lParam);
    }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    CString GetWindowText() const { return GetWindowTextOf(m_hWnd); }
    static CString GetWindowTextOf(HWND hwnd);
    HWND GetDlgItem(UINT id) const { return ::GetDlgItem(m_hWnd, int(id)); }
    void SetDlgItemText(UINT id, const char* text) { ::SetDlgItemTextA(m_hWnd, int(id), text); }
    CString GetDlgItemText(UINT id) const { return GetWindowTextOf(GetDlgItem(id)); }
    UINT GetDlgItemInt(UINT id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const {
        return ::GetDlgItemInt(m_hWnd, int(id), translated, isSigned);
    }
    void SetDlgItemInt(UINT id, UINT value, BOOL isSigned = TRUE) { ::SetDlgItemInt(m_hWnd, int(id), value, isSigned); }
    void CheckDlgButton(UINT id, UINT check) { ::CheckDlgButton(m_hWnd, int(id), check); }
    UINT IsDlgButtonChecked(UINT id) const { return ::IsDlgButtonChecked(m_hWnd, int(id)); }
    void EnableDlgItem(UINT id, BOOL enable) { ::EnableWindow(GetDlgItem(id), enable); }
    void ShowDlgItem(UINT id, int show) { ::ShowWindow(GetDlgItem(id), show); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL ShowWindow(int show) { return ::ShowWindow(m_hWnd, show); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    RECT GetClientRect() const { RECT r{}; ::GetClientRect(m_hWnd, &r); return r; }
    RECT GetWindowRect() const { RECT r{}; ::GetWindowRect(m_hWnd, &r); return r; }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    DWORD GetStyle() const { return DWORD(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return DWORD(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }
    void ModifyStyle(DWORD remove, DWORD add);
    void ModifyStyleEx(DWORD remove, DWORD add);
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND SetParent(HWND parent) { return ::SetParent(m_hWnd, parent); }
    void SetIcon(HICON icon, BOOL big) { SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, LPARAM(icon)); }
    HMENU GetSystemMenu(BOOL revert = FALSE) const { return ::GetSystemMenu(m_hWnd, revert); }
    void CenterWindow(HWND alternate = nullptr);

protected:
    // One switch per class: return true when handled, with the result set.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Messages a parent received from this control (WM_COMMAND, WM_NOTIFY,
    // WM_DRAWITEM, WM_CTLCOLOR*), offered here first; true: handled.
    virtual bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // WM_COMMAND; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY; TRUE when handled, with *result the answer.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual void OnTimer(UINT_PTR id);
    // Right after SubclassWindow bound the object (the window exists).
    virtual void PreSubclassWindow() {}
    // After WM_NCDESTROY, once the object is no longer bound.
    virtual void PostNcDestroy() {}
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // Entry used by the window and dialog procedures: dispatches and keeps
    // the current message for Default().
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    void Bind(HWND hwnd);
    void Unbind();
    // Drops the bindings of windows that no longer exist (attached wrappers
    // never see their WM_NCDESTROY).
    static void ForgetDestroyedWindows();

    WNDPROC m_oldProc = nullptr;

private:
    struct CurrentMessage {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMessage m_current{0, 0, 0};
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// The framework's plain window class name (registered on first use).
const char* QvWindowClassName();
