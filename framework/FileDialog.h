// FileDialog.h - CFileDialog, the common open/save dialog with a filter
// written as "Text (*.ext)|*.ext||" and the chosen path read back.
// Deliberately not: multiple selection, hooks, custom templates.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "Strings.h"

class CFileDialog {
public:
    CFileDialog(bool open, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                HWND owner = nullptr);
    // IDOK or IDCANCEL.
    INT_PTR DoModal();
    CString GetPathName() const { return m_path; }
    CString GetFileName() const;

    OPENFILENAMEA m_ofn;

private:
    bool m_open;
    CString m_filter;
    CString m_defaultExtension;
    CString m_path;
    char m_buffer[MAX_PATH * 2] = "";
};

// "A|*.a|B|*.b||" in the form the common dialog wants (NUL separated, two NULs at the end).
CString FileDialogFilter(const char* filter);
// Common-dialog seam for tests (null: the real GetOpenFileName/GetSaveFileName).
using FileDialogHook = BOOL (*)(bool open, OPENFILENAMEA* ofn);
void SetFileDialogHook(FileDialogHook hook);
