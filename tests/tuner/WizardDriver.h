// Drives Swiftlane's modal dialogs and wizard from a thread timer that runs
// inside their modal loops.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "Swiftlane.h"
#include "TuningWizard.h"
#include "resource.h"

// Called on every tick of the thread timer while a modal run is going on.
inline std::function<void()> g_tick;
inline void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_tick) g_tick();
}

class CTimerDriver {
public:
    explicit CTimerDriver(std::function<void()> tick) {
        g_tick = std::move(tick);
        m_timer = SetTimer(nullptr, 0, 40, Tick);
    }
    ~CTimerDriver() {
        KillTimer(nullptr, m_timer);
        g_tick = nullptr;
    }

private:
    UINT_PTR m_timer;
};

// Presses through the wizard: the action callback may set controls of the
// page and choose the button; otherwise Finish when offered, else Next.
struct WizardRun {
    std::vector<int> visited;
    std::function<int(int page, int visit, HWND pageHwnd)> action;
    INT_PTR result = 0;
};

inline void RunWizard(CSwiftlaneApp& app, WizardRun& run) {
    HWND lastPage = nullptr;
    int steps = 0;
    CTimerDriver driver([&] {
        CMyPropertySheet* sheet = app.m_pSheet;
        if (!sheet || !sheet->m_hWnd) return;
        HWND page = HWND(SendMessageA(sheet->m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (!page || page == lastPage) return;
        lastPage = page;
        int index = int(SendMessageA(sheet->m_hWnd, PSM_HWNDTOINDEX, WPARAM(page), 0));
        run.visited.push_back(index);
        int visit = int(std::count(run.visited.begin(), run.visited.end(), index));
        int button = run.action ? run.action(index, visit, page) : -1;
        if (button < 0) {
            HWND finish = GetDlgItem(sheet->m_hWnd, ID_WIZFINISH);
            button = finish && IsWindowVisible(finish) && IsWindowEnabled(finish) ? PSBTN_FINISH : PSBTN_NEXT;
        }
        if (++steps > 30) button = PSBTN_CANCEL;
        PostMessageA(sheet->m_hWnd, PSM_PRESSBUTTON, WPARAM(button), 0);
    });
    CMyPropertySheet sheet;
    run.result = sheet.DoModal();
}


// Chooses LAN on the first page and keeps the TTL page's current-value line.
inline WizardRun LanRun(CString& currentTtlLine) {
    WizardRun run;
    run.action = [&currentTtlLine](int page, int, HWND hwnd) {
        if (page == PAGE_CONNECTION_TYPE) SendMessageA(GetDlgItem(hwnd, IDC_RADIO_LAN), BM_CLICK, 0, 0);
        if (page == PAGE_TTL) currentTtlLine = CWnd::GetWindowTextOf(GetDlgItem(hwnd, IDC_CURRENT_FIRST));
        return -1;
    };
    return run;
}
