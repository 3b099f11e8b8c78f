#include "CommandLine.h"

#include <cstring>

CStringArray SplitCmdLine(const char* line) {
    CStringArray tokens;
    if (!line) return tokens;
    if (strchr(line, '"')) {
        const char* p = line;
        while ((p = strchr(p, '"')) != nullptr) {
            const char* close = strchr(p + 1, '"');
            if (!close) break;
            tokens.Add(CString(p + 1, int(close - p - 1)));
            p = close + 1;
        }
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
