#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "ProxyConnection.h"

namespace {

const char kScript[] = "<script>function open(){return null;}</script>\n";

// A connection that holds `body` as an HTML response, with injection set up
// the way Blokkum's variant does it (one switch, no site records).
class ResponseFilters : public testing::Test {
protected:
    void SetUp() override {
        m_saved = g_Engine;
        g_Engine = BlokkumEngineSettings();
        g_Engine.PopupCatching = 1;
        g_Engine.PopupScript = [] { return CString(kScript); };
        g_Engine.IsBypassKeyDown = [this] { return m_ctrl; };
    }
    void TearDown() override { g_Engine = m_saved; }

    std::string Filtered(const std::string& body, WORD flags = CONTENT_HTML | CONTENT_TEXT) {
        CProxyConnection c;
        c.m_wContentFlags = flags;
        c.m_Body = body;
        c.FilterResponseBody();
        return c.m_Body;
    }

    CEngineSettings m_saved;
    bool m_ctrl = false;
};

struct TagCase {
    const char* text;
    const char* probe;  // the position asked about is where this text starts
    int inside;
};

}  // namespace

TEST_F(ResponseFilters, PositionsAreInsideScriptsOnlyOutsidePreformattedText) {
    const TagCase cases[] = {
        {"<html><script>var a = X;</script></html>", "X", 1},
        {"<html><script>var a;</script> X </html>", "X", 0},
        {"X<script>var a;</script>", "X", 0},
        {"<SCRIPT language=js>if (a < b) X;</SCRIPT>", "X", 1},
        {"<script>document.write('<pre>'); X</script>", "X", 1},
        {"<pre><script>X</script></pre>", "X", 0},
        {"<xmp><script>X</script></xmp>", "X", 0},
        {"<pre>a</pre><script>X</script>", "X", 1},
        {"<textarea><script>X</script></textarea>", "X", 0},
        {"<code>a</code><script>X", "X", 1},
        {"<script>a</script><script>b</script> X", "X", 0},
        {"<meta http-equiv=x><script>X</script>", "X", 1},
    };
    for (const TagCase& c : cases) {
        CProxyConnection connection;
        connection.m_wContentFlags = CONTENT_HTML | CONTENT_TEXT;
        std::string lower = c.text;
        for (char& ch : lower) ch = char(tolower((unsigned char)ch));
        connection.ScanTags(lower.data(), int(lower.size()));
        int position = int(std::string(c.text).find(c.probe));
        EXPECT_EQ(c.inside, connection.IsInsideScript(lower.data(), position)) << c.text;
    }
    // In a script response every position counts as script.
    CProxyConnection script;
    script.m_wContentFlags = CONTENT_SCRIPT | CONTENT_TEXT;
    script.ScanTags("x = 1;", 6);
    EXPECT_EQ(1, script.IsInsideScript("x = 1;", 3));
}

TEST_F(ResponseFilters, PagesGetTheScriptInFrontAndFragmentsOnlyWithARealScriptTag) {
    struct Case {
        const char* body;
        bool injected;
    } cases[] = {
        {"<HTML><BODY>x</BODY></HTML>", true},
        {"<body onload=go()>x", true},
        {"some text <script>go()</script>", true},
        {"some text '<script>go()</script>'", false},
        {"some text \"<script>go()</script>\"", false},
        {"<script>go()</script>", false},
        {"just words", false},
    };
    for (const Case& c : cases) {
        std::string out = Filtered(c.body);
        EXPECT_EQ(c.injected ? std::string(kScript) + c.body : std::string(c.body), out) << c.body;
    }
}

// A page keeps what a browser reads before its content: the byte-order mark,
// the document type (and so its layout mode) and the character set its <meta>
// declares within the first 1,024 bytes, which the script would push out of
// them: the header then carries it, unless it names one itself.
TEST_F(ResponseFilters, PagesKeepTheirDocumentTypeAndCharacterSet) {
    const std::string longHead = "<title>t</title>" + std::string(1100, ' ');
    struct Case {
        const char* what;
        const char* contentType;  // the header's Content-Type value; null: no such line
        std::string body;         // '|' marks where the script is to go
        const char* expectedType; // the value it leaves with
    } cases[] = {
        {"doctype", "text/html", "<!DOCTYPE html>|<html><body>x</body></html>", "text/html"},
        {"mark and doctype", "text/html", "\xEF\xBB\xBF<!doctype html>|<html><body>x", "text/html"},
        {"mark rules over a meta", "text/html", "\xEF\xBB\xBF|<html><head><meta charset=utf-8><body>x", "text/html"},
        {"blanks, comments and an xml line first", "text/html",
         " \r\n<!-- a -- b --><!--><?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0//EN\" "
         "\"x.dtd\">|\n<html><body>x",
         "text/html"},
        {"meta charset", "text/html", "|<html><head><meta charset=\"utf-8\"><body>\xC3\xA6", "text/html; charset=utf-8"},
        {"doctype and meta", "text/html; ", "<!DOCTYPE html>|<html><head><META CharSet='UTF-8'/><body>x",
         "text/html; charset=utf-8"},
        {"pragma", "text/html", "<!DOCTYPE html>|<html><head><meta http-equiv=Content-Type "
                                "content=\"text/html; charset=ISO-8859-1\"><body>x",
         "text/html; charset=iso-8859-1"},
        {"content without the pragma", "text/html", "|<html><head><meta content=\"text/html; charset=koi8-r\"><body>",
         "text/html"},
        {"the header's charset rules", "text/html; charset=windows-1252",
         "<!DOCTYPE html>|<html><head><meta charset=utf-8><body>x", "text/html; charset=windows-1252"},
        {"an empty charset in the header", "text/html;charset=",
         "<!DOCTYPE html><html><head><meta charset=utf-8>|<body>x", "text/html;charset="},
        {"no Content-Type line", nullptr, "<!DOCTYPE html><html><head><meta charset=utf-8>|<body>x", nullptr},
        {"a meta past the first 1,024 bytes", "text/html",
         "<!DOCTYPE html>|<html><head>" + longHead + "<meta charset=utf-8><body>x", "text/html"},
        {"a meta in a comment or another tag", "text/html",
         "|<html><head><!-- <meta charset=koi8-r> --><link title='<meta charset=koi8-r>'><body>", "text/html"},
        {"a UTF-16 label", "text/html", "|<html><head><meta charset=utf-16le><body>x", "text/html; charset=utf-8"},
        {"a label that is no encoding's name", "text/html",
         "|<html><head><meta charset=\"x\r\nSet-Cookie: a=b\"><body>x", "text/html"},
        {"a comment never closed", "text/html", "|<!-- <!DOCTYPE html><html><body>x", "text/html"},
        {"a doctype after content", "text/html", "|<html><!DOCTYPE html><body>x", "text/html"},
    };
    for (const Case& k : cases) {
        CProxyConnection c;
        c.m_wContentFlags = CONTENT_HTML | CONTENT_TEXT;
        c.m_ResponseLines.Add("HTTP/1.1 200 OK\r\n");
        if (k.contentType) c.m_ResponseLines.Add(std::string("Content-type: ") + k.contentType + "\r\n");
        c.m_ResponseLines.Add("Content-Length: 1\r\n");
        std::string expected = k.body;
        const size_t mark = expected.find('|');
        c.m_Body = expected.substr(0, mark) + expected.substr(mark + 1);
        expected.replace(mark, 1, kScript);
        c.FilterResponseBody();
        EXPECT_EQ(expected, c.m_Body) << k.what;
        if (k.contentType) {
            EXPECT_EQ(std::string("Content-type: ") + k.expectedType + "\r\n", c.m_ResponseLines[1].str()) << k.what;
        }
        EXPECT_EQ(k.contentType ? 3 : 2, c.m_ResponseLines.GetSize()) << k.what;
    }
}

TEST_F(ResponseFilters, NothingIsInjectedWhereTheSwitchesSayNo) {
    const std::string page = "<html><body>x</body></html>";
    EXPECT_EQ(page, Filtered(page, CONTENT_SCRIPT | CONTENT_TEXT));
    EXPECT_EQ(page, Filtered(page, CONTENT_HTML));
    m_ctrl = true;
    EXPECT_EQ(page, Filtered(page));
    m_ctrl = false;
    g_Engine.PopupCatching = 0;
    EXPECT_EQ(page, Filtered(page));
    g_Engine.PopupCatching = 1;
    g_Engine.PopupScript = [] { return CString(); };
    EXPECT_EQ(page, Filtered(page));
    // With site records, the site's own option decides instead of the switch.
    g_Engine = VeilrunEngineSettings();
    g_Engine.PopupScript = [] { return CString(kScript); };
    g_Engine.IsBypassKeyDown = [] { return false; };
    CProxyConnection c;
    c.m_wContentFlags = CONTENT_HTML | CONTENT_TEXT;
    c.m_Body = page;
    c.FilterResponseBody();
    EXPECT_EQ(page, c.m_Body);
    c.m_bBlockPopups = 1;
    c.FilterResponseBody();
    EXPECT_EQ(kScript + page, c.m_Body);
}

TEST_F(ResponseFilters, TheSoundElementStandsRightAfterTheHeadTag) {
    g_Engine.PlayWave = 1;
    const std::string sound = "<BGSOUND ID='CC_beep'>";
    struct Case {
        const char* body;
        const char* expected;  // after the script
    } cases[] = {
        {"<html><head><title>t</title></head></html>", "<html><head>%<title>t</title></head></html>"},
        {"<HTML><HEAD><TITLE>t</TITLE></HEAD></HTML>", "<HTML><HEAD>%<TITLE>t</TITLE></HEAD></HTML>"},
        {"<html><body>no head</body></html>", "<html><body>no head</body></html>"},
        {"<html><Head>mixed</Head></html>", "<html><Head>mixed</Head></html>"},
    };
    for (const Case& c : cases) {
        std::string expected = c.expected;
        size_t mark = expected.find('%');
        if (mark != std::string::npos) expected.replace(mark, 1, sound);
        EXPECT_EQ(kScript + expected, Filtered(c.body)) << c.body;
    }
}

TEST_F(ResponseFilters, TheLengthLineFollowsTheInjectedBody) {
    CProxyConnection c;
    c.m_wContentFlags = CONTENT_HTML | CONTENT_TEXT;
    c.m_Body = "<html></html>";
    c.m_ResponseLines.Add("HTTP/1.1 200 OK\r\n");
    c.m_ResponseLines.Add("content-LENGTH: 13\r\n");
    c.m_ResponseLines.Add("\r\n");
    c.FilterResponseBody();
    EXPECT_EQ("Content-Length: " + std::to_string(13 + strlen(kScript)) + "\n", c.m_ResponseLines[1].str());
    // No length line: the lines stay as they are.
    CStringArray lines;
    lines.Add("HTTP/1.0 200 OK\r\n");
    c.FixContentLength(lines, "abc");
    EXPECT_EQ(1, lines.GetSize());
    EXPECT_EQ("HTTP/1.0 200 OK\r\n", lines[0]);
}

TEST_F(ResponseFilters, ReferrerIsHiddenOnlyInsideScriptsAfterARemovedReferer) {
    g_Engine = VeilrunEngineSettings();
    g_Engine.IsBypassKeyDown = [] { return false; };
    const std::string page =
        "<html><p>document.referrer</p><script>var r = document.referrer;</script>"
        "<pre><script>document.referrer</script></pre>document.referrer</html>";
    const std::string hidden =
        "<html><p>document.referrer</p><script>var r = document.Referrer;</script>"
        "<pre><script>document.referrer</script></pre>document.referrer</html>";
    struct Case {
        int removed, blockReferer, disabled;
        bool hides;
    } cases[] = {{1, 1, 0, true}, {0, 1, 0, false}, {1, 0, 0, false}, {1, 1, 1, false}};
    for (const Case& k : cases) {
        g_Engine.Disabled = k.disabled;
        CProxyConnection c;
        c.m_wContentFlags = CONTENT_HTML | CONTENT_TEXT;
        c.m_bRefererRemoved = k.removed;
        c.m_bBlockReferer = k.blockReferer;
        c.m_Body = page;
        c.FilterResponseBody();
        EXPECT_EQ(k.hides ? hidden : page, c.m_Body) << k.removed << k.blockReferer << k.disabled;
    }
    // Blokkum's variant has no referer handling at all.
    g_Engine = BlokkumEngineSettings();
    CProxyConnection c;
    c.m_wContentFlags = CONTENT_HTML | CONTENT_TEXT;
    c.m_bRefererRemoved = c.m_bBlockReferer = 1;
    c.m_Body = page;
    g_Engine.PopupCatching = 0;
    c.FilterResponseBody();
    EXPECT_EQ(page, c.m_Body);
}

TEST_F(ResponseFilters, PagesThroughTheEngineCarryTheScriptAtByteZero) {
    const std::string page = "<html><head><title>t</title></head><body onload=\"window.open('x')\">p</body></html>";
    const std::string js = "window.open('x');";
    std::map<std::string, std::string> replies = {
        {"/page", HttpResponse("text/html", page)},
        {"/chunked", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n" +
                         [&] { char n[16]; sprintf(n, "%x", unsigned(page.size() - 10)); return std::string(n); }() +
                         "\r\n" + page.substr(0, page.size() - 10) + "\r\na\r\n" + page.substr(page.size() - 10) +
                         "\r\n0\r\n\r\n"},
        {"/script", HttpResponse("application/x-javascript", js)},
    };
    COriginServer origin([&](const COriginRequest& request) {
        COriginReply reply;
        size_t blank = request.header.find(' ');
        reply.pieces.push_back(replies[request.header.substr(blank + 1, request.header.find(' ', blank + 1) - blank - 1)]);
        return reply;
    });
    CEngineUnderTest engine(BlokkumEngineSettings());
    g_Engine.PopupCatching = 1;
    g_Engine.PopupScript = [] { return CString(kScript); };
    g_Engine.IsBypassKeyDown = [this] { return m_ctrl; };
    const std::string prefix = "GET http://127.0.0.1:" + std::to_string(origin.Port());
    const std::string injected = std::string(kScript) + page;
    const std::string grown = HttpResponse("text/html", injected);
    ExpectConversation(engine.Port(), {
        {prefix + "/page HTTP/1.1\r\n\r\n", grown},
        {prefix + "/chunked HTTP/1.1\r\n\r\n", grown},
        {prefix + "/script HTTP/1.1\r\n\r\n", replies["/script"]},
    });
    m_ctrl = true;
    ExpectConversation(engine.Port(), {{prefix + "/page HTTP/1.1\r\n\r\n", replies["/page"]}});
}

// The same road with the document type and the <meta> cut across the
// server's sends, length-framed and chunked.
TEST_F(ResponseFilters, PagesInPiecesKeepTheirDocumentTypeAndCharacterSet) {
    const std::string doctype = "<!DOCTYPE html>";
    const std::string rest = "\n<html><head><meta charset=\"utf-8\"><title>t</title></head><body>\xC3\xA6\xC3\xB8</body></html>";
    const std::string page = doctype + rest;
    const size_t cuts[] = {5, doctype.size() + 24};  // inside "<!DOCTYPE" and inside the meta tag
    const std::string header = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    std::vector<std::string> framed = {header + "Content-Length: " + std::to_string(page.size()) + "\r\n\r\n" +
                                           page.substr(0, cuts[0]),
                                       page.substr(cuts[0], cuts[1] - cuts[0]), page.substr(cuts[1])};
    std::vector<std::string> chunked = {header + "Transfer-Encoding: chunked\r\n\r\n"};
    for (size_t from = 0, i = 0; i <= 2; ++i) {
        const size_t to = i < 2 ? cuts[i] : page.size();
        char size[16];
        sprintf(size, "%x\r\n", unsigned(to - from));
        chunked.push_back(size + page.substr(from, to - from) + "\r\n");
        from = to;
    }
    chunked.push_back("0\r\n\r\n");
    COriginServer origin([&](const COriginRequest& request) {
        COriginReply reply;
        reply.pieces = request.header.find("/chunked") != std::string::npos ? chunked : framed;
        return reply;
    });
    CEngineUnderTest engine(BlokkumEngineSettings());
    g_Engine.PopupCatching = 1;
    g_Engine.PopupScript = [] { return CString(kScript); };
    g_Engine.IsBypassKeyDown = [] { return false; };
    const std::string prefix = "GET http://127.0.0.1:" + std::to_string(origin.Port());
    const std::string expected = HttpResponse("text/html; charset=utf-8", doctype + kScript + rest);
    ExpectConversation(engine.Port(), {
        {prefix + "/framed HTTP/1.1\r\n\r\n", expected},
        {prefix + "/chunked HTTP/1.1\r\n\r\n", expected},
    });
}
