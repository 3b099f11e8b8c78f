// LangPack.h - Grindel's language pack lookup: numbered texts in
// <program folder>\Lang\<Language>.ini, section "Grindel Language Pack", with
// the built-in English text as the default of every lookup.
// Offers: the pack location (set by the application object at start-up and on
// a language change), LoadLangString ('#' becomes a line break) and
// SetDlgItemLangText (control texts, no mapping).
// Deliberately not: caching; every lookup reads the file, so a changed pack shows at once.
#pragma once

#include <windows.h>

#include "Strings.h"

void SetLangPackSource(const char* programFolder, const char* language);
CString LangPackPath();

// Up to 1,999 characters; every '#' becomes a line feed.
CString LoadLangString(int key, const char* defaultText);
// LoadLangString with "%s" replaced by the path (or other text).
CString LoadLangStringWith(int key, const char* defaultText, const char* insert);
// Up to 99 characters, as written in the pack.
CString LoadLangControlText(int key, const char* defaultText);
BOOL SetDlgItemLangText(HWND dialog, int controlId, int key, const char* defaultText);
