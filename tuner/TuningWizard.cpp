#include "TuningWizard.h"

#include <cinttypes>

#include "Seams.h"
#include "Swiftlane.h"
#include "SwiftlaneDlg.h"
#include "resource.h"

int g_nModemFound = 0;

namespace {
CString Caption() { return LoadLangString("18", "Quorvane Swiftlane"); }

const char* TitleKey(OSFamily family, const char* nt, const char* x9) { return family == FAMILY_9X && x9 ? x9 : nt; }
}  // namespace

// --- the common page ---------------------------------------------------------

CTuningPage::CTuningPage(UINT templateId, TuningPage index, const char* ntTitleKey, const char* ntTitle,
                         const char* x9TitleKey, const char* x9Title)
    : CPropertyPage(templateId), m_index(index) {
    CSwiftlaneApp* app = SwiftlaneApp();
    bool x9 = app && app->m_family == FAMILY_9X && x9TitleKey;
    m_title = LoadLangString(TitleKey(x9 ? FAMILY_9X : FAMILY_NT, ntTitleKey, x9TitleKey), x9 ? x9Title : ntTitle);
    m_psp.dwFlags |= PSP_USETITLE;
    m_psp.dwFlags &= ~DWORD(PSP_HASHELP);
    m_psp.pszTitle = m_title.c_str();
}

CMyPropertySheet& CTuningPage::Sheet() const { return *static_cast<CMyPropertySheet*>(GetSheet()); }
TuningSettings& CTuningPage::Settings() const { return Sheet().m_settings; }

BOOL CTuningPage::OnSetActive() {
    SetTexts();
    ShowValues();
    Sheet().RefreshSkin();
    SetWizardButtons(WizardButtonsFor(m_index, Settings().family, Sheet().ModemPage()));
    return TRUE;
}

BOOL CTuningPage::OnKillActive() { return StoreValues() ? TRUE : FALSE; }

// The values are stored by OnKillActive, which the sheet sends after this.
LRESULT CTuningPage::OnWizardNext() {
    TuningPage next = NextPage(m_index, Settings().family, Sheet().ModemPage());
    if (next == m_index) return -1;
    return LRESULT(Sheet().PageAt(next)->m_templateId);
}

LRESULT CTuningPage::OnWizardBack() {
    TuningPage previous = PreviousPage(m_index, Settings().family, Sheet().ModemPage());
    if (previous == m_index) return -1;
    return LRESULT(Sheet().PageAt(previous)->m_templateId);
}

BOOL CTuningPage::OnWizardFinish() {
    if (!StoreValues()) return FALSE;
    return Sheet().ApplySettings() ? TRUE : FALSE;
}

void CTuningPage::LangText(UINT id, const char* key, const char* defaultText) {
    SetDlgItemLangText(m_hWnd, id, key, defaultText);
}

// The pack's text is a template, not a format: a translator's "%s" shows as written.
void CTuningPage::RecommendedLine(UINT id, const char* key, const char* defaultText, DWORD value) {
    SetDlgItemText(id, FillMarker(LoadLangString(key, defaultText), "%d", DecimalText(value)));
}

void CTuningPage::CurrentLine(UINT id, const char* key, const char* label, const TuningValue& value,
                              const char* unitKey, const char* unit, const char* setKey, const char* setText) {
    CString line = LoadLangString(key, label);
    CString tail;
    if (!value.present)
        tail.Format(" %s", LoadLangString("3", "isn't set.").c_str());
    else if (unitKey)
        tail.Format(" %s %u %s.", LoadLangString(setKey, setText).c_str(), unsigned(value.current),
                    LoadLangString(unitKey, unit).c_str());
    else
        tail.Format(" %s %u.", LoadLangString(setKey, setText).c_str(), unsigned(value.current));
    SetDlgItemText(id, line + tail);
}

void CTuningPage::SwitchLine(UINT id, const char* key, const char* label, const TuningValue& value) {
    CString line = LoadLangString(key, label) + " ";
    if (!value.present)
        line += LoadLangString("3", "isn't set.");
    else if (value.current)
        line += LoadLangString("6", "is currently enabled.");
    else
        line += LoadLangString("5", "is currently disabled.");
    SetDlgItemText(id, line);
}

long CTuningPage::EditValue(UINT id) const {
    BOOL translated = FALSE;
    long value = long(int(GetDlgItemInt(id, &translated, TRUE)));
    return translated ? value : 0;
}

void CTuningPage::ResetEditIfNotPositive(UINT id, long recommendation) {
    long value = EditValue(id);
    if (ResetIfNotPositive(value, recommendation) != value) SetDlgItemInt(id, UINT(recommendation));
}

// --- page 1: connection type -------------------------------------------------

CChooseConnectionType::CChooseConnectionType()
    : CTuningPage(IDD_CONNECTION_TYPE, PAGE_CONNECTION_TYPE, "21", "Step 1 of 8 : Choose Connection Type", "30",
                  "Step 1 of 6 : Choose Connection Type") {}

BOOL CChooseConnectionType::OnInitDialog() {
    CheckRadioButton(m_hWnd, IDC_RADIO_DIALUP, IDC_RADIO_LAN, IDC_RADIO_DIALUP);
    Sheet().SkinWindow(GetSheetHwnd());
    Sheet().SkinWindow(m_hWnd);
    return TRUE;
}

void CChooseConnectionType::SetTexts() {
    LangText(IDC_PAGE_INSTRUCTION, "IDC_step1_static_Instruction", "Choose the type of your internet connection:");
    LangText(IDC_RADIO_DIALUP, "IDC_step2_RADIO_DialUp", "Dial Up Connection (&Modem).");
    LangText(IDC_RADIO_CABLE, "IDC_step2_RADIO_Cable", "&Cable Modem.");
    LangText(IDC_RADIO_DSL, "IDC_step2_RADIO_DSL", "&Digital Subscriber Line (DSL).");
    LangText(IDC_RADIO_LAN, "IDC_step2_RADIO_LAN", "&LAN Connection (Ethernet).");
}

bool CChooseConnectionType::StoreValues() {
    TuningSettings& settings = Settings();
    if (IsDlgButtonChecked(IDC_RADIO_CABLE))
        settings.type = CONNECTION_CABLE;
    else if (IsDlgButtonChecked(IDC_RADIO_DIALUP))
        settings.type = CONNECTION_DIALUP;
    else if (IsDlgButtonChecked(IDC_RADIO_DSL))
        settings.type = CONNECTION_DSL;
    else if (IsDlgButtonChecked(IDC_RADIO_LAN))
        settings.type = CONNECTION_LAN;
    CSwiftlaneApp* app = SwiftlaneApp();
    if (settings.type == CONNECTION_DIALUP && !g_nModemFound && app && app->Store().FindModem(settings.family))
        g_nModemFound = 1;
    return true;
}

// --- page 2: MTU and MSS -----------------------------------------------------

CMTUSettings::CMTUSettings()
    : CTuningPage(IDD_MTU, PAGE_MTU, "22", "Step 2 of 8 : Specify MTU Settings", "31",
                  "Step 2 of 6 : Specify MTU Settings") {}

void CMTUSettings::SetTexts() {
    LangText(IDC_LABEL_FIRST, "IDC_static_MTU", "MTU :");
    LangText(IDC_LABEL_SECOND, "IDC_static_MSS", "MSS :");
}

void CMTUSettings::ShowValues() {
    TuningSettings& settings = Settings();
    int mtu = RecommendedMTU(settings.type);
    settings.mtu.Recommend(DWORD(mtu));
    settings.mss.Recommend(DWORD(MSSForMTU(mtu)));
    SetDlgItemInt(IDC_MTU, settings.mtu.recommended);
    SetDlgItemInt(IDC_MSS, settings.mss.recommended);
    RecommendedLine(IDC_RECOMMENDED_FIRST, "IDC_static_RecommendedMTU", "Recommended MTU size  :  %d bytes.",
                    settings.mtu.recommended);
    RecommendedLine(IDC_RECOMMENDED_SECOND, "IDC_static_RecommendedMSS", "Recommended MSS size  :  %d bytes.",
                    settings.mss.recommended);
    CurrentLine(IDC_CURRENT_FIRST, "IDC_static_CurrentMTU", "Your MTU", settings.mtu, "4", "bytes");
    CurrentLine(IDC_CURRENT_SECOND, "IDC_static_CurrentMSS", "Your MSS", settings.mss, "4", "bytes");
}

BOOL CMTUSettings::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_MTU) {
        ResetEditIfNotPositive(IDC_MTU, long(Settings().mtu.recommended));
        return TRUE;
    }
    if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_MSS) {
        ResetEditIfNotPositive(IDC_MSS, long(Settings().mss.recommended));
        return TRUE;
    }
    return CTuningPage::OnCommand(wParam, lParam);
}

bool CMTUSettings::StoreValues() {
    Settings().mtu.chosen = DWORD(ResetIfNotPositive(EditValue(IDC_MTU), long(Settings().mtu.recommended)));
    Settings().mss.chosen = DWORD(ResetIfNotPositive(EditValue(IDC_MSS), long(Settings().mss.recommended)));
    return true;
}

// --- page 3: path-MTU discovery and black-hole detection ---------------------

COtherMTUSettings::COtherMTUSettings()
    : CTuningPage(IDD_OTHER_MTU, PAGE_OTHER_MTU, "23", "Step 3 of 8 : Other MTU Settings", "32",
                  "Step 3 of 6 : Other MTU Settings") {}

void COtherMTUSettings::SetTexts() {
    LangText(IDC_CHK_PMTU_DISCOVERY, "IDC_chk_PMTUDiscovery", "Disable It?");
    LangText(IDC_CHK_BLACK_HOLE, "IDC_chk_BlackHole", "Enable It?");
    SwitchLine(IDC_CURRENT_FIRST, "IDC_static_PMTUDiscovery", "Path MTU Discovery", Settings().pmtuDiscovery);
    SwitchLine(IDC_CURRENT_SECOND, "IDC_static_BlackHole", "Black Hole Detection", Settings().blackHoleDetect);
}

bool COtherMTUSettings::StoreValues() {
    Settings().pmtuDiscovery.chosen = IsDlgButtonChecked(IDC_CHK_PMTU_DISCOVERY) ? 0 : 1;
    Settings().blackHoleDetect.chosen = IsDlgButtonChecked(IDC_CHK_BLACK_HOLE) ? 1 : 0;
    return true;
}

// --- page 4: receive window --------------------------------------------------

CRWINSetting::CRWINSetting()
    : CTuningPage(IDD_RWIN, PAGE_RWIN, "24", "Step 4 of 8 : RWIN Setting", "33", "Step 4 of 6 : RWIN Setting") {}

void CRWINSetting::SetTexts() {
    LangText(IDC_LABEL_FIRST, "IDC_STATIC_MSS", "MSS :");
    LangText(IDC_LABEL_SECOND, "IDC_STATIC_MULTIPLIER", "Multiplier :");
    LangText(IDC_LABEL_THIRD, "IDC_STATIC_SCALING", "Scaling factor :");
    LangText(IDC_LABEL_FOURTH, "IDC_STATIC_RWIN", "RWIN :");
    CurrentLine(IDC_CURRENT_FIRST, "IDC_static_CurrentRWIN", "Your RWIN", Settings().rwin, "4", "bytes");
}

void CRWINSetting::ShowValues() {
    TuningSettings& settings = Settings();
    settings.multiplier.Recommend(DWORD(RecommendedRWINMultiplier(settings.type)));
    settings.rwin.Recommend(DWORD(ComputeRWIN(settings.mss.chosen, settings.multiplier.recommended)));
    SetDlgItemInt(IDC_RWIN_MSS, settings.mss.chosen, FALSE);
    SetDlgItemInt(IDC_RWIN_SCALING, kRWINScaling, FALSE);
    RestoreRecommendation();
}

void CRWINSetting::RestoreRecommendation() {
    SetDlgItemInt(IDC_RWIN_MULTIPLIER, Settings().multiplier.recommended, FALSE);
    SetDlgItemInt(IDC_RWIN, Settings().rwin.recommended, FALSE);
}

uint64_t CRWINSetting::TypedRWIN() const {
    BOOL translated = FALSE;
    UINT multiplier = GetDlgItemInt(IDC_RWIN_MULTIPLIER, &translated, FALSE);
    return ComputeRWIN(Settings().mss.chosen, translated ? multiplier : 0);
}

BOOL CRWINSetting::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) != IDC_RWIN_MULTIPLIER) return CTuningPage::OnCommand(wParam, lParam);
    if (HIWORD(wParam) == EN_CHANGE) {
        BOOL translated = FALSE;
        UINT multiplier = GetDlgItemInt(IDC_RWIN_MULTIPLIER, &translated, FALSE);
        if (translated && multiplier) {
            CString text;
            text.Format("%" PRIu64, ComputeRWIN(Settings().mss.chosen, multiplier));
            SetDlgItemText(IDC_RWIN, text);
        }
        return TRUE;
    }
    if (HIWORD(wParam) == EN_KILLFOCUS) {
        if (!IsValidRWIN(TypedRWIN(), Settings().mss.chosen)) {
            QvMessageBox(m_hWnd, LoadLangString("9", "Valid range of RWIN is from MSS to 1073741823."), Caption(),
                         MB_ICONINFORMATION);
            RestoreRecommendation();
        }
        return TRUE;
    }
    return CTuningPage::OnCommand(wParam, lParam);
}

bool CRWINSetting::StoreValues() {
    uint64_t rwin = TypedRWIN();
    if (!IsValidRWIN(rwin, Settings().mss.chosen)) {
        RestoreRecommendation();
        rwin = Settings().rwin.recommended;
    }
    Settings().multiplier.chosen = GetDlgItemInt(IDC_RWIN_MULTIPLIER, nullptr, FALSE);
    Settings().rwin.chosen = DWORD(rwin);
    return true;
}

// --- page 5: TTL and Internet Explorer's connections ------------------------

CTTLSetting::CTTLSetting()
    : CTuningPage(IDD_TTL, PAGE_TTL, "25", "Step 5 of 8 : TTL && Internet Explorer Optimization", "34",
                  "Step 5 of 6 : TTL && Internet Explorer Optimization") {}

void CTTLSetting::SetTexts() {
    LangText(IDC_LABEL_FIRST, "IDC_static_TTL", "TTL :");
    LangText(IDC_LABEL_SECOND, "IDC_static_HTTP_1_0", "HTTP 1.0 connections :");
    LangText(IDC_LABEL_THIRD, "IDC_static_HTTP_1_1", "HTTP 1.1 connections :");
}

void CTTLSetting::ShowValues() {
    TuningSettings& settings = Settings();
    SetDlgItemInt(IDC_TTL, settings.ttl.chosen);
    SetDlgItemInt(IDC_HTTP_1_0, settings.http10.chosen);
    SetDlgItemInt(IDC_HTTP_1_1, settings.http11.chosen);
    RecommendedLine(IDC_RECOMMENDED_FIRST, "IDC_RECOMMENDED_TTL", "Recommended TTL  :  %d seconds.",
                    settings.ttl.recommended);
    RecommendedLine(IDC_RECOMMENDED_SECOND, "IDC_RECOMMENDED_HTTP_1_0", "Recommended HTTP 1.0 connections  :  %d.",
                    settings.http10.recommended);
    RecommendedLine(IDC_RECOMMENDED_THIRD, "IDC_RECOMMENDED_HTTP_1_1", "Recommended HTTP 1.1 connections  :  %d.",
                    settings.http11.recommended);
    CurrentLine(IDC_CURRENT_FIRST, "IDC_static_CurrentTTL", "Your TTL", settings.ttl, "7", "seconds");
    CurrentLine(IDC_CURRENT_SECOND, "IDC_static_CurrentHTTP_1_0", "Your HTTP 1.0 connections", settings.http10,
                nullptr, nullptr);
    CurrentLine(IDC_CURRENT_THIRD, "IDC_static_CurrentHTTP_1_1", "Your HTTP 1.1 connections", settings.http11,
                nullptr, nullptr);
}

BOOL CTTLSetting::OnCommand(WPARAM wParam, LPARAM lParam) {
    TuningSettings& settings = Settings();
    UINT id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_TTL && code == EN_CHANGE) {
        ResetEditIfNotPositive(IDC_TTL, long(settings.ttl.recommended));
        return TRUE;
    }
    // Only once the user is done typing: "1" on the way to "12" is no reset.
    if (code == EN_KILLFOCUS && (id == IDC_HTTP_1_0 || id == IDC_HTTP_1_1)) {
        long floor = id == IDC_HTTP_1_0 ? kMinHttp10 : kMinHttp11;
        long recommended = long(id == IDC_HTTP_1_0 ? settings.http10.recommended : settings.http11.recommended);
        long value = EditValue(id);
        if (ResetIfBelow(value, floor, recommended) != value) SetDlgItemInt(id, UINT(recommended));
        return TRUE;
    }
    return CTuningPage::OnCommand(wParam, lParam);
}

bool CTTLSetting::StoreValues() {
    TuningSettings& settings = Settings();
    long ttl = ResetIfNotPositive(EditValue(IDC_TTL), long(settings.ttl.recommended));
    if (!IsValidTTL(ttl)) {
        ::SetFocus(GetDlgItem(IDC_TTL));
        return false;
    }
    settings.ttl.chosen = DWORD(ttl);
    settings.http10.chosen = DWORD(ResetIfBelow(EditValue(IDC_HTTP_1_0), kMinHttp10, long(settings.http10.recommended)));
    settings.http11.chosen = DWORD(ResetIfBelow(EditValue(IDC_HTTP_1_1), kMinHttp11, long(settings.http11.recommended)));
    SetDlgItemInt(IDC_HTTP_1_0, settings.http10.chosen);
    SetDlgItemInt(IDC_HTTP_1_1, settings.http11.chosen);
    return true;
}

// --- page 6: keep-alive ------------------------------------------------------

CKeepAliveSettings::CKeepAliveSettings()
    : CTuningPage(IDD_KEEP_ALIVE, PAGE_KEEP_ALIVE, "26", "Step 6 of 8 : Keep Alive Settings", "35",
                  "Step 6 of 6 : Keep Alive Settings") {}

void CKeepAliveSettings::SetTexts() {
    LangText(IDC_LABEL_FIRST, "IDC_static_KeepAliveTime", "Keep Alive Time :");
    LangText(IDC_LABEL_SECOND, "IDC_static_KeepAliveInterval", "Keep Alive Interval :");
}

void CKeepAliveSettings::ShowValues() {
    TuningSettings& settings = Settings();
    SetDlgItemInt(IDC_KEEP_ALIVE_TIME, settings.keepAliveTime.chosen);
    SetDlgItemInt(IDC_KEEP_ALIVE_INTERVAL, settings.keepAliveInterval.chosen);
    RecommendedLine(IDC_RECOMMENDED_FIRST, "IDC_RECOMMENDED_KeepAliveTime",
                    "Recommended Keep Alive Time  :  %d milliseconds.", settings.keepAliveTime.recommended);
    RecommendedLine(IDC_RECOMMENDED_SECOND, "IDC_RECOMMENDED_KeepAliveInterval",
                    "Recommended Keep Alive Interval  :  %d milliseconds.", settings.keepAliveInterval.recommended);
    CurrentLine(IDC_CURRENT_FIRST, "IDC_static_CurrentKeepAliveTime", "Your Keep Alive Time", settings.keepAliveTime,
                "1", "milliseconds");
    CurrentLine(IDC_CURRENT_SECOND, "IDC_static_CurrentKeepAliveInterval", "Your Keep Alive Interval",
                settings.keepAliveInterval, "1", "milliseconds");
}

BOOL CKeepAliveSettings::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_KEEP_ALIVE_TIME) {
        ResetEditIfNotPositive(IDC_KEEP_ALIVE_TIME, long(DefaultsFor(Settings().family).keepAliveTime));
        return TRUE;
    }
    if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_KEEP_ALIVE_INTERVAL) {
        ResetEditIfNotPositive(IDC_KEEP_ALIVE_INTERVAL, long(DefaultsFor(Settings().family).keepAliveInterval));
        return TRUE;
    }
    return CTuningPage::OnCommand(wParam, lParam);
}

bool CKeepAliveSettings::StoreValues() {
    TuningDefaults defaults = DefaultsFor(Settings().family);
    Settings().keepAliveTime.chosen = DWORD(ResetIfNotPositive(EditValue(IDC_KEEP_ALIVE_TIME), long(defaults.keepAliveTime)));
    Settings().keepAliveInterval.chosen =
        DWORD(ResetIfNotPositive(EditValue(IDC_KEEP_ALIVE_INTERVAL), long(defaults.keepAliveInterval)));
    return true;
}

// --- page 7: SYN-attack protection ------------------------------------------

CSYNFloodAttackSetting::CSYNFloodAttackSetting()
    : CTuningPage(IDD_SYN_FLOOD, PAGE_SYN_FLOOD, "27", "Step 7 of 8 : SYN Flood Attack Setting", nullptr, nullptr) {}

void CSYNFloodAttackSetting::SetTexts() {
    LangText(IDC_LABEL_FIRST, "IDC_static_SYNProtect", "SYN Attack Protect (0, 1 or 2) :");
}

void CSYNFloodAttackSetting::ShowValues() {
    TuningSettings& settings = Settings();
    SetDlgItemInt(IDC_SYN_PROTECT, settings.synProtect.chosen);
    RecommendedLine(IDC_RECOMMENDED_FIRST, "IDC_RECOMMENDED_SYNProtect", "Recommended SYN Attack Protect option  :  %d.",
                    settings.synProtect.recommended);
    CurrentLine(IDC_CURRENT_FIRST, "IDC_static_CurrentSYNProtect", "Your SYN Attack Protect", settings.synProtect,
                nullptr, nullptr, "8", "was set to option");
}

bool CSYNFloodAttackSetting::StoreValues() {
    BOOL translated = FALSE;
    long value = long(int(GetDlgItemInt(IDC_SYN_PROTECT, &translated, TRUE)));
    if (!translated || !IsValidSYNProtect(value)) {
        ::SetFocus(GetDlgItem(IDC_SYN_PROTECT));
        return false;
    }
    Settings().synProtect.chosen = DWORD(value);
    return true;
}

// --- page 8: ICMP redirects --------------------------------------------------

CICMPRedirectAttackSetting::CICMPRedirectAttackSetting()
    : CTuningPage(IDD_ICMP_REDIRECT, PAGE_ICMP_REDIRECT, "28", "Step 8 of 8 : ICMP Redirect Attack Setting", nullptr,
                  nullptr) {}

void CICMPRedirectAttackSetting::SetTexts() {
    LangText(IDC_CHK_ICMP, "IDC_chk_ICMP", "Enable It?");
    SwitchLine(IDC_CURRENT_FIRST, "IDC_static_ICMPRedirects", "ICMP Redirects", Settings().icmpRedirects);
}

bool CICMPRedirectAttackSetting::StoreValues() {
    Settings().icmpRedirects.chosen = IsDlgButtonChecked(IDC_CHK_ICMP) ? 1 : 0;
    return true;
}

// --- page 9: modem -----------------------------------------------------------

CModemBoost::CModemBoost()
    : CTuningPage(IDD_MODEM_BOOST, PAGE_MODEM_BOOST, "29", "Boost the Modem", "29", "Boost the Modem") {}

void CModemBoost::SetTexts() {
    LangText(IDC_DESCRIBTION, "IDC_DESCRIBTION",
             "Your modem can be driven faster than Windows offers: Quorvane Swiftlane raises its top port speed "
             "from 115200 to 921600 bit/s when you press Finish.");
}

// --- the sheet ---------------------------------------------------------------

CMyPropertySheet::CMyPropertySheet(CWnd* parent) : CPropertySheet(IDS_WIZARD_CAPTION, parent) {
    CSwiftlaneApp* app = SwiftlaneApp();
    m_settings.family = app && app->m_family == FAMILY_9X ? FAMILY_9X : FAMILY_NT;
    for (CTuningPage* page : std::initializer_list<CTuningPage*>{&m_connectionType, &m_mtu, &m_otherMtu, &m_rwin,
                                                                 &m_ttl, &m_keepAlive, &m_synFlood, &m_icmpRedirect,
                                                                 &m_modemBoost})
        AddPage(page);
    SetWizardMode();
    m_psh.dwFlags &= ~DWORD(PSH_HASHELP);
    if (app) app->m_pSheet = this;
}

CMyPropertySheet::~CMyPropertySheet() {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app && app->m_pSheet == this) app->m_pSheet = nullptr;
}

CTuningPage* CMyPropertySheet::PageAt(TuningPage index) const { return static_cast<CTuningPage*>(GetPage(index)); }

bool CMyPropertySheet::ModemPage() const { return ModemPageOffered(m_settings.type, g_nModemFound != 0); }

BOOL CMyPropertySheet::OnInitDialog() {
    SetDlgItemLangText(m_hWnd, ID_WIZBACK, "ID_WIZBACK", "< &Back");
    SetDlgItemLangText(m_hWnd, ID_WIZNEXT, "ID_WIZNEXT", "&Next >");
    SetDlgItemLangText(m_hWnd, IDCANCEL, "IDCANCEL", "Cancel");
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app) app->Store().ReadCurrent(m_settings, m_originals);
    m_settings.SetDefaults();
    return TRUE;
}

bool CMyPropertySheet::ApplySettings() {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (!app) return true;
    TuningApplyResult result = app->Store().Apply(m_settings, m_originals, ModemPage());
    // Another Swiftlane made that backup after this wizard opened, so nobody was asked yet.
    while (result.outcome == TuningApplyResult::BackupChanged) {
        if (QvMessageBox(m_hWnd, LoadLangString("43", kReplaceBackupQuestion), Caption(), MB_YESNO | MB_ICONQUESTION) !=
            IDYES)
            return false;
        m_originals.backupSeen = result.backupFound;
        result = app->Store().Apply(m_settings, m_originals, ModemPage());
    }
    if (result.outcome == TuningApplyResult::NoBackup) {
        CString text = LoadLangString("44", kBackupFailedText);
        if (result.backupKept) text += "\n" + LoadLangString("45", kBackupKeptText);
        QvMessageBox(m_hWnd, text, Caption(), MB_OK | MB_ICONERROR);
        return true;
    }
    if (result.outcome == TuningApplyResult::WriteFailed) {
        QvMessageBox(m_hWnd, FillMarker(kApplyFailedText, "%s", result.failedValue), Caption(), MB_OK | MB_ICONERROR);
        return true;
    }
    QvMessageBox(m_hWnd,
                 LoadLangString("41", "Congratulation, Quorvane Swiftlane has boosted your internet connections.\n"
                                      "Please, restart your computer in order to feel the change."),
                 Caption(), MB_OK | MB_ICONINFORMATION);
    return true;
}

void CMyPropertySheet::RefreshSkin() const {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app && app->m_pMainDlg && m_hWnd) app->m_pMainDlg->Skin().RefreshWindow(m_hWnd);
}

void CMyPropertySheet::SkinWindow(HWND hwnd) const {
    CSwiftlaneApp* app = SwiftlaneApp();
    if (app && app->m_pMainDlg && hwnd) app->m_pMainDlg->Skin().SkinWindow(hwnd);
}

bool CMyPropertySheet::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != WM_HELP) return false;
    result = TRUE;
    return true;
}
