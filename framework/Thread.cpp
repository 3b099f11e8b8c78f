#include "Thread.h"

#include <process.h>

namespace {
struct StartBlock {
    WorkerProc proc;
    void* param;
};

unsigned __stdcall Trampoline(void* p) {
    StartBlock block = *static_cast<StartBlock*>(p);
    delete static_cast<StartBlock*>(p);
    return unsigned(block.proc(block.param));
}
}  // namespace

HANDLE BeginWorkerThread(WorkerProc proc, void* param, int priority, DWORD* threadId) {
    StartBlock* block = new StartBlock{proc, param};
    unsigned id = 0;
    // Created suspended so the priority is in force before the first instruction.
    const bool suspended = priority != THREAD_PRIORITY_NORMAL;
    uintptr_t h = _beginthreadex(nullptr, 0, Trampoline, block, suspended ? CREATE_SUSPENDED : 0, &id);
    if (h == 0) {
        delete block;
        return nullptr;
    }
    HANDLE thread = reinterpret_cast<HANDLE>(h);
    if (suspended) {
        SetThreadPriority(thread, priority);
        ResumeThread(thread);
    }
    if (threadId) *threadId = id;
    return thread;
}

CWorkerThread::~CWorkerThread() { Release(); }

bool CWorkerThread::Start(WorkerProc proc, void* param, int priority) {
    Release();
    m_h = BeginWorkerThread(proc, param, priority);
    return m_h != nullptr;
}

bool CWorkerThread::Wait(DWORD milliseconds) {
    if (!m_h) return true;
    return WaitForSingleObject(m_h, milliseconds) == WAIT_OBJECT_0;
}

bool CWorkerThread::IsRunning() const {
    return m_h && WaitForSingleObject(m_h, 0) == WAIT_TIMEOUT;
}

void CWorkerThread::Release() {
    if (m_h) CloseHandle(m_h);
    m_h = nullptr;
}
