// Sync.h - CCriticalSection and its scoped lock CCriticalSectionLock.
// Offers: the Win32 critical section as an object that cannot be copied, and
// a lock that is released when it goes out of scope (also on early returns).
// Deliberately not: events, mutexes, semaphores (use the Win32 calls with CHandle).
#pragma once

#include <windows.h>

class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Lock() { EnterCriticalSection(&m_cs); }
    void Unlock() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class CCriticalSectionLock {
public:
    explicit CCriticalSectionLock(CCriticalSection& cs) : m_cs(&cs) { m_cs->Lock(); }
    ~CCriticalSectionLock() { Unlock(); }
    CCriticalSectionLock(const CCriticalSectionLock&) = delete;
    CCriticalSectionLock& operator=(const CCriticalSectionLock&) = delete;
    // Releases early; the destructor then does nothing.
    void Unlock() {
        if (m_cs) { m_cs->Unlock(); m_cs = nullptr; }
    }

private:
    CCriticalSection* m_cs;
};
