#include "Tray.h"

#include <cstddef>
#include <cstring>

namespace {
NotifyIconHook g_notifyHook = nullptr;
// The fields up to the balloon's flags: 488 bytes in the 32-bit products, the
// size older shells accept. The 64-bit build sends its own, larger record.
const DWORD kNotifyIconDataSize = NOTIFYICONDATAA_V2_SIZE;
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V2_SIZE == 488, "the 32-bit tray record is 488 bytes");
static_assert(sizeof(void*) != 4 || offsetof(NOTIFYICONDATAA, dwInfoFlags) == 484, "balloon flags end the 32-bit record");
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
