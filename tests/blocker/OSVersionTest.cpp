#include <gtest/gtest.h>

#include "OSVersion.h"

namespace {
OSVERSIONINFOA Version(DWORD platform, DWORD major, DWORD minor) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return info;
}
}  // namespace

TEST(OSVersionProbe, EachVersionAnswersExactlyItsOwnPredicate) {
    struct Row {
        const char* name;
        DWORD platform, major, minor;
        bool w95, w98, wme, nt4, w2k, xp;
    } rows[] = {
        {"95", 1, 4, 0, true, false, false, false, false, false},
        {"98", 1, 4, 10, false, true, false, false, false, false},
        {"ME", 1, 4, 90, false, false, true, false, false, false},
        {"NT4", 2, 4, 0, false, false, false, true, false, false},
        {"2000", 2, 5, 0, false, false, false, false, true, false},
        {"XP", 2, 5, 1, false, false, false, false, false, true},
        {"2003", 2, 5, 2, false, false, false, false, false, true},
        {"NT3.51", 2, 3, 51, false, false, false, false, false, false},
        {"Vista", 2, 6, 0, false, false, false, false, false, false},
        {"7", 2, 6, 1, false, false, false, false, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        COSVersion v(Version(r.platform, r.major, r.minor));
        EXPECT_EQ(v.IsWin95(), r.w95);
        EXPECT_EQ(v.IsWin98(), r.w98);
        EXPECT_EQ(v.IsWinME(), r.wme);
        EXPECT_EQ(v.IsWinNT4(), r.nt4);
        EXPECT_EQ(v.IsWin2000(), r.w2k);
        EXPECT_EQ(v.IsWinXP(), r.xp);
    }
}

TEST(OSVersionProbe, RealCallUnderTheXpPrefix) {
    COSVersion v;
    EXPECT_TRUE(v.IsWinXP());
    EXPECT_FALSE(v.IsWin2000());
    EXPECT_TRUE(IsWindowsNT());
}
