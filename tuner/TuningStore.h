// TuningStore.h - where the wizard's values come from and go to: the current
// values read when the wizard opens, the backup and apply on Finish (with the
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
        NoBackup,     // nothing written: the current values could not be saved first
        WriteFailed,  // a value could not be written; the backup stays for Reset
    };
    Outcome outcome = Applied;
    // WriteFailed: the first value that could not be written, as key\name.
    CString failedValue;
    // NoBackup: the backup of an earlier tuning is still there for Reset.
    bool backupKept = false;
};

class ITuningStore {
public:
    virtual ~ITuningStore() = default;
    // Fills current values and present flags; writes nothing, so a wizard
    // that is cancelled leaves the registry and the backup as they were.
    virtual void ReadCurrent(TuningSettings& settings) = 0;
    // Replaces the backup with the current values, then writes the chosen
    // ones. NoBackup, with nothing written and the old backup kept, when the
    // new backup could not be made in full. Every write is checked; a failed
    // one does not stop the others.
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
    explicit CTuningStore(const TuningRegistry& where = DefaultTuningRegistry());

    void ReadCurrent(TuningSettings& settings) override;
    TuningApplyResult Apply(const TuningSettings& settings, bool patchModem) override;
    bool Reset(OSFamily family) override;
    bool FindModem(OSFamily family) override;

private:
    // The old backup goes only once a complete new one exists beside it.
    bool ReplaceBackup(OSFamily family);
    bool InstallPending();
    // A pending backup left by an interrupted Finish: one written in full is
    // put in place unless a complete backup is already there; one written in
    // part is never trusted and goes.
    void Recover();
    bool HasBackup() const;

    TuningRegistry m_where;
    // The backup key's sibling where a new backup is written in full before
    // it takes the backup key's place.
    CString m_pendingKey;
};
