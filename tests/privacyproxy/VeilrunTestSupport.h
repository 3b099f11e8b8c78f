// VeilrunTestSupport.h - a Veilrun world in a temporary folder: the program
// file's place, a profile folder with one Mozilla and one Opera profile, the
// browser registry keys under a test key, and built-in settings; everything
// is put back when it goes (the machine's Run value too).
#pragma once

#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "VeilrunGlobals.h"

class CVeilrunWorld {
public:
    CVeilrunWorld();
    ~CVeilrunWorld();
    CString Program() const { return m_folder.Path() + "\\Veilrun.exe"; }
    CString File(const char* name) const { return m_folder.File(name); }
    CString Write(const char* name, const std::string& text) const { return m_folder.Write(name, text); }
    CString TestKeyPath(const char* below) const;
    CString PrefsPath() const { return File("profile\\Application Data\\Mozilla\\p1\\default\\x1\\prefs.js"); }
    CString OperaPath() const { return File("profile\\Application Data\\Opera\\u1\\profile\\opera6.ini"); }

private:
    CTempFolder m_folder;
    CTestRegistryKey m_key;
    CVeilrunPlaces m_saved;
};

// A URL cache entry: a page (NORMAL_CACHE_ENTRY, with a small file whose
// path goes to *file when asked) or a cookie or history entry (no file).
bool AddCacheEntry(const char* url, DWORD type, const std::string& header = std::string(), CString* file = nullptr);
bool InCache(const char* url);

// The value's text or DWORD under a full key path; empty / -1 when absent.
CString RegistryText(const CString& keyPath, const char* name);
long RegistryNumber(const CString& keyPath, const char* name);
