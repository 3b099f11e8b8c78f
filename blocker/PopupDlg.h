// PopupDlg.h - CPopupDlg, the Popups page of the tray sheet: the catching,
// banner and sound switches and the proxy wizard buttons.
// For now the page shows the switches as the settings hold them; the tray
// sheet sets them when its menu changes them.
// Deliberately not yet: its own click handling, the blinking notice, the
// wizard buttons and the skin.
#pragma once

#include "PropertySheet.h"

class CPopupDlg : public CPropertyPage {
public:
    CPopupDlg();
    // The controls from the settings.
    void RestoreControls();
    void SetTexts();

    // Catching may be switched on although no browser is configured.
    bool m_bSkipConfigurationCheck = false;

protected:
    BOOL OnInitDialog() override;
};
