// CleanerWorker.h - the internet-cleaner run that every switch of pop-up
// catching starts on a worker thread: the cleaner library's Scan and its
// deletion for each browser whose proxy Blokkum has configured (Internet
// Explorer as kind 1, Netscape/Mozilla as kinds 2, 3 and 5, Opera as kind 4).
// Each run has a record of its own (module, parameters and the configured
// flags as they were when it started), owned by its thread, so closing the
// sheet never frees what a run still uses. Runs go one after another in the
// order they were started, and the owner's end waits for them, with a bound.
//
// How the Popups page and the tray sheet use it:
//     CCleanerWork m_cleaner{settings};   // member of the Popups page
//     settings.ReadProxyFlags();          // the caller re-reads the flags first
//     StartCleanerWorker(m_cleaner);      // a run with option bytes 1 started
// Deliberately not: what the library scans and deletes (InternetCleaner.h).
#pragma once

#include <windows.h>

#include "BlokkumSettings.h"
#include "InternetCleaner.h"

enum : DWORD { kCleanerExitWaitMs = 5000 };

// One run's own record; its three option bytes are 1.
struct CCleanerRun {
    explicit CCleanerRun(const CBlokkumSettings& settings);
    CInternetCleanerModule module;
    CInternetCleanerParamters parameters;
    DWORD lan, dialUp, netscape, opera6, opera7;  // configured, when the run was made
};

// The run's calls into the library, in order; returns 1.
DWORD RunCleaner(CCleanerRun& run);

// What the Popups page keeps for the cleaner for its whole life.
class CCleanerWork {
public:
    explicit CCleanerWork(const CBlokkumSettings& settings) : settings(settings) {}
    // Waits for the runs still going, at most kCleanerExitWaitMs.
    ~CCleanerWork();
    CCleanerWork(const CCleanerWork&) = delete;
    CCleanerWork& operator=(const CCleanerWork&) = delete;

    // A run on a thread of its own, after the runs started before it; false
    // when no thread could be started.
    bool Start();
    // True when every run started so far has ended within the wait.
    bool WaitForRuns(DWORD milliseconds);

    const CBlokkumSettings& settings;

private:
    HANDLE m_hLast = nullptr;  // the thread of the last run started
};

bool StartCleanerWorker(CCleanerWork& work);
