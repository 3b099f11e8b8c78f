// Folder recursion of CShredderApp: the files of a folder through the
// overwrite engine, its subfolders by the Folder and Remove options, never a
// protected system folder and never a link to somewhere else.
#include <cstring>

#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "Seams.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const int kMaxFolderDepth = 100;

CString NormalFolder(const CString& path) {
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path, sizeof(full), full, nullptr);
    CString result = n > 0 && n < sizeof(full) ? CString(full) : path;
    while (result.GetLength() > 3 && (result.Right(1) == "\\" || result.Right(1) == "/"))
        result = result.Left(result.GetLength() - 1);
    return result;
}

int Option(DWORD value) { return value <= 2 ? int(value) : 0; }
}  // namespace

bool IsFolderEmpty(const char* path) {
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(path, "*.*"), &found));
    if (!find.IsValid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0) return false;
    } while (FindNextFileA(find, &found));
    return true;
}

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

bool CShredderApp::IsProtectedFolder(const CString& path) const {
    const CString folder = NormalFolder(path);
    for (const CString& guarded : m_protected)
        if (!guarded.IsEmpty() && folder.CompareNoCase(NormalFolder(guarded)) == 0) return true;
    return false;
}

const CAlgorithm* CShredderApp::JobAlgorithm() const {
    const int index = m_scheduled ? m_optionO : int(m_profile.GetInt(kValueMethod, DWORD(m_method)));
    if (m_algorithms.IsValidIndex(index)) return &m_algorithms.GetAt(index);
    return m_algorithms.IsValidIndex(m_method) && !m_scheduled ? &m_algorithms.GetAt(m_method) : nullptr;
}

int CShredderApp::AskOrLogNo(const CString& text, UINT type) {
    if (!m_scheduled) return QvMessageBox(nullptr, text, m_productTitle, type);
    Report(text, MB_ICONQUESTION);
    return IDNO;
}

void CShredderApp::ReportRemoveFailure(const CString& path, int error) {
    CString code = LoadLangString(TXT_ERROR_CODE, kTextErrorCode);
    CString number;
    number.Format("%d", error);
    code.Replace("%u", number);
    code.Replace("%s", strerror(error));
    Report(LoadLangStringWith(TXT_REMOVE_FAILED, kTextRemoveFailed, path) + code, MB_ICONINFORMATION);
}

int CShredderApp::ShredFolder(const CString& path, bool systemFolder, bool recycleMode, int depth) {
    bool skipped = false;
    ULONGLONG indexBytes = 0;
    return WalkFolder(path, systemFolder, recycleMode, depth, &skipped, &indexBytes);
}

int CShredderApp::WalkFolder(const CString& path, bool systemFolder, bool recycleMode, int depth, bool* skipped,
                             ULONGLONG* indexBytes) {
    *skipped = false;
    *indexBytes = 0;
    if (!recycleMode && IsProtectedFolder(path)) {
        Report(LoadLangStringWith(TXT_SKIP_FOLDER, kTextSkipFolder, path), MB_ICONINFORMATION);
        *skipped = true;
        return 0;
    }
    if (!recycleMode && systemFolder) {
        const int answer = Ask(LoadLangStringWith(TXT_SYSTEM_FOLDER, kTextSystemFolder, path),
                               MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES);
        if (answer == IDCANCEL) return 1;
        if (answer != IDYES) {
            *skipped = true;
            return 0;
        }
    }
    const CAlgorithm* algorithm = JobAlgorithm();
    if (!algorithm) return 1;
    const int folderOption = Option(m_scheduled ? DWORD(m_optionF) : m_profile.GetInt(kValueFolder, 0));
    const int removeOption = Option(m_scheduled ? DWORD(m_optionR) : m_profile.GetInt(kValueRemove, 0));

    bool stop = false;
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(path, "*.*"), &found));
    if (!find.IsValid()) return 0;
    do {
        if (stop || m_abort || m_endSession) break;
        const CString name(found.cFileName);
        if (name == "." || name == "..") continue;
        *indexBytes += IndexEntryBytes(name);
        const CString child = JoinPath(path, name);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (m_engine->OverwriteFile(child, *algorithm, recycleMode ? KIND_BIN_FOLDER : KIND_ITEM) == 1 || m_abort)
                stop = true;
            continue;
        }
        // A junction or mount point leads out of what was chosen: neither entered nor removed.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (!recycleMode && folderOption == 0) continue;
        if (depth >= kMaxFolderDepth) continue;
        if (!recycleMode && folderOption == 1) {
            const int answer = AskOrLogNo(LoadLangStringWith(TXT_SHRED_SUBFOLDER, kTextShredSubfolder, child),
                                          MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
            if (answer == IDCANCEL) {
                stop = true;
                continue;
            }
            if (answer != IDYES) continue;
        }
        bool childSkipped = false;
        ULONGLONG childBytes = 0;
        if (WalkFolder(child, (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0, recycleMode, depth + 1,
                       &childSkipped, &childBytes) == 1)
            stop = true;
        if (recycleMode) {
            // Emptied bin folders go at once: Wine's bin cannot empty a folder that still has subfolders.
            if (!stop && IsFolderEmpty(child)) RemoveShreddedFolder(child, childBytes);
            continue;
        }
        if (childSkipped || removeOption == 0) continue;
        if (removeOption == 1) {
            const int answer = AskOrLogNo(LoadLangStringWith(TXT_REMOVE_SUBFOLDER, kTextRemoveSubfolder, child),
                                          MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDCANCEL) stop = true;
            if (answer != IDYES) continue;
        }
        if (const int error = RemoveShreddedFolder(child, childBytes)) ReportRemoveFailure(child, error);
    } while (FindNextFileA(find, &found));
    return stop ? 1 : 0;
}
