// PopupDlg.h - CPopupDlg, the Popups page of the tray sheet: the catching,
// banner-blocking and sound switches, the Set Proxy and Reset Proxy buttons
// that run the set-up wizard, and a notice that blinks while no browser uses
// the proxy (catching cannot be on then). Every switch of catching runs the
// internet cleaner on the page's own cleaner record.
// Deliberately not: the browser changes themselves (the wizard makes them).
#pragma once

#include "CleanerWorker.h"
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
    // One-shot: the next catching click starts no cleaner run.
    bool m_bSkipCleaner = false;
    CCleanerWork m_cleaner;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;

private:
    void OnCatchingClicked();
    // setMode 1 points the browsers at the proxy, 0 takes them off it.
    void RunWizard(int setMode);
    void OnSetProxy();
    void OnResetProxy();
    void StartNotice();
    void StopNotice();
    // Catching off because no browser is configured, told once with 2253.
    void SwitchOffUnconfigured();
    void MarkModified();
    void NotifySheet(UINT msg);
    // The program ended while the wizard was open.
    bool Ending() const;
};
