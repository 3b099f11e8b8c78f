// CommandLine.h - splitting Grindel's command line into tokens.
// Two forms of line: when it holds a double quote anywhere, only the texts
// between pairs of quotes are tokens (Grindhook and the scheduled tasks quote
// everything); otherwise runs of blanks separate tokens (the Recycle Bin verb).
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

