#include "Overwrite.h"

#include <cstdlib>

#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const int kRenameAttempts = 50;
const int kSameLengthRenames = 3;

// SetFilePointer and GetFileSize with their high parts: 64-bit on every
// Windows, where the ...Ex forms are missing on Windows 95.
bool SeekToStart(HANDLE file) {
    LONG high = 0;
    SetLastError(NO_ERROR);
    return SetFilePointer(file, 0, &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
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

CString SystemErrorText(DWORD code, DWORD room) {
    CString text;
    char* buffer = text.GetBuffer(int(room));
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, room, nullptr);
    text.ReleaseBuffer(int(n));
    text.TrimRight();
    return text;
}
}  // namespace

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
    int nameStart = result.ReverseFind('\\');
    int slash = result.ReverseFind('/');
    if (slash > nameStart) nameStart = slash;
    ++nameStart;
    int dot = result.ReverseFind('.');
    if (dot < nameStart) dot = -1;
    for (int i = nameStart; i < result.GetLength(); ++i)
        if (i != dot) result.SetAt(i, RandomLetter());
    return result;
}

COverwriteEngine::COverwriteEngine(IShredHost& host, BYTE* buffer, volatile bool& abort, volatile bool& endSession)
    : m_host(host), m_buffer(buffer), m_abort(abort), m_endSession(endSession) {}

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

int COverwriteEngine::OverwriteFile(const char* path, const CAlgorithm& algorithm, int kind) {
    if (!m_progress || !m_progress->Open()) {
        ++m_failures;
        m_host.Report(LoadLangString(TXT_PROGRESS_DIALOG, kTextProgressDialog), MB_ICONERROR);
        return 1;
    }
    m_progress->SetItemText(path);

    WIN32_FILE_ATTRIBUTE_DATA status;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &status) ||
        (status.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ++m_failures;
        m_host.Report(LoadLangStringWith(TXT_ACCESS, kTextAccess, path), MB_ICONERROR);
        return 0;
    }
    const DWORD attributes = status.dwFileAttributes;
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) && kind == KIND_ITEM) {
        int answer = m_host.Ask(LoadLangStringWith(TXT_ATTRIBUTES, kTextAttributes, path),
                                MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES);
        if (answer == IDCANCEL) return 1;
        if (answer != IDYES) return 0;
    }
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);

    CHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file.IsValid()) {
        // The file stays as it was, attributes included.
        SetFileAttributesA(path, attributes);
        ++m_failures;
        m_host.Report(LoadLangStringWith(TXT_EXCLUSIVE, kTextExclusive, path), MB_ICONERROR);
        return kind == KIND_ITEM ? 0 : 1;
    }
    ULONGLONG size = 0;
    if (!FileSize(file, size)) size = (ULONGLONG(status.nFileSizeHigh) << 32) | status.nFileSizeLow;
    const int passes = WritePasses(file, size, algorithm, path);
    if (passes == PASSES_WRITE_FAILED) {
        // Not cut, renamed or deleted: the user learns the file was not
        // fully overwritten and still has it to shred again.
        file.Close();
        SetFileAttributesA(path, attributes);
        return Stopping() ? 1 : 0;
    }
    if (passes == PASSES_SEEK_FAILED || !SeekToStart(file) || !SetEndOfFile(file)) {
        const DWORD code = GetLastError();
        file.Close();
        SetFileAttributesA(path, attributes);
        m_host.ShowSystemError(code);
        ++m_failures;
        return 1;
    }
    file.Close();
    if (kind != KIND_BIN_FILE && RemoveShredded(path, kind) == 1) return 1;
    return Stopping() ? 1 : 0;
}

int COverwriteEngine::WritePasses(HANDLE file, ULONGLONG size, const CAlgorithm& algorithm, const char* path) {
    const ULONGLONG blocks = size / kBufferSize + 2;
    m_progress->SetPassRange(DWORD(blocks > 0xFFFFFFFFull ? 0xFFFFFFFFull : blocks));
    m_progress->SetPassPos(0);
    for (int pass = 0; pass < algorithm.PassCount() && !Stopping(); ++pass) {
        const CAlgorithmPass& p = algorithm.passes[size_t(pass)];
        m_progress->SetPassText(PassText(algorithm, pass));
        FillPassBuffer(m_buffer, kBufferSize, p.type, p.pattern);
        if (!SeekToStart(file)) return PASSES_SEEK_FAILED;
        ULONGLONG remaining = size;
        for (ULONGLONG block = 1; block <= blocks; ++block) {
            if (Stopping()) break;
            if (remaining > 0) {
                DWORD chunk = remaining < ULONGLONG(kBufferSize) ? DWORD(remaining) : DWORD(kBufferSize);
                DWORD written = 0;
                if (!WriteFile(file, m_buffer, chunk, &written, nullptr) || written != chunk) {
                    DWORD code = GetLastError();
                    ReportWriteFailure(path, code == ERROR_SUCCESS ? DWORD(ERROR_WRITE_FAULT) : code);
                    return PASSES_WRITE_FAILED;
                }
                remaining -= chunk;
            }
            m_progress->SetPassPos(DWORD(block));
            m_progress->StepJob();
            m_progress->Pump();
        }
        if (remaining == 0) {
            if (!FlushFileBuffers(file)) {
                ReportWriteFailure(path, GetLastError());
                return PASSES_WRITE_FAILED;
            }
            m_progress->PassWritten(path, pass);
        }
    }
    return PASSES_DONE;
}

namespace {
// A new name for from: shaped like it (length 0), or of random letters of that length; empty when every try was taken.
CString RenameOnce(const CString& from, int length) {
    for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
        CString candidate = RandomShapedName(from);
        if (length > 0) {
            const int slash = candidate.ReverseFind('\\') > candidate.ReverseFind('/') ? candidate.ReverseFind('\\')
                                                                                    : candidate.ReverseFind('/');
            candidate = candidate.Left(slash + 1);
            for (int i = 0; i < length; ++i) candidate += CString(RandomLetter());
        }
        if (candidate.CompareNoCase(from) != 0 && MoveFileA(from, candidate)) return candidate;
    }
    return CString();
}
}  // namespace

int COverwriteEngine::RemoveShredded(const char* path, int kind) {
    // Never replaces an existing file: a name that is taken gets new letters.
    CString renamed = RenameOnce(path, 0);
    if (!renamed.IsEmpty()) {
        // NTFS leaves a renamed entry's old name in the slack of the folder's index;
        // more names of the same length, then ever shorter ones, write over it.
        const int slash = renamed.ReverseFind('\\') > renamed.ReverseFind('/') ? renamed.ReverseFind('\\')
                                                                              : renamed.ReverseFind('/');
        const int nameLength = renamed.GetLength() - slash - 1;
        for (int round = 0; round < kSameLengthRenames; ++round) {
            const CString next = RenameOnce(renamed, 0);
            if (!next.IsEmpty()) renamed = next;
        }
        for (int length = nameLength - 1; length >= 1; --length) {
            const CString next = RenameOnce(renamed, length);
            if (!next.IsEmpty()) renamed = next;
        }
    }
    const CString target = renamed.IsEmpty() ? CString(path) : renamed;
    if (DeleteFileA(target)) return 0;
    if (!renamed.IsEmpty()) MoveFileA(renamed, path);
    if (kind != KIND_ITEM) return 0;
    ++m_failures;
    int answer = m_host.Report(LoadLangStringWith(TXT_NOT_DELETED, kTextNotDeleted, path), MB_OKCANCEL | MB_ICONERROR);
    return answer == IDCANCEL ? 1 : 0;
}
