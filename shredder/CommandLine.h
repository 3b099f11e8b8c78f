// CommandLine.h - splitting Grindel's command line into tokens, and the list
// of items Grindhook hands over when a selection is too long for one line.
// Two forms of line: when it holds a double quote anywhere, only the texts
// between pairs of quotes are tokens (Grindhook and the scheduled tasks quote
// everything); otherwise runs of blanks separate tokens (the Recycle Bin verb).
// An item list is named by the token "/L<path>", which older Grindels ignore
// as an option they do not know: a text file of one header line and one name
// a line, read once and then overwritten and deleted. Its names are UTF-8
// behind a byte-order mark, so that a name outside the code page keeps every
// letter; a list without the mark is read in the code page.
// The line is read wide (GetCommandLineW): an item handed over by its real
// name is never taken for the look-alike the ANSI line would spell.
// Deliberately not: escapes or the C runtime's quoting rules; the writers
// never produce them.
#pragma once

#include <vector>

#include "RealNames.h"
#include "Strings.h"

// No token is ever empty in blank form; in quoted form "" gives an empty
// token. A quote with no closing partner ends the line: nothing behind it is
// a token, so a half-quoted path is never taken for an item. unread, when
// given, receives every text that is not a token (outside the pairs of
// quotes, or behind the lone quote), blanks aside.
CStringArray SplitCmdLine(const char* line, CStringArray* unread = nullptr);
std::vector<CRealPath> SplitCmdLine(const wchar_t* line, std::vector<CRealPath>* unread = nullptr);

// What follows the program's name on the process's own command line, by
// real names; ansi (WinMain's) where the system has no wide calls.
CRealPath ProgramArguments(const char* ansi);

// The longest command line Windows starts a program with.
const int kMaxCommandLine = 32766;
const char* const kItemListOption = "/L";
const char* const kItemListHeader = "Quorvane Grindel items";

// Writes names to a new list file in the folder for temporary files; empty
// when it cannot be written (nothing is left behind then).
CRealPath WriteItemList(const std::vector<CRealPath>& names);
// Appends the names of a list file to items, then overwrites and deletes the
// file; false, with the file left as it is, when it is missing, unreadable,
// no item list or holds a name that is no UTF-8.
bool ReadItemList(const CRealPath& path, std::vector<CRealPath>& items);
