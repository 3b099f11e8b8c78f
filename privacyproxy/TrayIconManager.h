// TrayIconManager.h - CTrayIconManager, Veilrun's notification-area icon:
// icon sets of animation frames, a hidden "SS_Wnd" window of its own that
// receives the icon's messages, a per-process table of callbacks by mouse
// message, and a timer that tells a single click from a double click. The
// icon is added again when a new taskbar announces itself ("TaskbarCreated");
// Wine's taskbar never does, so there a restarted one stays without it.
// Deliberately not: watching for a taskbar that does not announce itself.
#pragma once

#include <windows.h>

#include <vector>

typedef void (*TrayCallback)(WPARAM iconId, LPARAM mouseMessage);

class CTrayIconManager {
public:
    CTrayIconManager(HINSTANCE instance, int setCount, int framesPerSet, HWND window = nullptr);
    ~CTrayIconManager();
    CTrayIconManager(const CTrayIconManager&) = delete;
    CTrayIconManager& operator=(const CTrayIconManager&) = delete;

    // iconId -1: the blank icon.
    HICON SetFrame(int set, int frame, int iconId, int delay);
    void SetMode(int set, int mode);
    BOOL Show(int set, int mode);
    BOOL Hide();
    static void AddCallback(UINT mouseMessage, TrayCallback callback);
    static void ClearCallbacks();

    HWND Window() const { return m_hWnd; }
    bool IsShown() const { return m_bShown; }
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    struct CFrame {
        HICON icon = nullptr;
        int delay = 500;
    };
    struct CIconSet {
        std::vector<CFrame> frames;
        int mode = 1;
        int current = 0;
        int highest = 0;
    };
    HICON BlankIcon();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    std::vector<CIconSet> m_sets;
    int m_nFrames;
    bool m_bShown = false;
    bool m_bWelcomed = false;
    int m_nCurrentSet = 0;
    HICON m_hBlank = nullptr;
    HINSTANCE m_hInstance;
    HWND m_hWnd = nullptr;
    bool m_bOwnsWindow = false;
    WPARAM m_clickId = 0;
    LPARAM m_clickMessage = 0;
};
