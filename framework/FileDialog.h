// FileDialog.h - CFileDialog, the common open/save dialog with a filter
// written as "Text (*.ext)|*.ext||" and the chosen path read back.
// ChooseRealFiles: the open dialog choosing several files, by their real names.
// Deliberately not: hooks, custom templates.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <cderr.h>

#include <vector>

#include "RealNames.h"
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

// Existing files chosen in the open dialog, several at once, by their real
// names: the ANSI dialog hands back a name outside the code page by best
// fit, maybe the name of another file. IDOK, IDCANCEL, or IDRETRY when more
// was chosen than the dialog could hand back (then nothing is).
INT_PTR ChooseRealFiles(HWND owner, const char* filter, std::vector<CRealPath>& chosen);

// "A|*.a|B|*.b||" in the form the common dialog wants (NUL separated, two NULs at the end).
CString FileDialogFilter(const char* filter);
// Common-dialog seam for tests (null: the real GetOpenFileName/GetSaveFileName).
using FileDialogHook = BOOL (*)(bool open, OPENFILENAMEA* ofn);
void SetFileDialogHook(FileDialogHook hook);
