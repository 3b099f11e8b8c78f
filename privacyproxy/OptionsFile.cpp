#include "OptionsFile.h"

#include <cstring>

#include "EventRecords.h"
#include "Files.h"
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

// A site record is at least 41 bytes (ten fields and a one-byte string prefix).
const int kSmallestSiteRecord = 41;

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

bool ReadSite(CArchiveReader& in, CSiteRecord& site) {
    int when = 0;
    return in.Int(site.m_bHidden) && in.Text(site.m_strHost) && in.Int(when) && in.Int(site.m_nHits) &&
           in.Int(site.m_bDefaultOptions) && in.Int(site.m_bUseHub) && in.Int(site.m_bBlockSite) &&
           in.Int(site.m_bBlockImages) && in.Int(site.m_bBlockPopups) && in.Int(site.m_bBlockUserInfo) &&
           (site.m_timeLastAccess = time_t(when), true);
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
    if (!in.Text(language)) return false;
    g_strLanguage = language;
    CCriticalSectionLock lock(g_csLists);
    bool whole = true;
    for (int* value : kDefaultInts)
        if (!in.Int(*value)) {
            whole = false;
            break;
        }
    g_bDefBlockReferer = g_bDefBlockUserAgent = g_bDefBlockCookies;
    int count = 0;
    if (whole && in.Int(count)) {
        // A damaged count must not make us wait for records the file cannot hold.
        if (count < 0 || count > in.Left() / kSmallestSiteRecord) whole = false;
        for (int i = 0; whole && i < count; ++i) {
            auto* site = new CSiteRecord;
            if (!ReadSite(in, *site)) {
                delete site;
                whole = false;
                break;
            }
            g_Sites.Add(site);
        }
        g_bSitesChanged = 1;
    } else {
        whole = false;
    }
    return whole;
}

// A file that is there but could not be read (locked by another program)
// still holds the user's sites: writing this run's empty list over it would lose them.
static bool g_bOptionsUnread = false;

void LoadOptions() {
    CString bytes;
    g_bOptionsUnread = false;
    if (!ReadWholeFile(OptionsFilePath(), bytes)) {
        g_bOptionsUnread = FileExists(OptionsFilePath());
        return;
    }
    ApplyOptions(bytes);
}

bool SaveOptions() {
    if (g_bOptionsUnread) return false;
    return WriteWholeFile(OptionsFilePath(), SerializeOptions());
}
