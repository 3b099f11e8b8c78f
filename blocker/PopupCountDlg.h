// PopupCountDlg.h - CPopupCountDlg, the small counter window that shows how
// many pop-ups were caught: placed topmost in the screen's bottom-right
// corner, shown for five seconds, then slid out to the right by a short-lived
// thread that paces the slide and asks this window for each step. Also the
// pop-up scan: a top-level window whose title carries the page script's
// marker is counted once and its title cleaned.
// Deliberately not: the skin (the skin control is not hosted here).
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "Dialog.h"
#include "Strings.h"

class CBlokkumSettings;

enum { kCounterTimerId = 8005, kCounterShowMs = 5000, kSlideStepMs = 10 };
// Sent by the slide thread: wParam the slide it belongs to; the result is
// nonzero while that slide should go on.
enum : UINT { WM_COUNTERSLIDESTEP = WM_APP + 0x105 };

class CPopupCountDlg : public CDialog {
public:
    CPopupCountDlg();
    // Created hidden, without parent.
    BOOL CreateHidden();
    void ShowCount(const CString& count, const CString& since);
    // The current count shown in place, topmost, for another five seconds;
    // a slide going on stops. Also for a window already visible, which
    // ShowWindow alone would leave stale.
    void Present();

    int m_x = 0;
    int m_y = 0;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;

private:
    void Refresh();
    WPARAM m_slide = 0;  // the slide that may move the window; others stop
};

// The title with its first marker taken out, when it holds one.
bool RemoveTitleMarker(CString& title, const char* marker);
// The pop-up scan, run on every tick of the sheet's timer. A step counts the
// first top-level window whose title holds the marker and was not counted
// with that title before (Blocked Popups + 1), plays the sound when PlayWave
// is on and asks the window to take the title without its first marker; true
// when one was counted. The window is asked with a bound, so a hung one (of
// another process) costs at most kRetitleBoundMs; one that keeps its title
// is remembered and not counted again until its title changes or it is gone.
class CPopupScan {
public:
    enum : UINT { kRetitleBoundMs = 100 };
    bool Step(CBlokkumSettings& settings, const CString& soundFile);

private:
    std::vector<std::pair<HWND, CString>> m_counted;  // window, title it was counted with
};
