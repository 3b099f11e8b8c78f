// WholeDrive.h - the whole-drive shred of a FAT16, FAT32 or NTFS volume over
// an IRawVolume: the volume's geometry from its boot sector, the FAT copies
// and the root directory emptied, the NTFS metadata a volume needs to stay
// mountable kept (sectors 0-15, the runs of MFT records 0-23 and of the named
// system files after them), the log file zeroed, everything else overwritten
// with every pass of the algorithm.
// All offsets are 64-bit, so volumes of any size stay within their bounds;
// the boot sector alone decides the layout (Wine names every drive NTFS).
// Deliberately not: the confirmation and the Format dialog (the application
// object does those).
#pragma once

#include <windows.h>

#include <vector>

#include "Algorithms.h"
#include "Overwrite.h"
#include "RawVolume.h"

struct CVolumeGeometry {
    WORD reservedSectors = 0;
    WORD bytesPerSector = 0;
    DWORD rootCluster = 0;
    DWORD sectorsPerFat = 0;
    BYTE fatCount = 0;
    BYTE sectorsPerCluster = 0;
    ULONGLONG rootDirOffset = 0;
    ULONGLONG rootDirSize = 0;
    ULONGLONG mftOffset = 0;
    ULONGLONG preservedBytes = 0;
    DWORD mftRecordSize = 0;
    DWORD recordCounter = 24;
    int type = -1;
    WORD fsInfoSector = 0;
    ULONGLONG volumeBytes = 0;  // bytes per sector x total sectors
    ULONGLONG startOffset = 0;  // first byte a pass writes
    ULONGLONG bytesToWrite = 0;
};

// False when the sector is no FAT16, FAT32 or NTFS boot sector with a sane layout.
bool ParseBootSector(const BYTE* sector, CVolumeGeometry& geometry);

struct CSkipRun {
    ULONGLONG length;
    ULONGLONG start;
};

// Keeps the list sorted by start and merges runs that touch.
void InsertSkipRun(std::vector<CSkipRun>& runs, CSkipRun run);

struct CDataRun {
    ULONGLONG clusters;
    LONGLONG lcn;  // -1 for a sparse run
};

// An NTFS run list: each run's offset is signed and relative to the previous run's start.
std::vector<CDataRun> DecodeRunList(const BYTE* list, size_t room);

class CWholeDriveShredder {
public:
    CWholeDriveShredder(IShredHost& host, IShredProgress& progress, BYTE* buffer, volatile bool& abort,
                        volatile bool& endSession);

    // 1: stop the job; 0: done.
    int Run(IRawVolume& volume, CVolumeGeometry geometry, const CAlgorithm& algorithm);

    bool ClearFatTables(IRawVolume& volume, const CVolumeGeometry& geometry);
    bool ClearRootDirectory(IRawVolume& volume, const CVolumeGeometry& geometry);
    bool ScanNtfsSystemFiles(IRawVolume& volume, CVolumeGeometry& geometry);
    bool ZeroFillRun(IRawVolume& volume, ULONGLONG start, ULONGLONG length);

    const std::vector<CSkipRun>& SkipRuns() const { return m_runs; }

private:
    bool Stopping() const { return m_abort || m_endSession; }
    bool Fail(int key, const char* text);

    IShredHost& m_host;
    IShredProgress& m_progress;
    BYTE* m_buffer;
    volatile bool& m_abort;
    volatile bool& m_endSession;
    std::vector<CSkipRun> m_runs;
};
