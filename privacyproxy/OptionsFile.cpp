#include "OptionsFile.h"

#include <cstring>

#include "EventRecords.h"
#include "Files.h"
#include "TextTable.h"
#include "VeilrunGlobals.h"

namespace {

class CArchiveWriter {
public:
    void Int(int value) { m_bytes.Append(reinterpret_cast<const char*>(&value), 4); }
    void Text(const CString& text) {
        const int n = text.GetLength();
        if (n < 0xFF) {
            Byte(BYTE(n));
        } else if (n < 0xFFFE) {
            Byte(0xFF);
            Word(WORD(n));
        } else {
            Byte(0xFF);
            Word(0xFFFF);
            Int(n);
        }
        m_bytes.Append(text.c_str(), n);
    }
    const CString& Bytes() const { return m_bytes; }

private:
    void Byte(BYTE b) { m_bytes.Append(reinterpret_cast<const char*>(&b), 1); }
    void Word(WORD w) { m_bytes.Append(reinterpret_cast<const char*>(&w), 2); }
    CString m_bytes;
};

class CArchiveReader {
public:
    explicit CArchiveReader(const CString& bytes) : m_bytes(bytes) {}
    bool Int(int& value) { return Take(&value, 4); }
    bool Text(CString& text) {
        BYTE b = 0;
        if (!Take(&b, 1)) return false;
        int n = b;
        if (b == 0xFF) {
            WORD w = 0;
            if (!Take(&w, 2)) return false;
            n = w;
            if (w == 0xFFFF && !Int(n)) return false;
        }
        if (n < 0 || n > Left()) return false;
        text = m_bytes.str().substr(size_t(m_pos), size_t(n));
        m_pos += n;
        return true;
    }
    int Left() const { return m_bytes.GetLength() - m_pos; }

private:
    bool Take(void* out, int n) {
        if (Left() < n) return false;
        memcpy(out, m_bytes.c_str() + m_pos, size_t(n));
        m_pos += n;
        return true;
    }
    const CString& m_bytes;
    int m_pos = 0;
};

int* const kLeadingInts[] = {&g_bSetIE, &g_bSetNetscape, &g_bSetOpera, &g_bWipeTempFiles, &g_bWipeHistory,
                             &g_bWipeRecentDocs, &g_bWipeOfficeDocs, &g_bWipeRecycleBin, &g_bWipeCookies};
int* const kDefaultInts[] = {&g_bDefBlockPopups, &g_bDefUseHub, &g_bDefBlockImages, &g_bDefBlockCookies};

void WriteSite(CArchiveWriter& out, const CSiteRecord& site) {
    out.Int(site.m_bHidden);
    out.Text(site.m_strHost);
    out.Int(int(site.m_timeLastAccess));
    out.Int(site.m_nHits);
    out.Int(site.m_bDefaultOptions);
    out.Int(site.m_bUseHub);
    out.Int(site.m_bBlockSite);
    out.Int(site.m_bBlockImages);
    out.Int(site.m_bBlockPopups);
    out.Int(site.m_bBlockUserInfo);
}

// A record that ends past the file, holds a host no request brings, or a
// switch that is neither 0 nor 1 is where the file went wrong: a damaged
// length puts the reader off its fields, and these catch it at once.
bool ReadSite(CArchiveReader& in, CSiteRecord& site) {
    int when = 0;
    if (!in.Int(site.m_bHidden) || !in.Text(site.m_strHost) || !in.Int(when) || !in.Int(site.m_nHits)) return false;
    int* const switches[] = {&site.m_bDefaultOptions, &site.m_bUseHub,     &site.m_bBlockSite,
                             &site.m_bBlockImages,    &site.m_bBlockPopups, &site.m_bBlockUserInfo};
    for (int* value : switches)
        if (!in.Int(*value) || (*value != 0 && *value != 1)) return false;
    site.m_timeLastAccess = time_t(when);
    return (site.m_bHidden == 0 || site.m_bHidden == 1) && IsSiteHost(site.m_strHost);
}

// A language is the name of a pack file before its first dot.
bool IsLanguageName(const CString& name) {
    if (name.GetLength() >= MAX_PATH) return false;
    for (int i = 0; i < name.GetLength(); ++i)
        if (static_cast<unsigned char>(name[i]) < ' ' || strchr("\\/:*?\"<>|.", name[i])) return false;
    return true;
}

}  // namespace

CString OptionsFilePath() { return g_strModuleDir + "\\Options.opt"; }

CString SerializeOptions() {
    CArchiveWriter out;
    for (int* value : kLeadingInts) out.Int(*value);
    out.Text(g_strLanguage);
    CCriticalSectionLock lock(g_csLists);
    for (int* value : kDefaultInts) out.Int(*value);
    out.Int(g_Sites.GetSize());
    for (int i = 0; i < g_Sites.GetSize(); ++i) WriteSite(out, *g_Sites[i]);
    return out.Bytes();
}

bool ApplyOptions(const CString& bytes) {
    CArchiveReader in(bytes);
    for (int* value : kLeadingInts)
        if (!in.Int(*value)) return false;
    CString language;
    if (!in.Text(language) || !IsLanguageName(language)) return false;
    g_strLanguage = language;
    CCriticalSectionLock lock(g_csLists);
    for (int* value : kDefaultInts)
        if (!in.Int(*value)) {
            g_bDefBlockReferer = g_bDefBlockUserAgent = g_bDefBlockCookies;
            return false;
        }
    g_bDefBlockReferer = g_bDefBlockUserAgent = g_bDefBlockCookies;
    int count = 0;
    if (!in.Int(count)) return false;
    // Record by record, so that a cut or a damaged byte costs the sites from
    // there on and no more. Records beyond the count are read too: a damaged
    // count must not drop the sites that follow it.
    int read = 0;
    bool whole = true;
    while (read < count || in.Left() > 0) {
        auto* site = new CSiteRecord;
        if (!ReadSite(in, *site)) {
            delete site;
            whole = false;
            break;
        }
        g_Sites.Add(site);
        ++read;
    }
    g_bSitesChanged = 1;
    return whole && read == count;
}

namespace {

enum COptionsState { OPTIONS_READ, OPTIONS_UNREAD, OPTIONS_DAMAGED };
COptionsState g_optionsState = OPTIONS_READ;
// Where the damaged file was kept as it was; empty when no copy could be made.
CString g_strDamagedCopy;

CString KeepDamagedCopy(const CString& path) {
    for (int n = 1; n <= 99; ++n) {
        const CString copy = g_strModuleDir + "\\Options (damaged" + (n > 1 ? " " + IntToString(n) : CString()) + ").opt";
        if (CopyFileA(path, copy, TRUE)) return copy;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return CString();
}

}  // namespace

void LoadOptions() {
    const CString path = OptionsFilePath();
    g_optionsState = OPTIONS_READ;
    g_strDamagedCopy.Empty();
    CString bytes;
    if (!ReadWholeFile(path, bytes)) {
        // A file that is there but could not be read (held by another
        // program) still holds the user's sites: this run's list must not
        // be written over it.
        if (FileExists(path)) g_optionsState = OPTIONS_UNREAD;
        return;
    }
    if (ApplyOptions(bytes)) return;
    g_optionsState = OPTIONS_DAMAGED;
    g_strDamagedCopy = KeepDamagedCopy(path);
}

CString OptionsLoadReport() {
    const CString path = OptionsFilePath();
    switch (g_optionsState) {
    case OPTIONS_UNREAD:
        return g_Texts[72] + "\n" + path + "\n\n" + g_Texts[73];
    case OPTIONS_DAMAGED:
        return g_Texts[69] + "\n" + path + "\n\n" +
               (g_strDamagedCopy.IsEmpty() ? g_Texts[71] : g_Texts[70] + "\n" + g_strDamagedCopy);
    default:
        return CString();
    }
}

bool SaveOptions() {
    // A damaged file that could not be kept beside itself is not written
    // over: what it held beyond the damage may still be put right by hand.
    if (g_optionsState == OPTIONS_UNREAD || (g_optionsState == OPTIONS_DAMAGED && g_strDamagedCopy.IsEmpty()))
        return false;
    return WriteWholeFile(OptionsFilePath(), SerializeOptions());
}
