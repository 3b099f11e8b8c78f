#include "CleanerWorker.h"

#include "Thread.h"

DWORD WINAPI CleanerThreadProc(void* param) {
    auto& work = *static_cast<CCleanerWork*>(param);
    CInternetCleanerModule& module = work.module;
    CInternetCleanerParamters& parameters = work.parameters;
    const CBlokkumSettings& s = work.settings;
    module.m_pParameters = &parameters;
    if (s.m_dwLanConfigured || s.m_dwDialUpConfigured) {
        parameters.m_dwBrowserKind = kCleanerInternetExplorer;
        module.Scan();
        module.DeleteReduandantEntries();
    }
    if (s.m_dwNetscapeConfigured) {
        for (DWORD kind : {kCleanerNetscapeFirst, kCleanerNetscapeSecond, kCleanerNetscapeThird}) {
            parameters.m_dwBrowserKind = kind;
            module.Scan();
            module.DeleteReduandantEntries();
        }
    }
    if (s.m_dwOpera6Configured || s.m_dwOpera7Configured) {
        parameters.m_dwBrowserKind = kCleanerOpera;
        module.Scan();
        module.DeleteOperaRedundantEntries();
    }
    return 1;
}

bool StartCleanerWorker(CCleanerWork& work) {
    for (BYTE& option : work.parameters.m_options) option = 1;
    HANDLE thread = BeginWorkerThread(CleanerThreadProc, &work, THREAD_PRIORITY_NORMAL);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}
