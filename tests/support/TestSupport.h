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

// Runs the host's "ln -s" with the target, or "rm -f", on the Unix names of
// the paths, and waits until the link shows or is gone (Wine's own calls make
// no link); false where no host program runs.
bool HostLink(const char* tool, const CString& link, const CString& target = CString());

// The Recycle Bin holding a link to a file, a link to a folder and a plain
// file, trashed as a user trashes them (under Wine the bin is the desktop
// trash, where a trashed link stays a link). The links and the records of
// all three are taken away however the test ends.
// Sends a file or folder to the Recycle Bin as the shell's Delete does.
bool SendToBin(const CString& path);

class CBinWithLinks {
public:
    explicit CBinWithLinks(const CTempFolder& folder);
    ~CBinWithLinks();
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
    CString m_trash;
    bool m_made = false;
};

// Checks, with gtest assertions, that a language pack's flag bitmap loads from
// the file and is 16 by 16 pixels, as the image combos need.
void ExpectSixteenPixelFlag(const CString& path);
