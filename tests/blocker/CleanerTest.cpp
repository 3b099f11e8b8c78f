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
        CCleanerRun run(settings);
        ClearCleanerJournal();
        EXPECT_EQ(1u, RunCleaner(run));
        EXPECT_EQ(r.expected, CleanerJournal());
        EXPECT_EQ(&run.parameters, run.module.m_pParameters);
        for (BYTE option : run.parameters.m_options) EXPECT_EQ(1, option);
    }
}

TEST(CleanerWorker, RunsKeepTheFlagsTheyStartedWithGoInTurnAndTheEndWaitsForThem) {
    ClearCleanerJournal();
    {
        // Settings and work end before anything polls the journal: the runs
        // own what they use, and the work's end waits for them.
        CBlokkumSettings settings;
        CCleanerWork work(settings);
        settings.m_dwOpera6Configured = 1;
        ASSERT_TRUE(StartCleanerWorker(work));
        settings.m_dwOpera6Configured = 0;
        settings.m_dwNetscapeConfigured = 1;
        ASSERT_TRUE(StartCleanerWorker(work));
        settings.m_dwNetscapeConfigured = 0;
        settings.m_dwLanConfigured = 1;
        ASSERT_TRUE(StartCleanerWorker(work));
    }
    EXPECT_EQ((std::vector<CleanerCall>{{S, 4}, {O, 4}, {S, 2}, {D, 2}, {S, 3}, {D, 3}, {S, 5}, {D, 5}, {S, 1}, {D, 1}}),
              CleanerJournal());
}
