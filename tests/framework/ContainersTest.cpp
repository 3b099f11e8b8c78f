#include <gtest/gtest.h>

#include <vector>

#include "Arrays.h"
#include "Sync.h"
#include "Thread.h"

namespace {
struct Tracked {
    explicit Tracked(int* deaths) : deaths(deaths) {}
    ~Tracked() { ++*deaths; }
    int* deaths;
};
}  // namespace

TEST(OwnedPtrArray, DeletesOnRemoveAndDestructionButNotOnDetach) {
    int deaths = 0;
    {
        COwnedPtrArray<Tracked> items;
        for (int i = 0; i < 4; ++i) items.Add(new Tracked(&deaths));
        items.RemoveAt(0);
        EXPECT_EQ(deaths, 1);
        Tracked* kept = items.Detach(0);
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(items.GetSize(), 2);
        EXPECT_EQ(items.IndexOf(kept), -1);
        delete kept;
        EXPECT_EQ(deaths, 2);
    }
    EXPECT_EQ(deaths, 4);
}

TEST(ValueArray, GrowsAndChecksBounds) {
    CArray<int> a;
    a.SetSize(3);
    a[2] = 7;
    a.InsertAt(0, 1);
    EXPECT_EQ(a.GetSize(), 4);
    EXPECT_EQ(a[3], 7);
    EXPECT_THROW(a.InsertAt(9, 0), std::out_of_range);
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
}

namespace {
struct Shared {
    CCriticalSection cs;
    long counter = 0;
};

DWORD WINAPI Bump(void* p) {
    auto* shared = static_cast<Shared*>(p);
    for (int i = 0; i < 20000; ++i) {
        CCriticalSectionLock lock(shared->cs);
        long v = shared->counter;
        if ((i & 255) == 0) Sleep(0);
        shared->counter = v + 1;
    }
    return 0;
}

DWORD WINAPI Sleeper(void* p) {
    Sleep(*static_cast<DWORD*>(p));
    return 42;
}
}  // namespace

TEST(WorkerThreads, LockedCountersAddUpAcrossThreads) {
    Shared shared;
    std::vector<HANDLE> threads;
    for (int i = 0; i < 6; ++i) {
        HANDLE h = BeginWorkerThread(Bump, &shared, THREAD_PRIORITY_HIGHEST);
        ASSERT_NE(h, nullptr);
        threads.push_back(h);
    }
    ASSERT_EQ(WaitForMultipleObjects(DWORD(threads.size()), threads.data(), TRUE, 30000), WAIT_OBJECT_0);
    for (HANDLE h : threads) CloseHandle(h);
    EXPECT_EQ(shared.counter, 6 * 20000);
}

TEST(WorkerThreads, WaitIsBoundedAndReportsTheEnd) {
    DWORD ms = 400;
    CWorkerThread t;
    ASSERT_TRUE(t.Start(Sleeper, &ms));
    EXPECT_TRUE(t.IsRunning());
    EXPECT_FALSE(t.Wait(10));
    EXPECT_TRUE(t.Wait(5000));
    DWORD code = 0;
    GetExitCodeThread(t.Handle(), &code);
    EXPECT_EQ(code, 42u);
    EXPECT_FALSE(t.IsRunning());
}
