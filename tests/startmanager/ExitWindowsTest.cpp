#include <gtest/gtest.h>

#include <vector>

#include "Handles.h"
#include "clsExitWindows.h"

namespace {
// Sets the shutdown privilege on or off; returns whether it is now enabled.
bool ShutdownPrivilege(bool enable, bool query = false) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
    CHandle token(raw);
    PRIVILEGE_SET set = {1, PRIVILEGE_SET_ALL_NECESSARY, {}};
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &set.Privilege[0].Luid);
    if (!query) {
        TOKEN_PRIVILEGES tp = {1, {{set.Privilege[0].Luid, DWORD(enable ? SE_PRIVILEGE_ENABLED : 0)}}};
        AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    }
    BOOL held = FALSE;
    return PrivilegeCheck(token, &set, &held) && held;
}

struct Call { UINT flags; DWORD reason; bool privileged; };
}  // namespace

TEST(ExitWindows, OptionsMapToForcedFlagsWithTheShutdownPrivilege) {
    std::vector<Call> calls;
    SetExitWindowsHook([&](UINT flags, DWORD reason) {
        calls.push_back({flags, reason, ShutdownPrivilege(false, true)});
        return TRUE;
    });
    // Log off, shut down, restart, power off; then options that do nothing.
    const std::pair<long, UINT> cases[] = {{0, 4}, {1, 5}, {2, 7}, {8, 12}, {-1, 0}, {3, 0}, {7, 0}, {9, 0}, {16, 0}};
    for (const auto& c : cases) {
        calls.clear();
        ASSERT_FALSE(ShutdownPrivilege(false));
        clsExitWindows().ExitWindows(c.first);
        if (c.second == 0) {
            EXPECT_TRUE(calls.empty()) << c.first;
            continue;
        }
        ASSERT_EQ(calls.size(), 1u) << c.first;
        EXPECT_EQ(calls[0].flags, c.second) << c.first;
        EXPECT_EQ(calls[0].reason, 0xFFFFFFFFu) << c.first;
        EXPECT_TRUE(calls[0].privileged) << c.first;
    }
    SetExitWindowsHook(nullptr);
}
