#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

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
        {"<!DOCTYPE html><html><body>x</body></html>", true},
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
