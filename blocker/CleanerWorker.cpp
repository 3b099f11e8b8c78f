#include "CleanerWorker.h"

#include <memory>

#include "Thread.h"

namespace {
struct CQueuedRun {
    explicit CQueuedRun(const CBlokkumSettings& settings) : run(settings) {}
    CCleanerRun run;
    HANDLE previous = nullptr;  // the thread of the run before, waited for first
};

DWORD WINAPI CleanerThreadProc(void* param) {
    std::unique_ptr<CQueuedRun> queued(static_cast<CQueuedRun*>(param));
    if (queued->previous) {
        // The library works on one set of browser data: two runs at once
        // would clean the same entries side by side.
        WaitForSingleObject(queued->previous, INFINITE);
        CloseHandle(queued->previous);
    }
    return RunCleaner(queued->run);
}
}  // namespace

CCleanerRun::CCleanerRun(const CBlokkumSettings& s)
    : lan(s.m_dwLanConfigured), dialUp(s.m_dwDialUpConfigured), netscape(s.m_dwNetscapeConfigured),
      opera6(s.m_dwOpera6Configured), opera7(s.m_dwOpera7Configured) {
    for (BYTE& option : parameters.m_options) option = 1;
}

DWORD RunCleaner(CCleanerRun& run) {
    CInternetCleanerModule& module = run.module;
    CInternetCleanerParamters& parameters = run.parameters;
    module.m_pParameters = &parameters;
    if (run.lan || run.dialUp) {
        parameters.m_dwBrowserKind = kCleanerInternetExplorer;
        module.Scan();
        module.DeleteReduandantEntries();
    }
    if (run.netscape) {
        for (DWORD kind : {kCleanerNetscapeFirst, kCleanerNetscapeSecond, kCleanerNetscapeThird}) {
            parameters.m_dwBrowserKind = kind;
            module.Scan();
            module.DeleteReduandantEntries();
        }
    }
    if (run.opera6 || run.opera7) {
        parameters.m_dwBrowserKind = kCleanerOpera;
        module.Scan();
        module.DeleteOperaRedundantEntries();
    }
    return 1;
}

CCleanerWork::~CCleanerWork() {
    WaitForRuns(kCleanerExitWaitMs);
    if (m_hLast) CloseHandle(m_hLast);
}

bool CCleanerWork::Start() {
    auto queued = std::make_unique<CQueuedRun>(settings);
    const HANDLE self = GetCurrentProcess();
    if (m_hLast && !DuplicateHandle(self, m_hLast, self, &queued->previous, SYNCHRONIZE, FALSE, 0))
        queued->previous = nullptr;
    HANDLE thread = BeginWorkerThread(CleanerThreadProc, queued.get(), THREAD_PRIORITY_NORMAL);
    if (!thread) {
        if (queued->previous) CloseHandle(queued->previous);
        return false;
    }
    queued.release();
    if (m_hLast) CloseHandle(m_hLast);
    m_hLast = thread;
    return true;
}

bool CCleanerWork::WaitForRuns(DWORD milliseconds) {
    // Each run waits for the one before it, so the last one ends last.
    return !m_hLast || WaitForSingleObject(m_hLast, milliseconds) == WAIT_OBJECT_0;
}

bool StartCleanerWorker(CCleanerWork& work) { return work.Start(); }
