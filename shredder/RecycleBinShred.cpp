// The Recycle Bin shred: everything the bins of all fixed drives hold is
// overwritten in place, then removed entry by entry as itself, and the shell
// empties each bin's index only when nothing else is left in it (RecycleBin.h):
// the shell's own empty would follow a link the bin still holds.
// A bin folder is RECYCLED on FAT drives and Recycler\<SID> on NTFS ones;
// under Wine the shell keeps the bin in the desktop's trash folder instead
// ($XDG_DATA_HOME/Trash/files), which stands in for both.
#include "RecycleBinShred.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "Files.h"
#include "FolderShred.h"
#include "Handles.h"
#include "LangPack.h"
#include "RecycleBin.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
// The shell's own record: packed to 20 bytes for 32-bit programs, aligned in
// 64-bit ones. A 32-bit shell refuses any other size.
using CBinQuery = SHQUERYRBINFO;
static_assert(sizeof(void*) != 4 || sizeof(CBinQuery) == 20, "the 32-bit Recycle Bin query record is 20 bytes");

typedef HRESULT(WINAPI* QueryBinProc)(LPCSTR, CBinQuery*);
typedef HRESULT(WINAPI* EmptyBinProc)(HWND, LPCSTR, DWORD);

}  // namespace

CRecycleBinShred::CRecycleBinShred(CShredJob& job) : m_job(job) {}

CString CRecycleBinShred::BinFolder(int letterIndex, bool* ownsDesktopIni) {
    const CShredMachine& machine = m_job.Machine();
    CString folder;
    if (machine.ntfs[letterIndex])
        folder.Format("%sRecycler\\%s", machine.fixedRoots[letterIndex], machine.userSid.c_str());
    else
        folder.Format("%sRECYCLED", machine.fixedRoots[letterIndex]);
    *ownsDesktopIni = true;
    if (FolderExists(folder)) return folder;
    const CString trash = DesktopTrashFolder();
    if (!trash.IsEmpty() && FolderExists(trash)) {
        // The desktop's trash is no Windows bin folder: a desktop.ini there would become a trashed item.
        *ownsDesktopIni = false;
        return trash;
    }
    return folder;
}

void CRecycleBinShred::ReportBinLeft(char letter, const CBinEmptied& emptied) {
    IShredHost& host = m_job.Host();
    if (!emptied.left.IsEmpty()) {
        CString names;
        for (const CString& name : emptied.left) names += "\n" + name;
        CString text = LoadLangString(TXT_BIN_LEFT, kTextBinLeft);
        text.Replace("%c", CString(letter));
        text.Replace("%s", names);
        host.Report(text, MB_ICONERROR);
    } else if (FAILED(emptied.shellResult)) {
        CString code;
        code.Format("0x%08lX", static_cast<unsigned long>(emptied.shellResult));
        CString text = LoadLangString(TXT_BIN_NOT_EMPTIED, kTextBinNotEmptied);
        text.Replace("%c", CString(letter));
        text.Replace("%s", code);
        host.Report(text, MB_ICONERROR);
    }
}

int CRecycleBinShred::ShredNow() {
    if (!m_job.IsScheduled() && m_job.Profile().GetInt(kValueBinAlertDisabled, 0) == 0) {
        bool dontShow = false;
        if (!m_job.Host().ShowAlert(TXT_BIN_ALERT, kTextBinAlert, &dontShow)) return 0;
        if (dontShow) m_job.Profile().WriteInt(kValueBinAlertDisabled, 1);
    }
    return Shred();
}

int CRecycleBinShred::Shred() {
    IShredHost& host = m_job.Host();
    const CShredMachine& machine = m_job.Machine();
    HMODULE shell = LoadLibraryA("SHELL32.DLL");
    if (!shell) return 0;
    std::unique_ptr<HINSTANCE__, BOOL(WINAPI*)(HMODULE)> owner(shell, FreeLibrary);
    QueryBinProc query =
        reinterpret_cast<QueryBinProc>(reinterpret_cast<void*>(GetProcAddress(shell, "SHQueryRecycleBinA")));
    EmptyBinProc empty =
        reinterpret_cast<EmptyBinProc>(reinterpret_cast<void*>(GetProcAddress(shell, "SHEmptyRecycleBinA")));
    if (!query || !empty) {
        host.Report(LoadLangString(TXT_BIN_APIS, kTextBinApis), MB_ICONERROR);
        return 0;
    }
    ULONGLONG items = 0, bytes = 0;
    for (int i = 0; i < 26; ++i) {
        if (!machine.fixedRoots[i][0]) continue;
        CBinQuery info = {sizeof(info), 0, 0};
        const HRESULT hr = query(machine.fixedRoots[i], &info);
        if (hr != S_OK) {
            CString text;
            text.Format("%s %08lX", LoadLangString(TXT_BIN_QUERY, kTextBinQuery).c_str(), static_cast<unsigned long>(hr));
            host.Report(text + LoadLangString(TXT_BIN_UNTOUCHED, kTextBinUntouched), MB_ICONERROR);
            return 0;
        }
        items += info.i64NumItems;
        bytes += info.i64Size;
    }
    const CAlgorithm* algorithm = m_job.Algorithm();
    if (!algorithm) return 1;
    if (items == 0) {
        host.Report(LoadLangString(TXT_BIN_EMPTY, kTextBinEmpty), MB_ICONINFORMATION);
        return 0;
    }
    if (host.Ask(LoadLangString(TXT_BIN_CONFIRM, kTextBinConfirm), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
                 IDYES) != IDYES)
        return 0;

    COwnProgress own(m_job.Engine());
    IShredProgress* progress = m_job.OpenProgress(own);
    if (!progress) {
        return 1;
    }
    progress->SetJobRange(bytes * ULONGLONG(algorithm->PassCount()) / kBufferSize + 1);
    progress->SetCaption(LoadLangString(TXT_BIN_CAPTION, kTextBinCaption));

    int rc = 0;
    // Where every drive's bin is the desktop trash, one that kept a link is
    // still not empty for the next drive: it is shredded and told once.
    CStringArray done;
    for (int i = 0; i < 26 && !m_job.Stopping(); ++i) {
        if (!machine.fixedRoots[i][0]) continue;
        CBinQuery info = {sizeof(info), 0, 0};
        if (query(machine.fixedRoots[i], &info) != S_OK || info.i64NumItems == 0) continue;
        bool ownsDesktopIni = true;
        const CString folder = BinFolder(i, &ownsDesktopIni);
        if (done.Find(folder, true) >= 0) continue;
        done.Add(folder);
        WIN32_FIND_DATAA found;
        CFindHandle find(FindFirstFileA(JoinPath(folder, "*.*"), &found));
        if (!find.IsValid()) {
            CString text = LoadLangString(TXT_ACCESS, kTextAccess);
            text.Replace("%s", folder);
            host.Report(text, MB_ICONINFORMATION);
            continue;
        }
        do {
            const CString name(found.cFileName);
            if (name == "." || name == ".." || (ownsDesktopIni && IsBinIndexName(name))) continue;
            const CString path = JoinPath(folder, name);
            int result = 0;
            // A link in the bin is neither entered nor overwritten: both calls open the entry as itself.
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                result = CFolderShred(m_job).Run(path, false, true);
            } else {
                result = m_job.Engine().OverwriteFile(path, *algorithm, KIND_BIN_FILE);
            }
            if (result == 1) m_job.Abort() = true;
        } while (!m_job.Stopping() && FindNextFileA(find, &found));
        find.Close();
        const char letter = machine.fixedRoots[i][0];
        if (m_job.Stopping()) {
            CString text = LoadLangString(TXT_BIN_ABORT, kTextBinAbort);
            text.Replace("%c", CString(letter));
            host.Report(text, MB_ICONINFORMATION);
            rc = 1;
            break;
        }
        progress->SetItemText(LoadLangString(TXT_BIN_EMPTYING, kTextBinEmptying) + " " + CString(letter));
        progress->SetPassText("");
        progress->SetPassPos(0);
        CStringArray folders;
        folders.Add(folder);
        ReportBinLeft(letter, EmptyRecycleBin(machine.fixedRoots[i], folders));
        if (ownsDesktopIni && FolderExists(folder)) {
            const CString ini = JoinPath(folder, "desktop.ini");
            CHandle file(CreateFileA(ini, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            if (file.IsValid()) WriteFile(file, kTextBinDesktopIni, DWORD(lstrlenA(kTextBinDesktopIni)), &written, nullptr);
        }
    }
    own.Close();
    return rc;
}
