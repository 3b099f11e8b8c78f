// BackgroundFlush.h - CBackgroundFlush: FlushFileBuffers on a thread of its
// own, so that the next unit of a pass is copied to the system while the last
// one goes to the disk. One flush at a time: Begin waits for the one before
// it, so no more than one unit is ever on its way, and Finish waits for the
// last. The thread starts with the first flush and ends with the object.
// Deliberately not: several flushes in flight, a queue, flushes of different
// files overlapping.
#pragma once

#include <windows.h>

class CBackgroundFlush {
public:
    CBackgroundFlush() = default;
    ~CBackgroundFlush();
    CBackgroundFlush(const CBackgroundFlush&) = delete;
    CBackgroundFlush& operator=(const CBackgroundFlush&) = delete;

    // Waits for the flush still running, then starts one of file (or flushes
    // it here when no thread can be had). 0, or the error code of the flush
    // that failed: the earlier one's, or this one's when it ran here.
    DWORD Begin(HANDLE file);
    // Waits for the flush begun last: 0 or its error code. The caller calls
    // it before it closes the file.
    DWORD Finish();

private:
    static DWORD WINAPI ThreadProc(void* self);
    bool HaveThread();

    HANDLE m_thread = nullptr;
    HANDLE m_go = nullptr;
    HANDLE m_done = nullptr;
    HANDLE m_file = nullptr;
    DWORD m_error = 0;
    bool m_pending = false;
    volatile bool m_quit = false;
};
