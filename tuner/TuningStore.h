// TuningStore.h - where the wizard's values come from and go to: the backup
// of the current values when the wizard opens, the apply on Finish (with the
// modem patch when it is due), the restore of the main dialog's Reset, and
// the modem search of the connection-type page. The wizard and the main
// dialog call only this interface; CTuningStore is the installed one and a
// test puts a recording one in its place.
#pragma once

#include <windows.h>

#include "Strings.h"
#include "Tuning.h"

// What Finish's apply did.
struct TuningApplyResult {
    enum Outcome {
        Applied,      // every value written
        NoBackup,     // nothing written: the originals were not saved first
        WriteFailed,  // a value could not be written; the backup stays for Reset
    };
    Outcome outcome = Applied;
    // WriteFailed: the first value that could not be written, as key\name.
    CString failedValue;
};

class ITuningStore {
public:
    virtual ~ITuningStore() = default;
    // Replaces the backup and fills current values and present flags.
    virtual void Backup(TuningSettings& settings) = 0;
    // NoBackup, with nothing written, when the backup could not be made.
    // Every write is checked; a failed one does not stop the others.
    virtual TuningApplyResult Apply(const TuningSettings& settings, bool patchModem) = 0;
    // Puts the backup back and deletes it; false when there is none, or
    // when a value could not be put back (the backup is then kept).
    virtual bool Reset(OSFamily family) = 0;
    virtual bool FindModem(OSFamily family) = 0;
};

// The roots the store works under and its backup key below the user root;
// a test points them at keys of its own.
struct TuningRegistry {
    HKEY user = HKEY_CURRENT_USER;
    HKEY machine = HKEY_LOCAL_MACHINE;
    CString backupKey;
};
TuningRegistry DefaultTuningRegistry();

// The registry store: TCP/IP parameters under the machine root, Internet
// Explorer's connection limits under the user root, the originals under the
// backup key.
class CTuningStore : public ITuningStore {
public:
    explicit CTuningStore(const TuningRegistry& where = DefaultTuningRegistry()) : m_where(where) {}

    void Backup(TuningSettings& settings) override;
    TuningApplyResult Apply(const TuningSettings& settings, bool patchModem) override;
    bool Reset(OSFamily family) override;
    bool FindModem(OSFamily family) override;

private:
    TuningRegistry m_where;
    // Apply never overwrites what a failed or missing backup did not keep.
    bool m_backupComplete = false;
};
