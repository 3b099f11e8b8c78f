// BlockResources.h - the three fixed resources the filters send or inject:
// the block page and block image from the Block folder beside the program,
// and the pop-up script put in front of pages, with its sound placeholder.
// The buffers hold raw bytes (CString keeps NULs); they are loaded once before
// the listener starts and only read afterwards.
// Deliberately not: the filters that send them (RequestFilters) or inject the
// script (response filtering).
#pragma once

#include "Strings.h"

extern CString& g_BlockPage;
extern CString& g_strBlockPagePath;
extern CString& g_BlockImage;
extern CString& g_strBlockImagePath;
extern CString& g_PopupScript;

// Points the block page, block image and hub list at <programFolder>\Block;
// until then they lie in the Block folder of the engine's module folder.
void SetBlockFolder(const CString& programFolder);

// Loads the block page, the block image and the built-in pop-up script, and
// fills the script's sound placeholder (g_Engine.PlayWave; the built-in
// script has none, so the sound file stays unnamed).
void LoadBlockResources();

// Reads the whole file into buffer; true when it held any bytes. A file that
// cannot be read leaves the buffer as it was.
bool ReadFileToBuffer(CString& buffer, const char* path);

void LoadPopupScriptTemplate();

// Fills the first "%s" of a pop-up script: with playWave the statement that
// starts the sound file (its backslashes turned to slashes), else two blanks.
// A literal replacement: the script may hold '%' anywhere else.
void FillPopupScriptPlaceholder(CString& script, bool playWave, const CString& soundPath);

// Whether a request line asks for an image: its lower-cased text holds one
// of the image extensions anywhere.
bool IsImageRequestLine(const CString& requestLine);

// The reply header for a canned block reply with a body file of that path
// and length: the page header for an .htm file, else the image header.
CString BuildBlockReplyHeader(const CString& bodyPath, int bodyLength);
// Header and body of a canned block reply; empty when the body file held
// nothing (then the request is not blocked).
CString BuildBlockReply(const CString& body, const CString& bodyPath);
