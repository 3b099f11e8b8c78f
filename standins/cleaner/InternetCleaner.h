// InternetCleaner.h - our layer in place of the outside internet-cleaner
// library that Blokkum imports: the module class with its three operations
// and the parameter record Blokkum fills (the browser kind at byte 28, three
// option bytes at 129-131). The records keep the library's sizes, 16 and 140
// bytes, since Blokkum allocates them itself.
// What the library scans and removes is its own business; this layer keeps a
// journal of the calls it receives (operation and browser kind, in order),
// so a program and its tests can see what was asked of it.
// Deliberately not: deleting anything of the user's.
#pragma once

#include <windows.h>

#include <vector>

// Browser kinds of the parameter record.
enum : DWORD {
    kCleanerInternetExplorer = 1,
    kCleanerNetscapeFirst = 2,
    kCleanerNetscapeSecond = 3,
    kCleanerOpera = 4,
    kCleanerNetscapeThird = 5,
};

class CInternetCleanerParamters {
public:
    CInternetCleanerParamters();
    BYTE m_header[28];
    DWORD m_dwBrowserKind;
    BYTE m_reserved[97];
    BYTE m_options[3];
    BYTE m_tail[8];
};

class CInternetCleanerModule {
public:
    CInternetCleanerModule();
    virtual ~CInternetCleanerModule();
    void Scan();
    void DeleteReduandantEntries();
    void DeleteOperaRedundantEntries();

    DWORD m_dwReserved;
    // The record the next operation works with.
    CInternetCleanerParamters* m_pParameters;
    DWORD m_dwReserved2;
};

enum class CleanerOperation { Scan, DeleteRedundant, DeleteOperaRedundant };
struct CleanerCall {
    CleanerOperation operation;
    DWORD browserKind;  // of the parameter record at the time of the call
    bool operator==(const CleanerCall& other) const {
        return operation == other.operation && browserKind == other.browserKind;
    }
};
// The calls made so far (a copy: runs may be going on on other threads).
std::vector<CleanerCall> CleanerJournal();
void ClearCleanerJournal();
