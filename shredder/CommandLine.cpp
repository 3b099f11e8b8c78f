#include "CommandLine.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "Files.h"
#include "Handles.h"

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

CString WriteItemList(const CStringArray& names) {
    char folder[MAX_PATH + 1] = "", path[MAX_PATH + 1] = "";
    const DWORD n = GetTempPathA(sizeof(folder), folder);
    if (n == 0 || n > MAX_PATH || !GetTempFileNameA(folder, "qvg", 0, path)) return CString();
    CString text = CString(kItemListHeader) + "\r\n";
    for (const CString& name : names) text += name + "\r\n";
    bool written = false;
    {
        CHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD done = 0;
        written = file.IsValid() && WriteFile(file, text.c_str(), DWORD(text.GetLength()), &done, nullptr) &&
                  done == DWORD(text.GetLength());
    }
    if (written) return path;
    DeleteFileA(path);
    return CString();
}

bool ReadItemList(const char* path, CStringArray& items) {
    CHandle file(
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE || high != 0) return false;
    std::vector<char> bytes(size);
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size)) return false;
    const CStringArray lines = SplitText(CString(bytes.data(), int(size)), "\n");
    auto lineAt = [&lines](int i) {
        CString line = lines[i];
        if (line.Right(1) == "\r") line = line.Left(line.GetLength() - 1);
        return line;
    };
    // Only a file that says it is a list is taken, and deleted: never a file the user chose.
    if (lines.IsEmpty() || lineAt(0) != kItemListHeader) return false;
    for (int i = 1; i < lines.GetSize(); ++i) {
        const CString name = lineAt(i);
        if (!name.IsEmpty()) items.Add(name);
    }
    // The names of what is shredded are not left behind in the free space.
    std::vector<char> zeros(size, 0);
    DWORD written = 0;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 && size > 0)
        WriteFile(file, zeros.data(), size, &written, nullptr);
    FlushFileBuffers(file);
    file.Close();
    DeleteFileA(path);
    return true;
}
