// PopupCountDlg.h - CPopupCountDlg, the small counter window that shows how
// many pop-ups were caught: placed topmost in the screen's bottom-right
// corner, shown for five seconds, then slid out to the right by a short-lived
// thread that touches only this window. Also the pop-up scan: a top-level
// window whose title carries the page script's marker is counted once and
// its title cleaned.
// Deliberately not: the skin (the skin control is not hosted here).
#pragma once

#include <windows.h>

#include "Dialog.h"
#include "Strings.h"

class CBlokkumSettings;

enum { kCounterTimerId = 8005, kCounterShowMs = 5000, kSlideStepMs = 10 };

class CPopupCountDlg : public CDialog {
public:
    CPopupCountDlg();
    // Created hidden, without parent.
    BOOL CreateHidden();
    void ShowCount(const CString& count, const CString& since);

    int m_x = 0;
    int m_y = 0;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
};

// The title with its first marker taken out, when it holds one.
bool RemoveTitleMarker(CString& title, const char* marker);
// One scan step: the first top-level window whose title holds the marker is
// counted (Blocked Popups + 1), its marker removed, the sound played when
// PlayWave is on; true when one was found.
bool ScanForCaughtPopup(CBlokkumSettings& settings, const CString& soundFile);
