// modRecordFile.h - the record file format of SaveProf.pro and of profiles:
// plain ANSI text, six lines per StartupRecord in column order, each ended
// by CR LF (read alike when ended by LF or CR alone, or doubled), no header
// and no count. What a record carries beyond its texts (its identity)
// travels in its When? line after a tab, a column that no reader acts on:
// older readers keep six lines a record and pass it by.
// Deliberately not: any other encoding, versioning.
#pragma once

#include "Arrays.h"
#include "StartupRecord.h"

// Writes records 0 to count - 1 through a temporary file that replaces the
// old one (a failed write leaves the old file as it was), then reads the file
// back: true only when it holds exactly what was written. An empty path
// writes nothing. Line breaks inside a field are written as blanks: they
// would shift every later record. A record cut short (cutText) is written
// after the whole ones, exactly as it was read.
bool WriteRecordFile(const CArray<StartupRecord>& records, const char* path, int count);

// Appends the file's records to records. A record is six lines, each ended
// by CR LF, LF or CR alike, or by any of them doubled throughout the file
// (CR CR, what a CR LF file becomes on some transfers). Blank lines between
// records and at the end are no records; an empty first line whose next
// line is a status is an unnamed entry. What the end of the file cuts short
// (fewer than six lines, or a last line without its line end) becomes an
// unreadable record holding that text in cutText, its columns as far as
// they were read, and is logged to the error log: every byte but blank
// lines and doubled line ends is in some record, so writing the records
// back loses nothing. A file that cannot be read adds nothing and gives
// false (GetLastError tells why).
bool ReadRecordFile(const char* path, CArray<StartupRecord>& records);

// The record's When? text followed by its identity: the Startup file name
// (and its real name where the code page cannot spell it), the private
// copy's name (withCopy) and the value type, each present only when known.
// Without any, the bare When? text.
CString WhenWithIdentity(const StartupRecord& record, bool withCopy);
// Takes the identity out of record.when into its fields (fileName, realName,
// copyName, valueType), leaving the bare When? text. False when the line
// carries none.
bool TakeIdentity(StartupRecord& record);
