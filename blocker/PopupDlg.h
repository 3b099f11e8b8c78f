// PopupDlg.h - CPopupDlg, the Popups page of the tray sheet: the catching,
// banner-blocking and sound switches, and a notice that blinks while no
// browser uses the proxy (catching cannot be on then).
// Deliberately not yet: the Set Proxy and Reset Proxy buttons (they run the
// proxy wizard), the Internet-cleaner worker and the skin.
#pragma once

#include "PropertySheet.h"

enum { kNoticeTimerId = 0, kNoticeBlinkMs = 1000 };

class CPopupDlg : public CPropertyPage {
public:
    CPopupDlg();
    // The controls from the settings.
    void RestoreControls();
    void SetTexts();
    // Also run when the sheet is shown from the tray.
    BOOL OnSetActive() override;

    // Catching may be switched on although no browser is configured.
    bool m_bSkipConfigurationCheck = false;
    // -1 while the notice timer is stopped, else the blink phase.
    int m_nBlinkState = -1;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;

private:
    void OnCatchingClicked();
    void StartNotice();
    void StopNotice();
    // Catching off because no browser is configured, told once with 2253.
    void SwitchOffUnconfigured();
    void MarkModified();
    void NotifySheet(UINT msg);
};
