#include "modRecordFile.h"

#include <algorithm>

#include "Files.h"
#include "modLanguage.h"

bool WriteRecordFile(const CArray<StartupRecord>& records, const char* path, int count) {
    if (!path || !*path) return false;
    count = std::min(std::max(count, 0), records.GetSize());
    CString text;
    for (int i = 0; i < count; ++i) {
        for (int column = 0; column < StartupRecord::kColumns; ++column) {
            CString field = records[i].Column(column);
            field.Replace('\r', ' ');
            field.Replace('\n', ' ');
            text += field;
            text += "\r\n";
        }
    }
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
    // One complete line from at, without its CR LF (or lone LF); false when
    // no line break ends it (the end of the text cut it).
    auto readLine = [&](CString& line) {
        const int lf = text.Find('\n', at);
        if (lf < 0) return false;
        line = text.Mid(at, lf - at);
        if (line.GetLength() > 0 && line[line.GetLength() - 1] == '\r') line = line.Left(line.GetLength() - 1);
        at = lf + 1;
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
            CString message;
            message.Format("%s: a record cut short at byte %d was dropped", path, start);
            LogError(FormatErrorMessage(message, long(ERROR_INVALID_DATA), "ReadRecordFile"));
            break;
        }
        records.Add(record);
    }
    return true;
}
