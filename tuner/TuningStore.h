// TuningStore.h - where the wizard's values come from and go to: the current
// values read when the wizard opens, the backup and apply on Finish (with the
// modem patch when it is due), the restore of the main dialog's Reset, and
// the modem search of the connection-type page. The wizard and the main
// dialog call only this interface; CTuningStore is the installed one and a
// test puts a recording one in its place.
#pragma once

#include <windows.h>

#include <vector>

#include "Strings.h"
#include "Tuning.h"

// What the wizard read when it opened: every value a backup takes, with its
// type and bytes, and the backup that stood then. Finish saves these, not
// what is live by then, since another Swiftlane may have tuned meanwhile.
struct TuningOriginals {
    struct Value {
        CString key;  // below the backup key; empty: the backup key itself
        CString name;
        DWORD type = REG_NONE;
        CString bytes;
    };
    std::vector<CString> keys;  // made even when they stay empty
    std::vector<Value> values;
    // Every value could be read; otherwise Finish makes no backup and writes nothing.
    bool complete = false;
    // The backup's contents then; empty when there was none.
    CString backupSeen;
};

// What Finish's apply did.
struct TuningApplyResult {
    enum Outcome {
        Applied,        // every value written
        NoBackup,       // nothing written: the originals could not be saved first
        WriteFailed,    // a value could not be written; the backup stays for Reset
        BackupChanged,  // nothing written: a backup the wizard did not see stands now
    };
    Outcome outcome = Applied;
    // WriteFailed: the first value that could not be written, as key\name.
    CString failedValue;
    // NoBackup: a whole backup of an earlier tuning is still there for Reset.
    bool backupKept = false;
    // BackupChanged: the backup that stands; an apply given it as the backup
    // seen replaces it.
    CString backupFound;
};

class ITuningStore {
public:
    virtual ~ITuningStore() = default;
    // Fills current values and present flags and keeps the originals;
    // writes nothing, so a wizard that is cancelled leaves the registry and
    // the backup as they were.
    virtual void ReadCurrent(TuningSettings& settings, TuningOriginals& originals) = 0;
    // Replaces the backup with the originals, then writes the chosen values.
    // NoBackup, with nothing written, when the originals are not complete or
    // could not be saved in full; the old backup is then kept unless the
    // result says otherwise. BackupChanged, with nothing written, when a
    // backup other than the one seen stands. Every write is checked; a failed
    // one does not stop the others.
    virtual TuningApplyResult Apply(const TuningSettings& settings, const TuningOriginals& originals,
                                    bool patchModem) = 0;
    // Puts the backup back and deletes it; false when there is none, or
    // when a value could not be put back (the backup is then kept).
    virtual bool Reset(OSFamily family) = 0;
    // A whole backup stands for Reset.
    virtual bool HasBackup() = 0;
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
// backup key. A backup is whole when it holds its completeness mark, which is
// written last and removed first; one older than the mark is whole when it
// has the adapter lists but no interface record and no pending or old copy
// stands beside it: a backup removed halfway loses its adapter lists before
// its interface record, and one written halfway always has a copy beside it.
class CTuningStore : public ITuningStore {
public:
    explicit CTuningStore(const TuningRegistry& where = DefaultTuningRegistry());

    void ReadCurrent(TuningSettings& settings, TuningOriginals& originals) override;
    TuningApplyResult Apply(const TuningSettings& settings, const TuningOriginals& originals,
                            bool patchModem) override;
    bool Reset(OSFamily family) override;
    bool HasBackup() override;
    bool FindModem(OSFamily family) override;

private:
    // The originals go to the pending key in full, then take the backup
    // key's place; the old backup waits in the old key until then.
    bool ReplaceBackup(const TuningOriginals& originals);
    // What a Finish or Reset cut short left: a backup key without the mark
    // gets the old backup back, or else a whole pending one; then what is
    // not whole goes, and so do the pending and old keys beside a whole backup.
    void Recover();
    bool WholeBackupStands() const;
    // The contents of a whole backup, empty when there is none.
    CString BackupContents() const;

    TuningRegistry m_where;
    // Siblings of the backup key: the new backup written in full before it
    // takes the backup key's place, and the old one kept meanwhile.
    CString m_pendingKey;
    CString m_oldKey;
};
