// Overwrite.h - the overwrite engine: one file is overwritten in place once
// per pass of an algorithm, cut to zero length (on NTFS also grown again over
// its MFT record and cut once more), renamed to random letters of the same
// shape and deleted, all through the file opened as itself and checked to be
// the entry its folder lists (ShredEntry.h): a link is never written to.
// Offers: IShredHost (messages, questions, progress and the few windows of an
// operation, answered by the application object), IShredProgress (the
// progress dialog, or nothing in scheduled runs), COverwriteEngine and
// FillPassBuffer.
// Each pass's 64 KB buffer is repeated over a large aligned write buffer and
// written in units that are flushed to the disk, each while the next one is
// written, and the last before the pass ends; the unit grows or shrinks with
// the time it takes, and progress and messages are served by elapsed time, so
// Cancel is answered quickly on a slow disk while a fast one is written in long
// runs. Whole 64 KB blocks go through a second, uncached handle where the
// system offers one.
// Sizes are 64-bit; every write, seek, truncation and rename is checked.
// Deliberately not: folders, free space, whole drives (their own routines
// call OverwriteFile, WritePasses or FillFile).
#pragma once

#include <windows.h>

#include <vector>

#include "Algorithms.h"
#include "BackgroundFlush.h"
#include "RealNames.h"
#include "Strings.h"

class IShredProgress;

// How the engine and the operations reach the user: messages, questions, the
// progress, and the few windows of the system or of Grindel they need.
class IShredHost {
public:
    virtual ~IShredHost() = default;
    // A message: shown, or recorded and logged in scheduled runs (then IDOK).
    virtual int Report(const CString& text, UINT type) = 0;
    // A question: asked, or answered with scheduledAnswer in scheduled runs.
    virtual int Ask(const CString& text, UINT type, int scheduledAnswer) = 0;
    // The same under a caption of its own.
    virtual int AskCaptioned(const CString& text, const char* caption, UINT type, int scheduledAnswer) = 0;
    virtual void ShowSystemError(DWORD code) = 0;
    // A progress for an operation that runs outside a job (the pages start some so).
    virtual IShredProgress* CreateProgress() = 0;
    // The alert with its "don't show me this again" box; true when closed with OK.
    virtual bool ShowAlert(int textKey, const char* defaultText, bool* dontShow) = 0;
    // The Shred Drive Options question for a drive root: free space or the whole
    // drive, and whether to format it after; false is Cancel.
    virtual bool AskDriveOptions(const CString& root, const CString& fileSystem, bool* freeSpaceOnly,
                                 bool* formatAfter) = 0;
    // The system's Format dialog for a drive ("X:"); false when the drive was not formatted.
    virtual bool FormatDrive(const CString& drive, bool ntfs) = 0;
};

class IShredProgress {
public:
    virtual ~IShredProgress() = default;
    // Opens the progress, or keeps the one already open for this job.
    virtual bool Open() = 0;
    virtual void SetItemText(const char* text) = 0;
    virtual void SetPassText(const char* text) = 0;
    virtual void SetCaption(const char* text) { (void)text; }
    // The job's size in blocks, when only the running item knows it.
    virtual void SetJobRange(ULONGLONG blocks) { (void)blocks; }
    virtual void SetPassRange(DWORD blocks) = 0;
    virtual void SetPassPos(DWORD block) = 0;
    // Advances the job bar by this many 64 KB blocks.
    virtual void StepJob(DWORD blocks) = 0;
    // Runs every waiting message, so Cancel and the session end get through.
    virtual void Pump() = 0;
    // Called after each complete pass, with the file still open.
    virtual void PassWritten(const char* path, int pass) { (void)path; (void)pass; }
    virtual void Close() = 0;
};

// Pumps messages and shows nothing.
class CSilentProgress : public IShredProgress {
public:
    bool Open() override { return true; }
    void SetItemText(const char*) override {}
    void SetPassText(const char*) override {}
    void SetPassRange(DWORD) override {}
    void SetPassPos(DWORD) override {}
    void StepJob(DWORD) override {}
    void Pump() override;
    void Close() override {}
};

enum OverwriteKind {
    KIND_ITEM = 0,        // a file the user chose
    KIND_BIN_FOLDER = 1,  // a file inside a folder of the Recycle Bin
    KIND_BIN_FILE = 2,    // a file of the Recycle Bin itself: overwritten and cut, kept
};

// type PASS_PATTERN repeats the pattern over the buffer (zeros without one),
// PASS_RANDOM fills it with the low bytes of rand(), PASS_COMPLEMENT inverts
// what the previous pass left in it.
void FillPassBuffer(BYTE* buffer, DWORD size, int type, const std::vector<BYTE>& pattern);

// How the engine paces its writes. A unit (writes, then a flush) doubles while
// one takes under 50 ms and halves when one takes over 150 ms, within 64 KB ..
// maxUnit, so a click waits for one unit at most; progress and messages are
// served once pumpMs have passed since they last were, and after every pass.
struct CWritePace {
    DWORD pumpMs = 50;
    DWORD firstUnit = 1u << 20;  // bytes
    DWORD maxUnit = 1u << 30;    // bytes
};

// The system's text for an error code (neutral language), at most room
// characters, without its line end; empty when the system has none.
CString SystemErrorText(DWORD code, DWORD room = 255);

// Random letters in place of every character of the name and the extension;
// the folder and the dot stay.
CString RandomShapedName(const char* path);

// Nothing in it but "." and "..".
bool IsFolderEmpty(const CRealPath& path);

// The bytes an entry of that name takes in an NTFS folder index.
ULONGLONG IndexEntryBytes(const char* name);
// Removes an empty folder whose files were shredded, opened as itself (a
// link in its place is left). On NTFS its index first takes as many bytes of
// new entries of random names as the shredded ones took (indexBytes), over
// the old names the renames left behind in its blocks, and the folder is
// renamed to ever longer random names, over the old names its MFT record
// still holds. realParent: where its parent folder really is, when known.
// A folder that holds anything is neither refilled nor renamed.
// 0, or the runtime library's error number when it stays: then under its own
// name again, or, when that could not be given back, under the name put in
// *leftAs.
int RemoveShreddedFolder(const CRealPath& path, ULONGLONG indexBytes, const CRealPath& realParent = CRealPath(),
                         CString* leftAs = nullptr);

class CShredEntry;

class COverwriteEngine {
public:
    COverwriteEngine(IShredHost& host, BYTE* buffer, volatile bool& abort, volatile bool& endSession);
    ~COverwriteEngine();
    COverwriteEngine(const COverwriteEngine&) = delete;
    COverwriteEngine& operator=(const COverwriteEngine&) = delete;

    void SetProgress(IShredProgress* progress) { m_progress = progress; }
    void SetPace(const CWritePace& pace);
    IShredProgress* Progress() const { return m_progress; }

    // 1: stop the whole job (Cancel, session end, or Cancel in a prompt); 0: go on.
    // realFolder: where the file's folder really is, when the caller knows.
    // A link in the file's place goes to RemoveLink instead; a file with
    // another name (a hard link), a pipe or a device is reported and left,
    // its data untouched, and so is a file that cannot be opened.
    int OverwriteFile(const CRealPath& path, const CAlgorithm& algorithm, int kind,
                      const CRealPath& realFolder = CRealPath());
    int OverwriteFile(const char* path, const CAlgorithm& algorithm, int kind, const CString& realFolder = CString());
    // A link is neither overwritten nor entered: removed as the link where the
    // entry holds it as itself, else left and reported as a failure.
    void RemoveLink(CShredEntry& entry, const char* path);
    // Failures of the last job that were reported (writes, locked files, ...).
    int FailureCount() const { return m_failures; }
    void ResetFailures() { m_failures = 0; }

    static CString PassText(const CAlgorithm& algorithm, int pass);

    enum { PASSES_DONE = 0, PASSES_SEEK_FAILED = 1, PASSES_WRITE_FAILED = 2 };
    // Every pass over the first size bytes of an open file; a write failure is reported.
    int WritePasses(HANDLE file, ULONGLONG size, const CAlgorithm& algorithm, const char* path);

    enum { FILL_LIMIT = 0, FILL_NO_ROOM = 1, FILL_CANCELLED = 2 };
    // Appends the 64 KB buffer's bytes, repeated, to a file until it holds more
    // than limit bytes (then exactly limit + 1) or a write of 512 bytes fails
    // (error = its code); every byte written is counted, a short write too.
    int FillFile(HANDLE file, DWORD limit, DWORD* bytes, IShredProgress& progress, DWORD* error);

private:
    // The handles of one file: the whole 64 KB blocks before directEnd go
    // through direct (no system cache) while it is open, everything else through file.
    struct CTarget {
        HANDLE file;
        HANDLE direct;
        ULONGLONG directEnd;
    };
    // The pass bar and job bar, moved on only when progress is served.
    struct CShown {
        IShredProgress& progress;
        DWORD blocks;
    };

    bool Stopping() const { return m_abort || m_endSession; }
    void ReportWriteFailure(const char* path, DWORD code);
    int RemoveShredded(CShredEntry& entry, const char* path, int kind);
    int WritePasses(CTarget& target, ULONGLONG size, const CAlgorithm& algorithm, const char* path);
    // The 64 KB buffer repeated over the write buffer.
    void SpreadPassBuffer();
    // 0, or the code of a write that failed.
    DWORD WriteAt(CTarget& target, ULONGLONG& position, DWORD length);
    void AdaptUnit(DWORD took);
    // Shows the blocks done and pumps messages when pumpMs have passed (or always when forced).
    void Serve(CShown& shown, ULONGLONG blocks, bool force);

    IShredHost& m_host;
    BYTE* m_buffer;
    volatile bool& m_abort;
    volatile bool& m_endSession;
    IShredProgress* m_progress = nullptr;
    int m_failures = 0;
    CWritePace m_pace;
    ULONGLONG m_unit = 0;
    DWORD m_lastServed = 0;
    BYTE* m_write = nullptr;  // page-aligned, or the 64 KB buffer itself when none could be had
    DWORD m_writeSize = 0;
    bool m_writeAligned = false;
    CBackgroundFlush m_flush;
};
