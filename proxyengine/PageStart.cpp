// The reading here follows what browsers do before they parse a page: the
// prescan for a <meta> character set (comments skipped, other tags' attributes
// read past, the pragma form counted only with its http-equiv) and the
// tokens a page may put before its document type without losing it.
#include "PageStart.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsLetter(char c) { return c >= 'a' && c <= 'z'; }

bool At(const char* text, size_t end, size_t p, const char* word) {
    const size_t n = strlen(word);
    return p + n <= end && memcmp(text + p, word, n) == 0;
}

// Offset of the first occurrence of word in text[from, end), or end.
size_t Find(const char* text, size_t end, size_t from, const char* word) {
    const size_t n = strlen(word);
    for (size_t p = from; p + n <= end; ++p)
        if (memcmp(text + p, word, n) == 0) return p;
    return end;
}

// Past the comment that opens at p ("<!-->" and "<!--->" are whole ones), or
// end when it does not close before end.
size_t SkipComment(const char* text, size_t end, size_t p) {
    const size_t dashes = Find(text, end, p + 2, "-->");
    const size_t bang = Find(text, end, p + 4, "--!>");
    if (dashes < bang) return dashes + 3;
    if (bang < end) return bang + 4;
    return end;
}

// One attribute of a tag from p on: false at the tag's '>' (p stays on it)
// or when the bytes end first.
bool ReadAttribute(const char* text, size_t end, size_t& p, std::string& name, std::string& value) {
    name.clear();
    value.clear();
    while (p < end && (IsSpace(text[p]) || text[p] == '/')) ++p;
    if (p >= end || text[p] == '>') return false;
    while (p < end) {
        const char c = text[p];
        if (c == '=' && !name.empty()) break;
        if (IsSpace(c)) {
            while (p < end && IsSpace(text[p])) ++p;
            if (p >= end) return false;
            if (text[p] != '=') return true;
            break;
        }
        if (c == '/' || c == '>') return true;
        name += c;
        ++p;
    }
    if (p >= end) return false;
    ++p;
    while (p < end && IsSpace(text[p])) ++p;
    if (p >= end) return false;
    if (text[p] == '"' || text[p] == '\'') {
        const char quote = text[p++];
        const size_t close = size_t(std::find(text + p, text + end, quote) - text);
        if (close >= end) {
            p = end;
            return false;
        }
        value.assign(text + p, close - p);
        p = close + 1;
        return true;
    }
    while (p < end && !IsSpace(text[p]) && text[p] != '>') value += text[p++];
    return p < end;
}

// Every name browsers know an encoding by is of these characters; a label of
// others names none, and a browser reads on for the next <meta>.
bool IsEncodingName(const CString& label) {
    if (label.IsEmpty() || label.GetLength() > 40) return false;
    for (int i = 0; i < label.GetLength(); ++i) {
        const char c = label[i];
        if (!IsLetter(c) && !(c >= '0' && c <= '9') && !strchr("-_.:+()", c)) return false;
    }
    return true;
}

CString TrimmedLabel(const std::string& raw) {
    CString label(raw);
    label.Trim(" \t\n\r\f");
    // A page cannot be read as UTF-16 from a tag it wrote in ASCII bytes:
    // browsers take these labels, in a <meta>, as UTF-8.
    static const char* const utf16[] = {"utf-16", "utf-16le", "utf-16be", "unicode", "unicodefeff",
                                        "unicodefffe", "ucs-2", "iso-10646-ucs-2", "csunicode"};
    for (const char* name : utf16)
        if (label == name) return "utf-8";
    if (label == "x-user-defined") return "windows-1252";
    return label;
}

// The character set a <meta> tag declares; p is just after "<meta" and ends
// just after the tag. Empty when it declares none (or ends past end).
CString ReadMetaCharset(const char* text, size_t end, size_t& p) {
    bool gotPragma = false, needPragma = false, any = false;
    CString charset;
    std::vector<std::string> seen;
    std::string name, value;
    while (ReadAttribute(text, end, p, name, value)) {
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
        seen.push_back(name);
        if (name == "http-equiv") {
            if (CString(value).Trim(" \t\n\r\f") == "content-type") gotPragma = true;
        } else if (name == "content") {
            if (!any) {
                CString found = ExtractCharset(value.data(), value.size());
                if (!found.IsEmpty()) {
                    charset = TrimmedLabel(found.str());
                    any = needPragma = true;
                }
            }
        } else if (name == "charset") {
            charset = TrimmedLabel(value);
            any = true;
            needPragma = false;
        }
    }
    if (p >= end) return CString();
    ++p;
    if (!any || (needPragma && !gotPragma)) return CString();
    return charset;
}

void FindMetaCharset(const char* text, size_t length, CPageStart& page) {
    const size_t end = std::min(length, kCharsetScanBytes);
    std::string name, value;
    size_t p = 0;
    while (p < end) {
        if (text[p] != '<') {
            ++p;
        } else if (At(text, end, p, "<!--")) {
            p = SkipComment(text, end, p);
        } else if (At(text, end, p, "<meta") && p + 5 < end && (IsSpace(text[p + 5]) || text[p + 5] == '/')) {
            p += 5;
            CString charset = ReadMetaCharset(text, end, p);
            if (IsEncodingName(charset)) {
                page.metaCharset = charset;
                page.metaEnd = p;
                return;
            }
        } else if (p + 1 < end && (IsLetter(text[p + 1]) || (text[p + 1] == '/' && p + 2 < end && IsLetter(text[p + 2])))) {
            while (p < end && !IsSpace(text[p]) && text[p] != '>') ++p;
            while (ReadAttribute(text, end, p, name, value)) {
            }
            ++p;
        } else if (At(text, end, p, "<!") || At(text, end, p, "</") || At(text, end, p, "<?")) {
            p = size_t(std::find(text + p, text + end, '>') - text) + 1;
        } else {
            ++p;
        }
    }
}

// Just after the document type that the page opens with (after white space,
// comments and processing instructions), or 0 when it has none.
size_t FindDoctypeEnd(const char* text, size_t length, size_t p) {
    const size_t end = std::min(length, kPrologueScanBytes);
    for (;;) {
        while (p < end && IsSpace(text[p])) ++p;
        if (!At(text, end, p, "<!") && !At(text, end, p, "<?")) return 0;
        const bool doctype = At(text, end, p, "<!doctype");
        size_t next = At(text, end, p, "<!--") ? SkipComment(text, end, p)
                                               : size_t(std::find(text + p, text + end, '>') - text) + 1;
        if (next > end) return 0;
        if (doctype) return next;
        p = next;
    }
}

}  // namespace

CPageStart ReadPageStart(const char* text, size_t length) {
    CPageStart page;
    if (At(text, length, 0, "\xEF\xBB\xBF")) {
        page.byteOrderMark = true;
        page.contentStart = 3;
    }
    if (size_t doctype = FindDoctypeEnd(text, length, page.contentStart)) page.contentStart = doctype;
    // With the mark, the page's encoding is known before any tag is read.
    if (!page.byteOrderMark) FindMetaCharset(text, length, page);
    return page;
}

CString ExtractCharset(const char* text, size_t length) {
    size_t p = 0;
    for (;;) {
        p = Find(text, length, p, "charset");
        if (p >= length) return CString();
        p += 7;
        while (p < length && IsSpace(text[p])) ++p;
        if (p >= length) return CString();
        if (text[p] != '=') continue;
        ++p;
        while (p < length && IsSpace(text[p])) ++p;
        if (p >= length) return CString();
        if (text[p] == '"' || text[p] == '\'') {
            const char quote = text[p++];
            const size_t close = size_t(std::find(text + p, text + length, quote) - text);
            if (close >= length) return CString();
            return CString(text + p, int(close - p));
        }
        size_t stop = p;
        while (stop < length && !IsSpace(text[stop]) && text[stop] != ';') ++stop;
        return CString(text + p, int(stop - p));
    }
}
