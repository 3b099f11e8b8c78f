#include "WebZonePage.h"

#include "App.h"
#include "BlokkumDialogIds.h"
#include "Registry.h"

namespace {
struct ZoneRow {
    const char* name;
    UINT icon;
};
// Combo index i is zone i + 1.
const ZoneRow kZones[4] = {
    {"Local intranet", IDI_ZONE_INTRANET},
    {"Trusted sites", IDI_ZONE_TRUSTED},
    {"Internet", IDI_ZONE_INTERNET},
    {"Restricted sites", IDI_ZONE_RESTRICTED},
};

enum : DWORD { kEnable = 0, kPrompt = 1, kDisable = 3 };

struct ZoneAction {
    const char* value;
    UINT enable, disable, prompt, adminApproved;  // adminApproved 0: none
};
// In the order the values are written.
const ZoneAction kActions[kZoneActionCount] = {
    {"1001", 1024, 1025, 1026, 0}, {"1004", 1030, 1031, 1032, 0}, {"1201", 1033, 1034, 1035, 0},
    {"1405", 1036, 1037, 1038, 0}, {"1200", 1043, 1044, 1045, 1046},
};

// The action a radio belongs to, or -1.
int ActionOfRadio(UINT id) {
    for (int i = 0; i < kZoneActionCount; ++i) {
        const ZoneAction& a = kActions[i];
        if (id == a.enable || id == a.disable || id == a.prompt || (a.adminApproved && id == a.adminApproved)) return i;
    }
    return -1;
}

const int kTextControls[23] = {1022, 1015, 1024, 1025, 1026, 1009, 1030, 1031, 1032, 1027, 1033, 1034,
                               1035, 1028, 1036, 1037, 1038, 1029, 1043, 1044, 1045, 1046, 1074};
const int kFirstTextKey = 8001;
}  // namespace

CActiveXPage::CActiveXPage(CBlokkumSettings& settings, CSkinObject& skin, HKEY root, const char* zonesKey)
    : CPropertyPage(IDD_WEB_ZONE_PAGE), m_settings(settings), m_skin(skin), m_root(root), m_zonesKey(zonesKey) {}

int CActiveXPage::SelectedZone() const {
    const int index = m_zones.m_hWnd ? m_zones.GetCurSel() : 0;
    return index < 0 ? 1 : index + 1;
}

CString CActiveXPage::ZoneKey() const {
    CString key;
    key.Format("%s\\%d", m_zonesKey.c_str(), SelectedZone());
    return key;
}

BOOL CActiveXPage::OnInitDialog() {
    m_bInitialised = true;
    m_zones.Attach(GetDlgItem(IDC_ZONE_LIST));
    m_images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 0);
    for (const ZoneRow& zone : kZones) {
        HICON icon = HICON(LoadImageA(QvResourceInstance(), MAKEINTRESOURCEA(zone.icon), IMAGE_ICON, 16, 16, 0));
        if (icon) {
            m_images.Add(icon);
            DestroyIcon(icon);
        }
    }
    m_zones.SetImageList(m_images);
    for (int i = 0; i < 4; ++i) m_zones.InsertItem(i, kZones[i].name, i, i);
    m_zones.SetCurSel(0);
    LoadZoneValues();
    for (int id : kTextControls) m_templateTexts.Add(GetDlgItemText(UINT(id)));
    SetTexts();
    SetTimer(kWebZoneNoteTimer, 1000);
    m_bNoteVisible = true;
    m_skin.SkinWindow(m_hWnd);
    return TRUE;
}

void CActiveXPage::SetTexts() {
    const char* defaults[23];
    for (int i = 0; i < 23; ++i) defaults[i] = m_templateTexts[i];
    m_settings.Language().SetDlgItemLangTexts(m_hWnd, defaults, kFirstTextKey, kTextControls, 23);
}

BOOL CActiveXPage::OnSetActive() {
    if (m_templateTexts.GetSize() == 23) SetTexts();
    return CPropertyPage::OnSetActive();
}

void CActiveXPage::LoadZoneValues() {
    // Each action shows its own stored value only: a missing value or a
    // missing zone key shows no choice, never a neighbour's or the previous
    // zone's, and unapplied clicks of the zone shown before are dropped.
    for (bool& changed : m_changed) changed = false;
    CRegKey key;
    const bool open = key.Open(m_root, ZoneKey(), KEY_READ) == ERROR_SUCCESS;
    for (const ZoneAction& a : kActions) {
        DWORD value = 0;
        UINT checked = 0;
        if (open && key.QueryDWORD(a.value, value) == ERROR_SUCCESS)
            checked = value == kEnable ? a.enable : value == kDisable ? a.disable : value == kPrompt ? a.prompt
                                                                                                 : a.adminApproved;
        for (UINT id : {a.enable, a.disable, a.prompt, a.adminApproved})
            if (id) CheckDlgButton(id, id == checked ? BST_CHECKED : BST_UNCHECKED);
    }
}

void CActiveXPage::ApplyZoneSettings() {
    if (!m_hWnd) return;
    bool any = false;
    for (bool changed : m_changed) any = any || changed;
    if (!any) return;
    CRegKey key;
    if (key.Create(m_root, ZoneKey()) != ERROR_SUCCESS) return;
    for (int i = 0; i < kZoneActionCount; ++i) {
        // Only what the user clicked is written: a value the page shows no
        // choice for, or one it merely displayed, stays as stored.
        if (!m_changed[i]) continue;
        const ZoneAction& a = kActions[i];
        DWORD value = 0;
        if (IsDlgButtonChecked(a.enable) == BST_CHECKED) value = kEnable;
        else if (IsDlgButtonChecked(a.disable) == BST_CHECKED) value = kDisable;
        else if (IsDlgButtonChecked(a.prompt) == BST_CHECKED) value = kPrompt;
        else if (a.adminApproved && IsDlgButtonChecked(a.adminApproved) == BST_CHECKED) value = kZoneAdminApproved;
        else continue;
        // Recorded so that Blokkout gives back only what still holds Blokkum's value.
        if (key.SetDWORD(a.value, value) == ERROR_SUCCESS)
            RecordZoneAction(m_root, m_settings.Locations().key, SelectedZone(), a.value, value);
        m_changed[i] = false;
    }
}

void CActiveXPage::RestoreControls() {
    if (!m_hWnd) return;
    m_zones.SetCurSel(0);
    LoadZoneValues();
    m_bModified = false;
}

BOOL CActiveXPage::OnApply() {
    if (m_bModified) ApplyZoneSettings();
    m_bModified = false;
    return TRUE;
}

BOOL CActiveXPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id == IDC_ZONE_LIST && HIWORD(wParam) == CBN_SELCHANGE) {
        LoadZoneValues();
        return TRUE;
    }
    const int action = ActionOfRadio(id);
    if (action >= 0 && HIWORD(wParam) == BN_CLICKED) {
        m_changed[action] = true;
        m_bModified = true;
        SetModified(TRUE);
        return TRUE;
    }
    return CPropertyPage::OnCommand(wParam, lParam);
}

void CActiveXPage::OnTimer(UINT_PTR id) {
    if (id != kWebZoneNoteTimer) {
        CPropertyPage::OnTimer(id);
        return;
    }
    ShowDlgItem(IDC_ZONE_NOTE, m_bNoteVisible ? SW_SHOW : SW_HIDE);
    m_bNoteVisible = !m_bNoteVisible;
}
