// The folder shred: the files of a folder through the overwrite engine, its
// subfolders by the Folder and Remove options, never a protected system
// folder and never a link to somewhere else: every folder is opened as
// itself before it is walked, and its entries are checked against where it
// really is.
#include "FolderShred.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "LangPack.h"
#include "ShredEntry.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A window lists this many of the items left; the log lists them all.
const int kShownLeftItems = 20;

// The name the wide-character calls reach a path of any length by.
CRealPath LongPathName(const CRealPath& path) {
    const DWORD room = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (room == 0) return CRealPath();
    CRealPath full(room, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), room, &full[0], nullptr));
    if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Every item below a folder that the walk cannot reach, named as the user
// gave the folder; links are named, not entered, and depth bounds the listing.
void ListLeft(const CRealPath& folder, const CRealPath& longFolder, CStringArray& left, int depth) {
    std::vector<WIN32_FIND_DATAW> entries;
    ListRealFolder(longFolder, entries);
    for (const WIN32_FIND_DATAW& entry : entries) {
        const CRealPath path = JoinRealPath(folder, entry.cFileName);
        left.Add(CodePageSpelling(path));
        const DWORD attributes = entry.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            depth < kMaxFolderDepth)
            ListLeft(path, JoinRealPath(longFolder, entry.cFileName), left, depth + 1);
    }
}

// Too long for the calls the shred goes through.
bool PathTooLong(const CRealPath& path) { return path.size() >= MAX_PATH; }
bool FolderTooLong(const CRealPath& folder) { return PathTooLong(JoinRealPath(folder, L"*.*")); }
}  // namespace

bool IsItemLeft(const CRealPath& path, int depth) {
    const DWORD attributes = RealAttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || depth > kMaxFolderDepth) return false;
    std::vector<WIN32_FIND_DATAW> entries;
    ListRealFolder(path, entries);
    for (const WIN32_FIND_DATAW& entry : entries)
        if (IsItemLeft(JoinRealPath(path, entry.cFileName), depth + 1)) return true;
    return false;
}

bool IsItemLeft(const char* path) { return IsItemLeft(RealPathFrom(path)); }

bool OpenWalkedFolder(COverwriteEngine& engine, const CRealPath& path, const CRealPath& realParent, CRealPath* real) {
    CShredEntry folder;
    // Reading its attributes is all a check needs: a folder the user may not change is still walked.
    folder.Open(path, 0, kShareAll, realParent);
    if (folder.IsLink()) {
        engine.RemoveLink(folder, CodePageSpelling(path));
        return false;
    }
    *real = folder.Kind() == ENTRY_PLAIN && CanHoldEntries() ? folder.RealCurrent() : CRealPath();
    return true;
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

int CFolderShred::RunItem(const CRealPath& folder, bool systemFolder) {
    CRealPath real;
    if (!OpenWalkedFolder(m_job.Engine(), folder, CRealPath(), &real)) return m_job.Stopping() ? 1 : 0;
    bool skipped = false;
    ULONGLONG indexBytes = 0;
    const int rc = Walk(folder, real, systemFolder, 0, &skipped, &indexBytes);
    if (rc == 0 && !skipped && IsFolderEmpty(folder)) {
        CString leftAs;
        if (const int error = RemoveShreddedFolder(folder, indexBytes, CRealPath(), &leftAs))
            ReportRemoveFailure(CodePageSpelling(folder), error, leftAs);
    }
    return rc;
}

void CFolderShred::ReportLeft(const CString& folder, int key, const char* defaultText, int limit,
                              const CStringArray& left) {
    if (left.IsEmpty()) return;
    const int shown = m_job.IsScheduled() || left.GetSize() <= kShownLeftItems ? left.GetSize() : kShownLeftItems;
    CString names;
    for (int i = 0; i < shown; ++i) names += "\n" + left[i];
    if (shown < left.GetSize()) {
        CString more = LoadLangString(TXT_AND_MORE, kTextAndMore);
        CString count;
        count.Format("%d", left.GetSize() - shown);
        more.Replace("%u", count);
        names += "\n" + more;
    }
    CString number;
    number.Format("%d", limit);
    // One pass: a folder named with "%u" or "%t" keeps its name.
    m_job.Host().Report(
        FillMarkers(LoadLangString(key, defaultText), {{"%s", folder}, {"%u", number}, {"%t", names}}),
        MB_ICONERROR);
}

void CFolderShred::RemoveFolder(const CRealPath& path, ULONGLONG indexBytes, const CRealPath& realParent) {
    // Only a folder with nothing left in it is renamed and removed: one still
    // holding what could not be shredded keeps its name.
    if (!IsFolderEmpty(path)) {
        ReportRemoveFailure(CodePageSpelling(path), ENOTEMPTY, CString());
        return;
    }
    CString leftAs;
    if (const int error = RemoveShreddedFolder(path, indexBytes, realParent, &leftAs))
        ReportRemoveFailure(CodePageSpelling(path), error, leftAs);
}

int CFolderShred::Walk(const CRealPath& path, const CRealPath& real, bool systemFolder, int depth,
                       bool* skipped, ULONGLONG* indexBytes) {
    *skipped = false;
    *indexBytes = 0;
    const CString shown = CodePageSpelling(path);
    if (m_job.Machine().IsProtectedFolder(shown)) {
        m_job.Host().Report(LoadLangStringWith(TXT_SKIP_FOLDER, kTextSkipFolder, shown), MB_ICONINFORMATION);
        *skipped = true;
        return 0;
    }
    if (systemFolder) {
        const int answer = m_job.Host().Ask(LoadLangStringWith(TXT_SYSTEM_FOLDER, kTextSystemFolder, shown),
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
    CStringArray tooLong, tooDeep;
    if (FolderTooLong(path)) {
        // Only a folder given as an item comes here: the walk names what lies
        // below a subfolder like it without entering it.
        ListLeft(path, LongPathName(path), tooLong, 0);
        ReportLeft(shown, TXT_PATH_TOO_LONG, kTextPathTooLong, MAX_PATH, tooLong);
        return 0;
    }
    std::vector<WIN32_FIND_DATAW> entries;
    if (!ListRealFolder(path, entries)) {
        if (GetLastError() != ERROR_NO_MORE_FILES && RealAttributesOf(path) != INVALID_FILE_ATTRIBUTES)
            m_job.Host().Report(LoadLangStringWith(TXT_ACCESS, kTextAccess, shown), MB_ICONERROR);
        return 0;
    }
    for (const WIN32_FIND_DATAW& found : entries) {
        if (stop || m_job.Stopping()) break;
        *indexBytes += IndexEntryBytes(ShownPath(found.cFileName));
        const CRealPath child = JoinRealPath(path, found.cFileName);
        const CString shownChild = CodePageSpelling(child);
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (isFolder ? FolderTooLong(child) : PathTooLong(child)) {
            if (isFolder && folderOption == 0) continue;
            tooLong.Add(shownChild);
            if (isFolder && !isLink) ListLeft(child, LongPathName(child), tooLong, 0);
            continue;
        }
        // Every entry is checked against where this folder really is: one that
        // leads elsewhere is a link, whatever the listing shows.
        if (!isFolder) {
            if (m_job.Engine().OverwriteFile(child, *algorithm, KIND_ITEM, real) == 1 || m_job.Abort()) stop = true;
            continue;
        }
        // A folder link is met where subfolders are, and then never entered.
        if (folderOption == 0) continue;
        if (depth >= kMaxFolderDepth) {
            tooDeep.Add(shownChild);
            if (!isLink) ListLeft(child, LongPathName(child), tooDeep, 0);
            continue;
        }
        if (folderOption == 1) {
            const int answer =
                m_job.AskOrSkip(LoadLangStringWith(TXT_SHRED_SUBFOLDER, kTextShredSubfolder, shownChild),
                                MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1,
                                LoadLangStringWith(TXT_SUBFOLDER_SKIPPED, kTextSubfolderSkipped, shownChild));
            if (answer == IDCANCEL) {
                stop = true;
                continue;
            }
            if (answer != IDYES) continue;
        }
        CRealPath childReal;
        if (!OpenWalkedFolder(m_job.Engine(), child, real, &childReal)) {
            if (m_job.Stopping()) stop = true;
            continue;
        }
        bool childSkipped = false;
        ULONGLONG childBytes = 0;
        if (Walk(child, childReal, (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0, depth + 1, &childSkipped,
                 &childBytes) == 1)
            stop = true;
        if (childSkipped || removeOption == 0) continue;
        if (removeOption == 1) {
            const int answer =
                m_job.AskOrSkip(LoadLangStringWith(TXT_REMOVE_SUBFOLDER, kTextRemoveSubfolder, shownChild),
                                MB_YESNOCANCEL | MB_ICONQUESTION,
                                LoadLangStringWith(TXT_FOLDER_KEPT, kTextFolderKept, shownChild));
            if (answer == IDCANCEL) stop = true;
            if (answer != IDYES) continue;
        }
        RemoveFolder(child, childBytes, real);
    }
    ReportLeft(shown, TXT_PATH_TOO_LONG, kTextPathTooLong, MAX_PATH, tooLong);
    ReportLeft(shown, TXT_TOO_DEEP, kTextTooDeep, kMaxFolderDepth, tooDeep);
    return stop ? 1 : 0;
}
