// What Blokkum's dialog tests share: a thread timer that runs one scripted
// step per tick inside a modal run (so posted messages are handled between
// steps), and the check that no window of the test was left open.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using DialogStep = std::function<void()>;

class CStepDriver {
public:
    // Runs the steps one per tick; once they are used up, onDone (if any)
    // runs on every further tick, so a dialog left open can be closed.
    explicit CStepDriver(std::vector<DialogStep> steps, DialogStep onDone = nullptr) {
        Steps() = std::move(steps);
        Done() = std::move(onDone);
        Next() = 0;
        m_timer = SetTimer(nullptr, 0, 40, Tick);
    }
    ~CStepDriver() {
        KillTimer(nullptr, m_timer);
        Steps().clear();
        Done() = nullptr;
    }
    CStepDriver(const CStepDriver&) = delete;
    CStepDriver& operator=(const CStepDriver&) = delete;
    static bool Finished() { return Next() >= Steps().size(); }

private:
    static std::vector<DialogStep>& Steps() { static std::vector<DialogStep> s; return s; }
    static DialogStep& Done() { static DialogStep d; return d; }
    static size_t& Next() { static size_t n = 0; return n; }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (Next() < Steps().size()) {
            DialogStep step = Steps()[Next()++];
            step();
        } else if (Done()) {
            Done()();
        }
    }
    UINT_PTR m_timer = 0;
};

inline BOOL CALLBACK ExpectHidden(HWND hwnd, LPARAM) {
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "a window was left open";
    return TRUE;
}

inline void ExpectNoWindowLeftOpen() { EnumThreadWindows(GetCurrentThreadId(), ExpectHidden, 0); }

inline void ClickItem(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
