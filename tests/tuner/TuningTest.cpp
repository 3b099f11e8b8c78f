// What Swiftlane recommends, resets and computes, without a window.
#include <windows.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include "OSVersion.h"
#include "Tuning.h"

namespace {

TEST(Tuning, RecommendationsFollowTheConnectionType) {
    struct Case {
        ConnectionType type;
        int mtu, mss, multiplier;
        uint64_t rwin;
    } cases[] = {
        {CONNECTION_DIALUP, 576, 536, 3, 6432},
        {CONNECTION_DSL, 1492, 1452, 44, 255552},
        {CONNECTION_LAN, 1500, 1460, 44, 256960},
        {CONNECTION_CABLE, 1500, 1460, 44, 256960},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(c.mtu, RecommendedMTU(c.type));
        EXPECT_EQ(c.mss, MSSForMTU(RecommendedMTU(c.type)));
        EXPECT_EQ(c.multiplier, RecommendedRWINMultiplier(c.type));
        EXPECT_EQ(c.rwin, ComputeRWIN(uint32_t(c.mss), uint32_t(c.multiplier)));
        EXPECT_TRUE(IsValidRWIN(c.rwin, uint64_t(c.mss)));
    }
}

TEST(Tuning, ReceiveWindowIsComputedIn64BitsAndRangeChecked) {
    struct Case {
        uint32_t mss, multiplier;
        uint64_t rwin;
        bool valid;
    } cases[] = {
        {1460, 44, 256960, true},
        {1460, 183857, 1073724880, true},
        {1460, 183858, 1073730720, true},
        {1460, 184000, 1074560000, false},
        // 5 840 000 000 wraps to 1 545 032 704 in 32 bits, which would pass the range check.
        {1460, 1000000, 5840000000ull, false},
        {65535, 4294967295u, 65535ull * 4294967295ull * 4, false},
        {1460, 0, 0, false},
        {536, 1, 2144, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.multiplier);
        EXPECT_EQ(c.rwin, ComputeRWIN(c.mss, c.multiplier));
        EXPECT_EQ(c.valid, IsValidRWIN(ComputeRWIN(c.mss, c.multiplier), c.mss));
    }
    EXPECT_TRUE(IsValidRWIN(kMaxRWIN, 1460));
    EXPECT_FALSE(IsValidRWIN(kMaxRWIN + 1, 1460));
    EXPECT_FALSE(IsValidRWIN(1459, 1460));
}

TEST(Tuning, DefaultsDependOnTheFamily) {
    TuningSettings nt;
    nt.family = FAMILY_NT;
    nt.SetDefaults();
    TuningSettings x9;
    x9.family = FAMILY_9X;
    x9.SetDefaults();
    struct Case {
        const char* name;
        const TuningValue& value;
        DWORD expected;
    } cases[] = {
        {"NT TTL", nt.ttl, 64},          {"9x TTL", x9.ttl, 32},
        {"NT HTTP 1.0", nt.http10, 20},  {"9x HTTP 1.0", x9.http10, 4},
        {"NT HTTP 1.1", nt.http11, 20},  {"9x HTTP 1.1", x9.http11, 8},
        {"SYN", nt.synProtect, 2},       {"keep-alive time", x9.keepAliveTime, 7200000},
        {"keep-alive interval", nt.keepAliveInterval, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, c.value.recommended);
        EXPECT_EQ(c.expected, c.value.chosen);
        EXPECT_FALSE(c.value.present);
    }
}

TEST(Tuning, EditResetsAndRanges) {
    struct Reset {
        long value, floor, recommendation, expected;
    } resets[] = {
        {0, 1, 576, 576}, {-5, 1, 576, 576}, {1, 1, 576, 1},   {1400, 1, 576, 1400},
        {3, 4, 20, 20},   {4, 4, 20, 4},     {1, 2, 20, 20},   {2, 2, 20, 2},
    };
    for (const Reset& r : resets) {
        if (r.floor == 1) { EXPECT_EQ(r.expected, ResetIfNotPositive(r.value, r.recommendation)); }
        EXPECT_EQ(r.expected, ResetIfBelow(r.value, r.floor, r.recommendation));
    }
    EXPECT_TRUE(IsValidTTL(0));
    EXPECT_TRUE(IsValidTTL(255));
    EXPECT_FALSE(IsValidTTL(256));
    EXPECT_FALSE(IsValidTTL(-1));
    for (long syn : {0L, 1L, 2L}) EXPECT_TRUE(IsValidSYNProtect(syn));
    for (long syn : {-1L, 3L}) EXPECT_FALSE(IsValidSYNProtect(syn));
}

OSVERSIONINFOA Version(DWORD platform, DWORD major, DWORD minor) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return info;
}

TEST(Tuning, FamilyOfEveryKnownWindows) {
    struct Case {
        OSVERSIONINFOA info;
        OSFamily family;
    } cases[] = {
        {Version(VER_PLATFORM_WIN32_WINDOWS, 4, 0), FAMILY_9X},  {Version(VER_PLATFORM_WIN32_WINDOWS, 4, 10), FAMILY_9X},
        {Version(VER_PLATFORM_WIN32_WINDOWS, 4, 90), FAMILY_9X}, {Version(VER_PLATFORM_WIN32_NT, 4, 0), FAMILY_NT},
        {Version(VER_PLATFORM_WIN32_NT, 5, 0), FAMILY_NT},       {Version(VER_PLATFORM_WIN32_NT, 5, 1), FAMILY_NT},
        {Version(VER_PLATFORM_WIN32_NT, 5, 2), FAMILY_NT},       {Version(VER_PLATFORM_WIN32_NT, 6, 1), FAMILY_OTHER},
        {Version(VER_PLATFORM_WIN32_NT, 3, 51), FAMILY_OTHER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.info.dwMajorVersion * 100 + c.info.dwMinorVersion);
        EXPECT_EQ(c.family, FamilyOf(COSVersion(c.info)));
    }
}

// Walks the route with Next from the first page; returns the pages seen.
std::vector<int> Route(OSFamily family, bool modemPage) {
    std::vector<int> pages{PAGE_CONNECTION_TYPE};
    TuningPage page = PAGE_CONNECTION_TYPE;
    while (!(WizardButtonsFor(page, family, modemPage) & PSWIZB_FINISH) && pages.size() < 20) {
        page = NextPage(page, family, modemPage);
        pages.push_back(page);
    }
    return pages;
}

TEST(Tuning, WizardRoutePerFamilyAndModem) {
    struct Case {
        OSFamily family;
        bool modem;
        std::vector<int> pages;
    } cases[] = {
        {FAMILY_9X, false, {0, 1, 2, 3, 4, 5}},
        {FAMILY_9X, true, {0, 1, 2, 3, 4, 5, 8}},
        {FAMILY_NT, false, {0, 1, 2, 3, 4, 5, 6, 7}},
        {FAMILY_NT, true, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family * 10 + c.modem);
        EXPECT_EQ(c.pages, Route(c.family, c.modem));
        EXPECT_EQ(DWORD(PSWIZB_NEXT), WizardButtonsFor(PAGE_CONNECTION_TYPE, c.family, c.modem));
        for (size_t i = 1; i + 1 < c.pages.size(); ++i)
            EXPECT_EQ(DWORD(PSWIZB_BACK | PSWIZB_NEXT), WizardButtonsFor(TuningPage(c.pages[i]), c.family, c.modem));
        // Back retraces the same route.
        for (size_t i = c.pages.size() - 1; i > 0; --i)
            EXPECT_EQ(c.pages[i - 1], PreviousPage(TuningPage(c.pages[i]), c.family, c.modem));
    }
}

TEST(Tuning, ModemPageOnlyForDialUpWithAModem) {
    EXPECT_TRUE(ModemPageOffered(CONNECTION_DIALUP, true));
    EXPECT_FALSE(ModemPageOffered(CONNECTION_DIALUP, false));
    for (ConnectionType type : {CONNECTION_DSL, CONNECTION_LAN, CONNECTION_CABLE})
        EXPECT_FALSE(ModemPageOffered(type, true));
}

}  // namespace
