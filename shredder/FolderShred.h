// FolderShred.h - the folder shred: the files of a folder through the
// overwrite engine, its subfolders by the Folder and Remove options (a
// scheduled run's /F and /R, else the profile's), never a protected system
// folder; a link, to a file or a folder, is never entered or overwritten but
// removed as the link or left and reported (the engine's RemoveLink).
// Deliberately not: the files' overwrite (the engine's), the Recycle Bin's
// folders (RecycleBinShred.h walks them by their real names).
#pragma once

#include "ShredJob.h"

// After a shred: a file that is still there, or a folder that still holds one
// (empty folders the options keep are no remains); links are not followed.
bool IsItemLeft(const char* path, int depth = 0);

class CFolderShred {
public:
    explicit CFolderShred(CShredJob& job);

    // A folder chosen as an item: shredded, then removed itself when nothing is
    // left in it. 0 done or skipped, 1 stop the job. A path that is a link goes to RemoveLink.
    int RunItem(const CString& path, bool systemFolder);

private:
    // Opens the folder as itself: false for a link (then removed as the link
    // or reported); *real is where a real folder lies (empty where the system
    // cannot tell). realParent: where its parent lies, when known.
    bool OpenFolder(const CString& path, const CString& realParent, CString* real);
    // real: where path really lies (empty: each entry's folder is looked up).
    // *indexBytes: how much of the folder's index the entries it met took.
    int Walk(const CString& path, const CString& real, bool systemFolder, int depth, bool* skipped,
             ULONGLONG* indexBytes);
    // A shredded subfolder removed when it is empty, else reported as kept.
    void RemoveFolder(const CString& path, ULONGLONG indexBytes, const CString& realParent);
    // Names what the walk of folder could not reach (key: why; limit: the
    // bound that was passed), all of it in the log, the first few in a window.
    void ReportLeft(const CString& folder, int key, const char* defaultText, int limit, const CStringArray& left);
    // leftAs: the name a folder that could not be named back now has (empty: it has its own).
    void ReportRemoveFailure(const CString& path, int error, const CString& leftAs);

    CShredJob& m_job;
};
