// FreeSpaceShred.h - the free-space shred of a drive: the space free to the
// user is taken by temporary files of random data in <root>SHREDTMP.$$$,
// which are overwritten with the algorithm's passes and deleted again; on
// NTFS small files then take every free MFT record too. Only a fill that
// ends at a full drive has shredded the free space.
// Deliberately not: the writes themselves (the engine's FillFile and WritePasses).
#pragma once

#include "ShredJob.h"

class CFreeSpaceShred {
public:
    explicit CFreeSpaceShred(CShredJob& job);
    virtual ~CFreeSpaceShred() = default;
    CFreeSpaceShred(const CFreeSpaceShred&) = delete;
    CFreeSpaceShred& operator=(const CFreeSpaceShred&) = delete;

    // root: a drive root with its backslash ("C:\"). 1 stop the job, 0 go on.
    int Run(const CString& root);

protected:
    // The drive's space as the system reports it.
    virtual bool QuerySpace(const char* root, ULONGLONG* freeToCaller, ULONGLONG* total, ULONGLONG* totalFree);
    // A temporary file is closed off once it holds more than this (about 1 GB).
    DWORD m_fileLimit = 0x3FFFFFFF;

private:
    // 0 the file is full, 1 the disk is, 2 a write failed (reported), 3 cancelled.
    int FillTemporaryFile(HANDLE file, DWORD* bytes, IShredProgress& progress, const CString& root);
    // Up to count small files of resident data in folder, until no MFT record is left; their paths
    // go to records. False when they took clusters instead (their data is not kept in records).
    bool FillFileRecords(const CString& root, const CString& folder, std::vector<CString>& records,
                         IShredProgress& progress, int count);

    CShredJob& m_job;
};
