#include "BackgroundFlush.h"

#include "Thread.h"

static DWORD FlushOnce(HANDLE file) {
    if (FlushFileBuffers(file)) return 0;
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_WRITE_FAULT;
}

CBackgroundFlush::~CBackgroundFlush() {
    Finish();
    if (m_thread) {
        m_quit = true;
        SetEvent(m_go);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    if (m_go) CloseHandle(m_go);
    if (m_done) CloseHandle(m_done);
}

bool CBackgroundFlush::HaveThread() {
    if (m_thread) return true;
    if (!m_go) m_go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!m_done) m_done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!m_go || !m_done) return false;
    m_thread = BeginWorkerThread(ThreadProc, this);
    return m_thread != nullptr;
}

DWORD WINAPI CBackgroundFlush::ThreadProc(void* self) {
    CBackgroundFlush& flush = *static_cast<CBackgroundFlush*>(self);
    for (;;) {
        WaitForSingleObject(flush.m_go, INFINITE);
        if (flush.m_quit) return 0;
        flush.m_error = FlushOnce(flush.m_file);
        SetEvent(flush.m_done);
    }
}

DWORD CBackgroundFlush::Begin(HANDLE file) {
    const DWORD earlier = Finish();
    if (earlier != 0) return earlier;
    if (!HaveThread()) return FlushOnce(file);
    m_file = file;
    m_pending = true;
    SetEvent(m_go);
    return 0;
}

DWORD CBackgroundFlush::Finish() {
    if (!m_pending) return 0;
    WaitForSingleObject(m_done, INFINITE);
    m_pending = false;
    return m_error;
}
