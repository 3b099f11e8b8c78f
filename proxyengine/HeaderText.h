// HeaderText.h - the text helpers that read and write HTTP header blocks:
// the end-of-header finder, line splitting with content classification,
// request-line parsing and the small joins both sides share.
// All work on byte ranges; nothing here touches a socket.
// Deliberately not: a general HTTP parser; only what the relay needs.
#pragma once

#include <string>

#include "Strings.h"

enum {
    CONTENT_HTML = 1,
    CONTENT_SCRIPT = 2,
    CONTENT_OTHER = 4,
    CONTENT_TEXT = 8,
};

// Offset just past the blank line that ends a header, or -1 while none is in
// data[0..length). A line ends at LF, optionally preceded by one CR; so
// "\n\n", "\n\r\n" and "\r\n\r\n" end a header, "\n\r\r\n" does not.
int FindHeaderEnd(const char* data, int length);
inline bool IsHeaderComplete(const char* data, int length) { return FindHeaderEnd(data, length) >= 0; }

CString JoinLines(const CStringArray& lines);
// Trailing CR and LF go (the first character always stays), then "\r\n\r\n".
CString TerminateHeader(const CString& text);
// Tokens between separator characters, empty ones skipped; LF or the end of
// the text ends the scan. Returns the number of tokens.
int SplitString(const CString& text, const char* separators, CStringArray& tokens);

// What a header block says about the body that follows it.
struct CHeaderInfo {
    int contentFlags = 0;          // responses only
    CString contentType;           // the Content-Type line, lower-cased
    long long contentLength = -1;  // -1: not given, not valid, or chunked
    bool chunked = false;
    // Tokens of the Connection and Proxy-Connection lines.
    bool closeToken = false;
    bool keepAliveToken = false;
};

// Whether a message leaves its connection open after it: HTTP/1.1 and later
// unless it names close, HTTP/1.0 (or anything older or unknown) only when it
// names keep-alive. version is "HTTP/x.y" in any letter case.
bool KeepsConnectionOpen(const CString& version, const CHeaderInfo& info);
// The version token that opens a status line ("HTTP/1.1 200 OK").
CString StatusLineVersion(const CString& statusLine);
// Replaces every Connection and Proxy-Connection line of a reply header
// (lines[0] being its status line) by one "Connection: close" line, and
// drops its Keep-Alive lines.
void SetConnectionClose(CStringArray& lines);

// Splits the header at data[0..length) into lines (each with its line end).
// Returns the header's length, or -1 when it is not complete. With dropGzip,
// an Accept-Encoding line naming gzip is left out.
int SplitHeaderLines(const char* data, int length, CStringArray& lines, bool isResponse,
                     bool dropGzip, CHeaderInfo& info);

// The value of a "Content-Length:" line (field name matched exactly, any
// case), or -1 when the line is another field or its value is not a plain
// non-negative number.
long long ParseContentLength(const CString& line);

struct CRequestTarget {
    CString requestLine;  // as received, with its line end
    CString method, url, version;
    CString hostAndPort, path, host;
    int port = 80;
    bool tunnel = false;
};

// Fills target from a request line; an unusable line leaves the host empty.
void ParseRequestLine(const CString& line, CRequestTarget& target);

// True for the methods that never carry a body of unknown length (GET, HEAD,
// DELETE); PUT and every other method may have one.
bool IsSimpleMethod(const CString& requestLine);

// The first line whose lower-cased text contains `field` becomes
// "Content-Length: <length>\n". False when no line contains it.
bool SetLengthLine(CStringArray& lines, const char* field, unsigned length);

// Whether a header line is the field of that name (any letter case).
bool IsHeaderField(const CString& line, const char* name);
// Whether a Content-Type line has a "charset" parameter; value: its text
// (quotes removed), which may be empty.
bool FindContentTypeCharset(const CString& line, CString& value);
// The same line with "; charset=<label>" after its value.
CString ContentTypeWithCharset(const CString& line, const CString& label);

// Status code after "HTTP/x.y " in a status line; 0 when there is none.
int ParseStatusCode(const CString& statusLine);
