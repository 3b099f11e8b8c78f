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
// Applies what the bytes hold, up to the first damaged or missing field:
// settings read so far are kept, sites only when whole. False when the bytes
// ended early or held a damaged length.
bool ApplyOptions(const CString& bytes);

void LoadOptions();
// False when the file could not be written (the old file then stays whole),
// or when it was there at start-up but could not be read.
bool SaveOptions();
