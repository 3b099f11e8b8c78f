// TextTable.h - the 80 numbered texts every Veilrun window shows, built-in
// English in g_DefaultTexts, the current ones in g_Texts, replaced from the
// language pack <program>\Language\<language>.ini (section
// "[QuorvaneVeilrun]"); marked windows are told with WM_LANGUAGECHANGED.
// Also the program's own reader of .ini-style text files (used on browser
// settings files as well) and its line normalisation.
// Deliberately not: line-break markers (Veilrun's texts have none).
#pragma once

#include <windows.h>

#include "Strings.h"

enum { kTextSlots = 80, kRelabelMark = 801 };

extern const char* const g_DefaultTexts[kTextSlots];
extern CString g_Texts[kTextSlots];

// Trims the line, the blanks around its first '=' (when that lies inside the
// line), and, unless the line starts with '[', every blank beside a ','.
CString NormaliseLine(const CString& line);

// Collects the lines of one section that start with keyPrefix (all lines for
// an empty prefix); see TextTable.cpp for the reading rules.
void ReadSectionLines(const char* path, const char* sectionHeader, const char* sectionStart, const char* keyPrefix,
                      const char* stopLine, const char* commentPrefix, CStringArray& lines, bool trim);

// The same reading rules on lines already read.
void SectionLinesOf(const CStringArray& fileLines, const char* sectionHeader, const char* sectionStart,
                    const char* keyPrefix, const char* stopLine, const char* commentPrefix, CStringArray& lines,
                    bool trim);

// Reads the lines of a text file without their line ends; false when it
// cannot be opened.
bool ReadTextLines(const char* path, CStringArray& lines);
CStringArray TextLinesOf(const CString& text);

CString LanguagePackPath(const CString& language);
void LoadLanguagePack();
// Sends WM_LANGUAGECHANGED to every marked window of the program.
void RelabelWindows();
void MarkForRelabelling(HWND hwnd);
