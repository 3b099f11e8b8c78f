#include "CommandLine.h"

#include <cstring>

namespace {
void KeepUnread(CStringArray* unread, const char* from, const char* to) {
    if (!unread) return;
    CString text(from, int(to - from));
    text.Trim(" ");
    if (!text.IsEmpty()) unread->Add(text);
}
}  // namespace

CStringArray SplitCmdLine(const char* line, CStringArray* unread) {
    CStringArray tokens;
    if (!line) return tokens;
    if (strchr(line, '"')) {
        const char* p = line;
        const char* open = nullptr;
        while ((open = strchr(p, '"')) != nullptr) {
            KeepUnread(unread, p, open);
            const char* close = strchr(open + 1, '"');
            if (!close) {
                p = open + 1;
                break;
            }
            tokens.Add(CString(open + 1, int(close - open - 1)));
            p = close + 1;
        }
        KeepUnread(unread, p, p + strlen(p));
        return tokens;
    }
    const char* p = line;
    while (*p) {
        while (*p == ' ') ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && *p != ' ') ++p;
        tokens.Add(CString(start, int(p - start)));
    }
    return tokens;
}
