// DriveShred.h - a fixed drive's root as an item: by the /D value (or the
// Shred Drive Options question) its free space or the whole drive, and the
// whole-drive shred of the Shred Drive page: confirmed, refused for the
// drives of Windows and of Grindel itself, run over the raw volume of this
// platform, and followed by the system's Format dialog only when it ran to
// its end; what a stopped shred or a format that did not happen left is told.
// Deliberately not: the volume's layout and passes (CWholeDriveShredder).
#pragma once

#include "RawVolume.h"
#include "ShredJob.h"

// How far a whole-drive shred went.
struct CDriveOutcome {
    bool written = false;    // something was written to the volume
    bool completed = false;  // every pass reached the end of the volume
    int type = -1;           // the layout its boot sector gave (FileSystemType)
};

class CDriveShred {
public:
    explicit CDriveShred(CShredJob& job);
    virtual ~CDriveShred() = default;
    CDriveShred(const CDriveShred&) = delete;
    CDriveShred& operator=(const CDriveShred&) = delete;

    // root: "C:\". 1 stop the job, 0 go on.
    int ShredRoot(const CString& root);
    // drive: "X:"; formatAfter 1 opens the Format dialog after a shred that ran
    // to its end. A shred stopped half-way, and a drive left unformatted with
    // its file system (and on NTFS the names), are told.
    int ShredWholeDrive(const CString& drive, const CString& fileSystem, int formatAfter);
    bool IsRefusedDrive(const CString& drive) const;
    // The engine's drive mode: 1 stop the job, 0 go on.
    int OverwriteDrive(const CString& drive, CDriveOutcome* outcome);

protected:
    // "\\.\X:" opened for reading and writing; null when it cannot be opened.
    virtual IRawVolume* OpenNtVolume(const CString& drive);
    // The VWIN32 device of Windows 9x; null when it cannot be opened.
    virtual IVwin32Device* OpenVwin32Device();

private:
    CShredJob& m_job;
};
