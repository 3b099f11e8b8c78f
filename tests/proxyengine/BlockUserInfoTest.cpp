#include <gtest/gtest.h>

#include "UserInfoFilter.h"

namespace {
CStringArray Lines(std::initializer_list<const char*> texts) {
    CStringArray lines;
    for (const char* t : texts) lines.Add(t);
    return lines;
}

CString Joined(const CStringArray& lines) {
    CString all;
    for (const CString& line : lines) all += line;
    return all;
}
}  // namespace

TEST(UserInfoFilter, SiteDomainIsTheHostFromItsFirstDotWhenItHasTwo) {
    struct Case {
        const char* host;
        const char* domain;
    } cases[] = {
        {"www.a.test", ".a.test"}, {"a.test", "a.test"},         {"localhost", "localhost"},
        {"x.y.co.uk", ".y.co.uk"}, {"127.0.0.1", "127.0.0.1"},
    };
    for (const Case& c : cases) EXPECT_EQ(SiteDomainOf(c.host), c.domain) << c.host;
}

TEST(UserInfoFilter, RefererIsSameSiteOnlyWhenItsOwnHostBelongsToTheDomain) {
    struct Case {
        const char* value;
        const char* host;
        bool same;
    } cases[] = {
        {" http://img.a.test/p\r\n", "www.a.test", true},
        {" http://a.test/", "www.a.test", true},
        {" HTTP://WWW.A.TEST:8080/x", "www.a.test", true},
        {" http://user@img.a.test/", "www.a.test", true},
        {" http://www.a.test/", "a.test", true},
        {" http://127.0.0.1:81/", "127.0.0.1", true},
        {" http://evil.test/?from=.a.test", "www.a.test", false},
        {" http://a.test.evil.test/", "www.a.test", false},
        {" http://a.test@evil.test/", "www.a.test", false},
        {" http://evila.test/", "a.test", false},
        {" http://10.0.0.1/", "127.0.0.1", false},
        {" /relative/a.test", "a.test", false},
        {"", "a.test", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSameSiteReferer(c.value, c.host), c.same) << c.value << " for " << c.host;
}

TEST(UserInfoFilter, NamedLinesGoWithTheirContinuationsAndNothingElse) {
    CStringArray lines = Lines({"GET / HTTP/1.1\r\n", "Host: a.test\r\n", "Cookie: a=1;\r\n", " b=2\r\n",
                                "COOKIE: c=3\r\n", "X-Cookie: keep\r\n", "Cookie2: $Version=1\r\n",
                                "User-Agent: Browser/1.0\r\n", "\r\n"});
    EXPECT_EQ(RemoveHeaderLines(lines, "cookie:"), 2);
    EXPECT_EQ(RemoveHeaderLines(lines, "user-agent:"), 1);
    EXPECT_EQ(RemoveHeaderLines(lines, "user-agent:"), 0);
    EXPECT_EQ(Joined(lines),
              "GET / HTTP/1.1\r\nHost: a.test\r\nX-Cookie: keep\r\nCookie2: $Version=1\r\n\r\n");
}

TEST(UserInfoFilter, OnlyForeignReferersAreRemoved) {
    CStringArray lines = Lines({"GET http://www.a.test/ HTTP/1.0\r\n", "Referer: http://img.a.test/\r\n",
                                "referrer: http://b.test/\r\n", "REFERER: http://b.test/.a.test\r\n",
                                "Referer:\r\n", "\thttp://b.test/\r\n", "\r\n"});
    EXPECT_EQ(RemoveForeignReferers(lines, "www.a.test"), 3);
    EXPECT_EQ(Joined(lines), "GET http://www.a.test/ HTTP/1.0\r\nReferer: http://img.a.test/\r\n\r\n");
}
