// HostsFile.h - the Windows HOSTS file as Blokkum uses it: the alias line that
// lets the browsers reach the local proxy by name, the first-run backup
// (mHosts) and banner blocking, which swaps a marked block of entries taken
// from the prepared files hostse (on) and hostsd (off).
// The Windows folder is injected so tests work on a folder tree of their own.
// Every change happens between the open (0x26) and closed (0x27) attribute
// sets, with the file times kept across each attribute change; a rewrite
// replaces the file whole (CFileTransaction).
// Deliberately not: name resolution (Windows reads the file, not we).
#pragma once

#include <windows.h>

#include "Strings.h"

class CFileTransaction;

enum { kHostsLineMax = 520, kHostsNameMax = 255 };
enum : DWORD {
    kHostsOpenAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN,
    kHostsClosedAttributes = kHostsOpenAttributes | FILE_ATTRIBUTE_READONLY,
};

// Copies the line starting at position (carriage returns dropped, at most 520
// characters: a longer line goes on as the next one); returns the position
// after it.
int ReadHostsLine(const CString& text, int position, CString& line);
// Reduces a HOSTS line to its first host name (empty for comments and lines
// with an address only).
void ParseHostsLine(CString& line);

// Whether any entry of a HOSTS text has a host name holding the alias (any case).
bool TextHasAlias(const CString& text, const char* alias);

// The HOSTS text without what Blokkum put into it: the alias entry it writes
// (the address and the alias alone), its banner block with the marker lines,
// and the header of a file it created. Every other line stays byte for byte.
CString WithoutBlokkumEntries(const CString& text, const char* ip, const char* alias);
// Takes those lines out of the file at path (where a link leads) with one
// whole replacement through change; a file without them is not touched. False
// when the file cannot be read or replaced: change names the file, what a
// failed replacement left changed and where the old content waits;
// otherwise nothing changed.
bool RemoveBlokkumEntries(const CString& path, const char* ip, const char* alias, CFileTransaction& change);
// Sets 0x26 (closed false) or 0x27 (closed true) and puts the file's creation,
// access and write times back as they were before.
bool SetHostsAttributes(const char* path, bool closed);

// The attributes the user's HOSTS file had before Blokkum's first change,
// kept in the value "Hosts Attributes" of Blokkum's key (root, key): they
// outlive Blokkum, which keeps its own attribute sets while it runs, so that
// the uninstaller gives them back. Recorded once: a later call keeps the
// first record. Both work on the file a link at path names.
bool RecordHostsAttributes(HKEY root, const char* key, const CString& hostsPath);
// Puts the recorded read-only, hidden, system and archive attributes back,
// keeping the file times, and forgets the record; without a record the
// file keeps the attributes it has. False when they could not be set (the
// record is then kept).
bool GiveBackHostsAttributes(HKEY root, const char* key, const CString& hostsPath);

class CHostsFile {
public:
    // The running system's Windows folder and platform.
    CHostsFile();
    CHostsFile(const CString& windowsFolder, bool isWindowsNT);

    // Where the file lives; nothing is created.
    CString HostsPath() const;
    // The path, creating the file from hosts.sam or with a comment header
    // when it is missing.
    CString GetHostsPath() const;

    // Whether any entry's host name holds the alias (any case); ip unused.
    bool HostsHasAlias(const char* ip, const char* alias) const;
    // Appends "ip<TAB>alias" on a line of its own when no entry has the alias;
    // true when the alias is present afterwards.
    bool EnsureHostsAlias(const char* ip, const char* alias) const;

    // Copies the HOSTS file byte for byte to <programFolder>\mHosts. An
    // unreadable HOSTS file leaves an earlier backup alone.
    bool BackupHostsFile(const CString& programFolder) const;

    // Replaces the banner block of the HOSTS file by the entries of
    // <programFolder>\hostse (on) or hostsd (off), with the alias line when
    // no entry has it; the user's own lines stay. All or nothing: when the
    // prepared file or the HOSTS file cannot be read, or the HOSTS file
    // cannot be replaced, nothing changes but the attributes. The change
    // tells which file failed, whether the HOSTS file could not be put back
    // as it was and where its old content waits, and what an earlier change
    // left beside it.
    bool SetBannerBlocking(const CString& programFolder, bool on, const char* ip, const char* alias,
                           CFileTransaction& change) const;
    bool SetBannerBlocking(const CString& programFolder, bool on, const char* ip, const char* alias) const;

    // Whether the HOSTS file holds what SetBannerBlocking(on) puts there:
    // the one block of hostse (on) or hostsd (off); a file without a block
    // is off too. Unknown when either file cannot be read.
    enum class BannerMatch { Matches, Differs, Unknown };
    BannerMatch BannerBlockingMatches(const CString& programFolder, bool on) const;

private:
    CString m_windowsFolder;
    bool m_isNT;
};
