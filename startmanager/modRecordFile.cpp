#include "modRecordFile.h"

#include <algorithm>

#include "Files.h"

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
    return WriteWholeFile(path, text);
}

bool ReadRecordFile(const char* path, CArray<StartupRecord>& records) {
    CString text;
    if (!ReadWholeFile(path, text)) return false;
    int at = 0;
    const int end = text.GetLength();
    // One line from at, without its CR LF (or lone LF); false at the end of the text.
    auto readLine = [&](CString& line) {
        if (at >= end) return false;
        int lf = text.Find('\n', at);
        int stop = lf < 0 ? end : lf;
        line = text.Mid(at, stop - at);
        if (line.GetLength() > 0 && line[line.GetLength() - 1] == '\r') line = line.Left(line.GetLength() - 1);
        at = lf < 0 ? end : lf + 1;
        return true;
    };
    StartupRecord record;
    while (readLine(record.taskName) && !record.taskName.IsEmpty()) {
        for (int column = 1; column < StartupRecord::kColumns; ++column)
            if (!readLine(record.Column(column))) record.Column(column).Empty();
        records.Add(record);
    }
    return true;
}
