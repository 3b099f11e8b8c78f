// BrowserProxy.h - pointing the browsers at Veilrun's proxy and back:
// Internet Explorer through its registry values (and every per-connection
// value), Netscape/Mozilla through the first prefs.js of the user's profiles,
// Opera through the first opera6.ini. A text file changes through one
// CFileTransaction: its new content replaces it, or the file a link leads
// to, in one step once written whole beside it. What a set finds is kept
// before the proxy first goes on, in a CProxyRecord under Veilrun's own key
// (g_Places.ProxyRecordKey), where it outlives the process: the reset, in
// this run or after a kill, puts it back where the values still name the
// proxy the set wrote, switched on or off; a value changed meanwhile stays.
// Deliberately not: messages; a missing browser or file changes nothing.
#pragma once

#include "Strings.h"

void EnableIEProxy(const char* host, int port);
void DisableIEProxy();
void EnableNetscapeProxy(const char* host, int port);
void DisableNetscapeProxy();
void EnableOperaProxy(const char* host, int port);
void DisableOperaProxy();

// One per-connection settings value with the proxy flag set (and the proxy
// text replaced) or cleared; false when the bytes are too short or damaged.
bool RewriteConnectionSettings(CString& bytes, bool enable, const CString& proxyText);

void ListSubfolders(const char* folder, CStringArray& names);
bool StartsWithNoCase(const char* prefix, const char* text);
bool ReplaceLine(const char* path, const char* header, const char* startPrefix, const char* commentPrefix,
                 const char* oldLine, const char* newLine, bool normalise);
bool InsertLine(const char* path, const char* header, const char* startPrefix, const char* commentPrefix,
                const char* newLine, bool normalise);

// The first prefs.js / opera6.ini below the profile folder, or empty.
CString FindNetscapePrefs();
CString FindOperaIni();
