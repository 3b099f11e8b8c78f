// Tray.h - CTrayIcon, one notification-area icon of a window: add, modify
// (icon or tip), delete, and adding it again when the shell announces a new
// taskbar with the registered "TaskbarCreated" message. The icon's callback
// message is the registered "TaskbarMsg" unless the caller names another.
// The record sent is the NOTIFYICONDATA that every shell since Windows 95
// with Internet Explorer 5 accepts (488 bytes in the 32-bit products).
// Deliberately not: balloon queues, icon animation (programs time that themselves).
#pragma once

#include <windows.h>
#include <shellapi.h>

UINT TaskbarMsgMessage();      // RegisterWindowMessage("TaskbarMsg"), once
UINT TaskbarCreatedMessage();  // RegisterWindowMessage("TaskbarCreated"), once

class CTrayIcon {
public:
    CTrayIcon() = default;
    ~CTrayIcon() { Delete(); }
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Does nothing while the icon is added; a failed add is tried again by
    // the next Add or OnTaskbarCreated.
    bool Add(HWND owner, UINT id, HICON icon, const char* tip, UINT callbackMessage = TaskbarMsgMessage());
    bool ModifyIcon(HICON icon);
    bool ModifyTip(const char* tip);
    bool Delete();
    bool IsAdded() const { return m_added; }
    HICON GetIcon() const { return m_data.hIcon; }
    // For the owner's window procedure: true when msg is "TaskbarCreated",
    // after the icon was added again.
    bool OnTaskbarCreated(UINT msg);

private:
    bool Send(DWORD command, UINT flags);
    NOTIFYICONDATAA m_data{};
    bool m_configured = false;
    bool m_added = false;
};

// Shell_NotifyIconA seam for tests (null: the real call).
using NotifyIconHook = BOOL (*)(DWORD, NOTIFYICONDATAA*);
void SetNotifyIconHook(NotifyIconHook hook);
BOOL QvShellNotifyIcon(DWORD command, NOTIFYICONDATAA* data);
