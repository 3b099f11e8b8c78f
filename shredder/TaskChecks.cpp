// The item add checks: what the engine and the folder walk would ask in a
// scheduled run is asked once, when the task is made.
#include "TaskChecks.h"

#include <vector>

#include "FolderShred.h"
#include "LangPack.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const DWORD kMarked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
}  // namespace

CTaskChecks::CTaskChecks(CShredJob& job) : m_job(job) {}

int CTaskChecks::CheckFile(const CRealPath& path) {
    const DWORD attributes = RealAttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        m_job.Host().Report(LoadLangStringWith(TXT_ACCESS, kTextAccess, CodePageSpelling(path)), MB_OK);
        return 0;
    }
    if (!(attributes & kMarked)) return 2;
    const int answer = m_job.Host().Ask(LoadLangStringWith(TXT_TASK_ATTRIBUTES, kTextTaskAttributes, CodePageSpelling(path)),
                                        MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES);
    return answer == IDYES ? 2 : answer == IDCANCEL ? 1 : 0;
}

int CTaskChecks::CheckFileInFolder(const CRealPath& path) {
    const DWORD attributes = RealAttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        m_job.Host().Report(LoadLangStringWith(TXT_ACCESS, kTextAccess, CodePageSpelling(path)), MB_OK | MB_ICONERROR);
        return 0;
    }
    if (!(attributes & kMarked)) return 2;
    const int answer = m_job.Host().Ask(LoadLangStringWith(TXT_TASK_ATTRIBUTES, kTextTaskAttributes, CodePageSpelling(path)),
                                        MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDOK);
    return answer == IDOK ? 2 : 1;
}

int CTaskChecks::CheckFolderTree(const CRealPath& folder, bool systemFolder, int depth) {
    if (systemFolder && m_job.Host().Ask(LoadLangStringWith(TXT_SYSTEM_FOLDER, kTextSystemFolder, CodePageSpelling(folder)),
                                         MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDOK) != IDOK)
        return 1;
    // By the entries' real names, as the scheduled run walks the folder: the
    // ANSI spelling of one outside the code page would name nothing.
    std::vector<WIN32_FIND_DATAW> entries;
    if (!ListRealFolder(folder, entries)) {
        m_job.Host().Report(LoadLangString(TXT_FIND_HANDLE, kTextFindHandle), MB_ICONERROR);
        return 1;
    }
    int result = 2;
    DWORD folderOption = m_job.Profile().GetInt(kValueFolder, 0), removeOption = m_job.Profile().GetInt(kValueRemove, 0);
    for (const WIN32_FIND_DATAW& found : entries) {
        if (m_job.Abort()) break;
        const CRealPath child = JoinRealPath(folder, found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (CheckFileInFolder(child) == 1) result = 1;
            continue;
        }
        // The scheduled run enters neither links nor folders past its depth limit.
        if (folderOption == 0 || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || depth >= kMaxFolderDepth)
            continue;
        // Cancel ends the command, so the stored options stay as they were.
        if (folderOption == 1) {
            const int answer = m_job.Host().Ask(LoadLangString(TXT_TASK_SUBFOLDERS, kTextTaskSubfolders),
                                                MB_YESNOCANCEL | MB_ICONQUESTION, IDYES);
            if (answer == IDCANCEL) return 1;
            folderOption = answer == IDYES ? 2 : 0;
            m_job.Profile().WriteInt(kValueFolder, folderOption);
            if (folderOption == 0) continue;
        }
        if (removeOption == 1) {
            const int answer =
                m_job.Host().Ask(LoadLangString(TXT_TASK_REMOVE, kTextTaskRemove), MB_YESNOCANCEL | MB_ICONQUESTION, IDYES);
            if (answer == IDCANCEL) return 1;
            removeOption = answer == IDYES ? 2 : 0;
            m_job.Profile().WriteInt(kValueRemove, removeOption);
        }
        if (CheckFolderTree(child, (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0, depth + 1) == 1)
            return 1;
    }
    return result;
}
