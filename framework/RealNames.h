// RealNames.h - files by the names the file system keeps for them (UTF-16),
// where the ANSI calls cannot reach: a name outside the ANSI code page is
// listed by them spelt by best fit ("Łącze" as "Lacze") or with "?", and that
// spelling opens nothing. A real path is a wide string; what is shown to the
// user, or handed to code that speaks ANSI, is its ANSI spelling. Systems
// before Windows NT have no wide file calls: there the ANSI ones stand in,
// and their names are the code page's anyway.
// Offers: CRealPath, RealPathFrom, ShownPath, SpellInCodePage,
// CodePageSpelling, Utf8Of, RealPathFromUtf8, JoinRealPath, RealFolderOf,
// RealNameOf, SameRealPath, FullRealPath, HasWideFileCalls, FindRealEntry,
// ListRealFolder, RealAttributesOf, RealFileExists, OpenRealFile,
// ReadWholeRealFile, MoveRealFile, DeleteRealFile, FinalRealPathOf.
// Deliberately not: opening an entry as itself or telling a link from what
// it leads to (FileEntries.h does that on these paths), or any text but names.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Strings.h"

typedef std::wstring CRealPath;

// ANSI text (the code page's) to a real path, and a real path as the ANSI
// calls spell it (best fit, "?" where nothing fits).
CRealPath RealPathFrom(const char* ansi);
CString ShownPath(const CRealPath& path);
// The code page's spelling of a real name: true when it is exact; otherwise
// every character the code page lacks is a '?', never a look-alike as in
// ShownPath, which could be the name of another file.
bool SpellInCodePage(const CRealPath& name, CString& spelling);
CString CodePageSpelling(const CRealPath& name);
// UTF-8 carries a real name in a text file as bytes that no code page reads
// otherwise; text that is no valid UTF-8 gives an empty name.
CString Utf8Of(const CRealPath& name);
CRealPath RealPathFromUtf8(const CString& text);

// name below folder (one backslash between, none doubled).
CRealPath JoinRealPath(const CRealPath& folder, const CRealPath& name);
// The same below a folder the ANSI calls gave (a shell folder, say).
CRealPath JoinRealPath(const char* folder, const CRealPath& name);
// The part before the last backslash or slash (empty when there is none), and the part after it.
CRealPath RealFolderOf(const CRealPath& path);
CRealPath RealNameOf(const CRealPath& path);
// The same path, ignoring letter case as the file system does.
bool SameRealPath(const CRealPath& a, const CRealPath& b);
// The full path of a relative or full one, without a trailing backslash past
// a drive root; the path as it was when it cannot be made full.
CRealPath FullRealPath(const CRealPath& path);

// The wide file calls work (Windows NT and later).
bool HasWideFileCalls();

// The entry itself, as its folder lists it.
bool FindRealEntry(const CRealPath& path, WIN32_FIND_DATAW* listed = nullptr);
// Every entry of folder that matches pattern, but "." and ".."; false when
// the folder cannot be listed (GetLastError tells why; an empty listing is true).
bool ListRealFolder(const CRealPath& folder, std::vector<WIN32_FIND_DATAW>& entries, const wchar_t* pattern = L"*");
// The attributes of what the path names (a link followed), or
// INVALID_FILE_ATTRIBUTES when nothing is there.
DWORD RealAttributesOf(const CRealPath& path);
// A file, not a folder.
bool RealFileExists(const CRealPath& path);
// CreateFile on the real path; INVALID_HANDLE_VALUE on failure.
HANDLE OpenRealFile(const CRealPath& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
// Every byte of the file, read while others may read and write it too.
bool ReadWholeRealFile(const CRealPath& path, CString& contents);
// Moves a file, to another drive too, never over another file; GetLastError
// tells why it did not.
bool MoveRealFile(const CRealPath& from, const CRealPath& to);
// DeleteFile on the real path.
bool DeleteRealFile(const CRealPath& path);
// Where an open handle leads ("\\?\" forms undone); empty where the system
// cannot tell (then with ERROR_CALL_NOT_IMPLEMENTED where it has no such
// call, before Windows Vista).
CRealPath FinalRealPathOf(HANDLE h);
