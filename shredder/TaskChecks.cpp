// Item add checks of CShredderApp: what the engine and the folder walk would
// ask in a scheduled run is asked once, when the task is made.
#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "Seams.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const DWORD kMarked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
}  // namespace

int CShredderApp::CheckFileForTask(const CString& path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        QvMessageBox(nullptr, LoadLangStringWith(TXT_ACCESS, kTextAccess, path), m_productTitle, MB_OK);
        return 0;
    }
    if (!(attributes & kMarked)) return 2;
    const int answer = QvMessageBox(nullptr, LoadLangStringWith(TXT_TASK_ATTRIBUTES, kTextTaskAttributes, path), m_productTitle,
                                    MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    return answer == IDYES ? 2 : answer == IDCANCEL ? 1 : 0;
}

int CShredderApp::CheckFileInFolderForTask(const CString& path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        QvMessageBox(nullptr, LoadLangStringWith(TXT_ACCESS, kTextAccess, path), m_productTitle, MB_OK | MB_ICONERROR);
        return 0;
    }
    if (!(attributes & kMarked)) return 2;
    const int answer = QvMessageBox(nullptr, LoadLangStringWith(TXT_TASK_ATTRIBUTES, kTextTaskAttributes, path), m_productTitle,
                                    MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    return answer == IDOK ? 2 : 1;
}

int CShredderApp::CheckFolderTreeForTask(const CString& folder, bool systemFolder, int depth) {
    if (systemFolder && QvMessageBox(nullptr, LoadLangStringWith(TXT_SYSTEM_FOLDER, kTextSystemFolder, folder), m_productTitle,
                                     MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK)
        return 1;
    WIN32_FIND_DATAA found;
    CFindHandle find(FindFirstFileA(JoinPath(folder, "*.*"), &found));
    if (!find.IsValid()) {
        QvMessageBox(nullptr, LoadLangString(TXT_FIND_HANDLE, kTextFindHandle), m_productTitle, MB_ICONERROR);
        return 1;
    }
    int result = 2;
    DWORD folderOption = m_profile.GetInt(kValueFolder, 0), removeOption = m_profile.GetInt(kValueRemove, 0);
    do {
        if (m_abort) break;
        const CString name(found.cFileName);
        if (name == "." || name == "..") continue;
        const CString child = JoinPath(folder, name);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (CheckFileInFolderForTask(child) == 1) result = 1;
            continue;
        }
        // The scheduled run enters neither links nor folders past its depth limit.
        if (folderOption == 0 || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || depth >= 100) continue;
        // Cancel ends the command, so the stored options stay as they were.
        if (folderOption == 1) {
            const int answer = QvMessageBox(nullptr, LoadLangString(TXT_TASK_SUBFOLDERS, kTextTaskSubfolders),
                                            m_productTitle, MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDCANCEL) return 1;
            folderOption = answer == IDYES ? 2 : 0;
            m_profile.WriteInt(kValueFolder, folderOption);
            if (folderOption == 0) continue;
        }
        if (removeOption == 1) {
            const int answer = QvMessageBox(nullptr, LoadLangString(TXT_TASK_REMOVE, kTextTaskRemove), m_productTitle,
                                            MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDCANCEL) return 1;
            removeOption = answer == IDYES ? 2 : 0;
            m_profile.WriteInt(kValueRemove, removeOption);
        }
        if (CheckFolderTreeForTask(child, (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0, depth + 1) == 1)
            return 1;
    } while (FindNextFileA(find, &found));
    return result;
}
