#include "Overwrite.h"

#include <winioctl.h>

#include <cerrno>
#include <cstdlib>

#include "FileEntries.h"
#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "ShredEntry.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const int kRenameAttempts = 50;
// A whole number of 64 KB blocks: every write but a file's last starts and ends on a block.
const DWORD kWriteBufferSize = 4u << 20;
const DWORD kFastUnitMs = 50;
const DWORD kSlowUnitMs = 150;
const DWORD kSmallestWrite = 512;
const int kSameLengthRenames = 3;
const DWORD kSmallestRecord = 1024;
const DWORD kLargestRecord = 65536;
const DWORD kRecordStep = 8;
// Four more characters are eight more bytes of a name in the record.
const int kFolderNameStep = 4;
const int kLongestName = 255;
// Room left for the names of the files a folder path has to hold as well.
const int kLongestFolderPath = MAX_PATH - 13;
const ULONGLONG kIndexEntryFixed = 0x52;
const int kRefillNameLength = 8;
const size_t kMostRefillFiles = 1000000;

// SetFilePointer and GetFileSize with their high parts: 64-bit on every
// Windows, where the ...Ex forms are missing on Windows 95.
bool SeekTo(HANDLE file, ULONGLONG offset) {
    LONG high = LONG(offset >> 32);
    SetLastError(NO_ERROR);
    return SetFilePointer(file, LONG(DWORD(offset)), &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER ||
           GetLastError() == NO_ERROR;
}

DWORD FailureCode() {
    const DWORD code = GetLastError();
    return code == ERROR_SUCCESS ? DWORD(ERROR_WRITE_FAULT) : code;
}

bool FileSize(HANDLE file, ULONGLONG& size) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    size = (ULONGLONG(high) << 32) | low;
    return true;
}

char RandomLetter() {
    for (;;) {
        char c = char(rand() & 0xFF);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return c;
    }
}

// The volume that holds path is NTFS: the file system that keeps small files
// and small folder indexes inside their MFT records.
bool OnNtfs(const char* path) {
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path, sizeof(full), full, nullptr);
    if (n == 0 || n >= sizeof(full)) return false;
    CString root;
    if (full[0] && full[1] == ':') {
        root = CString(full).Left(2) + "\\";
    } else if (full[0] == '\\' && full[1] == '\\') {
        // \\server\share\ : the share is the volume.
        const CString unc(full);
        const int share = unc.Find('\\', 2);
        const int end = share < 0 ? -1 : unc.Find('\\', share + 1);
        if (end < 0) return false;
        root = unc.Left(end + 1);
    } else {
        return false;
    }
    char fileSystem[32] = "";
    return GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof(fileSystem)) &&
           lstrcmpiA(fileSystem, "NTFS") == 0;
}

// The MFT record size of the NTFS volume that holds the open file, or 0 on
// other file systems. Where the volume does not tell (as under Wine), the usual 1 KB.
DWORD NtfsRecordSize(HANDLE file, const char* path) {
    if (!OnNtfs(path)) return 0;
    NTFS_VOLUME_DATA_BUFFER data;
    DWORD returned = 0;
    if (DeviceIoControl(file, FSCTL_GET_NTFS_VOLUME_DATA, nullptr, 0, &data, sizeof(data), &returned, nullptr) &&
        data.BytesPerFileRecordSegment >= kSmallestRecord && data.BytesPerFileRecordSegment <= kLargestRecord)
        return data.BytesPerFileRecordSegment;
    return kSmallestRecord;
}

// NTFS keeps a small file's data inside its MFT record; a file that grew out
// of it moves the data to clusters and leaves its first bytes behind in the
// record, where no pass reaches them. Cut to nothing, the data goes back into
// the record where the file system allows it (ntfs-3g does): grown a few bytes
// at a time up to the record's size, it is zeros over those bytes as far as
// the record has room, and moves out to a cluster again only once it is full.
// Best effort: a step the volume refuses ends it, and the caller cuts the file again.
void ScrubRecordSlack(HANDLE file, DWORD recordSize) {
    for (DWORD size = kRecordStep; size <= recordSize; size += kRecordStep)
        if (!SeekTo(file, size) || !SetEndOfFile(file)) return;
}
}  // namespace

CString SystemErrorText(DWORD code, DWORD room) {
    CString text;
    char* buffer = text.GetBuffer(int(room));
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, room, nullptr);
    text.ReleaseBuffer(int(n));
    text.TrimRight();
    return text;
}

void CSilentProgress::Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void FillPassBuffer(BYTE* buffer, DWORD size, int type, const std::vector<BYTE>& pattern) {
    if (type == PASS_RANDOM) {
        for (DWORD i = 0; i < size; ++i) buffer[i] = BYTE(rand() & 0xFF);
    } else if (type == PASS_COMPLEMENT) {
        for (DWORD i = 0; i < size; ++i) buffer[i] = BYTE(~buffer[i]);
    } else if (pattern.empty()) {
        ZeroMemory(buffer, size);
    } else {
        const size_t n = pattern.size();
        for (DWORD i = 0; i < size; ++i) buffer[i] = pattern[i % n];
    }
}

CString RandomShapedName(const char* path) {
    CString result(path);
    const int nameStart = result.GetLength() - FileNameOf(result).GetLength();
    int dot = result.ReverseFind('.');
    if (dot < nameStart) dot = -1;
    for (int i = nameStart; i < result.GetLength(); ++i)
        if (i != dot) result.SetAt(i, RandomLetter());
    return result;
}

COverwriteEngine::COverwriteEngine(IShredHost& host, BYTE* buffer, volatile bool& abort, volatile bool& endSession)
    : m_host(host), m_buffer(buffer), m_abort(abort), m_endSession(endSession) {
    SetPace(CWritePace());
    // Page-aligned, as uncached writes need; without it every write is one 64 KB block.
    m_write = static_cast<BYTE*>(VirtualAlloc(nullptr, kWriteBufferSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    m_writeAligned = m_write != nullptr;
    m_writeSize = m_writeAligned ? kWriteBufferSize : DWORD(kBufferSize);
    if (!m_writeAligned) m_write = m_buffer;
}

COverwriteEngine::~COverwriteEngine() {
    if (m_writeAligned) VirtualFree(m_write, 0, MEM_RELEASE);
}

void COverwriteEngine::SetPace(const CWritePace& pace) {
    m_pace = pace;
    if (m_pace.maxUnit < DWORD(kBufferSize)) m_pace.maxUnit = kBufferSize;
    m_unit = m_pace.firstUnit < DWORD(kBufferSize) ? kBufferSize : m_pace.firstUnit;
    if (m_unit > m_pace.maxUnit) m_unit = m_pace.maxUnit;
    m_lastServed = GetTickCount();
}

void COverwriteEngine::SpreadPassBuffer() {
    if (m_write == m_buffer) return;
    for (DWORD offset = 0; offset < m_writeSize; offset += kBufferSize) CopyMemory(m_write + offset, m_buffer, kBufferSize);
}

void COverwriteEngine::AdaptUnit(DWORD took) {
    if (took < kFastUnitMs && m_unit * 2 <= m_pace.maxUnit)
        m_unit *= 2;
    else if (took > kSlowUnitMs && m_unit / 2 >= ULONGLONG(kBufferSize))
        m_unit /= 2;
}

void COverwriteEngine::Serve(CShown& shown, ULONGLONG blocks, bool force) {
    const DWORD now = GetTickCount();
    if (!force && now - m_lastServed < m_pace.pumpMs) return;
    const DWORD position = DWORD(blocks > 0xFFFFFFFFull ? 0xFFFFFFFFull : blocks);
    if (position > shown.blocks) {
        shown.progress.SetPassPos(position);
        shown.progress.StepJob(position - shown.blocks);
        shown.blocks = position;
    }
    shown.progress.Pump();
    m_lastServed = GetTickCount();
}

DWORD COverwriteEngine::WriteAt(CTarget& target, ULONGLONG& position, DWORD length) {
    DWORD written = 0;
    if (target.direct && position < target.directEnd) {
        if (ULONGLONG(length) > target.directEnd - position) length = DWORD(target.directEnd - position);
        if (WriteFile(target.direct, m_write, length, &written, nullptr) && written == length) {
            position += length;
            return 0;
        }
        // The system refused the uncached write (a sector larger than a block, a
        // network drive): the cached handle writes the rest of this file.
        target.direct = nullptr;
        if (!SeekTo(target.file, position)) return FailureCode();
    }
    if (!WriteFile(target.file, m_write, length, &written, nullptr) || written != length) return FailureCode();
    position += length;
    return 0;
}

CString COverwriteEngine::PassText(const CAlgorithm& algorithm, int pass) {
    CString text = LoadLangString(TXT_PASS, kTextPass);
    CString number, count;
    number.Format("%d", pass + 1);
    count.Format("%d", algorithm.PassCount());
    text.Replace("%d", number);
    text.Replace("%e", count);
    const CAlgorithmPass& p = algorithm.passes[size_t(pass)];
    if (p.type == PASS_RANDOM)
        text += LoadLangString(TXT_PASS_RANDOM, kTextPassRandom);
    else if (p.type == PASS_COMPLEMENT)
        text += LoadLangString(TXT_PASS_COMPLEMENT, kTextPassComplement);
    else
        text += LoadLangString(TXT_PASS_PATTERN, kTextPassPattern) + " " + PatternProgressText(p.pattern);
    return text;
}

void COverwriteEngine::ReportWriteFailure(const char* path, DWORD code) {
    ++m_failures;
    CString text = LoadLangString(TXT_WRITE_FAILED, kTextWriteFailed);
    text.Replace("%s", SystemErrorText(code, 255));
    CString full;
    full.Format("%s %08lX\r\n%s", text.c_str(), static_cast<unsigned long>(code), path);
    m_host.Report(full, MB_ICONINFORMATION);
}

void COverwriteEngine::RemoveLink(CShredEntry& entry, const char* path) {
    const bool removed = entry.Kind() == ENTRY_LINK && entry.Remove();
    entry.Close();
    if (removed && !FindRealEntry(entry.RealCurrent())) return;
    ++m_failures;
    m_host.Report(LoadLangStringWith(TXT_LINK_LEFT, kTextLinkLeft, path), MB_ICONERROR);
}

int COverwriteEngine::OverwriteFile(const char* path, const CAlgorithm& algorithm, int kind, const CString& realFolder) {
    return OverwriteFile(RealPathFrom(path), algorithm, kind, RealPathFrom(realFolder));
}

int COverwriteEngine::OverwriteFile(const CRealPath& realPath, const CAlgorithm& algorithm, int kind,
                                    const CRealPath& realFolder) {
    // Messages and the progress name the file in the code page, never as a look-alike of another file's name.
    const CString shown = CodePageSpelling(realPath);
    const char* path = shown;
    if (!m_progress || !m_progress->Open()) {
        ++m_failures;
        m_host.Report(LoadLangString(TXT_PROGRESS_DIALOG, kTextProgressDialog), MB_ICONERROR);
        return 1;
    }
    m_progress->SetItemText(path);

    // Opened as itself before anything is read or changed: a link in the
    // file's place never passes its target to the passes, the cut or the renames.
    CShredEntry entry;
    entry.Open(realPath, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, realFolder);
    if (entry.IsLink()) {
        RemoveLink(entry, path);
        return Stopping() ? 1 : 0;
    }
    // A pipe would hold the first write until someone reads it; a device
    // takes every byte written to it.
    if (entry.Kind() == ENTRY_PIPE || entry.Kind() == ENTRY_DEVICE) {
        entry.Close();
        ++m_failures;
        if (entry.Kind() == ENTRY_PIPE)
            m_host.Report(LoadLangStringWith(TXT_PIPE_LEFT, kTextPipeLeft, path), MB_ICONERROR);
        else
            m_host.Report(LoadLangStringWith(TXT_DEVICE_LEFT, kTextDeviceLeft, path), MB_ICONERROR);
        return Stopping() ? 1 : 0;
    }
    if (!entry.Listed() || entry.IsFolder()) {
        ++m_failures;
        m_host.Report(LoadLangStringWith(TXT_ACCESS, kTextAccess, path), MB_ICONERROR);
        return 0;
    }
    // Another name shares the file's data: its passes would destroy that
    // name's contents too, which was not chosen.
    if (entry.LinkCount() > 1) {
        entry.Close();
        ++m_failures;
        m_host.Report(LoadLangStringWith(TXT_OTHER_NAMES, kTextOtherNames, path), MB_ICONERROR);
        return Stopping() ? 1 : 0;
    }
    const WIN32_FIND_DATAW& status = entry.ListedData();
    const DWORD attributes = status.dwFileAttributes;
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) && kind == KIND_ITEM) {
        int answer = m_host.Ask(LoadLangStringWith(TXT_ATTRIBUTES, kTextAttributes, path),
                                MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES);
        if (answer == IDCANCEL) return 1;
        if (answer != IDYES) return 0;
    }
    entry.SetAttributes(FILE_ATTRIBUTE_NORMAL);

    CHandle file(entry.OpenData(GENERIC_READ | GENERIC_WRITE, FILE_FLAG_WRITE_THROUGH));
    if (!file.IsValid()) {
        // The file stays as it was, attributes included.
        entry.SetAttributes(attributes);
        ++m_failures;
        m_host.Report(LoadLangStringWith(TXT_EXCLUSIVE, kTextExclusive, path), MB_ICONERROR);
        // One file in use is no reason to leave the rest of a folder or of the bin unshredded.
        return Stopping() ? 1 : 0;
    }
    ULONGLONG size = 0;
    if (!FileSize(file, size)) size = (ULONGLONG(status.nFileSizeHigh) << 32) | status.nFileSizeLow;
    CTarget target = {file, nullptr, size / kBufferSize * kBufferSize};
    CHandle direct;
    if (m_writeAligned && target.directEnd > 0) {
        direct.Attach(entry.OpenData(GENERIC_WRITE, FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH));
        if (direct.IsValid()) target.direct = direct;
    }
    const int passes = WritePasses(target, size, algorithm, path);
    direct.Close();
    if (passes == PASSES_WRITE_FAILED) {
        // Not cut, renamed or deleted: the user learns the file was not
        // fully overwritten and still has it to shred again.
        file.Close();
        entry.SetAttributes(attributes);
        return Stopping() ? 1 : 0;
    }
    bool cut = passes != PASSES_SEEK_FAILED && SeekTo(file, 0) && SetEndOfFile(file);
    if (cut) {
        const DWORD recordSize = NtfsRecordSize(file, path);
        if (recordSize) {
            ScrubRecordSlack(file, recordSize);
            cut = SeekTo(file, 0) && SetEndOfFile(file);
        }
    }
    if (!cut) {
        const DWORD code = GetLastError();
        file.Close();
        entry.SetAttributes(attributes);
        m_host.ShowSystemError(code);
        ++m_failures;
        return 1;
    }
    file.Close();
    if (kind != KIND_BIN_FILE && RemoveShredded(entry, path, kind) == 1) return 1;
    return Stopping() ? 1 : 0;
}

int COverwriteEngine::WritePasses(HANDLE file, ULONGLONG size, const CAlgorithm& algorithm, const char* path) {
    CTarget target = {file, nullptr, 0};
    return WritePasses(target, size, algorithm, path);
}

int COverwriteEngine::WritePasses(CTarget& target, ULONGLONG size, const CAlgorithm& algorithm, const char* path) {
    const ULONGLONG blocks = size / kBufferSize + 2;
    m_progress->SetPassRange(DWORD(blocks > 0xFFFFFFFFull ? 0xFFFFFFFFull : blocks));
    m_progress->SetPassPos(0);
    for (int pass = 0; pass < algorithm.PassCount() && !Stopping(); ++pass) {
        const CAlgorithmPass& p = algorithm.passes[size_t(pass)];
        m_progress->SetPassText(PassText(algorithm, pass));
        FillPassBuffer(m_buffer, kBufferSize, p.type, p.pattern);
        SpreadPassBuffer();
        if (target.direct && !SeekTo(target.direct, 0)) target.direct = nullptr;
        if (!SeekTo(target.file, target.direct ? target.directEnd : 0)) return PASSES_SEEK_FAILED;
        CShown shown = {*m_progress, 0};
        ULONGLONG position = 0;
        while (position < size && !Stopping()) {
            const DWORD start = GetTickCount();
            const ULONGLONG unitEnd = position + (size - position < m_unit ? size - position : m_unit);
            while (position < unitEnd) {
                const ULONGLONG left = unitEnd - position;
                const DWORD code = WriteAt(target, position, left < m_writeSize ? DWORD(left) : m_writeSize);
                if (code != 0) {
                    m_flush.Finish();
                    ReportWriteFailure(path, code);
                    return PASSES_WRITE_FAILED;
                }
            }
            // Every unit reaches the disk while the next is written, and before
            // the one after it: the flush closing a pass then never waits for
            // more than one unit.
            if (position < size) {
                const DWORD code = m_flush.Begin(target.file);
                if (code != 0) {
                    ReportWriteFailure(path, code);
                    return PASSES_WRITE_FAILED;
                }
            }
            AdaptUnit(GetTickCount() - start);
            Serve(shown, position / kBufferSize, false);
        }
        DWORD flushed = m_flush.Finish();
        if (flushed == 0 && position == size && !FlushFileBuffers(target.file)) flushed = GetLastError();
        if (flushed != 0) {
            ReportWriteFailure(path, flushed);
            return PASSES_WRITE_FAILED;
        }
        if (position == size) m_progress->PassWritten(path, pass);
        Serve(shown, position == size ? blocks : position / kBufferSize, true);
    }
    return PASSES_DONE;
}

int COverwriteEngine::FillFile(HANDLE file, DWORD limit, DWORD* bytes, IShredProgress& progress, DWORD* error) {
    SpreadPassBuffer();
    CShown shown = {progress, *bytes / DWORD(kBufferSize)};
    DWORD size = m_writeSize;
    for (;;) {
        const DWORD start = GetTickCount();
        ULONGLONG unitLeft = m_unit;
        int result = -1;
        while (unitLeft > 0 && result < 0) {
            const ULONGLONG room = ULONGLONG(limit) + 1 - *bytes;
            DWORD chunk = size;
            if (chunk > unitLeft) chunk = DWORD(unitLeft);
            if (chunk > room) chunk = DWORD(room);
            DWORD written = 0;
            const BOOL ok = WriteFile(file, m_write, chunk, &written, nullptr);
            *bytes += written;
            unitLeft -= written < unitLeft ? written : unitLeft;
            if (*bytes > limit) {
                result = FILL_LIMIT;
            } else if (!ok || written == 0) {
                // The last kilobytes of a full disk still take smaller writes.
                if (size > kSmallestWrite) {
                    size /= 2;
                } else {
                    *error = FailureCode();
                    result = FILL_NO_ROOM;
                }
            }
        }
        // Zeros that stayed in the system's cache would never reach the free
        // space they are to overwrite: each unit goes to the disk while the
        // next one is written, and the last before the file is given back.
        m_flush.Begin(file);
        AdaptUnit(GetTickCount() - start);
        if (result >= 0) m_flush.Finish();
        Serve(shown, *bytes / kBufferSize, result >= 0);
        if (result >= 0) return result;
        if (Stopping()) {
            m_flush.Finish();
            return FILL_CANCELLED;
        }
    }
}

namespace {
// A new name for the entry in its folder: shaped like its current one (length
// 0), or of random letters of that length; false when every try was taken.
bool RenameOnce(CShredEntry& entry, int length) {
    const CRealPath folder = RealFolderOf(entry.RealCurrent());
    const CString from = ShownPath(RealNameOf(entry.RealCurrent()));
    for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
        CString candidate = RandomShapedName(from);
        if (length > 0) {
            candidate.Empty();
            for (int i = 0; i < length; ++i) candidate += CString(RandomLetter());
        }
        if (candidate.CompareNoCase(from) != 0 && entry.RenameTo(JoinRealPath(folder, RealPathFrom(candidate))))
            return true;
    }
    return false;
}
}  // namespace

ULONGLONG IndexEntryBytes(const char* name) {
    // The entry's own header, the name attribute's fixed part, then the name in UTF-16, to 8 bytes.
    return (kIndexEntryFixed + 2ull * ULONGLONG(lstrlenA(name)) + 7) & ~7ull;
}

namespace {
// Empty files of random names in folder, until their entries took bytes; then deleted again.
void RefillIndex(const CRealPath& folder, ULONGLONG bytes) {
    std::vector<CRealPath> made;
    const ULONGLONG each = IndexEntryBytes(CString('x', kRefillNameLength));
    for (ULONGLONG taken = 0; taken < bytes && made.size() < kMostRefillFiles;) {
        CString name;
        for (int i = 0; i < kRefillNameLength; ++i) name += CString(RandomLetter());
        const CRealPath path = JoinRealPath(folder, RealPathFrom(name));
        HANDLE file = OpenRealFile(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            break;
        }
        CloseHandle(file);
        made.push_back(path);
        taken += each;
    }
    for (const CRealPath& path : made) DeleteRealFile(path);
}
}  // namespace

bool IsFolderEmpty(const CRealPath& path) {
    std::vector<WIN32_FIND_DATAW> entries;
    return ListRealFolder(path, entries) && entries.empty();
}

int RemoveShreddedFolder(const CRealPath& path, ULONGLONG indexBytes, const CRealPath& realParent, CString* leftAs) {
    if (leftAs) leftAs->Empty();
    if (!IsFolderEmpty(path)) return FindRealEntry(path) ? ENOTEMPTY : ENOENT;
    const bool ntfs = OnNtfs(ShownPath(path));
    // Every rename of a shredded file shifted the entries of the index block
    // that held it, and the copies left past its end were never written
    // over: an index as full as it was writes over all of them.
    if (ntfs) RefillIndex(path, indexBytes);
    CShredEntry folder;
    folder.Open(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, realParent);
    // Checked as a folder the walk emptied: one that became a link meanwhile is no longer its to remove.
    if (!folder.IsFolder() || folder.IsLink() || folder.Kind() == ENTRY_UNOPENED) return folder.Listed() ? EACCES : ENOENT;
    const CRealPath original = folder.RealCurrent();
    if (ntfs) {
        // The folder's own MFT record keeps the names its index held while it
        // was small enough to live there; each longer name of the folder takes
        // more of the record, over them, until the record or the path is full.
        const int named = int(RealNameOf(original).size());
        const int parent = int(original.size()) - named;
        const int longest = kLongestFolderPath - parent < kLongestName ? kLongestFolderPath - parent : kLongestName;
        for (int length = named + kFolderNameStep; length <= longest; length += kFolderNameStep)
            if (!RenameOnce(folder, length)) break;
    }
    if (folder.Remove()) return 0;
    const int error = ErrnoOfSystemError(GetLastError());
    if (folder.RealCurrent() != original && !folder.RenameTo(original) && leftAs) *leftAs = folder.Current();
    return error;
}

int COverwriteEngine::RemoveShredded(CShredEntry& entry, const char* path, int kind) {
    // Never replaces an existing file: a name that is taken gets new letters.
    const CRealPath original = entry.RealCurrent();
    if (RenameOnce(entry, 0)) {
        // NTFS leaves a renamed entry's old name in the slack of the folder's index;
        // more names of the same length, then ever shorter ones, write over it.
        const int nameLength = int(RealNameOf(entry.RealCurrent()).size());
        for (int round = 0; round < kSameLengthRenames; ++round) RenameOnce(entry, 0);
        for (int length = nameLength - 1; length >= 1; --length) RenameOnce(entry, length);
    }
    if (entry.Remove()) return 0;
    if (entry.RealCurrent() != original) entry.RenameTo(original);
    if (kind != KIND_ITEM) return 0;
    ++m_failures;
    int answer = m_host.Report(LoadLangStringWith(TXT_NOT_DELETED, kTextNotDeleted, path), MB_OKCANCEL | MB_ICONERROR);
    return answer == IDCANCEL ? 1 : 0;
}
