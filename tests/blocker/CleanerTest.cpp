// The cleaner worker over the cleaner layer's journal of calls.
#include <gtest/gtest.h>

#include "CleanerWorker.h"

namespace {
const CleanerOperation S = CleanerOperation::Scan;
const CleanerOperation D = CleanerOperation::DeleteRedundant;
const CleanerOperation O = CleanerOperation::DeleteOperaRedundant;
}  // namespace

TEST(CleanerWorker, EachConfiguredBrowserIsScannedAndCleanedWithItsKinds) {
    struct Row {
        const char* name;
        DWORD lan, dialUp, netscape, opera6, opera7;
        std::vector<CleanerCall> expected;
    } rows[] = {
        {"nothing configured", 0, 0, 0, 0, 0, {}},
        {"dial-up only", 0, 1, 0, 0, 0, {{S, 1}, {D, 1}}},
        {"Opera 7 only", 0, 0, 0, 0, 1, {{S, 4}, {O, 4}}},
        {"Netscape only", 0, 0, 1, 0, 0, {{S, 2}, {D, 2}, {S, 3}, {D, 3}, {S, 5}, {D, 5}}},
        {"all", 1, 1, 1, 1, 1, {{S, 1}, {D, 1}, {S, 2}, {D, 2}, {S, 3}, {D, 3}, {S, 5}, {D, 5}, {S, 4}, {O, 4}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CBlokkumSettings settings;
        settings.m_dwLanConfigured = r.lan;
        settings.m_dwDialUpConfigured = r.dialUp;
        settings.m_dwNetscapeConfigured = r.netscape;
        settings.m_dwOpera6Configured = r.opera6;
        settings.m_dwOpera7Configured = r.opera7;
        CCleanerWork work(settings);
        ClearCleanerJournal();
        EXPECT_EQ(1u, CleanerThreadProc(&work));
        EXPECT_EQ(r.expected, CleanerJournal());
        EXPECT_EQ(&work.parameters, work.module.m_pParameters);
    }
}

TEST(CleanerWorker, StartSetsTheOptionBytesAndRunsOnAThreadOfItsOwn) {
    CBlokkumSettings settings;
    settings.m_dwOpera6Configured = 1;
    CCleanerWork work(settings);
    ClearCleanerJournal();
    ASSERT_TRUE(StartCleanerWorker(work));
    for (int i = 0; i < 200 && CleanerJournal().size() < 2; ++i) Sleep(10);
    EXPECT_EQ((std::vector<CleanerCall>{{S, 4}, {O, 4}}), CleanerJournal());
    for (BYTE option : work.parameters.m_options) EXPECT_EQ(1, option);
}
