// FolderShred.h - the folder shred: the files of a folder through the
// overwrite engine, its subfolders by the Folder and Remove options (a
// scheduled run's /F and /R, else the profile's), never a protected system
// folder; a link, to a file or a folder, is never entered or overwritten but
// removed as the link or left and reported (the engine's RemoveLink). The
// folder is walked by its entries' real names (RealNames.h), so a name the
// code page spells otherwise is shredded like any other; messages and the
// log show the ANSI spelling.
// Deliberately not: the files' overwrite (the engine's), the Recycle Bin's
// folders (RecycleBinShred.h walks them, opening each as OpenWalkedFolder does).
#pragma once

#include "ShredJob.h"

// How deep a walk goes below the folder it was given; deeper items are named, never entered.
const int kMaxFolderDepth = 100;

// After a shred: a file that is still there, or a folder that still holds one
// (empty folders the options keep are no remains); links are not followed.
bool IsItemLeft(const CRealPath& path, int depth = 0);
bool IsItemLeft(const char* path);

// Opens a folder as itself before it is walked: false for a link, which is
// then removed as the link or reported (the engine's RemoveLink); *real is
// where a real folder lies (empty where the system cannot tell). realParent:
// where its parent lies, when known.
bool OpenWalkedFolder(COverwriteEngine& engine, const CRealPath& path, const CRealPath& realParent, CRealPath* real);

class CFolderShred {
public:
    explicit CFolderShred(CShredJob& job);

    // A folder chosen as an item: shredded, then removed itself when nothing is
    // left in it. 0 done or skipped, 1 stop the job. A path that is a link goes to RemoveLink.
    int RunItem(const CRealPath& path, bool systemFolder);

private:
    // real: where path really lies (empty: each entry's folder is looked up).
    // *indexBytes: how much of the folder's index the entries it met took.
    int Walk(const CRealPath& path, const CRealPath& real, bool systemFolder, int depth, bool* skipped,
             ULONGLONG* indexBytes);
    // A shredded subfolder removed when it is empty, else reported as kept.
    void RemoveFolder(const CRealPath& path, ULONGLONG indexBytes, const CRealPath& realParent);
    // Names what the walk of folder could not reach (key: why; limit: the
    // bound that was passed), all of it in the log, the first few in a window.
    void ReportLeft(const CString& folder, int key, const char* defaultText, int limit, const CStringArray& left);
    // leftAs: the name a folder that could not be named back now has (empty: it has its own).
    void ReportRemoveFailure(const CString& path, int error, const CString& leftAs);

    CShredJob& m_job;
};
