// ItemShred.h - one item of the command line or of the Shred Files and Shred
// Folders pages, to its operation: a fixed drive's root (DriveShred.h), a
// folder (FolderShred.h) or a file (the engine); and an item's size, which
// measures the job's progress. Items are real paths (RealNames.h): a name
// outside the code page is never spelt as another file's.
// Deliberately not: the word "recycle" (the command line sends it to RecycleBinShred.h).
#pragma once

#include "ShredJob.h"

// "C:", "c:\" or "C:/": the drive letter in upper case, else 0.
char DriveRootLetter(const char* path);
// The same for a path as Windows resolves it: "\" is the root of the current drive.
char RootLetterOf(const char* path);
// A file's size, or the total of the files below a folder; 0 for a drive root
// or what does not exist. Links are not followed.
ULONGLONG ItemSize(const CRealPath& path);

class CItemShred {
public:
    explicit CItemShred(CShredJob& job);

    // 0 done or skipped, 1 stopped by the user, 2 no file, folder or fixed-drive root.
    int Run(const CRealPath& path);

private:
    CShredJob& m_job;
};
