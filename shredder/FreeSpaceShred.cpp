// The free-space shred: the space free to the user is taken by
// temporary files of random data (about 1 GB each) in <root>SHREDTMP.$$$,
// which are then overwritten with the algorithm's passes and deleted again.
// Only files this run created are ever written or deleted: a name that is
// already taken is passed over, never replaced.
// The fill files are neither compressed nor encrypted where the system lets
// them be, and their data does not compress where it does not; only a fill
// that ends at a full disk has shredded the free space, anything short of it
// is a failure. On NTFS small files then take every free MFT record, where
// deleted small files keep their data and free records their slack.
#include <windows.h>
#include <direct.h>
#include <winioctl.h>

#include <memory>

#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "FreeSpaceShred.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const int kMaxFillFiles = 100000;
const int kNameAttempts = 1000;

struct CTempFile {
    CHandle handle;
    CString path;
    DWORD bytes = 0;
};

CString Counted(const CString& text, const CString& s, int number, int total) {
    return FillMarkers(text, {{"%s", s}, {"%u", DecimalText(number)}, {"%t", DecimalText(total)}});
}

enum { FILL_FULL = 0, FILL_DISK_FULL = 1, FILL_FAILED = 2, FILL_CANCELLED = 3 };

// Clusters given back by the last fill file so the folder's index and the MFT can take the record files.
const ULONGLONG kRecordRoom = 1ull << 20;
// Resident data that covers most of a 1 KB record beside its headers and a name of 12 characters,
// and still stays resident where the file system keeps a margin in the record (ntfs-3g does at 680).
const DWORD kRecordData = 550;
const int kMaxRecordFiles = 4000000;
// Where small files take a cluster each (FAT, or NTFS without a free record
// left), the probe's files take at least this much; in free NTFS records they
// take no more than an index block.
const int kRecordProbe = 32;
const ULONGLONG kProbeClusterBytes = ULONGLONG(kRecordProbe) * 512;

// Compression off (inherited from the folder, or the volume's root); false
// when the file or folder stays compressed or encrypted, where the fill would
// not reach the clusters it stands for. File systems without compression
// refuse the control code and are plain anyway.
bool MakePlain(HANDLE handle) {
    USHORT none = COMPRESSION_FORMAT_NONE;
    DWORD returned = 0;
    DeviceIoControl(handle, FSCTL_SET_COMPRESSION, &none, sizeof(none), nullptr, 0, &returned, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    return !GetFileInformationByHandle(handle, &info) ||
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED));
}

bool MakeFolderPlain(const CString& folder) {
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_ENCRYPTED)) DecryptFileA(folder, 0);
    CHandle handle(CreateFileA(folder, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return !handle.IsValid() || MakePlain(handle);
}
}  // namespace

CFreeSpaceShred::CFreeSpaceShred(CShredJob& job) : m_job(job) {}

bool CFreeSpaceShred::QuerySpace(const char* root, ULONGLONG* freeToCaller, ULONGLONG* total, ULONGLONG* totalFree) {
    return m_job.Machine().QueryDiskSpace(root, freeToCaller, total, totalFree);
}

int CFreeSpaceShred::Run(const CString& root) {
    const CString drive = root.Left(2);
    IShredHost& host = m_job.Host();
    const bool scheduled = m_job.IsScheduled();
    if (m_job.Machine().systemRestore && !scheduled &&
        host.Ask(LoadLangString(TXT_RESTORE_POINTS, kTextRestorePoints), MB_OKCANCEL | MB_ICONINFORMATION, IDOK) !=
            IDOK)
        return 0;
    if (!scheduled && host.AskCaptioned(LoadLangString(TXT_FREE_SPACE_WARNING, kTextFreeSpaceWarning),
                                        LoadLangString(TXT_FREE_SPACE_CAPTION, kTextFreeSpaceCaption),
                                        MB_OKCANCEL | MB_ICONINFORMATION, IDOK) != IDOK)
        return 0;
    const CAlgorithm* algorithm = m_job.Algorithm();
    if (!algorithm) return 1;
    const bool quick = m_job.IsQuickShred(algorithm);

    const CString folder = root + "SHREDTMP.$$$";
    if (_mkdir(folder) != 0 && !FolderExists(folder)) {
        host.Report(LoadLangString(TXT_TEMP_FOLDER, kTextTempFolder), MB_ICONERROR);
        return 0;
    }
    if (!MakeFolderPlain(folder)) {
        host.Report(LoadLangStringWith(TXT_FILL_COMPRESSED, kTextFillCompressed, drive), MB_ICONERROR);
        _rmdir(folder);
        return 0;
    }
    ULONGLONG freeBytes = 0, totalFree = 0;
    if (!QuerySpace(root, &freeBytes, nullptr, &totalFree)) freeBytes = totalFree = 0;
    if (freeBytes == 0) {
        CString text = totalFree == 0 ? LoadLangString(TXT_NO_FREE_SPACE, kTextNoFreeSpace)
                                      : LoadLangString(TXT_NO_FREE_SPACE_USER, kTextNoFreeSpaceUser);
        text.Replace("%c", drive);
        host.Report(text, MB_ICONERROR);
        _rmdir(folder);
        return 0;
    }
    if (freeBytes != totalFree) {
        if (scheduled) {
            host.Report(LoadLangString(TXT_QUOTA_NOTE, kTextQuotaNote), MB_ICONINFORMATION);
        } else if (host.Ask(LoadLangString(TXT_QUOTA, kTextQuota), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES) !=
                   IDYES) {
            _rmdir(folder);
            return 0;
        }
    }

    const ULONGLONG count64 = freeBytes / (1ull << 30) + 1;
    const int count = count64 > ULONGLONG(kMaxFillFiles) ? kMaxFillFiles : int(count64);
    std::vector<std::unique_ptr<CTempFile>> files;
    const ULONGLONG passes = ULONGLONG(algorithm->PassCount()) + (quick ? 0 : 1);
    COwnProgress own(m_job.Engine());
    IShredProgress* progress = m_job.OpenProgress(own);
    if (!progress) {
        _rmdir(folder);
        return 1;
    }
    progress->SetJobRange(freeBytes * passes / kBufferSize + 1);
    progress->SetCaption(LoadLangString(TXT_FREE_SPACE_PROGRESS, kTextFreeSpaceProgress) + " " + drive);
    progress->SetItemText(LoadLangString(TXT_PREPARING_FILES, kTextPreparingFiles));
    progress->SetPassText(LoadLangString(TXT_PREPARING_WAIT, kTextPreparingWait));
    progress->SetPassRange(DWORD(count));
    progress->SetPassPos(0);

    // A few small files first, while there is room: only where their data stays
    // in the records (NTFS) are the records filled after the clusters.
    std::vector<CString> records;
    int fileSystem = FS_FAT16;
    const bool resident = GetFileSystemType(root, &fileSystem) == 0 && fileSystem == FS_NTFS &&
                          FillFileRecords(root, folder, records, *progress, kRecordProbe);
    if (!resident) {
        // Their clusters' slack still holds old data: back to the free space the fill takes.
        for (const CString& path : records) DeleteFileA(path);
        records.clear();
    }

    // Random data: zeros that a compressed volume or folder keeps in no
    // clusters at all would never reach the free space they stand for.
    FillPassBuffer(m_job.Buffer(), kBufferSize, PASS_RANDOM, std::vector<BYTE>());
    ULONGLONG total = 0, written = 0;
    QuerySpace(root, nullptr, &total, nullptr);
    bool prepared = true, diskFull = false;
    int number = 0;
    // More files than the free space asked for while the volume is not full
    // (it was measured before the fill), but never more than the volume holds.
    for (int i = 0; !diskFull && prepared && (i < count || written < total) && i < kMaxFillFiles; ++i) {
        std::unique_ptr<CTempFile> file(new CTempFile);
        for (int attempt = 0; attempt < kNameAttempts && !file->handle.IsValid(); ++attempt, ++number) {
            CString name;
            name.Format("SHRED%03u.TMP", unsigned(number));
            file->path = JoinPath(folder, name);
            file->handle.Attach(CreateFileA(file->path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_FLAG_WRITE_THROUGH, nullptr));
            if (!file->handle.IsValid() && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
                break;
        }
        if (!file->handle.IsValid()) {
            host.Report(LoadLangString(TXT_TEMP_FILES, kTextTempFiles), MB_ICONERROR);
            break;
        }
        CTempFile& f = *file;
        files.push_back(std::move(file));
        if (!MakePlain(f.handle)) {
            host.Report(LoadLangStringWith(TXT_FILL_COMPRESSED, kTextFillCompressed, drive), MB_ICONERROR);
            prepared = false;
            break;
        }
        progress->SetItemText(Counted(LoadLangString(TXT_TEMP_FILE_OF, kTextTempFileOf),
                                      quick ? LoadLangString(TXT_SHREDDING, kTextShredding)
                                            : LoadLangString(TXT_PREPARING, kTextPreparing),
                                      i + 1, count));
        const int filled = FillTemporaryFile(f.handle, &f.bytes, *progress, root);
        written += f.bytes;
        if (filled == FILL_FAILED || filled == FILL_CANCELLED) prepared = false;
        // A full disk has nothing left for another file.
        if (filled == FILL_DISK_FULL) diskFull = true;
    }

    if (resident && prepared && diskFull && !m_job.Stopping() && !files.empty()) {
        CTempFile& last = *files.back();
        const DWORD release = DWORD(last.bytes < kRecordRoom ? last.bytes : kRecordRoom);
        LONG high = 0;
        if (SetFilePointer(last.handle, LONG(last.bytes - release), &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
            SetEndOfFile(last.handle)) {
            last.bytes -= release;
            progress->SetItemText(LoadLangString(TXT_PREPARING_FILES, kTextPreparingFiles));
            FillFileRecords(root, folder, records, *progress, kMaxRecordFiles);
            // The given-back clusters the index and the MFT did not take are filled again.
            const int refilled = FillTemporaryFile(last.handle, &last.bytes, *progress, root);
            if (refilled == FILL_FAILED || refilled == FILL_CANCELLED) prepared = false;
        }
    }

    if (prepared && !diskFull && !m_job.Stopping()) {
        // Whatever stopped the fill short, the free space it did not reach still holds what was deleted.
        host.Report(LoadLangStringWith(TXT_FILL_INCOMPLETE, kTextFillIncomplete, drive), MB_ICONERROR);
        prepared = false;
    }

    if (prepared && !m_job.Stopping() && !quick) {
        const CString text = LoadLangString(TXT_TEMP_FILE_PASS, kTextTempFilePass);
        for (size_t i = 0; i < files.size(); ++i) {
            progress->SetItemText(Counted(text, files[i]->path, int(i + 1), int(files.size())));
            if (m_job.Engine().WritePasses(files[i]->handle, files[i]->bytes, *algorithm, files[i]->path) != 0 ||
                m_job.Stopping())
                break;
        }
    }

    progress->SetItemText(LoadLangString(TXT_DELETING_FILES, kTextDeletingFiles));
    progress->SetPassText(LoadLangString(TXT_DELETING_WAIT, kTextDeletingWait));
    progress->SetPassRange(DWORD(files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        files[i]->handle.Close();
        DeleteFileA(files[i]->path);
        progress->SetPassPos(DWORD(i + 1));
    }
    for (size_t i = 0; i < records.size(); ++i) {
        DeleteFileA(records[i]);
        if (i % 256 == 0) progress->Pump();
    }
    files.clear();
    _rmdir(folder);
    own.Close();
    return m_job.Stopping() ? 1 : 0;
}

bool CFreeSpaceShred::FillFileRecords(const CString& root, const CString& folder, std::vector<CString>& records,
                                   IShredProgress& progress, int count) {
    ZeroMemory(m_job.Buffer(), kRecordData);
    ULONGLONG freeBefore = 0, freeAfter = 0;
    const bool measured = QuerySpace(root, &freeBefore, nullptr, nullptr);
    const int first = int(records.size());
    for (int n = first; n < first + count && !m_job.Stopping(); ++n) {
        CString name;
        name.Format("R%07d.TMP", n);
        const CString path = JoinPath(folder, name);
        CHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_WRITE_THROUGH, nullptr));
        if (!file.IsValid()) {
            // A name taken before this run is passed over; anything else means no record is left.
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
            break;
        }
        records.push_back(path);
        DWORD written = 0;
        const bool ok = WriteFile(file, m_job.Buffer(), kRecordData, &written, nullptr) && written == kRecordData;
        file.Close();
        if (!ok) break;
        if (n % 64 == 0) progress.Pump();
    }
    // Data that is not kept in the records takes a cluster a file: the records hold nothing to fill.
    return !measured || !QuerySpace(root, &freeAfter, nullptr, nullptr) ||
           freeBefore < freeAfter + kProbeClusterBytes;
}

int CFreeSpaceShred::FillTemporaryFile(HANDLE file, DWORD* bytes, IShredProgress& progress, const CString& root) {
    progress.SetPassRange(16384);
    progress.SetPassPos(0);
    DWORD error = ERROR_SUCCESS;
    const int filled = m_job.Engine().FillFile(file, m_fileLimit, bytes, progress, &error);
    if (filled == COverwriteEngine::FILL_LIMIT) return FILL_FULL;
    if (filled == COverwriteEngine::FILL_CANCELLED) return FILL_CANCELLED;
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return FILL_DISK_FULL;
    // Some file systems report a full volume as a denied write: it is full all the same.
    ULONGLONG left = 1;
    if (QuerySpace(root, &left, nullptr, nullptr) && left == 0) return FILL_DISK_FULL;
    CString message = LoadLangString(TXT_WRITE_FAILED, kTextWriteFailed);
    message.Replace("%s", SystemErrorText(error));
    CString full;
    full.Format("%s %08lX", message.c_str(), static_cast<unsigned long>(error));
    m_job.Host().Report(full, MB_ICONINFORMATION);
    return FILL_FAILED;
}
