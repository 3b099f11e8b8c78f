#include "HeaderText.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

int FindHeaderEnd(const char* data, int length) {
    for (int i = 0; i < length; ++i) {
        if (data[i] != '\n') continue;
        int next = i + 1;
        if (next < length && data[next] == '\r') ++next;
        if (next < length && data[next] == '\n') return next + 1;
    }
    return -1;
}

CString JoinLines(const CStringArray& lines) {
    std::string joined;
    for (const CString& line : lines) joined += line.str();
    return CString(joined);
}

CString TerminateHeader(const CString& text) {
    int end = text.GetLength();
    while (end > 1 && (text[end - 1] == '\r' || text[end - 1] == '\n')) --end;
    return text.Left(end) + "\r\n\r\n";
}

int SplitString(const CString& text, const char* separators, CStringArray& tokens) {
    tokens.RemoveAll();
    std::string seps(separators);
    std::string current;
    const std::string& s = text.str();
    for (size_t i = 0; i <= s.size(); ++i) {
        bool atEnd = i == s.size() || s[i] == '\n';
        if (atEnd || seps.find(s[i]) != std::string::npos) {
            if (!current.empty()) tokens.Add(CString(current));
            current.clear();
            if (atEnd) break;
        } else {
            current += s[i];
        }
    }
    return tokens.GetSize();
}

long long ParseContentLength(const CString& line) {
    int colon = line.Find(':');
    if (colon < 0) return -1;
    CString name = line.Left(colon);
    name.TrimRight(" \t");
    if (name.CompareNoCase("content-length") != 0) return -1;
    const std::string& s = line.str();
    size_t i = size_t(colon) + 1;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    long long value = 0;
    size_t digits = 0;
    for (; i < s.size() && isdigit((unsigned char)s[i]); ++i, ++digits) {
        if (value > (0x7FFFFFFFFFFFFFFFLL - 9) / 10) return -1;
        value = value * 10 + (s[i] - '0');
    }
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
    if (digits == 0 || i != s.size()) return -1;
    return value;
}

// Whether a lower-cased line is the field of that name; looked at in place,
// as every line of every header passes here.
static bool IsField(const char* p, const char* name, size_t length) {
    if (strncmp(p, name, length) != 0) return false;
    p += length;
    while (*p == ' ' || *p == '\t') ++p;
    return *p == ':';
}

// A lower-cased Connection or Proxy-Connection line.
static bool IsConnectionLine(const CString& lower) {
    const char* p = lower.c_str();
    if (strncmp(p, "proxy-", 6) == 0) p += 6;
    return IsField(p, "connection", 10);
}

static void ReadConnectionTokens(const CString& lower, CHeaderInfo& info) {
    CStringArray tokens;
    SplitString(lower.Mid(lower.Find(':') + 1), ",", tokens);
    for (CString token : tokens) {
        token.Trim(" \t\r\n");
        if (token == "close") info.closeToken = true;
        else if (token == "keep-alive") info.keepAliveToken = true;
    }
}

bool KeepsConnectionOpen(const CString& version, const CHeaderInfo& info) {
    if (info.closeToken) return false;
    if (info.keepAliveToken) return true;
    if (version.Left(5).CompareNoCase("http/") != 0) return false;
    char* stop = nullptr;
    const long major = strtol(version.c_str() + 5, &stop, 10);
    const long minor = *stop == '.' ? strtol(stop + 1, nullptr, 10) : 0;
    return major > 1 || (major == 1 && minor >= 1);
}

CString StatusLineVersion(const CString& statusLine) {
    const int blank = statusLine.Find(' ');
    return blank < 0 ? statusLine : statusLine.Left(blank);
}

void SetConnectionClose(CStringArray& lines) {
    for (int i = lines.GetSize() - 1; i >= 1; --i) {
        CString lower = lines[i];
        lower.MakeLower();
        // Keep-Alive's timeout and count belong to a connection kept open.
        if (IsConnectionLine(lower) || IsField(lower.c_str(), "keep-alive", 10)) lines.RemoveAt(i);
    }
    lines.InsertAt(lines.IsEmpty() ? 0 : 1, "Connection: close\r\n");
}

static void ClassifyContentType(const CString& lower, CHeaderInfo& info) {
    info.contentFlags = CONTENT_OTHER;
    info.contentType = lower;
    // Each test overrides the one before it: "text/html" ends as HTML.
    if (lower.Find("text/") >= 0) {
        info.contentFlags = CONTENT_TEXT;
        if (lower.Find("x-component") >= 0) info.contentFlags = CONTENT_OTHER;
    }
    if (lower.Find("html") >= 0) info.contentFlags = CONTENT_HTML;
    if (lower.Find("image") >= 0) info.contentFlags = CONTENT_OTHER;
    if (lower.Find("javascript") >= 0 || lower.Find("jscript") >= 0) info.contentFlags = CONTENT_SCRIPT;
}

int SplitHeaderLines(const char* data, int length, CStringArray& lines, bool isResponse,
                     bool dropGzip, CHeaderInfo& info) {
    lines.RemoveAll();
    info = CHeaderInfo();
    int end = FindHeaderEnd(data, length);
    if (end < 0) return -1;
    long long contentLength = -1;
    int start = 0;
    while (start < end) {
        int stop = start;
        while (stop < end && data[stop] != '\n') ++stop;
        CString line(data + start, stop - start + 1);
        start = stop + 1;
        CString lower = line;
        lower.MakeLower();
        if (lower.Find("content-type:") >= 0 && isResponse) ClassifyContentType(lower, info);
        long long value = ParseContentLength(line);
        if (value >= 0) contentLength = value;
        if (lower.Find("transfer-encoding") >= 0 && lower.Find("chunked") >= 0) info.chunked = true;
        if (IsConnectionLine(lower)) ReadConnectionTokens(lower, info);
        if (dropGzip && lower.Find("accept-encoding:") >= 0 && lower.Find("gzip") >= 0) continue;
        lines.Add(line);
    }
    // A chunked body ends with its last chunk, whatever a length line says.
    info.contentLength = info.chunked ? -1 : contentLength;
    if (isResponse) {
        if (info.contentFlags == 0) info.contentFlags = CONTENT_HTML;
        if (info.contentFlags & (CONTENT_HTML | CONTENT_SCRIPT)) info.contentFlags |= CONTENT_TEXT;
    }
    return end;
}

static bool StartsWithNoCase(const CString& text, const char* prefix) {
    return text.Left(int(strlen(prefix))).CompareNoCase(prefix) == 0;
}

void ParseRequestLine(const CString& line, CRequestTarget& target) {
    target = CRequestTarget();
    target.requestLine = line;
    CStringArray tokens;
    if (SplitString(line, " \r\n", tokens) != 3) return;
    target.method = tokens[0];
    target.url = tokens[1];
    target.version = tokens[2];
    if (target.method.CompareNoCase("connect") == 0) {
        target.tunnel = true;
        target.hostAndPort = tokens[1];
    } else {
        CString rest;
        if (StartsWithNoCase(target.url, "http://")) rest = target.url.Mid(7);
        else if (StartsWithNoCase(target.url, "https://")) rest = target.url.Mid(8);
        else target.url.Empty();
        int slash = rest.Find('/');
        if (slash >= 0) {
            target.path = rest.Mid(slash);
            target.hostAndPort = rest.Left(slash);
        }
    }
    if (target.hostAndPort.IsEmpty()) return;
    CStringArray parts;
    int count = SplitString(target.hostAndPort, ":", parts);
    if (count == 0) return;
    target.host = parts[0];
    target.port = 80;
    if (count == 2) {
        char* stop = nullptr;
        long port = strtol(parts[1], &stop, 10);
        // A port that is no number in range makes the request unusable, not port 0.
        if (*stop != '\0' || port < 1 || port > 65535) {
            target.host.Empty();
            return;
        }
        target.port = int(port);
    } else if (count > 2) {
        target.host.Empty();
    }
}

bool IsSimpleMethod(const CString& requestLine) {
    CStringArray tokens;
    if (SplitString(requestLine, " \r\n", tokens) == 0) return false;
    static const char* const simple[] = {"GET", "HEAD", "DELETE"};
    for (const char* m : simple)
        if (tokens[0].CompareNoCase(m) == 0) return true;
    return false;
}

int ParseStatusCode(const CString& statusLine) {
    CString lower = statusLine;
    lower.MakeLower();
    int http = lower.Find("http/");
    if (http < 0) return 0;
    int blank = lower.Find(' ', http);
    if (blank < 0) return 0;
    return atoi(lower.c_str() + blank + 1);
}

bool SetLengthLine(CStringArray& lines, const char* field, unsigned length) {
    for (int i = 0; i < lines.GetSize(); ++i) {
        CString lower = lines[i];
        lower.MakeLower();
        if (lower.Find(field) >= 0) {
            CString line;
            line.Format("Content-Length: %u\n", length);
            lines.SetAt(i, line);
            return true;
        }
    }
    return false;
}

bool IsHeaderField(const CString& line, const char* name) {
    CString lower = line;
    lower.MakeLower();
    return IsField(lower.c_str(), name, strlen(name));
}

bool FindContentTypeCharset(const CString& line, CString& value) {
    CStringArray parameters;
    SplitString(line.Mid(line.Find(':') + 1), ";", parameters);
    // The first piece is the media type itself.
    for (int i = 1; i < parameters.GetSize(); ++i) {
        CString parameter = parameters[i];
        const int equals = parameter.Find('=');
        if (equals < 0) continue;
        CString name = parameter.Left(equals);
        if (name.Trim(" \t\r").CompareNoCase("charset") != 0) continue;
        value = parameter.Mid(equals + 1);
        value.Trim(" \t\r\"'");
        return true;
    }
    return false;
}

CString ContentTypeWithCharset(const CString& line, const CString& label) {
    int end = line.GetLength();
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
    int value = end;
    while (value > 0 && (line[value - 1] == ' ' || line[value - 1] == '\t' || line[value - 1] == ';')) --value;
    return line.Left(value) + "; charset=" + label + line.Mid(end);
}
