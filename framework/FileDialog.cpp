#include "FileDialog.h"

#include "Files.h"
#include "Seams.h"

namespace {
FileDialogHook g_fileDialogHook = nullptr;
typedef BOOL(WINAPI* FileDialogProc)(OPENFILENAMEA*);
}

void SetFileDialogHook(FileDialogHook hook) { g_fileDialogHook = hook; }

CString FileDialogFilter(const char* filter) {
    CString result;
    if (!filter) return result;
    for (const char* p = filter; *p; ++p) result += *p == '|' ? '\0' : *p;
    // Two terminating NULs whatever the caller ended the text with.
    result += '\0';
    result += '\0';
    return result;
}

CFileDialog::CFileDialog(bool open, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, HWND owner)
    : m_open(open), m_filter(FileDialogFilter(filter)), m_defaultExtension(defaultExtension ? defaultExtension : "") {
    ZeroMemory(&m_ofn, sizeof m_ofn);
    // The short record: accepted by every common-dialog version.
    m_ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    m_ofn.hwndOwner = owner;
    m_ofn.Flags = flags | OFN_EXPLORER;
    if (fileName) lstrcpynA(m_buffer, fileName, sizeof m_buffer);
}

// comdlg32 brings the printing libraries with it; it is loaded only when a
// dialog is first shown.
static BOOL Show(bool open, OPENFILENAMEA* ofn) {
    static FileDialogProc openProc = LateProc<FileDialogProc>("comdlg32.dll", "GetOpenFileNameA");
    static FileDialogProc saveProc = LateProc<FileDialogProc>("comdlg32.dll", "GetSaveFileNameA");
    FileDialogProc proc = open ? openProc : saveProc;
    return proc ? proc(ofn) : FALSE;
}

INT_PTR CFileDialog::DoModal() {
    m_ofn.lpstrFile = m_buffer;
    m_ofn.nMaxFile = sizeof m_buffer;
    m_ofn.lpstrFilter = m_filter.IsEmpty() ? nullptr : m_filter.c_str();
    m_ofn.lpstrDefExt = m_defaultExtension.IsEmpty() ? nullptr : m_defaultExtension.c_str();
    BOOL ok;
    if (g_fileDialogHook)
        ok = g_fileDialogHook(m_open, &m_ofn);
    else
        ok = Show(m_open, &m_ofn);
    if (!ok) return IDCANCEL;
    m_path = m_buffer;
    return IDOK;
}

CString CFileDialog::GetFileName() const { return FileNameOf(m_path); }
