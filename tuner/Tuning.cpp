#include "Tuning.h"

#include <prsht.h>

#include "OSVersion.h"

OSFamily FamilyOf(const COSVersion& version) {
    if (version.IsWin95() || version.IsWin98() || version.IsWinME()) return FAMILY_9X;
    if (version.IsWinXP() || version.IsWin2000() || version.IsWinNT4()) return FAMILY_NT;
    return FAMILY_OTHER;
}

int RecommendedMTU(ConnectionType type) {
    switch (type) {
    case CONNECTION_DIALUP:
        return 576;
    case CONNECTION_DSL:
        return 1492;
    default:
        return 1500;
    }
}

int RecommendedRWINMultiplier(ConnectionType type) { return type == CONNECTION_DIALUP ? 3 : 44; }

uint64_t ComputeRWIN(uint32_t mss, uint32_t multiplier) {
    // Edits hold 32-bit values: their product times 4 fits 64 bits, never 32.
    return uint64_t(mss) * multiplier * kRWINScaling;
}

bool IsValidRWIN(uint64_t rwin, uint64_t mss) { return mss <= rwin && rwin <= kMaxRWIN; }

TuningDefaults DefaultsFor(OSFamily family) {
    if (family == FAMILY_9X) return {32, 4, 8, 2, 7200000, 1000};
    return {64, 20, 20, 2, 7200000, 1000};
}

void TuningSettings::SetDefaults() {
    TuningDefaults d = DefaultsFor(family);
    synProtect.Recommend(d.synProtect);
    keepAliveTime.Recommend(d.keepAliveTime);
    keepAliveInterval.Recommend(d.keepAliveInterval);
    ttl.Recommend(d.ttl);
    http10.Recommend(d.http10);
    http11.Recommend(d.http11);
    mtu.Recommend(DWORD(RecommendedMTU(type)));
    mss.Recommend(DWORD(MSSForMTU(RecommendedMTU(type))));
    multiplier.Recommend(DWORD(RecommendedRWINMultiplier(type)));
    rwin.Recommend(DWORD(ComputeRWIN(mss.recommended, multiplier.recommended)));
    pmtuDiscovery.Recommend(1);
    blackHoleDetect.Recommend(0);
    icmpRedirects.Recommend(0);
}

bool ModemPageOffered(ConnectionType type, bool modemFound) { return modemFound && type == CONNECTION_DIALUP; }

namespace {
// The last page of the common route before the modem page.
TuningPage LastCommonPage(OSFamily family) { return family == FAMILY_9X ? PAGE_KEEP_ALIVE : PAGE_ICMP_REDIRECT; }
}  // namespace

DWORD WizardButtonsFor(TuningPage page, OSFamily family, bool modemPage) {
    if (page == PAGE_CONNECTION_TYPE) return PSWIZB_NEXT;
    if (page == PAGE_MODEM_BOOST) return PSWIZB_BACK | PSWIZB_FINISH;
    if (page == LastCommonPage(family) && !modemPage) return PSWIZB_BACK | PSWIZB_FINISH;
    return PSWIZB_BACK | PSWIZB_NEXT;
}

TuningPage NextPage(TuningPage page, OSFamily family, bool modemPage) {
    if (page == PAGE_MODEM_BOOST) return page;
    if (page == LastCommonPage(family)) return modemPage ? PAGE_MODEM_BOOST : page;
    return TuningPage(page + 1);
}

TuningPage PreviousPage(TuningPage page, OSFamily family, bool) {
    if (page == PAGE_CONNECTION_TYPE) return page;
    if (page == PAGE_MODEM_BOOST) return LastCommonPage(family);
    return TuningPage(page - 1);
}
