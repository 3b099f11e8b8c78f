// ModemPatch.h - the raise of an analog modem's top port speed from 115200
// to 921600 bit/s: the rate is the 32-bit little-endian integer at byte 24
// of each modem's binary Properties value under the family's modem class key.
// Only bytes 25 and 26 are compared and changed; the patch is never undone.
#pragma once

#include <windows.h>

#include "Strings.h"
#include "Tuning.h"

// Properties of a modem still at 115200 (0x0001C200).
bool IsUnraisedModem(const CString& properties);
// Sets the rate to 921600 (0x000E1000).
void RaiseModem(CString& properties);

// Whether a modem below the class key of the family can be raised.
bool FindUnraisedModem(HKEY machine, OSFamily family);
// Raises every such modem; false when one could not be written.
bool RaiseModems(HKEY machine, OSFamily family);
