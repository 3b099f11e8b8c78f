// Thread.h - starting worker threads.
// Offers: BeginWorkerThread (a thread with the C runtime set up, optional
// priority, handle returned to the caller) and CWorkerThread, which owns the
// handle and can wait for the thread with a bound.
// Deliberately not: user-interface threads with message loops, thread pools.
#pragma once

#include <windows.h>

typedef DWORD(WINAPI* WorkerProc)(void* param);

// Returns the thread handle (caller closes it) or NULL; priority is one of the
// THREAD_PRIORITY_* values.
HANDLE BeginWorkerThread(WorkerProc proc, void* param, int priority = THREAD_PRIORITY_NORMAL,
                         DWORD* threadId = nullptr);

class CWorkerThread {
public:
    CWorkerThread() = default;
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    bool Start(WorkerProc proc, void* param, int priority = THREAD_PRIORITY_NORMAL);
    // True when the thread has ended within the wait (or none was started).
    bool Wait(DWORD milliseconds);
    bool IsRunning() const;
    HANDLE Handle() const { return m_h; }
    // Closes the handle without waiting; the thread runs on by itself.
    void Release();

private:
    HANDLE m_h = nullptr;
};
