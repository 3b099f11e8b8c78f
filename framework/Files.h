// Files.h - whole-file reads and writes, existence tests and path helpers.
// Offers: ReadWholeFile/WriteWholeFile (binary, any size that fits memory),
// WriteAllBytes/WriteFlushedFile (the write half, for files written in place),
// FileExists/FolderExists, GetModuleFolder (the folder a module was loaded
// from, never the current directory), JoinPath and AddBackslash.
// Deliberately not: streams, archives, file-change notification.
#pragma once

#include <windows.h>

#include "Strings.h"

bool ReadWholeFile(const char* path, CString& contents);
// The same from a file just opened for reading by other means.
bool ReadOpenFile(HANDLE file, CString& contents);
// Writes every byte to an open file, however many calls WriteFile takes.
bool WriteAllBytes(HANDLE file, const void* data, DWORD length);
inline bool WriteAllBytes(HANDLE file, const CString& contents) {
    return WriteAllBytes(file, contents.c_str(), DWORD(contents.GetLength()));
}
// Creates the file (emptying one that stands there) with the data, flushed to
// the disk; a file that could not be written whole is removed.
bool WriteFlushedFile(const char* path, const void* data, DWORD length);
// Writes to a temporary file beside the target and moves it over the target,
// in one step, so a failed write never leaves a half-written file behind and
// no moment holds neither the old file nor the new; the temporary file is the
// target's path + tempSuffix, made new (whatever stood at its name, a link
// included, is removed first, never written through). A link at the target
// is replaced as itself. GetLastError tells why it failed.
bool WriteWholeFile(const char* path, const void* data, DWORD length, const char* tempSuffix = ".tmp~");
inline bool WriteWholeFile(const char* path, const CString& contents) {
    return WriteWholeFile(path, contents.c_str(), DWORD(contents.GetLength()));
}

bool FileExists(const char* path);    // a file, not a folder
bool FolderExists(const char* path);  // a folder, not a file

// Folder of the module (NULL: the program), without a trailing backslash.
CString GetModuleFolder(HMODULE module = nullptr);
// Full path of the module's file.
CString GetModuleFilePath(HMODULE module = nullptr);

CString AddBackslash(const CString& folder);
CString JoinPath(const CString& folder, const char* name);
// File name part after the last backslash or slash.
CString FileNameOf(const CString& path);
// Folder part before the last backslash or slash (empty if none).
CString FolderOf(const CString& path);
