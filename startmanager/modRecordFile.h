// modRecordFile.h - the record file format of SaveProf.pro and of profiles:
// plain ANSI text, six lines per StartupRecord in column order, each ended
// by CR LF, no header and no count.
// Deliberately not: any other encoding, versioning.
#pragma once

#include "Arrays.h"
#include "StartupRecord.h"

// Writes records 0 to count - 1, replacing the file whole (a failed write
// leaves the old file as it was). An empty path writes nothing. Line breaks
// inside a field are written as blanks: they would shift every later record.
bool WriteRecordFile(const CArray<StartupRecord>& records, const char* path, int count);

// Appends the file's records to records, up to the first empty line where a
// record would start. A record cut short by the end of the file keeps the
// fields it has, the rest empty. A missing file adds nothing and gives false.
bool ReadRecordFile(const char* path, CArray<StartupRecord>& records);
