#include "modRecordFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "Files.h"
#include "RealNames.h"
#include "modLanguage.h"

bool WriteRecordFile(const CArray<StartupRecord>& records, const char* path, int count) {
    if (!path || !*path) return false;
    count = std::min(std::max(count, 0), records.GetSize());
    CString text, cut;
    for (int i = 0; i < count; ++i) {
        // Any line after a cut record would be read as part of it.
        if (!records[i].cutText.IsEmpty()) {
            cut += records[i].cutText;
            continue;
        }
        for (int column = 0; column < StartupRecord::kColumns; ++column) {
            CString field = records[i].Column(column);
            field.Replace('\r', ' ');
            field.Replace('\n', ' ');
            text += field;
            text += "\r\n";
        }
    }
    text += cut;
    if (!WriteWholeFile(path, text)) return false;
    // A full disk or a redirected folder can accept a write and keep less.
    CString back;
    if (ReadWholeFile(path, back) && back == text) return true;
    SetLastError(ERROR_WRITE_FAULT);
    return false;
}

namespace {
struct TextLine {
    int start;  // of its first byte in the text
    CString text;
    bool ended;  // by a line end, not by the end of the text
};

// CR LF, a lone LF and a lone CR each end a line (editors of other systems
// save either).
std::vector<TextLine> SplitLines(const CString& text) {
    std::vector<TextLine> lines;
    const int end = text.GetLength();
    for (int at = 0; at < end;) {
        int stop = at;
        while (stop < end && text[stop] != '\r' && text[stop] != '\n') ++stop;
        lines.push_back({at, text.Mid(at, stop - at), stop < end});
        at = stop < end ? stop + (text[stop] == '\r' && stop + 1 < end && text[stop + 1] == '\n' ? 2 : 1) : end;
    }
    return lines;
}

// A file whose every line end was doubled on the way (each CR LF become
// CR CR, or CR CR LF): every second line is empty, which no written file
// has, since a record's status line never is. Those lines are only the
// second half of a line end.
void DropDoubledLineEnds(std::vector<TextLine>& lines) {
    if (lines.size() < 2) return;
    for (size_t i = 1; i < lines.size(); i += 2)
        if (!lines[i].text.IsEmpty()) return;
    std::vector<TextLine> halved;
    for (size_t i = 0; i < lines.size(); i += 2) halved.push_back(lines[i]);
    lines.swap(halved);
}

// Where the record at first starts when blank lines stand there: blank
// lines between records are none, but an unnamed entry (a Run key's
// default value) begins with an empty line. The status line tells them
// apart: an unnamed entry's follows its empty name, a named record's its
// name. Where neither reads as a status, the first blank line starts the
// record.
size_t RecordStart(const std::vector<TextLine>& lines, size_t first) {
    size_t named = first;
    while (named < lines.size() && lines[named].text.IsEmpty()) ++named;
    if (named == first || named == lines.size()) return first;
    auto isStatus = [&](size_t i) {
        return i < lines.size() && lines[i].ended && StatusOf(lines[i].text) != kUnknownStatus;
    };
    if (isStatus(named)) return named - 1;
    if (isStatus(named + 1)) return named;
    return first;
}
}  // namespace

bool ReadRecordFile(const char* path, CArray<StartupRecord>& records) {
    CString text;
    if (!ReadWholeFile(path, text)) return false;
    std::vector<TextLine> lines = SplitLines(text);
    DropDoubledLineEnds(lines);
    size_t next = 0;
    auto onlyBlankLinesLeft = [&]() {
        for (size_t i = next; i < lines.size(); ++i)
            if (!lines[i].text.IsEmpty()) return false;
        return true;
    };
    while (!onlyBlankLinesLeft()) {
        next = RecordStart(lines, next);
        StartupRecord record;
        const int start = lines[next].start;
        int column = 0;
        while (column < StartupRecord::kColumns && next < lines.size()) {
            record.Column(column) = lines[next].text;
            if (!lines[next++].ended) break;
            ++column;
        }
        if (column < StartupRecord::kColumns) {
            // Kept as it stands: dropped, it would be gone from the file at
            // its next writing, and its private copy named by no record.
            record.cutText = text.Mid(start);
            record.unreadable = true;
            next = lines.size();
            CString message;
            message.Format("%s: the record at byte %d is cut short by the end of the file", path, start);
            LogError(FormatErrorMessage(message, long(ERROR_INVALID_DATA), "ReadRecordFile"));
        }
        records.Add(record);
    }
    return true;
}

namespace {
const char kIdentityMark = '\t';

// Names may hold any character but those that end a field or a line. With
// asciiOnly every byte above 127 is escaped too: UTF-8 in an ANSI file would
// show as other characters to whoever reads it.
CString Escaped(const CString& text, bool asciiOnly = false) {
    CString out;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char c = text[i];
        const bool high = (static_cast<unsigned char>(c) & 0x80) != 0;
        if (c == '%' || c == '\t' || c == '\r' || c == '\n' || (asciiOnly && high))
            out.AppendFormat("%%%02X", unsigned(static_cast<unsigned char>(c)));
        else
            out += c;
    }
    return out;
}

CString Unescaped(const CString& text) {
    CString out;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text[i] == '%' && i + 2 < text.GetLength() && isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += char(strtoul(text.Mid(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}
}  // namespace

CString WhenWithIdentity(const StartupRecord& record, bool withCopy) {
    CString line = record.when;
    auto add = [&](const char* key, const CString& value, bool asciiOnly = false) {
        line += kIdentityMark;
        line += key;
        line += '=';
        line += Escaped(value, asciiOnly);
    };
    // The code page's spelling stays in file= for older readers, which find
    // no file of a name with '?' and leave the entry alone; the real name
    // follows as UTF-8.
    if (!record.fileName.IsEmpty()) add("file", record.fileName);
    if (!record.realName.empty()) add("real", Utf8Of(record.realName), true);
    if (withCopy && !record.copyName.IsEmpty()) add("copy", record.copyName);
    if (record.valueType != REG_NONE) add("type", CString(std::to_string(record.valueType)));
    return line;
}

bool TakeIdentity(StartupRecord& record) {
    const int mark = record.when.Find(kIdentityMark);
    if (mark < 0) return false;
    CString rest = record.when.Mid(mark + 1);
    record.when = record.when.Left(mark);
    while (!rest.IsEmpty()) {
        const int end = rest.Find(kIdentityMark);
        const CString part = end < 0 ? rest : rest.Left(end);
        rest = end < 0 ? CString() : rest.Mid(end + 1);
        const int equals = part.Find('=');
        if (equals < 0) continue;
        // Parts this reader does not know are a later writer's: passed by.
        const CString key = part.Left(equals), value = Unescaped(part.Mid(equals + 1));
        if (key == "file")
            record.fileName = value;
        else if (key == "real")
            record.realName = RealPathFromUtf8(value);
        else if (key == "copy")
            record.copyName = value;
        else if (key == "type")
            record.valueType = DWORD(strtoul(value, nullptr, 10));
    }
    return true;
}
