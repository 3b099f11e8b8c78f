// BlokkumEngineConfig.h - what Blokkum's variant of the proxy engine reads
// while it relays: the QVINI.ini engine values and the filled pop-up script,
// published together as one immutable snapshot. The tray sheet reloads them
// while connection threads run, so a reload builds a new snapshot and swaps
// it in under a lock; a reader holds its own reference and never sees half
// of an old and half of a new configuration.
// Deliberately not: the engine itself (proxyengine/), or any window.
#pragma once

#include <windows.h>

#include <memory>

#include "BlokkumSettings.h"
#include "EngineSettings.h"
#include "Strings.h"
#include "Sync.h"

// The part a connection reads (PopupScript: QVBlk.js after the sound fill,
// empty: nothing is injected) is the engine's own snapshot, so the same
// object is handed to the engine.
struct CBlokkumEngineConfig : CConnectionSettings {
    CBlokkumEngineConfig() {
        GatewayPort = 80;
        PlayWave = 1;
        ConnectionTimeOut = 60;  // seconds
    }
    UINT ListenPort = 8100;
    UINT BufferSize = 8192;
    UINT DNSCacheSize = 10;
    bool DNSCacheDisable = true;

    // The QVINI.ini values of settings, with the given script.
    static CBlokkumEngineConfig FromSettings(const CBlokkumIniSettings& ini, const CString& script);
};

using BlokkumEngineConfigPtr = std::shared_ptr<const CBlokkumEngineConfig>;

class CBlokkumEngineState {
public:
    CBlokkumEngineState() : m_current(std::make_shared<CBlokkumEngineConfig>()) {}
    BlokkumEngineConfigPtr Current() {
        CCriticalSectionLock lock(m_lock);
        return m_current;
    }
    void Publish(BlokkumEngineConfigPtr config) {
        CCriticalSectionLock lock(m_lock);
        m_current.swap(config);
        // The old snapshot is released outside the lock (by config's destructor).
        lock.Unlock();
    }

private:
    CCriticalSection m_lock;
    BlokkumEngineConfigPtr m_current;
};

// Reads settings' QVBlk.js (beside QVINI.ini) and fills its sound
// placeholder with PopUp.wav beside it; a missing file gives an empty script,
// reported to ReportProxyError only.
CString BuildPopupScript(const CBlokkumSettings& settings);

// The script and one new snapshot of the settings in memory.
void PublishEngineSettings(const CBlokkumSettings& settings, CBlokkumEngineState& state);
// LoadIniSettings, then PublishEngineSettings.
void ReloadEngineSettings(CBlokkumSettings& settings, CBlokkumEngineState& state);

// The system's text of a Winsock error (its number when the system has no
// text), for the listener's start-up reports.
CString FormatWinsockError(int code);
