// The Recycle Bin shred: every place the shell's empty of a drive covers is
// walked entry by entry, by the entries' real names, each overwritten and
// then removed as itself; the shell empties each bin's index only when
// nothing else is left in it (RecycleBin.h): its own empty would follow a
// link the bin still holds, and remove what was never overwritten.
// A bin folder is RECYCLED on FAT drives and Recycler\<SID> on NTFS ones;
// under Wine the shell keeps the bin in the desktop's trash folder instead
// ($XDG_DATA_HOME/Trash/files), and empties it whole for any drive.
#include "RecycleBinShred.h"

#include <shellapi.h>

#include <memory>
#include <vector>

#include "FileEntries.h"
#include "FolderShred.h"
#include "Handles.h"
#include "LangPack.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
// The shell's own record: packed to 20 bytes for 32-bit programs, aligned in
// 64-bit ones. A 32-bit shell refuses any other size.
using CBinQuery = SHQUERYRBINFO;
static_assert(sizeof(void*) != 4 || sizeof(CBinQuery) == 20, "the 32-bit Recycle Bin query record is 20 bytes");

typedef HRESULT(WINAPI* QueryBinProc)(LPCSTR, CBinQuery*);
}  // namespace

CRecycleBinShred::CRecycleBinShred(CShredJob& job) : m_job(job) {}

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
    if (!query || !GetProcAddress(shell, "SHEmptyRecycleBinA")) {
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
    // What lies in the bins is shredded, whether the shell's records list it or not.
    ULONGLONG listedBytes = 0;
    items += CountBinEntries(BinPlacesOf(nullptr, machine.userSid), &listedBytes);
    if (listedBytes > bytes) bytes = listedBytes;
    m_algorithm = m_job.Algorithm();
    if (!m_algorithm) return 1;
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
    progress->SetJobRange(bytes * ULONGLONG(m_algorithm->PassCount()) / kBufferSize + 1);
    progress->SetCaption(LoadLangString(TXT_BIN_CAPTION, kTextBinCaption));

    int rc = 0;
    // Where every drive's bin is the desktop trash, that trash is walked and
    // told once, and the shell empties no drive's bin while it keeps anything.
    CRecycleBinSweep sweep(machine.userSid, this);
    for (int i = 0; i < 26 && !m_job.Stopping(); ++i) {
        const char* root = machine.fixedRoots[i];
        if (!root[0]) continue;
        CBinQuery info = {sizeof(info), 0, 0};
        const bool recorded = query(root, &info) == S_OK && info.i64NumItems != 0;
        if (!recorded && CountBinEntries(BinPlacesOf(root, machine.userSid)) == 0) continue;
        const CBinEmptied emptied = sweep.Sweep(root);
        const char letter = root[0];
        if (emptied.stopped || m_job.Stopping()) {
            CString text = LoadLangString(TXT_BIN_ABORT, kTextBinAbort);
            text.Replace("%c", CString(letter));
            host.Report(text, MB_ICONINFORMATION);
            rc = 1;
            break;
        }
        ReportBinLeft(letter, emptied);
        // The desktop's trash is no Windows bin folder: a desktop.ini there would become a trashed item.
        for (const CBinPlace& place : emptied.walked) {
            if (place.desktopTrash) continue;
            const CRealPath ini = JoinRealPath(place.folder, L"desktop.ini");
            CHandle file(OpenRealFile(ini, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
            DWORD written = 0;
            if (file.IsValid()) WriteFile(file, kTextBinDesktopIni, DWORD(lstrlenA(kTextBinDesktopIni)), &written, nullptr);
        }
    }
    own.Close();
    return rc;
}

int CRecycleBinShred::Prepare(const CRealPath& path, const WIN32_FIND_DATAW& listed) {
    if (m_job.Stopping()) return BIN_STOP;
    COverwriteEngine& engine = m_job.Engine();
    const int failures = engine.FailureCount();
    const bool folder = (listed.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A link in the bin is neither entered nor overwritten: both open the entry as itself.
    ULONGLONG indexBytes = 0;
    const int result = folder ? ShredBinFolder(path, CRealPath(), 0, &indexBytes)
                              : engine.OverwriteFile(path, *m_algorithm, KIND_BIN_FILE);
    if (result == 1) m_job.Abort() = true;
    if (m_job.Stopping()) return BIN_STOP;
    // What was not overwritten stays: emptying the bin would remove it
    // unshredded. In a folder that is anything still in it, since what was
    // overwritten there is gone.
    if (engine.FailureCount() != failures) return BIN_KEEP;
    return folder && FindRealEntry(path) && !IsFolderEmpty(path) ? BIN_KEEP : BIN_REMOVE;
}

void CRecycleBinShred::BeforeEmpty(const char* root) {
    IShredProgress* progress = m_job.Engine().Progress();
    if (!progress) return;
    progress->SetItemText(LoadLangString(TXT_BIN_EMPTYING, kTextBinEmptying) + " " + CString(root[0]));
    progress->SetPassText("");
    progress->SetPassPos(0);
}

int CRecycleBinShred::ShredBinFolder(const CRealPath& path, const CRealPath& realParent, int depth,
                                     ULONGLONG* indexBytes) {
    COverwriteEngine& engine = m_job.Engine();
    CRealPath real;
    if (!OpenWalkedFolder(engine, path, realParent, &real)) return m_job.Stopping() ? 1 : 0;
    std::vector<WIN32_FIND_DATAW> entries;
    ListRealFolder(path, entries);
    for (const WIN32_FIND_DATAW& entry : entries) {
        if (m_job.Stopping()) return 1;
        const CRealPath child = JoinRealPath(path, entry.cFileName);
        *indexBytes += IndexEntryBytes(ShownPath(entry.cFileName));
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (engine.OverwriteFile(child, *m_algorithm, KIND_BIN_FOLDER, real) == 1) return 1;
            continue;
        }
        // Deeper than that, a folder stays, and so does the bin folder it lies in.
        if (depth >= kMaxFolderDepth) continue;
        ULONGLONG childBytes = 0;
        if (ShredBinFolder(child, real, depth + 1, &childBytes) == 1) return 1;
        // Emptied folders go at once; one that holds something stays, and so does its bin folder.
        if (IsFolderEmpty(child)) RemoveShreddedFolder(child, childBytes, real);
    }
    return m_job.Stopping() ? 1 : 0;
}
