#include "modRecordFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "Files.h"
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

bool ReadRecordFile(const char* path, CArray<StartupRecord>& records) {
    CString text;
    if (!ReadWholeFile(path, text)) return false;
    int at = 0;
    const int end = text.GetLength();
    // One line from at, without its line end: CR LF, a lone LF or a lone CR
    // (editors of other systems save either). False when the end of the text
    // cuts it; what stands there is taken all the same.
    auto readLine = [&](CString& line) {
        int stop = at;
        while (stop < end && text[stop] != '\r' && text[stop] != '\n') ++stop;
        line = text.Mid(at, stop - at);
        if (stop == end) {
            at = end;
            return false;
        }
        at = stop + (text[stop] == '\r' && stop + 1 < end && text[stop + 1] == '\n' ? 2 : 1);
        return true;
    };
    auto onlyBlankLinesLeft = [&]() {
        for (int i = at; i < end; ++i)
            if (text[i] != '\r' && text[i] != '\n') return false;
        return true;
    };
    while (!onlyBlankLinesLeft()) {
        StartupRecord record;
        const int start = at;
        int column = 0;
        while (column < StartupRecord::kColumns && readLine(record.Column(column))) ++column;
        if (column < StartupRecord::kColumns) {
            // Kept as it stands: dropped, it would be gone from the file at
            // its next writing, and its private copy named by no record.
            record.cutText = text.Mid(start);
            record.unreadable = true;
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

// Names may hold any character but those that end a field or a line.
CString Escaped(const CString& text) {
    CString out;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char c = text[i];
        if (c == '%' || c == '\t' || c == '\r' || c == '\n')
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
    auto add = [&](const char* key, const CString& value) {
        line += kIdentityMark;
        line += key;
        line += '=';
        line += Escaped(value);
    };
    if (!record.fileName.IsEmpty()) add("file", record.fileName);
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
        else if (key == "copy")
            record.copyName = value;
        else if (key == "type")
            record.valueType = DWORD(strtoul(value, nullptr, 10));
    }
    return true;
}
