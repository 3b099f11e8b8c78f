// DriveShred.h - a fixed drive's root as an item: by the /D value (or the
// Shred Drive Options question) its free space or the whole drive, and the
// whole-drive shred of the Shred Drive page: confirmed, refused for the
// drives of Windows and of Grindel itself, run over the raw volume of this
// platform, and followed by the system's Format dialog only when it ran to
// its end.
// Deliberately not: the volume's layout and passes (CWholeDriveShredder).
#pragma once

#include "RawVolume.h"
#include "ShredJob.h"

class CDriveShred {
public:
    explicit CDriveShred(CShredJob& job);
    virtual ~CDriveShred() = default;
    CDriveShred(const CDriveShred&) = delete;
    CDriveShred& operator=(const CDriveShred&) = delete;

    // root: "C:\". 1 stop the job, 0 go on.
    int ShredRoot(const CString& root);
    // drive: "X:"; formatAfter 1 opens the Format dialog after a shred that ran to its end.
    int ShredWholeDrive(const CString& drive, const CString& fileSystem, int formatAfter);
    bool IsRefusedDrive(const CString& drive) const;
    // The engine's drive mode: 1 stop the job, 0 go on; *completed when every pass reached the end of the volume.
    int OverwriteDrive(const CString& drive, bool* completed);

protected:
    // "\\.\X:" opened for reading and writing; null when it cannot be opened.
    virtual IRawVolume* OpenNtVolume(const CString& drive);
    // The VWIN32 device of Windows 9x; null when it cannot be opened.
    virtual IVwin32Device* OpenVwin32Device();

private:
    CShredJob& m_job;
};
