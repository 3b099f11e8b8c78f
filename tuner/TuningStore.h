// TuningStore.h - where the wizard's values come from and go to: the backup
// of the current values when the wizard opens, the apply on Finish (with the
// modem patch when it is due), the restore of the main dialog's Reset, and
// the modem search of the connection-type page. The wizard and the main
// dialog call only this interface; CTuningStore is the installed one and a
// test puts a recording one in its place.
#pragma once

#include "Tuning.h"

class ITuningStore {
public:
    virtual ~ITuningStore() = default;
    // Replaces the backup and fills current values and present flags.
    virtual void Backup(TuningSettings& settings) = 0;
    virtual void Apply(const TuningSettings& settings, bool patchModem) = 0;
    // Puts the backup back; false when there is none.
    virtual bool Reset(OSFamily family) = 0;
    virtual bool FindModem(OSFamily family) = 0;
};

// The store the program uses until the registry work is built: it records
// nothing and finds no modem.
class CTuningStore : public ITuningStore {
public:
    void Backup(TuningSettings&) override {}
    void Apply(const TuningSettings&, bool) override {}
    bool Reset(OSFamily) override { return false; }
    bool FindModem(OSFamily) override { return false; }
};
