// TestSupport.h - what the suites share: a temporary folder that removes
// itself, a per-test registry key under HKCU, and a script for the message
// box seam (records every box, answers with queued buttons).
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "Handles.h"
#include "RealNames.h"
#include "Strings.h"

// A fresh folder under the Windows temporary folder, deleted with its contents.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    const CString& Path() const { return m_path; }
    CString File(const char* name) const;
    // Writes a file below the folder (subfolders are created).
    CString Write(const char* name, const std::string& contents) const;

private:
    CString m_path;
};

// HKCU\Software\QuorvaneTests\<unique>, deleted with everything below it.
class CTestRegistryKey {
public:
    CTestRegistryKey();
    ~CTestRegistryKey();
    CTestRegistryKey(const CTestRegistryKey&) = delete;
    CTestRegistryKey& operator=(const CTestRegistryKey&) = delete;
    const CString& SubKey() const { return m_subKey; }

private:
    CString m_subKey;
};

struct RecordedBox {
    std::string text;
    std::string caption;
    UINT type;
};

// While alive, every QvMessageBox is recorded and answered from the queue
// (IDOK when the queue is empty).
class CScriptedMessageBoxes {
public:
    CScriptedMessageBoxes();
    ~CScriptedMessageBoxes();
    void QueueAnswer(int answer) { std::lock_guard<std::mutex> l(m_lock); m_answers.push_back(answer); }
    // A copy: boxes may come from other threads while the test reads.
    std::vector<RecordedBox> Boxes() const { std::lock_guard<std::mutex> l(m_lock); return m_boxes; }
    void Clear() { std::lock_guard<std::mutex> l(m_lock); m_boxes.clear(); }

private:
    mutable std::mutex m_lock;
    std::deque<int> m_answers;
    std::vector<RecordedBox> m_boxes;
};

std::string ReadFileText(const char* path);

// The file opened for reading as another program holds it: share 0 lets
// nobody read it, FILE_SHARE_READ lets it be read but neither written nor
// moved. Invalid when the file cannot be opened.
CHandle HoldFile(const char* path, DWORD share);

// Wine's host, the Unix system that holds the prefix, runs its own programs
// (ln, rm, mkfifo) for a test: Wine's calls make no Unix link, pipe or
// device. Windows itself has no such host, so only there does a test that
// needs one skip, saying this.
bool HostRuns();
extern const char* const kNoHostSystem;

// Runs the host's "ln -s" with the target, or "rm -f" (or "rm -rf"), on the
// Unix names of the paths, and waits until the link shows or is gone; false
// where no host program runs or the link did not come or go.
bool HostLink(const char* tool, const CRealPath& link, const CRealPath& target = CRealPath());
bool HostLink(const char* tool, const CString& link, const CString& target = CString());
// The host's mkfifo: a named pipe at path, which Windows has no call to make.
bool HostMakePipe(const CRealPath& path);

// Reads a file by its real name.
std::string ReadRealFile(const CRealPath& path);
// The entry a full path names as Grindel's messages and progress spell it
// (the code page, "?" where it lacks a letter): below its drive, at each step
// the entry spelt so. Empty when none is.
CRealPath EntrySpelt(const char* shown);

// Sends a file or folder to the Recycle Bin as the shell's Delete does.
bool SendToBin(const CString& path);

// The desktop trash of the tests' home, which is the Recycle Bin under Wine,
// laid with its "files" and "info" folders where the test command left none.
// Entries are put in it by their real names, as a desktop trashes them (a
// link stays a link), each with its record unless told otherwise; what was
// put in and the records are taken away however the test ends.
class CTestTrash {
public:
    CTestTrash();
    ~CTestTrash();
    CTestTrash(const CTestTrash&) = delete;
    CTestTrash& operator=(const CTestTrash&) = delete;
    // The trash could be laid (it is the Recycle Bin of this system).
    bool Laid() const { return m_laid; }
    const CRealPath& Files() const { return m_files; }
    CRealPath Entry(const CRealPath& name) const { return JoinRealPath(m_files, name); }
    CRealPath Record(const CRealPath& name) const;
    CRealPath AddFile(const CRealPath& name, const std::string& bytes, bool recorded = true);
    CRealPath AddFolder(const CRealPath& name);
    // A link made by the host; empty when none could be made.
    CRealPath AddLink(const CRealPath& name, const CRealPath& target);
    CRealPath AddPipe(const CRealPath& name);
    void AddRecord(const CRealPath& name);
    // An entry another put there (the shell's Delete), taken away with the rest.
    CRealPath Track(const CRealPath& name, bool recorded = false);

private:
    CRealPath m_files;
    std::vector<CRealPath> m_added;
    bool m_laid = false;
};

// A Windows bin folder of drive C: for the current user, "C:\Recycler\<sid>",
// as Windows XP keeps one on NTFS, holding what the test put there; taken
// away with everything in it however the test ends.
class CWindowsBinFolder {
public:
    CWindowsBinFolder();
    ~CWindowsBinFolder();
    CWindowsBinFolder(const CWindowsBinFolder&) = delete;
    CWindowsBinFolder& operator=(const CWindowsBinFolder&) = delete;
    const CString& Path() const { return m_path; }
    CString Write(const char* name, const std::string& bytes) const;

private:
    CString m_path;
};

// The Recycle Bin holding a link to a file, a link to a folder and a plain
// file, trashed as a user trashes them (under Wine the bin is the desktop
// trash, where a trashed link stays a link).
class CBinWithLinks {
public:
    explicit CBinWithLinks(const CTempFolder& folder);
    CBinWithLinks(const CBinWithLinks&) = delete;
    CBinWithLinks& operator=(const CBinWithLinks&) = delete;
    // False where no host ln runs or the bin did not take all three as they are.
    bool Made() const { return m_made; }
    // What the links lead to, outside the bin, and the bytes it holds.
    CString target, folderTarget, folderTargetFile;
    std::string targetBytes;
    // The three as they lie in the bin.
    CString fileLink, folderLink, plain;

private:
    CTestTrash m_trash;
    bool m_made = false;
};

// Checks, with gtest assertions, that a language pack's flag bitmap loads from
// the file and is 16 by 16 pixels, as the image combos need.
void ExpectSixteenPixelFlag(const CString& path);
