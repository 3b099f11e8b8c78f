// TaskChecks.h - the item add checks of the Schedule command: what the engine
// and the folder walk would ask in a scheduled run (marked files, system
// folders, the subfolder options left on "prompt") is asked once, when the
// task is made; "prompt" options are settled in the profile.
// Deliberately not: the task itself (the Scheduler page's).
#pragma once

#include "ShredJob.h"

class CTaskChecks {
public:
    explicit CTaskChecks(CShredJob& job);

    // 2 add the path, 0 leave it out, 1 cancel the whole command.
    int CheckFile(const CRealPath& path);
    int CheckFile(const CString& path) { return CheckFile(RealPathFrom(path)); }
    int CheckFileInFolder(const CRealPath& path);
    // Also settles Folder and Remove in the profile: a "prompt" becomes 0 or 2.
    int CheckFolderTree(const CRealPath& folder, bool systemFolder, int depth = 0);
    int CheckFolderTree(const CString& folder, bool systemFolder) {
        return CheckFolderTree(RealPathFrom(folder), systemFolder);
    }

private:
    CShredJob& m_job;
};
