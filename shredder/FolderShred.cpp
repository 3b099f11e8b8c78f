// The folder shred: the files of a folder through the overwrite engine, its
// subfolders by the Folder and Remove options, never a protected system
// folder and never a link to somewhere else: every folder is opened as
// itself before it is walked, and its entries are checked against where it
// really is.
#include "FolderShred.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "ShredEntry.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const int kMaxFolderDepth = 100;
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A window lists this many of the items left; the log lists them all.
const int kShownLeftItems = 20;

// The name the wide-character calls reach a path of any length by.
std::wstring LongPathName(const CString& path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], n);
    const DWORD room = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (room == 0) return std::wstring();
    std::wstring full(room, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), room, &full[0], nullptr));
    if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Every item below a folder that the walk cannot reach, named as the user
// gave the folder; links are named, not entered, and depth bounds the listing.
void ListLeft(const CString& folder, const std::wstring& wideFolder, CStringArray& left, int depth) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((wideFolder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (lstrcmpW(found.cFileName, L".") == 0 || lstrcmpW(found.cFileName, L"..") == 0) continue;
        char name[MAX_PATH * 2] = "";
        WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, name, sizeof(name) - 1, nullptr, nullptr);
        const CString path = JoinPath(folder, name);
        left.Add(path);
        const DWORD attributes = found.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            depth < kMaxFolderDepth)
            ListLeft(path, wideFolder + L"\\" + found.cFileName, left, depth + 1);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

// Too long for the calls the shred goes through.
bool PathTooLong(const CString& path) { return path.GetLength() >= MAX_PATH; }
bool FolderTooLong(const CString& folder) { return PathTooLong(JoinPath(folder, "*.*")); }
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

int CFolderShred::RunItem(const CString& path, bool systemFolder) {
    CString real;
    if (!OpenFolder(path, CString(), &real)) return m_job.Stopping() ? 1 : 0;
    bool skipped = false;
    ULONGLONG indexBytes = 0;
    const int rc = Walk(path, real, systemFolder, 0, &skipped, &indexBytes);
    if (rc == 0 && !skipped && IsFolderEmpty(path)) {
        CString leftAs;
        if (const int error = RemoveShreddedFolder(path, indexBytes, CString(), &leftAs))
            ReportRemoveFailure(path, error, leftAs);
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

int CFolderShred::Walk(const CString& path, const CString& real, bool systemFolder, int depth,
                       bool* skipped, ULONGLONG* indexBytes) {
    *skipped = false;
    *indexBytes = 0;
    if (m_job.Machine().IsProtectedFolder(path)) {
        m_job.Host().Report(LoadLangStringWith(TXT_SKIP_FOLDER, kTextSkipFolder, path), MB_ICONINFORMATION);
        *skipped = true;
        return 0;
    }
    if (systemFolder) {
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
    CStringArray tooLong, tooDeep;
    if (FolderTooLong(path)) {
        // Only a folder given as an item comes here: the walk names what lies
        // below a subfolder like it without entering it.
        ListLeft(path, LongPathName(path), tooLong, 0);
        ReportLeft(path, TXT_PATH_TOO_LONG, kTextPathTooLong, MAX_PATH, tooLong);
        return 0;
    }
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(path, "*.*"), &found));
    if (!find.IsValid()) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES &&
            GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            m_job.Host().Report(LoadLangStringWith(TXT_ACCESS, kTextAccess, path), MB_ICONERROR);
        return 0;
    }
    do {
        if (stop || m_job.Stopping()) break;
        const CString name(found.cFileName);
        if (name == "." || name == "..") continue;
        *indexBytes += IndexEntryBytes(name);
        const CString child = JoinPath(path, name);
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (isFolder ? FolderTooLong(child) : PathTooLong(child)) {
            if (isFolder && folderOption == 0) continue;
            tooLong.Add(child);
            if (isFolder && !isLink) ListLeft(child, LongPathName(child), tooLong, 0);
            continue;
        }
        // Every entry is checked against where this folder really is: one that
        // leads elsewhere is a link, whatever the listing shows.
        if (!isFolder) {
            if (m_job.Engine().OverwriteFile(child, *algorithm, KIND_ITEM, real) == 1 ||
                m_job.Abort())
                stop = true;
            continue;
        }
        // A folder link is met where subfolders are, and then never entered.
        if (folderOption == 0) continue;
        if (depth >= kMaxFolderDepth) {
            tooDeep.Add(child);
            if (!isLink) ListLeft(child, LongPathName(child), tooDeep, 0);
            continue;
        }
        if (folderOption == 1) {
            const int answer = m_job.AskOrSkip(LoadLangStringWith(TXT_SHRED_SUBFOLDER, kTextShredSubfolder, child),
                                               MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1,
                                               LoadLangStringWith(TXT_SUBFOLDER_SKIPPED, kTextSubfolderSkipped, child));
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
        if (Walk(child, childReal, (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0, depth + 1,
                 &childSkipped, &childBytes) == 1)
            stop = true;
        if (childSkipped || removeOption == 0) continue;
        if (removeOption == 1) {
            const int answer = m_job.AskOrSkip(LoadLangStringWith(TXT_REMOVE_SUBFOLDER, kTextRemoveSubfolder, child),
                                               MB_YESNOCANCEL | MB_ICONQUESTION,
                                               LoadLangStringWith(TXT_FOLDER_KEPT, kTextFolderKept, child));
            if (answer == IDCANCEL) stop = true;
            if (answer != IDYES) continue;
        }
        RemoveFolder(child, childBytes, real);
    } while (FindNextFileA(find, &found));
    ReportLeft(path, TXT_PATH_TOO_LONG, kTextPathTooLong, MAX_PATH, tooLong);
    ReportLeft(path, TXT_TOO_DEEP, kTextTooDeep, kMaxFolderDepth, tooDeep);
    return stop ? 1 : 0;
}
