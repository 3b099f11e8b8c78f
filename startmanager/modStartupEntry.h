// modStartupEntry.h - taking an entry out of its auto-start location and
// putting it back, the location chosen by the record's load-from text:
// a Run key value, win.ini's Load or Run line, or a shortcut in a Startup
// folder. Errors are ignored: the result only says whether the location was
// recognised and the change made.
// Deliberately not: messages; the list's statuses (StartupEditor.h).
#pragma once

#include "StartupRecord.h"
#include "modRegEnum.h"

bool RemoveStartupEntry(const StartupRecord& record, const CStartupLocations& where);
bool WriteStartupEntry(const StartupRecord& record, const CStartupLocations& where);
