#include "Tray.h"

#include <cstring>

namespace {
NotifyIconHook g_notifyHook = nullptr;
const DWORD kNotifyIconDataSize = 488;
}  // namespace

UINT TaskbarMsgMessage() {
    static UINT message = RegisterWindowMessageA("TaskbarMsg");
    return message;
}

UINT TaskbarCreatedMessage() {
    static UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

void SetNotifyIconHook(NotifyIconHook hook) { g_notifyHook = hook; }

BOOL QvShellNotifyIcon(DWORD command, NOTIFYICONDATAA* data) {
    if (g_notifyHook) return g_notifyHook(command, data);
    return Shell_NotifyIconA(command, data);
}

bool CTrayIcon::Send(DWORD command, UINT flags) {
    NOTIFYICONDATAA data = m_data;
    data.cbSize = kNotifyIconDataSize;
    data.uFlags = flags;
    return QvShellNotifyIcon(command, &data) != FALSE;
}

bool CTrayIcon::Add(HWND owner, UINT id, HICON icon, const char* tip, UINT callbackMessage) {
    if (m_added) return true;
    ZeroMemory(&m_data, sizeof m_data);
    m_data.hWnd = owner;
    m_data.uID = id;
    m_data.hIcon = icon;
    m_data.uCallbackMessage = callbackMessage;
    lstrcpynA(m_data.szTip, tip ? tip : "", sizeof m_data.szTip);
    m_configured = true;
    m_added = Send(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    return m_added;
}

bool CTrayIcon::ModifyIcon(HICON icon) {
    m_data.hIcon = icon;
    return m_added && Send(NIM_MODIFY, NIF_ICON);
}

bool CTrayIcon::ModifyTip(const char* tip) {
    lstrcpynA(m_data.szTip, tip ? tip : "", sizeof m_data.szTip);
    return m_added && Send(NIM_MODIFY, NIF_TIP);
}

bool CTrayIcon::Delete() {
    if (!m_added) return false;
    m_added = false;
    return Send(NIM_DELETE, 0);
}

bool CTrayIcon::OnTaskbarCreated(UINT msg) {
    if (msg != TaskbarCreatedMessage()) return false;
    // The new shell knows no icon of ours, whatever we thought before.
    m_added = false;
    if (m_configured) m_added = Send(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    return true;
}
