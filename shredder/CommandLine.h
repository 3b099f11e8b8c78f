// CommandLine.h - splitting Grindel's command line into tokens, and the list
// of items Grindhook hands over when a selection is too long for one line.
// Two forms of line: when it holds a double quote anywhere, only the texts
// between pairs of quotes are tokens (Grindhook and the scheduled tasks quote
// everything); otherwise runs of blanks separate tokens (the Recycle Bin verb).
// An item list is named by the token "/L<path>", which older Grindels ignore
// as an option they do not know: a text file of one header line and one name
// a line, read once and then overwritten and deleted.
// Deliberately not: escapes or the C runtime's quoting rules; the writers
// never produce them.
#pragma once

#include "Strings.h"

// No token is ever empty in blank form; in quoted form "" gives an empty
// token. A quote with no closing partner ends the line: nothing behind it is
// a token, so a half-quoted path is never taken for an item. unread, when
// given, receives every text that is not a token (outside the pairs of
// quotes, or behind the lone quote), blanks aside.
CStringArray SplitCmdLine(const char* line, CStringArray* unread = nullptr);

// The longest command line Windows starts a program with.
const int kMaxCommandLine = 32766;
const char* const kItemListOption = "/L";
const char* const kItemListHeader = "Quorvane Grindel items";

// Writes names to a new list file in the folder for temporary files; empty
// when it cannot be written (nothing is left behind then).
CString WriteItemList(const CStringArray& names);
// Appends the names of a list file to items, then overwrites and deletes the
// file; false, with the file left as it is, when it is missing, unreadable or
// no item list.
bool ReadItemList(const char* path, CStringArray& items);
