#include "CommandLine.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "Files.h"
#include "Handles.h"

namespace {
template <typename Char>
using Text = std::basic_string<Char>;

template <typename Char>
void KeepUnread(std::vector<Text<Char>>* unread, const Char* from, const Char* to) {
    if (!unread) return;
    while (from < to && *from == Char(' ')) ++from;
    while (to > from && to[-1] == Char(' ')) --to;
    if (from < to) unread->push_back(Text<Char>(from, to));
}

template <typename Char>
const Char* Find(const Char* p, Char c) {
    while (*p && *p != c) ++p;
    return *p ? p : nullptr;
}

template <typename Char>
std::vector<Text<Char>> Split(const Char* line, std::vector<Text<Char>>* unread) {
    std::vector<Text<Char>> tokens;
    if (!line) return tokens;
    const Char quote = Char('"'), blank = Char(' ');
    if (Find(line, quote)) {
        const Char* p = line;
        const Char* open = nullptr;
        while ((open = Find(p, quote)) != nullptr) {
            KeepUnread(unread, p, open);
            const Char* close = Find(open + 1, quote);
            if (!close) {
                p = open + 1;
                break;
            }
            tokens.push_back(Text<Char>(open + 1, close));
            p = close + 1;
        }
        const Char* end = p;
        while (*end) ++end;
        KeepUnread(unread, p, end);
        return tokens;
    }
    const Char* p = line;
    while (*p) {
        while (*p == blank) ++p;
        if (!*p) break;
        const Char* start = p;
        while (*p && *p != blank) ++p;
        tokens.push_back(Text<Char>(start, p));
    }
    return tokens;
}

CStringArray Strings(const std::vector<std::string>& texts) {
    CStringArray out;
    for (const std::string& text : texts) out.Add(CString(text.data(), int(text.size())));
    return out;
}

const char kUtf8Mark[] = "\xEF\xBB\xBF";

CRealPath NewTempFile() {
    if (!HasWideFileCalls()) {
        char folder[MAX_PATH + 1] = "", path[MAX_PATH + 1] = "";
        const DWORD n = GetTempPathA(sizeof(folder), folder);
        if (n == 0 || n > MAX_PATH || !GetTempFileNameA(folder, "qvg", 0, path)) return CRealPath();
        return RealPathFrom(path);
    }
    // The folder may be named outside the code page (a user's own name, say).
    wchar_t folder[MAX_PATH + 1] = L"", path[MAX_PATH + 1] = L"";
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH || !GetTempFileNameW(folder, L"qvg", 0, path)) return CRealPath();
    return path;
}
}  // namespace

CStringArray SplitCmdLine(const char* line, CStringArray* unread) {
    std::vector<std::string> pieces;
    const CStringArray tokens = Strings(Split(line, unread ? &pieces : nullptr));
    if (unread)
        for (const CString& piece : Strings(pieces)) unread->Add(piece);
    return tokens;
}

std::vector<CRealPath> SplitCmdLine(const wchar_t* line, std::vector<CRealPath>* unread) { return Split(line, unread); }

CRealPath ProgramArguments(const char* ansi) {
    if (!HasWideFileCalls()) return RealPathFrom(ansi);
    const wchar_t* p = GetCommandLineW();
    if (!p) return RealPathFrom(ansi);
    // The program's name as Windows reads it: quoted, or up to the first blank.
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

CRealPath WriteItemList(const std::vector<CRealPath>& names) {
    const CRealPath path = NewTempFile();
    if (path.empty()) return path;
    CString text = CString(kUtf8Mark) + kItemListHeader + "\r\n";
    for (const CRealPath& name : names) text += Utf8Of(name) + "\r\n";
    bool written = false;
    {
        CHandle file(OpenRealFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
        DWORD done = 0;
        written = file.IsValid() && WriteFile(file, text.c_str(), DWORD(text.GetLength()), &done, nullptr) &&
                  done == DWORD(text.GetLength());
    }
    if (written) return path;
    DeleteRealFile(path);
    return CRealPath();
}

bool ReadItemList(const CRealPath& path, std::vector<CRealPath>& items) {
    CHandle file(OpenRealFile(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!file.IsValid()) return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE || high != 0) return false;
    std::vector<char> bytes(size);
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size)) return false;
    CString text(bytes.data(), int(size));
    const bool utf8 = text.Left(3) == kUtf8Mark;
    if (utf8) text = text.Mid(3);
    const CStringArray lines = SplitText(text, "\n");
    auto lineAt = [&lines](int i) {
        CString line = lines[i];
        if (line.Right(1) == "\r") line = line.Left(line.GetLength() - 1);
        return line;
    };
    // Only a file that says it is a list is taken, and deleted: never a file the user chose.
    if (lines.IsEmpty() || lineAt(0) != kItemListHeader) return false;
    std::vector<CRealPath> names;
    for (int i = 1; i < lines.GetSize(); ++i) {
        const CString line = lineAt(i);
        if (line.IsEmpty()) continue;
        const CRealPath name = utf8 ? RealPathFromUtf8(line) : RealPathFrom(line);
        // A name that reads as nothing would be an item lost without a word.
        if (name.empty()) return false;
        names.push_back(name);
    }
    items.insert(items.end(), names.begin(), names.end());
    // The names of what is shredded are not left behind in the free space.
    std::vector<char> zeros(size, 0);
    DWORD written = 0;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 && size > 0)
        WriteFile(file, zeros.data(), size, &written, nullptr);
    FlushFileBuffers(file);
    file.Close();
    DeleteRealFile(path);
    return true;
}
