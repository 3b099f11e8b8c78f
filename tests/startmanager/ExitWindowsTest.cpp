#include <gtest/gtest.h>

#include <vector>

#include "Handles.h"
#include "clsExitWindows.h"

namespace {
bool ShutdownPrivilegeEnabled() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    CHandle token(raw);
    LUID luid;
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &luid)) return false;
    PRIVILEGE_SET set = {};
    set.PrivilegeCount = 1;
    set.Control = PRIVILEGE_SET_ALL_NECESSARY;
    set.Privilege[0].Luid = luid;
    BOOL held = FALSE;
    return PrivilegeCheck(token, &set, &held) && held;
}

void DropShutdownPrivilege() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
    CHandle token(raw);
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid);
    tp.Privileges[0].Attributes = 0;
    AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
}

struct Call {
    UINT flags;
    DWORD reason;
    bool privileged;
};

class ExitWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetExitWindowsHook([this](UINT flags, DWORD reason) {
            calls.push_back({flags, reason, ShutdownPrivilegeEnabled()});
            return TRUE;
        });
    }
    void TearDown() override { SetExitWindowsHook(nullptr); }
    std::vector<Call> calls;
};
}  // namespace

TEST_F(ExitWindowsTest, OptionsAreForcedLogOffShutDownRestartAndPowerOff) {
    // Log off, shut down, restart, power off; every one forced.
    struct Case { long option; UINT flags; } cases[] = {{0, 4}, {1, 5}, {2, 7}, {8, 12}};
    for (const Case& c : cases) {
        calls.clear();
        DropShutdownPrivilege();
        clsExitWindows().ExitWindows(c.option);
        ASSERT_EQ(calls.size(), 1u) << c.option;
        EXPECT_EQ(calls[0].flags, c.flags) << c.option;
        EXPECT_EQ(calls[0].reason, 0xFFFFFFFFu) << c.option;
        EXPECT_TRUE(calls[0].privileged) << c.option;
    }
}

TEST_F(ExitWindowsTest, OtherOptionsDoNothing) {
    clsExitWindows exitWindows;
    for (long option : {-1L, 3L, 4L, 5L, 6L, 7L, 9L, 16L, 0x7FFFFFFFL}) exitWindows.ExitWindows(option);
    EXPECT_TRUE(calls.empty());
}
