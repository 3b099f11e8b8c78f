#include "HostsFile.h"

#include <vector>

#include "BlokkumShared.h"
#include "FileEntries.h"
#include "FileTransaction.h"
#include "Files.h"
#include "Handles.h"
#include "OSVersion.h"
#include "Registry.h"

namespace {
// A HOSTS file that Windows reads must stay a comment plus entries: the header
// of a created file is a comment line.
const char kCreatedHeader[] = "# Created By Quorvane Blokkum.\r\n";
CString CreatedHeaderLine() {
    CString line = kCreatedHeader;
    line.Trim();
    return line;
}
const char kBannerBegin[] = "# Quorvane Blokkum banner list: begin";
const char kBannerEnd[] = "# Quorvane Blokkum banner list: end";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool CreateWithContents(const CString& path, const CString& text) {
    CHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    return file.IsValid() && WriteAllBytes(file, text);
}

bool Append(const CString& path, const CString& text) {
    CHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    return file.IsValid() && WriteAllBytes(file, text);
}

struct LineSpan {
    int start;
    int next;  // after the line feed
    CString content;
};

std::vector<LineSpan> SplitLines(const CString& text) {
    std::vector<LineSpan> lines;
    int pos = 0;
    while (pos < text.GetLength()) {
        int feed = text.Find('\n', pos);
        int next = feed < 0 ? text.GetLength() : feed + 1;
        CString content = text.Mid(pos, next - pos);
        content.Trim();
        lines.push_back({pos, next, content});
        pos = next;
    }
    return lines;
}

bool IsMarker(const CString& content) { return content == kBannerBegin || content == kBannerEnd; }

// The alias entry as Blokkum writes it: the address and the alias alone. A
// user's entry that names the alias among other names, or with a comment,
// is the user's.
bool IsAliasLine(const CString& content, const char* ip, const char* alias) {
    CString address, name, rest;
    int i = 0;
    auto token = [&](CString& out) {
        while (i < content.GetLength() && IsSpace(content[i])) ++i;
        while (i < content.GetLength() && !IsSpace(content[i])) out += content[i++];
    };
    token(address);
    token(name);
    token(rest);
    return rest.IsEmpty() && address == ip && !name.IsEmpty() && name.CompareNoCase(alias ? alias : "") == 0;
}

// The text without the lines Blokkum put into it: its banner blocks with
// their markers (a marker line without a partner is ours too), and with
// aliasToo the alias entry and the header of a file Blokkum created.
// Every other line stays byte for byte.
CString WithoutOwnLines(const CString& text, const char* ip, const char* alias, bool aliasToo) {
    std::vector<LineSpan> lines = SplitLines(text);
    CString kept;
    for (size_t i = 0; i < lines.size(); ++i) {
        const CString& content = lines[i].content;
        if (content == kBannerBegin) {
            size_t end = i + 1;
            while (end < lines.size() && lines[end].content != kBannerEnd) ++end;
            if (end < lines.size()) {
                i = end;
                continue;
            }
        }
        if (IsMarker(content)) continue;
        if (aliasToo && (IsAliasLine(content, ip, alias) || (i == 0 && content == CreatedHeaderLine())))
            continue;
        kept += text.Mid(lines[i].start, lines[i].next - lines[i].start);
    }
    return kept;
}

CString BannerBlock(const CString& prepared) {
    CString block = CString(kBannerBegin) + "\r\n";
    CString line;
    for (int pos = 0; pos < prepared.GetLength();) {
        pos = ReadHostsLine(prepared, pos, line);
        CString content = line;
        content.Trim();
        if (content.IsEmpty() || IsMarker(content)) continue;
        block += line + "\r\n";
    }
    return block + kBannerEnd + "\r\n";
}

// The trimmed lines of every banner block of the text, markers left out;
// a block whose end marker is missing runs to the end of the text.
std::vector<std::vector<CString>> BannerBlocks(const CString& text) {
    std::vector<std::vector<CString>> blocks;
    bool inBlock = false;
    for (const LineSpan& line : SplitLines(text)) {
        if (line.content == kBannerBegin) {
            blocks.emplace_back();
            inBlock = true;
        } else if (line.content == kBannerEnd) {
            inBlock = false;
        } else if (inBlock) {
            blocks.back().push_back(line.content);
        }
    }
    return blocks;
}

CString AliasLine(const char* ip, const char* alias) {
    CString line;
    line.Format("%s\t%s\r\n", ip, alias);
    return line;
}

CString WithFinalLineFeed(const CString& text) {
    if (text.IsEmpty() || text[text.GetLength() - 1] == '\n') return text;
    return text + "\r\n";
}
}  // namespace

int ReadHostsLine(const CString& text, int position, CString& line) {
    line.Empty();
    int copied = 0;
    while (position < text.GetLength()) {
        char c = text[position];
        if (c == '\n') return position + 1;
        if (copied == kHostsLineMax) break;
        ++position;
        if (c == '\r') continue;
        line += c;
        ++copied;
    }
    return position;
}

void ParseHostsLine(CString& line) {
    const CString source = line;
    const int n = source.GetLength();
    int i = 0;
    while (i < n && IsSpace(source[i])) ++i;
    while (i < n && !IsSpace(source[i]) && source[i] != '#') ++i;
    while (i < n && IsSpace(source[i])) ++i;
    line.Empty();
    if (i < n && source[i] == '#') return;
    while (i < n && (unsigned char)source[i] > 32 && line.GetLength() < kHostsNameMax) line += source[i++];
}

namespace {
bool SetAttributesKeepingTimes(const char* path, DWORD attributes) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    FILETIME created, accessed, written;
    bool haveTimes = false;
    {
        CHandle file(CreateFileA(path, FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING, 0, nullptr));
        haveTimes = file.IsValid() && GetFileTime(file, &created, &accessed, &written);
    }
    if (!SetFileAttributesA(path, attributes ? attributes : DWORD(FILE_ATTRIBUTE_NORMAL))) return false;
    if (haveTimes) {
        CHandle file(CreateFileA(path, FILE_WRITE_ATTRIBUTES, share, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file.IsValid() || !SetFileTime(file, &created, &accessed, &written)) return false;
    }
    return true;
}
}  // namespace

bool SetHostsAttributes(const char* path, bool closed) {
    return SetAttributesKeepingTimes(path, closed ? kHostsClosedAttributes : kHostsOpenAttributes);
}

bool RecordHostsAttributes(HKEY root, const char* key, const CString& hostsPath) {
    CRegKey blokkum;
    if (blokkum.Open(root, key, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS) return false;
    if (blokkum.HasValue(BLOKKUM_HOSTS_ATTRIBUTES_VALUE)) return true;
    const DWORD attributes = GetFileAttributesA(ResolvedPath(hostsPath));
    return attributes != INVALID_FILE_ATTRIBUTES &&
           blokkum.SetDWORD(BLOKKUM_HOSTS_ATTRIBUTES_VALUE, attributes) == ERROR_SUCCESS;
}

bool GiveBackHostsAttributes(HKEY root, const char* key, const CString& hostsPath) {
    CRegKey blokkum;
    DWORD recorded = 0;
    if (blokkum.Open(root, key, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS ||
        blokkum.QueryDWORD(BLOKKUM_HOSTS_ATTRIBUTES_VALUE, recorded) != ERROR_SUCCESS)
        return true;
    const CString path = ResolvedPath(hostsPath);
    const DWORD now = GetFileAttributesA(path);
    if (now == INVALID_FILE_ATTRIBUTES) return false;
    // Only what Blokkum's attribute sets change goes back; anything else the
    // file has now stays.
    const DWORD settable = FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;
    const DWORD attributes = (now & settable) | (recorded & kHostsClosedAttributes);
    if (!SetAttributesKeepingTimes(path, attributes)) return false;
    blokkum.DeleteValue(BLOKKUM_HOSTS_ATTRIBUTES_VALUE);
    return true;
}

CHostsFile::CHostsFile() : m_isNT(IsWindowsNT()) {
    char folder[MAX_PATH] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    m_windowsFolder = folder;
}

CHostsFile::CHostsFile(const CString& windowsFolder, bool isWindowsNT)
    : m_windowsFolder(windowsFolder), m_isNT(isWindowsNT) {}

CString CHostsFile::HostsPath() const {
    return JoinPath(m_windowsFolder, m_isNT ? "system32\\drivers\\etc\\hosts" : "hosts");
}

CString CHostsFile::GetHostsPath() const {
    const CString path = HostsPath();
    CHandle existing(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (existing.IsValid()) return path;
    CString sample;
    if (ReadWholeFile(path + ".sam", sample))
        CreateWithContents(path, sample);
    else
        CreateWithContents(path, kCreatedHeader);
    return path;
}

bool CHostsFile::HostsHasAlias(const char*, const char* alias) const {
    CString text;
    return ReadWholeFile(GetHostsPath(), text) && TextHasAlias(text, alias);
}

bool TextHasAlias(const CString& text, const char* alias) {
    CString wanted = CString(alias ? alias : "").Left(kHostsNameMax);
    wanted.MakeLower();
    if (wanted.IsEmpty() || text.IsEmpty()) return false;
    CString line;
    for (int pos = 0; pos < text.GetLength();) {
        pos = ReadHostsLine(text, pos, line);
        ParseHostsLine(line);
        if (line.IsEmpty() || line[0] == '#') continue;
        line.MakeLower();
        if (line.Find(wanted) >= 0) return true;
    }
    return false;
}

bool CHostsFile::EnsureHostsAlias(const char* ip, const char* alias) const {
    if (HostsHasAlias(ip, alias)) return true;
    const CString path = GetHostsPath();
    SetHostsAttributes(path, false);
    CString text;
    ReadWholeFile(path, text);
    // Without the line feed the alias would run into the last entry and
    // damage it.
    CString entry = WithFinalLineFeed(text).Mid(text.GetLength()) + AliasLine(ip, alias);
    Append(path, entry);
    SetHostsAttributes(path, true);
    return HostsHasAlias(ip, alias);
}

bool CHostsFile::BackupHostsFile(const CString& programFolder) const {
    CString text;
    if (!ReadWholeFile(GetHostsPath(), text)) return false;
    const CString backup = JoinPath(programFolder, BLOKKUM_HOSTS_BACKUP_FILE);
    if (FileExists(backup)) SetFileAttributesA(backup, FILE_ATTRIBUTE_NORMAL);
    return WriteWholeFile(backup, text);
}

bool CHostsFile::SetBannerBlocking(const CString& programFolder, bool on, const char* ip, const char* alias,
                                   CFileTransaction& change) const {
    // The file a link names: a link's own attributes would leave the file
    // read-only, and the file would not change.
    const CString path = ResolvedPath(GetHostsPath());
    const CString preparedPath = JoinPath(programFolder, on ? BLOKKUM_BANNERS_ON_FILE : BLOKKUM_BANNERS_OFF_FILE);
    // The block and the alias go in with one replacement of the file: the
    // swap happens whole or the file stays as it was.
    CString prepared, before;
    bool done = change.Read(preparedPath, prepared, false) && change.Read(path, before, false);
    if (done) {
        CString after = WithFinalLineFeed(WithoutOwnLines(before, ip, alias, false)) + BannerBlock(prepared);
        if (!TextHasAlias(after, alias)) after += AliasLine(ip, alias);
        SetHostsAttributes(path, false);
        done = change.Stage(path, after) && change.Commit();
    }
    SetHostsAttributes(path, true);
    return done;
}

bool CHostsFile::SetBannerBlocking(const CString& programFolder, bool on, const char* ip, const char* alias) const {
    CFileTransaction change;
    return SetBannerBlocking(programFolder, on, ip, alias, change);
}

CHostsFile::BannerMatch CHostsFile::BannerBlockingMatches(const CString& programFolder, bool on) const {
    CString prepared, text;
    if (!ReadWholeFile(JoinPath(programFolder, on ? BLOKKUM_BANNERS_ON_FILE : BLOKKUM_BANNERS_OFF_FILE), prepared) ||
        !ReadWholeFile(ResolvedPath(GetHostsPath()), text))
        return BannerMatch::Unknown;
    const auto blocks = BannerBlocks(text);
    if (blocks.empty()) return on ? BannerMatch::Differs : BannerMatch::Matches;
    return blocks.size() == 1 && blocks[0] == BannerBlocks(BannerBlock(prepared))[0] ? BannerMatch::Matches
                                                                                      : BannerMatch::Differs;
}

CString WithoutBlokkumEntries(const CString& text, const char* ip, const char* alias) {
    return WithoutOwnLines(text, ip, alias, true);
}

bool RemoveBlokkumEntries(const CString& hostsPath, const char* ip, const char* alias, CFileTransaction& change) {
    // The file a link names, as the banner swap does: the link's own
    // attributes would leave the file read-only.
    const CString path = ResolvedPath(hostsPath);
    CString before;
    if (!change.Read(path, before, false)) return false;
    const CString after = WithoutBlokkumEntries(before, ip, alias);
    if (after == before) return true;
    SetHostsAttributes(path, false);
    const bool done = change.Stage(path, after) && change.Commit();
    SetHostsAttributes(path, true);
    return done;
}
