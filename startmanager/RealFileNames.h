// RealFileNames.h - the files of Bootlist's Startup folders reached by their
// real names. The ANSI file calls give a name the code page cannot spell in
// a best-fit spelling that names no file there, or another file; here a name
// stays wide-character text from the folder listing to the move, and its
// code-page spelling only shows it.
// Offers: code-page and UTF-8 conversions, the folder listing, and existence,
// move, delete and whole reads of a file by its real name.
// Deliberately not: folder paths outside the code page (the Startup folders
// come from the ANSI shell call), or long paths beyond MAX_PATH.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Strings.h"

// ANSI (code page) text in wide characters.
std::wstring WideOf(const char* text);
// The code page's spelling of a wide text: true when it is exact; otherwise
// every character the code page lacks is a '?', never a look-alike, which
// could be the name of another file.
bool SpellInCodePage(const std::wstring& wide, CString& spelling);
CString SpellingOf(const std::wstring& wide);
// UTF-8 carries a real name in a file as bytes that no code page reads
// otherwise; an invalid text gives an empty name.
CString Utf8Of(const std::wstring& wide);
std::wstring WideOfUtf8(const CString& text);

std::wstring JoinRealPath(const CString& folder, const std::wstring& name);

struct CRealFolderEntry {
    std::wstring name;
    DWORD attributes;
};
// The folder's files and folders ("." and ".." left out); empty when it
// cannot be listed.
std::vector<CRealFolderEntry> ListRealFolder(const CString& folder);

bool RealFileExists(const std::wstring& path);  // a file, not a folder
// Moves the file, never over another one; GetLastError tells why not.
bool RealMoveFile(const std::wstring& from, const std::wstring& to);
bool RealDeleteFile(const std::wstring& path);
bool RealReadWholeFile(const std::wstring& path, CString& contents);
