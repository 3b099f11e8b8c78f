// WebZonePage.h - CActiveXPage, the tray sheet's Web Zone page: five ActiveX
// URL actions of one Internet Explorer security zone at a time, shown as
// radio buttons and written back to the zone's key when the sheet applies.
// A note that the browsers take the change at their next start blinks on
// timer 1034.
//
// How the tray sheet uses it (second of its three pages):
//     CActiveXPage m_webZone{settings, dialogSkin};   // member of the sheet
//     AddPage(&m_webZone);
//     SaveAll:  if (m_webZone.IsModified()) m_webZone.ApplyZoneSettings();
//               m_webZone.SetUnmodified();
//     Cancel:   if (m_webZone.IsModified()) m_webZone.RestoreControls();
// The page also applies itself on PSN_APPLY when it was changed, so a sheet
// that lets the notification through needs no call of its own. It relabels
// itself at every activation; the sheet's language change leaves it alone.
// Deliberately not: other URL actions or zones beyond the four standard ones.
#pragma once

#include <windows.h>

#include "BlokkumSettings.h"
#include "Controls.h"
#include "PropertySheet.h"
#include "Skin.h"
#include "ZoneBackup.h"

enum : UINT { kWebZoneNoteTimer = 1034 };
// The "Administrator Approved" value of action 1200.
enum : DWORD { kZoneAdminApproved = 0x10000 };
enum { kZoneActionCount = 5 };

class CActiveXPage : public CPropertyPage {
public:
    // zonesKey: the Zones key under root (tests use keys of their own).
    CActiveXPage(CBlokkumSettings& settings, CSkinObject& skin, HKEY root = HKEY_CURRENT_USER,
                 const char* zonesKey = BLOKKUM_ZONES_KEY);

    // The actions the user clicked since the zone was loaded, as their
    // checked radios, into the selected zone's key; nothing else is written.
    void ApplyZoneSettings();
    // The selected zone's values into the radios; a missing value (or key)
    // shows none checked.
    void LoadZoneValues();
    // The sheet's Cancel: back to the first zone as stored.
    void RestoreControls();
    bool IsModified() const { return m_bModified; }
    void SetUnmodified() { m_bModified = false; }

    CComboBoxEx m_zones;
    bool m_bInitialised = false;
    bool m_bNoteVisible = false;

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnApply() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;

private:
    int SelectedZone() const;  // 1-4
    CString ZoneKey() const;
    void SetTexts();

    CBlokkumSettings& m_settings;
    CSkinObject& m_skin;
    HKEY m_root;
    CString m_zonesKey;
    CImageList m_images;
    CStringArray m_templateTexts;
    bool m_bModified = false;
    // Per action (write order): clicked since the zone was loaded.
    bool m_changed[kZoneActionCount] = {};
};
