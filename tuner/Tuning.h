// Tuning.h - what Swiftlane recommends and accepts, with no window: the
// connection types, the operating-system family, the recommendations and
// defaults per type and family, the receive-window computation (64-bit, so a
// large MSS times a large multiplier cannot wrap into a "valid" value), the
// reset rules of the page edits, and the wizard's route through its pages.
#pragma once

#include <windows.h>

#include <cstdint>

class COSVersion;

enum ConnectionType { CONNECTION_DIALUP = 0, CONNECTION_DSL = 1, CONNECTION_LAN = 2, CONNECTION_CABLE = 3 };
enum OSFamily { FAMILY_OTHER = -1, FAMILY_9X = 0, FAMILY_NT = 1 };

// 95/98/ME: 9x; NT 4, 2000, XP and 5.2: NT; anything else: other.
OSFamily FamilyOf(const COSVersion& version);

int RecommendedMTU(ConnectionType type);
inline int MSSForMTU(int mtu) { return mtu - 40; }
int RecommendedRWINMultiplier(ConnectionType type);
const int kRWINScaling = 4;
const uint64_t kMaxRWIN = 1073741823;
uint64_t ComputeRWIN(uint32_t mss, uint32_t multiplier);
bool IsValidRWIN(uint64_t rwin, uint64_t mss);

struct TuningDefaults {
    DWORD ttl;
    DWORD http10;
    DWORD http11;
    DWORD synProtect;
    DWORD keepAliveTime;
    DWORD keepAliveInterval;
};
TuningDefaults DefaultsFor(OSFamily family);

// Edit rules: a value of 0 or less (or below the floor) takes the recommendation.
inline long ResetIfNotPositive(long value, long recommendation) { return value <= 0 ? recommendation : value; }
inline long ResetIfBelow(long value, long floor, long recommendation) { return value < floor ? recommendation : value; }
const long kMinHttp10 = 4;
const long kMinHttp11 = 2;
inline bool IsValidTTL(long ttl) { return ttl >= 0 && ttl <= 255; }
inline bool IsValidSYNProtect(long value) { return value >= 0 && value <= 2; }

// One parameter: what the backup found, the recommendation and the choice.
struct TuningValue {
    DWORD current = 0;
    bool present = false;
    DWORD recommended = 0;
    DWORD chosen = 0;
    void Recommend(DWORD value) { recommended = chosen = value; }
};

struct TuningSettings {
    OSFamily family = FAMILY_NT;
    ConnectionType type = CONNECTION_DIALUP;
    TuningValue mtu, mss, rwin, multiplier, ttl, http10, http11, keepAliveTime, keepAliveInterval, synProtect,
        pmtuDiscovery, blackHoleDetect, icmpRedirects;
    // Sets the recommendations of the sheet's initialisation for the family.
    void SetDefaults();
};

// The wizard's pages in order, and its route for a family and modem state.
enum TuningPage {
    PAGE_CONNECTION_TYPE = 0,
    PAGE_MTU,
    PAGE_OTHER_MTU,
    PAGE_RWIN,
    PAGE_TTL,
    PAGE_KEEP_ALIVE,
    PAGE_SYN_FLOOD,
    PAGE_ICMP_REDIRECT,
    PAGE_MODEM_BOOST,
    TUNING_PAGE_COUNT
};
// The modem page is offered only for a dial-up choice with a modem found;
// a later switch to another type drops it again.
bool ModemPageOffered(ConnectionType type, bool modemFound);
// PSWIZB_* mask of a page.
DWORD WizardButtonsFor(TuningPage page, OSFamily family, bool modemPage);
// Next and previous pages (the page itself at the ends).
TuningPage NextPage(TuningPage page, OSFamily family, bool modemPage);
TuningPage PreviousPage(TuningPage page, OSFamily family, bool modemPage);
