// The folder shred: the files of a folder through the overwrite engine, its
// subfolders by the Folder and Remove options, never a protected system
// folder and never a link to somewhere else: every folder is opened as
// itself before it is walked, and its entries are checked against where it
// really is.
#include "FolderShred.h"

#include <cerrno>
#include <cstring>

#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "ShredEntry.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const int kMaxFolderDepth = 100;
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
}  // namespace

bool IsItemLeft(const char* path, int depth) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || depth > kMaxFolderDepth) return false;
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(path, "*.*"), &found));
    if (!find.IsValid()) return false;
    do {
        if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0 &&
            IsItemLeft(JoinPath(path, found.cFileName), depth + 1))
            return true;
    } while (FindNextFileA(find, &found));
    return false;
}

CFolderShred::CFolderShred(CShredJob& job) : m_job(job) {}

void CFolderShred::ReportRemoveFailure(const CString& path, int error, const CString& leftAs) {
    if (!leftAs.IsEmpty()) {
        m_job.Host().Report(
            FillMarkers(LoadLangString(TXT_FOLDER_RENAMED, kTextFolderRenamed), {{"%s", path}, {"%t", leftAs}}),
            MB_ICONERROR);
        return;
    }
    CString code = LoadLangString(TXT_ERROR_CODE, kTextErrorCode);
    CString number;
    number.Format("%d", error);
    code.Replace("%u", number);
    code.Replace("%s", strerror(error));
    m_job.Host().Report(LoadLangStringWith(TXT_REMOVE_FAILED, kTextRemoveFailed, path) + code, MB_ICONINFORMATION);
}

bool CFolderShred::OpenFolder(const CString& path, const CString& realParent, CString* real) {
    CShredEntry folder;
    // Reading its attributes is all a check needs: a folder the user may not change is still walked.
    folder.Open(path, 0, kShareAll, realParent);
    if (folder.IsLink()) {
        m_job.Engine().RemoveLink(folder, path);
        return false;
    }
    *real = folder.Kind() == ENTRY_PLAIN && CanHoldEntries() ? folder.Current() : CString();
    return true;
}

int CFolderShred::Run(const CString& path, bool systemFolder, bool recycleMode, int depth) {
    CString real;
    if (!OpenFolder(path, CString(), &real)) return m_job.Stopping() ? 1 : 0;
    bool skipped = false;
    ULONGLONG indexBytes = 0;
    return Walk(path, real, systemFolder, recycleMode, depth, &skipped, &indexBytes);
}

int CFolderShred::RunItem(const CString& path, bool systemFolder) {
    CString real;
    if (!OpenFolder(path, CString(), &real)) return m_job.Stopping() ? 1 : 0;
    bool skipped = false;
    ULONGLONG indexBytes = 0;
    const int rc = Walk(path, real, systemFolder, false, 0, &skipped, &indexBytes);
    if (rc == 0 && !skipped && IsFolderEmpty(path)) {
        CString leftAs;
        if (const int error = RemoveShreddedFolder(path, indexBytes, CString(), &leftAs))
            ReportRemoveFailure(path, error, leftAs);
    }
    return rc;
}

void CFolderShred::RemoveFolder(const CString& path, ULONGLONG indexBytes, const CString& realParent) {
    // Only a folder with nothing left in it is renamed and removed: one still
    // holding what could not be shredded keeps its name.
    if (!IsFolderEmpty(path)) {
        ReportRemoveFailure(path, ENOTEMPTY, CString());
        return;
    }
    CString leftAs;
    if (const int error = RemoveShreddedFolder(path, indexBytes, realParent, &leftAs))
        ReportRemoveFailure(path, error, leftAs);
}

int CFolderShred::Walk(const CString& path, const CString& real, bool systemFolder, bool recycleMode, int depth,
                       bool* skipped, ULONGLONG* indexBytes) {
    *skipped = false;
    *indexBytes = 0;
    if (!recycleMode && m_job.Machine().IsProtectedFolder(path)) {
        m_job.Host().Report(LoadLangStringWith(TXT_SKIP_FOLDER, kTextSkipFolder, path), MB_ICONINFORMATION);
        *skipped = true;
        return 0;
    }
    if (!recycleMode && systemFolder) {
        const int answer = m_job.Host().Ask(LoadLangStringWith(TXT_SYSTEM_FOLDER, kTextSystemFolder, path),
                                            MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES);
        if (answer == IDCANCEL) return 1;
        if (answer != IDYES) {
            *skipped = true;
            return 0;
        }
    }
    const CAlgorithm* algorithm = m_job.Algorithm();
    if (!algorithm) return 1;
    const int folderOption = m_job.FolderOption();
    const int removeOption = m_job.RemoveOption();

    bool stop = false;
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(path, "*.*"), &found));
    if (!find.IsValid()) return 0;
    do {
        if (stop || m_job.Stopping()) break;
        const CString name(found.cFileName);
        if (name == "." || name == "..") continue;
        *indexBytes += IndexEntryBytes(name);
        const CString child = JoinPath(path, name);
        // Every entry is checked against where this folder really is: one that
        // leads elsewhere is a link, whatever the listing shows.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (m_job.Engine().OverwriteFile(child, *algorithm, recycleMode ? KIND_BIN_FOLDER : KIND_ITEM, real) == 1 ||
                m_job.Abort())
                stop = true;
            continue;
        }
        // A folder link is met where subfolders are, and then never entered.
        if (!recycleMode && folderOption == 0) continue;
        if (depth >= kMaxFolderDepth) continue;
        if (!recycleMode && folderOption == 1) {
            const int answer =
                m_job.AskOrLogNo(LoadLangStringWith(TXT_SHRED_SUBFOLDER, kTextShredSubfolder, child),
                                 MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
            if (answer == IDCANCEL) {
                stop = true;
                continue;
            }
            if (answer != IDYES) continue;
        }
        CString childReal;
        if (!OpenFolder(child, real, &childReal)) {
            if (m_job.Stopping()) stop = true;
            continue;
        }
        bool childSkipped = false;
        ULONGLONG childBytes = 0;
        if (Walk(child, childReal, (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0, recycleMode, depth + 1,
                 &childSkipped, &childBytes) == 1)
            stop = true;
        if (recycleMode) {
            // Emptied bin folders go at once, so that the bin is left with no
            // folder to empty; one that holds something stays for the bin's emptying to name.
            if (!stop && IsFolderEmpty(child)) RemoveFolder(child, childBytes, real);
            continue;
        }
        if (childSkipped || removeOption == 0) continue;
        if (removeOption == 1) {
            const int answer =
                m_job.AskOrLogNo(LoadLangStringWith(TXT_REMOVE_SUBFOLDER, kTextRemoveSubfolder, child),
                                 MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDCANCEL) stop = true;
            if (answer != IDYES) continue;
        }
        RemoveFolder(child, childBytes, real);
    } while (FindNextFileA(find, &found));
    return stop ? 1 : 0;
}
