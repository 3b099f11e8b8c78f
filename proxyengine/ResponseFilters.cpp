// Body filters of a held response: the tag scan, referrer hiding inside
// scripts, the pop-up script in front of pages and the corrected length.
// Offsets in the lower-cased copy equal those in the body: nothing before the
// injection changes the body's length.
#include <algorithm>
#include <cstring>

#include "EngineSettings.h"
#include "PageStart.h"
#include "ProxyConnection.h"

static const char* const kTagTable[] = {"<scr", "</scr", "<xmp", "</xmp", "<met", "</met",
                                        "<pre", "</pre", "<code", "</code", "<text", "</text"};
static const char kSoundElement[] = "<BGSOUND ID='CC_beep'>";

void CProxyConnection::FilterResponseBody() {
    std::string lower;
    try {
        lower = m_Body;
    } catch (...) {
        return;
    }
    for (char& c : lower) c = char(tolower((unsigned char)c));
    ScanTags(lower.data(), int(lower.size()));
    if (g_Engine.bRequestFilters) HideDocumentReferrer(m_Body);
    if (InjectPopupScript(m_Body, lower)) FixContentLength(m_ResponseLines, m_Body);
}

int CProxyConnection::ReadTag(const char* text, int length, int position, CString& tag) {
    const void* close = memchr(text + position, '>', size_t(length - position));
    if (!close) return 0;
    int end = int(static_cast<const char*>(close) - text);
    tag = CString(text + position, end - position + 1);
    tag.MakeLower();
    return end + 1;
}

int CProxyConnection::FindScriptEnd(const char* text, int length, int position) {
    for (int i = position; i + 1 < length; ++i) {
        if (text[i] != '<' || text[i + 1] != '/') continue;
        CString tag;
        int next = ReadTag(text, length, i, tag);
        if (next == 0) return length;
        if (tag.Left(5) == "</scr") {
            m_Tags.Add(tag);
            m_TagPositions.Add(DWORD(i));
            return next;
        }
        i = next - 1;
    }
    return length;
}

void CProxyConnection::ScanTags(const char* text, int length) {
    m_Tags.RemoveAll();
    m_TagPositions.RemoveAll();
    int position = 0;
    while (position < length) {
        while (position < length && text[position] != '<' && text[position] != '\0') ++position;
        if (position >= length || text[position] == '\0') return;
        CString tag;
        int next = ReadTag(text, length, position, tag);
        if (next == 0) return;
        bool listed = false;
        for (const char* entry : kTagTable)
            if (tag.Left(4) == CString(entry, 4)) listed = true;
        if (listed) {
            m_Tags.Add(tag);
            m_TagPositions.Add(DWORD(next));
            if (tag.Left(4) == "<scr") {
                position = FindScriptEnd(text, length, next);
                continue;
            }
        }
        position = next;
    }
}

int CProxyConnection::IsInsideScript(const char* text, int position) {
    (void)text;
    if (m_wContentFlags & CONTENT_SCRIPT) return 1;
    // Counts of open elements: xmp, pre, code, text, script.
    static const char* const opens[] = {"<xmp", "<pre", "<cod", "<tex", "<scr"};
    static const char* const closes[] = {"</xmp", "</pre", "</cod", "</tex", "</scr"};
    int counts[5] = {};
    for (int i = 0; i < m_Tags.GetSize() && m_TagPositions[i] <= DWORD(position); ++i) {
        const CString& tag = m_Tags[i];
        for (int k = 0; k < 5; ++k) {
            if (tag.Left(int(strlen(opens[k]))) == opens[k]) ++counts[k];
            else if (tag.Left(int(strlen(closes[k]))) == closes[k] && counts[k] > 0) --counts[k];
        }
    }
    if (counts[0] > 0 || counts[1] > 0 || counts[2] > 0 || counts[3] > 0) return 0;
    return counts[4] > 0 ? 1 : 0;
}

void CProxyConnection::HideDocumentReferrer(std::string& body) {
    if (!m_bRefererRemoved || Settings().Disabled || !m_bBlockReferer || !(m_wContentFlags & CONTENT_TEXT)) return;
    static const char kReferrer[] = "document.referrer";
    const size_t length = sizeof(kReferrer) - 1;
    for (size_t at = body.find(kReferrer); at != std::string::npos; at = body.find(kReferrer, at + length)) {
        if (at + 1 >= body.size()) break;
        if (IsInsideScript(body.data(), int(at))) body[at + 9] = 'R';
    }
}

// The script goes in front of the page's own content but after its byte-order
// mark and document type, and the character set that a <meta> declares within
// the bytes a browser looks at keeps counting although the script pushes the
// tag past them: the header carries it, unless the header names one already
// (which then rules) or there is no Content-Type line to carry it (a reply
// without a header, say): then the script goes after the tag instead.
size_t CProxyConnection::ScriptPlace(const std::string& lowerText) {
    const CPageStart page = ReadPageStart(lowerText.data(), lowerText.size());
    if (page.metaCharset.IsEmpty()) return page.contentStart;
    int line = -1;
    for (int i = 1; i < m_ResponseLines.GetSize(); ++i)
        if (IsHeaderField(m_ResponseLines[i], "content-type")) line = i;
    CString named;
    if (line >= 0 && !FindContentTypeCharset(m_ResponseLines[line], named)) {
        m_ResponseLines.SetAt(line, ContentTypeWithCharset(m_ResponseLines[line], page.metaCharset));
        return page.contentStart;
    }
    // An empty charset parameter names none, and a second one may not count.
    if (line >= 0 && !named.IsEmpty()) return page.contentStart;
    return std::max(page.contentStart, page.metaEnd);
}

int CProxyConnection::InjectPopupScript(std::string& body, const std::string& lowerText) {
    bool catching = g_Engine.bSiteRecords ? m_bBlockPopups != 0 : Settings().PopupCatching != 0;
    if (Settings().Disabled || !catching) return 0;
    if (!(m_wContentFlags & CONTENT_TEXT) || (m_wContentFlags & CONTENT_SCRIPT)) return 0;
    if (EngineBypassKeyDown()) return 0;
    if (lowerText.find("<html>") == std::string::npos && lowerText.find("<body") == std::string::npos) {
        // A fragment counts as a page only when a script tag follows other text
        // and is not itself inside a quoted string.
        size_t script = lowerText.find("<scr");
        if (script == std::string::npos || script == 0) return 0;
        char before = lowerText[script - 1];
        if (before == '\'' || before == '"') return 0;
    }
    const CString script = Settings().bHasScript ? Settings().PopupScript : EnginePopupScript();
    if (script.IsEmpty()) return 0;
    body.insert(ScriptPlace(lowerText), script.str());
    if (Settings().PlayWave) {
        size_t head = body.find("<head>");
        if (head == std::string::npos) head = body.find("<HEAD>");
        if (head != std::string::npos && head + 6 < body.size()) body.insert(head + 6, kSoundElement);
    }
    return 1;
}

void CProxyConnection::FixContentLength(CStringArray& lines, const std::string& body) {
    SetLengthLine(lines, "content-length:", unsigned(body.size()));
}
