#include <gtest/gtest.h>

#include <cstring>

#include "EngineSettings.h"
#include "HeaderText.h"

TEST(HeaderText, EndOfHeaderIsFoundByOneRuleAndNeverPastTheBytes) {
    struct Case {
        const char* text;
        int end;
    } cases[] = {
        {"GET / HTTP/1.0\r\n\r\n", 18},
        {"GET / HTTP/1.0\n\n", 16},
        {"GET / HTTP/1.0\n\r\n", 17},
        {"A: b\r\n\r\nbody", 8},
        {"A: b\n\r\r\n", -1},
        {"A: b\r\n", -1},
        {"A: b\r\n\r", -1},
        {"", -1},
        {"\n\n", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.end, FindHeaderEnd(c.text, int(strlen(c.text)))) << c.text;
        EXPECT_EQ(c.end >= 0, IsHeaderComplete(c.text, int(strlen(c.text)))) << c.text;
    }
    // The second LF lies just past the given length: not complete.
    EXPECT_EQ(-1, FindHeaderEnd("A\r\n\r\n", 4));
}

TEST(HeaderText, ResponseLinesAreClassifiedByTheirHeader) {
    struct Case {
        const char* contentType;  // nullptr: no Content-Type line
        int flags;
    } cases[] = {
        {"text/html; charset=utf-8", CONTENT_HTML | CONTENT_TEXT},
        {"TEXT/HTML", CONTENT_HTML | CONTENT_TEXT},
        {"text/plain", CONTENT_TEXT},
        {"text/x-component", CONTENT_OTHER},
        {"application/javascript", CONTENT_SCRIPT | CONTENT_TEXT},
        {"application/x-jscript", CONTENT_SCRIPT | CONTENT_TEXT},
        {"image/gif", CONTENT_OTHER},
        {"application/octet-stream", CONTENT_OTHER},
        {"application/xhtml+xml", CONTENT_HTML | CONTENT_TEXT},
        {nullptr, CONTENT_HTML | CONTENT_TEXT},
    };
    for (const Case& c : cases) {
        std::string header = "HTTP/1.1 200 OK\r\n";
        if (c.contentType) header += std::string("Content-Type: ") + c.contentType + "\r\n";
        header += "\r\n";
        CStringArray lines;
        CHeaderInfo info;
        EXPECT_EQ(int(header.size()), SplitHeaderLines(header.data(), int(header.size()), lines, true, false, info));
        EXPECT_EQ(c.flags, info.contentFlags) << (c.contentType ? c.contentType : "(none)");
    }
}

TEST(HeaderText, ContentLengthIsReadOnlyFromItsOwnFieldAndOnlyWhenSound) {
    struct Case {
        const char* line;
        long long length;
    } cases[] = {
        {"Content-Length: 1234\r\n", 1234},
        {"content-length:7\r\n", 7},
        {"CONTENT-LENGTH :   42  \r\n", 42},
        {"Content-Length: 0\n", 0},
        {"Content-Length: 4294967296\r\n", 4294967296LL},
        {"Content-Length: -5\r\n", -1},
        {"Content-Length: 12abc\r\n", -1},
        {"Content-Length:\r\n", -1},
        {"Content-Length: 99999999999999999999999\r\n", -1},
        {"X-Content-Length: 5\r\n", -1},
        {"Content-Lengthy: 5\r\n", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.length, ParseContentLength(c.line)) << c.line;
        std::string header = std::string("HTTP/1.1 200 OK\r\n") + c.line + "\r\n";
        CStringArray lines;
        CHeaderInfo info;
        SplitHeaderLines(header.data(), int(header.size()), lines, true, false, info);
        EXPECT_EQ(c.length, info.contentLength) << c.line;
    }
}

TEST(HeaderText, ChunkedResponsesIgnoreTheirLengthLine) {
    const char header[] = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nTransfer-Encoding: chunked\r\n\r\n";
    CStringArray lines;
    CHeaderInfo info;
    SplitHeaderLines(header, int(sizeof(header) - 1), lines, true, false, info);
    EXPECT_TRUE(info.chunked);
    EXPECT_EQ(-1, info.contentLength);
    EXPECT_EQ(4, lines.GetSize());
}

TEST(HeaderText, GzipAcceptLineIsDroppedOnlyWhenAsked) {
    const char header[] = "GET / HTTP/1.1\r\nHost: a\r\nAccept-Encoding: gzip, deflate\r\nAccept: */*\n\r\n";
    struct Case {
        bool drop;
        int lines;
    } cases[] = {{true, 4}, {false, 5}};
    for (const Case& c : cases) {
        CStringArray lines;
        CHeaderInfo info;
        int end = SplitHeaderLines(header, int(sizeof(header) - 1), lines, false, c.drop, info);
        EXPECT_EQ(int(sizeof(header) - 1), end);
        ASSERT_EQ(c.lines, lines.GetSize());
        EXPECT_EQ("Host: a\r\n", lines[1]);
        EXPECT_EQ("\r\n", lines[c.lines - 1]);
        EXPECT_EQ(c.drop ? -1 : 1, CStringArray(lines).Find("Accept-Encoding: gzip, deflate\r\n") >= 0 ? 1 : -1);
    }
    // Lines keep their case and line ends; the joined lines are the header.
    CStringArray lines;
    CHeaderInfo info;
    SplitHeaderLines(header, int(sizeof(header) - 1), lines, false, false, info);
    EXPECT_EQ(std::string(header), JoinLines(lines).str());
}

TEST(HeaderText, RequestLinesGiveHostPortAndPath) {
    struct Case {
        const char* line;
        const char* host;
        int port;
        const char* path;
        bool tunnel;
    } cases[] = {
        {"GET http://example.test:8080/a?b HTTP/1.1\r\n", "example.test", 8080, "/a?b", false},
        {"GET http://example.test/ HTTP/1.0\r\n", "example.test", 80, "/", false},
        {"post HTTPS://Example.Test/x/y HTTP/1.1\r\n", "Example.Test", 80, "/x/y", false},
        {"CONNECT secure.test:443 HTTP/1.1\r\n", "secure.test", 443, "", true},
        {"connect secure.test HTTP/1.0\r\n", "secure.test", 80, "", true},
        {"GET /index.html HTTP/1.1\r\n", "", 80, "", false},
        {"GET http://example.test HTTP/1.1\r\n", "", 80, "", false},
        {"GET http://example.test/ HTTP/1.1 extra\r\n", "", 80, "", false},
        {"GET http://example.test/\r\n", "", 80, "", false},
        {"GET http://example.test:99999/ HTTP/1.1\r\n", "", 80, "/", false},
        {"GET http://example.test:abc/ HTTP/1.1\r\n", "", 80, "/", false},
        {"\r\n", "", 80, "", false},
    };
    for (const Case& c : cases) {
        CRequestTarget t;
        ParseRequestLine(c.line, t);
        EXPECT_EQ(c.host, t.host) << c.line;
        if (*c.host) {
            EXPECT_EQ(c.port, t.port) << c.line;
        }
        EXPECT_EQ(c.path, t.path) << c.line;
        EXPECT_EQ(c.tunnel, t.tunnel) << c.line;
        EXPECT_EQ(c.line, t.requestLine) << c.line;
    }
    CRequestTarget t;
    ParseRequestLine("GET http://h:8080/a?b HTTP/1.1\r\n", t);
    EXPECT_EQ("GET", t.method);
    EXPECT_EQ("HTTP/1.1", t.version);
    EXPECT_EQ("h:8080", t.hostAndPort);
}

TEST(HeaderText, SmallHelpers) {
    CStringArray tokens;
    EXPECT_EQ(3, SplitString("  GET  /x HTTP/1.0\r\nHost: y\r\n", " \r\n", tokens));
    EXPECT_EQ("HTTP/1.0", tokens[2]);
    EXPECT_EQ(0, SplitString("::", ":", tokens));
    EXPECT_EQ("A: b\r\n\r\n", TerminateHeader("A: b\r\n\n\r\n"));
    EXPECT_EQ("\n\r\n\r\n", TerminateHeader("\n\n"));
    EXPECT_EQ("\r\n\r\n", TerminateHeader(""));

    struct Method {
        const char* line;
        bool simple;
    } methods[] = {{"GET / HTTP/1.1", true}, {"head / HTTP/1.1", true}, {"DELETE /x HTTP/1.1", true},
                   {"PUT /x HTTP/1.1", false}, {"POST / HTTP/1.1", false}, {"OPTIONS * HTTP/1.1", false},
                   {"TARGET / HTTP/1.1", false}, {"", false}};
    for (const Method& m : methods) EXPECT_EQ(m.simple, IsSimpleMethod(m.line)) << m.line;

    struct Status {
        const char* line;
        int code;
    } statuses[] = {{"HTTP/1.1 200 OK\r\n", 200}, {"http/1.0 404 Not found\r\n", 404},
                    {"HTTP/1.1 100 Continue\r\n", 100}, {"HTTP/1.1\r\n", 0}, {"<html>", 0}};
    for (const Status& s : statuses) EXPECT_EQ(s.code, ParseStatusCode(s.line)) << s.line;

    struct Lowered {
        int from, to;
    } sizes[] = {{2500, 2048}, {8192, 7168}, {3072, 2048}, {2048, 2048}, {4000, 2976}};
    for (const Lowered& l : sizes) EXPECT_EQ(l.to, LowerBufferSize(l.from)) << l.from;
}
