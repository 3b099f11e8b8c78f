#include "UserInfoFilter.h"

#include <winsock2.h>

namespace {
bool StartsWithNoCase(const CString& line, const char* prefix) {
    const int length = int(strlen(prefix));
    return line.GetLength() >= length && line.Left(length).CompareNoCase(prefix) == 0;
}

bool IsContinuation(const CString& line) {
    return !line.IsEmpty() && (line[0] == ' ' || line[0] == '\t');
}

// Header lines start after the request line; the blank line that ends the
// header never matches a name.
template <typename Matches>
int RemoveLinesWhere(CStringArray& lines, Matches matches) {
    int removed = 0;
    for (int i = 1; i < lines.GetSize();) {
        if (!matches(lines[i])) {
            ++i;
            continue;
        }
        lines.RemoveAt(i);
        ++removed;
        while (i < lines.GetSize() && IsContinuation(lines[i])) lines.RemoveAt(i);
    }
    return removed;
}

// The host part of an absolute URL, lower-cased, without user information
// and port; empty when the value is no absolute URL.
CString UrlHostOf(CString url) {
    url.Trim();
    const int scheme = url.Find("://");
    if (scheme <= 0) return CString();
    CString rest = url.Mid(scheme + 3);
    const int end = rest.FindOneOf("/?#");
    if (end >= 0) rest = rest.Left(end);
    const int at = rest.ReverseFind('@');
    if (at >= 0) rest = rest.Mid(at + 1);
    const int colon = rest.Find(':');
    if (colon >= 0) rest = rest.Left(colon);
    rest.MakeLower();
    return rest;
}

bool EndsWith(const CString& text, const CString& tail) {
    return text.GetLength() >= tail.GetLength() && text.Right(tail.GetLength()) == tail;
}
}  // namespace

int RemoveHeaderLines(CStringArray& lines, const char* nameWithColon) {
    return RemoveLinesWhere(lines, [nameWithColon](const CString& line) { return StartsWithNoCase(line, nameWithColon); });
}

CString SiteDomainOf(const CString& host) {
    CString plain = host;
    plain.Trim();
    if (inet_addr(plain) != INADDR_NONE) return plain;
    int dots = 0;
    for (int i = 0; i < plain.GetLength(); ++i) dots += plain[i] == '.';
    return dots >= 2 ? plain.Mid(plain.Find('.')) : plain;
}

bool IsSameSiteReferer(const CString& value, const CString& host) {
    const CString refererHost = UrlHostOf(value);
    if (refererHost.IsEmpty()) return false;
    CString domain = SiteDomainOf(host);
    domain.MakeLower();
    if (!domain.IsEmpty() && domain[0] == '.') domain = domain.Mid(1);
    if (domain.IsEmpty()) return false;
    return refererHost == domain || EndsWith(refererHost, "." + domain);
}

int RemoveForeignReferers(CStringArray& lines, const CString& host) {
    return RemoveLinesWhere(lines, [&host](const CString& line) {
        int name = 0;
        if (StartsWithNoCase(line, "referer:"))
            name = 8;
        else if (StartsWithNoCase(line, "referrer:"))
            name = 9;
        return name > 0 && !IsSameSiteReferer(line.Mid(name), host);
    });
}
