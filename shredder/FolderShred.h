// FolderShred.h - the folder shred: the files of a folder through the
// overwrite engine, its subfolders by the Folder and Remove options (a
// scheduled run's /F and /R, else the profile's), never a protected system
// folder and never a link to somewhere else; in Recycle Bin mode every
// subfolder is entered and nothing but emptied bin folders is removed.
// Deliberately not: the files' overwrite (the engine's).
#pragma once

#include "ShredJob.h"

// Nothing in it but "." and "..".
bool IsFolderEmpty(const char* path);
// After a shred: a file that is still there, or a folder that still holds one
// (empty folders the options keep are no remains); links are not followed.
bool IsItemLeft(const char* path, int depth = 0);

class CFolderShred {
public:
    explicit CFolderShred(CShredJob& job);

    // 0 done or skipped, 1 stop the job.
    int Run(const CString& path, bool systemFolder, bool recycleMode, int depth = 0);
    // A folder chosen as an item: shredded, then removed itself when nothing is left in it.
    int RunItem(const CString& path, bool systemFolder);

private:
    // *indexBytes: how much of the folder's index the entries it met took.
    int Walk(const CString& path, bool systemFolder, bool recycleMode, int depth, bool* skipped,
             ULONGLONG* indexBytes);
    void ReportRemoveFailure(const CString& path, int error);

    CShredJob& m_job;
};
