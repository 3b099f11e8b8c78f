// CleanerWorker.h - the internet-cleaner run that every switch of pop-up
// catching starts on a worker thread: the cleaner library's Scan and its
// deletion for each browser whose proxy Blokkum has configured (Internet
// Explorer as kind 1, Netscape/Mozilla as kinds 2, 3 and 5, Opera as kind 4).
// Nothing waits for the thread; two runs started close together share the
// page's one module and parameter record, as the library expects.
//
// How the Popups page and the tray sheet use it:
//     CCleanerWork m_cleaner{settings};   // member of the Popups page
//     settings.ReadProxyFlags();          // the caller re-reads the flags first
//     StartCleanerWorker(m_cleaner);      // option bytes := 1, thread started
// Deliberately not: what the library scans and deletes (InternetCleaner.h).
#pragma once

#include <windows.h>

#include "BlokkumSettings.h"
#include "InternetCleaner.h"

// What the Popups page keeps for the cleaner for its whole life.
struct CCleanerWork {
    explicit CCleanerWork(const CBlokkumSettings& settings) : settings(settings) {}
    CInternetCleanerModule module;
    CInternetCleanerParamters parameters;
    const CBlokkumSettings& settings;
};

// The worker procedure; the argument is the page's CCleanerWork. Returns 1.
DWORD WINAPI CleanerThreadProc(void* work);
// Sets the three option bytes to 1 and starts the worker; false when no
// thread could be started.
bool StartCleanerWorker(CCleanerWork& work);
