// OptionsFile.h - Options.opt beside the program: the browser and wipe
// switches, the language, the default site options and every site record,
// in the little-endian archive layout (ints, length-prefixed strings) with no
// header. Read once at start-up, written once at shut-down.
// Deliberately not: the event log (it lives in memory only).
#pragma once

#include "Strings.h"

CString OptionsFilePath();

// The file's bytes for the current settings and sites (takes g_csLists).
CString SerializeOptions();
// Applies what the bytes hold, up to the first field or site record that
// cannot be right (cut, a length past the end, a host no site can have):
// settings read so far are kept, and every whole site before it. False when
// the bytes were not read whole.
bool ApplyOptions(const CString& bytes);

// Reads the file; one that was not read whole is first kept as it was
// beside itself ("Options (damaged).opt", the next free name).
void LoadOptions();
// What the user must hear of the last load (a damaged or unreadable file,
// named, with what became of it); empty when the file was read whole or
// was missing.
CString OptionsLoadReport();
// False when the file could not be written (the old file then stays whole),
// or when it was there at start-up but could not be read, or was damaged
// and could not be kept.
bool SaveOptions();
