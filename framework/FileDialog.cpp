#include "FileDialog.h"

#include "Files.h"
#include "Seams.h"

namespace {
FileDialogHook g_fileDialogHook = nullptr;
typedef BOOL(WINAPI* FileDialogProc)(OPENFILENAMEA*);
typedef BOOL(WINAPI* WideFileDialogProc)(OPENFILENAMEW*);
typedef DWORD(WINAPI* DialogErrorProc)();

// Room for a few thousand names: a multiple selection longer than the buffer is refused by the dialog.
const DWORD kChosenChars = 65536;

// Explorer-style multiple selection: the folder, then each name, NUL
// separated; one file alone comes as its full path.
template <typename Char>
void SplitChosen(const Char* text, std::vector<CRealPath>& out, CRealPath (*toPath)(const Char*)) {
    const Char* first = text;
    const Char* p = first;
    while (*p) ++p;
    ++p;
    if (!*p) {
        out.push_back(toPath(first));
        return;
    }
    const CRealPath folder = toPath(first);
    while (*p) {
        out.push_back(JoinRealPath(folder, toPath(p)));
        while (*p) ++p;
        ++p;
    }
}

CRealPath FromWide(const wchar_t* text) { return CRealPath(text); }
CRealPath FromAnsi(const char* text) { return RealPathFrom(text); }

INT_PTR Outcome(BOOL ok) {
    if (ok) return IDOK;
    static DialogErrorProc error = LateProc<DialogErrorProc>("comdlg32.dll", "CommDlgExtendedError");
    return error && error() == FNERR_BUFFERTOOSMALL ? IDRETRY : IDCANCEL;
}
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

namespace {
// One multiple selection of existing files, in either character width.
template <typename Dialog, typename Char, typename ShowProc>
INT_PTR ChooseInto(HWND owner, DWORD structSize, const Char* filter, ShowProc show, CRealPath (*toPath)(const Char*),
                   std::vector<CRealPath>& chosen) {
    std::vector<Char> buffer(kChosenChars, Char(0));
    Dialog ofn = {};
    ofn.lStructSize = structSize;
    ofn.hwndOwner = owner;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kChosenChars;
    ofn.lpstrFilter = filter;
    const INT_PTR rc = Outcome(show(&ofn));
    if (rc == IDOK) SplitChosen(buffer.data(), chosen, toPath);
    return rc;
}
}  // namespace

INT_PTR ChooseRealFiles(HWND owner, const char* filter, std::vector<CRealPath>& chosen) {
    chosen.clear();
    const CString filterText = FileDialogFilter(filter);
    // The tests' seam speaks ANSI; so does every system before Windows NT, whose names are the code page's.
    if (g_fileDialogHook || !HasWideFileCalls()) {
        auto show = [](OPENFILENAMEA* ofn) { return g_fileDialogHook ? g_fileDialogHook(true, ofn) : Show(true, ofn); };
        return ChooseInto<OPENFILENAMEA>(owner, OPENFILENAME_SIZE_VERSION_400A,
                                         filterText.IsEmpty() ? nullptr : filterText.c_str(), show, FromAnsi, chosen);
    }
    static WideFileDialogProc proc = LateProc<WideFileDialogProc>("comdlg32.dll", "GetOpenFileNameW");
    if (!proc) return IDCANCEL;
    // The filter's NULs are text too: converted whole.
    CRealPath wideFilter(size_t(filterText.GetLength()), L'\0');
    if (!filterText.IsEmpty())
        wideFilter.resize(size_t(MultiByteToWideChar(CP_ACP, 0, filterText.c_str(), filterText.GetLength(),
                                                     &wideFilter[0], int(wideFilter.size()))));
    return ChooseInto<OPENFILENAMEW>(owner, OPENFILENAME_SIZE_VERSION_400W,
                                     wideFilter.empty() ? nullptr : wideFilter.c_str(), proc, FromWide, chosen);
}
