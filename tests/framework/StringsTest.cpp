#include <gtest/gtest.h>

#include <vector>

#include "Strings.h"

TEST(CStringSlicing, MidLeftRightClampToTheText) {
    CString s("Proxy-Connection");
    EXPECT_EQ(s.Left(5), "Proxy");
    EXPECT_EQ(s.Right(10), "Connection");
    EXPECT_EQ(s.Mid(6), "Connection");
    EXPECT_EQ(s.Mid(6, 4), "Conn");
    EXPECT_EQ(s.Mid(-3, 5), "Proxy");
    EXPECT_EQ(s.Mid(100), "");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(100), s);
    EXPECT_EQ(s.Right(100), s);
    EXPECT_EQ(s.Right(0), "");
}

TEST(CStringSearch, FindsForwardBackwardAndIgnoringCase) {
    CString s("GET http://a.b/c HTTP/1.1");
    EXPECT_EQ(s.Find(' '), 3);
    EXPECT_EQ(s.Find(' ', 4), 16);
    EXPECT_EQ(s.Find("HTTP/"), 17);
    EXPECT_EQ(s.Find("http", 5), -1);
    EXPECT_EQ(s.FindNoCase("http/1"), 17);
    EXPECT_EQ(s.ReverseFind('/'), 21);
    EXPECT_EQ(s.FindOneOf(":/"), 8);
    EXPECT_EQ(s.Find("x", 99), -1);
    EXPECT_EQ(CString().Find('a'), -1);
}

TEST(CStringEditing, CaseTrimReplaceInsertDelete) {
    CString s("  Mixed Case\t\r\n");
    s.Trim();
    EXPECT_EQ(s, "Mixed Case");
    CString upper(s), lower(s);
    EXPECT_EQ(upper.MakeUpper(), "MIXED CASE");
    EXPECT_EQ(lower.MakeLower(), "mixed case");

    CString r("a%sb%sc");
    EXPECT_EQ(r.Replace("%s", "%d%"), 2);
    EXPECT_EQ(r, "a%d%b%d%c");
    EXPECT_EQ(r.Replace("", "x"), 0);
    CString overlap("aaaa");
    EXPECT_EQ(overlap.Replace("aa", "a"), 2);
    EXPECT_EQ(overlap, "aa");

    CString d("abcdef");
    d.Delete(1, 2);
    EXPECT_EQ(d, "adef");
    d.Insert(1, "XY");
    EXPECT_EQ(d, "aXYdef");
    d.Insert(99, "!");
    EXPECT_EQ(d, "aXYdef!");
    EXPECT_EQ(d.Remove('X'), 1);
    EXPECT_EQ(d, "aYdef!");
    CString t("##x##");
    EXPECT_EQ(t.TrimLeft("#"), "x##");
    EXPECT_EQ(t.TrimRight("#"), "x");
}

TEST(CStringFormatting, FormatsLongTextsAndAppends) {
    CString s;
    s.Format("%s:%d", "host", 8100);
    EXPECT_EQ(s, "host:8100");
    std::string big(5000, 'z');
    s.Format("<%s>", big.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    s.AppendFormat("%03d", 7);
    EXPECT_EQ(s.Right(4), ">007");
}

// Templates as the programs' packs have them, filled as their call sites do.
TEST(FillMarkers, PutsValuesInOnePassAndReadsNothingElse) {
    const struct Case {
        const char* text;
        std::vector<TextMarker> markers;
        const char* expected;
    } cases[] = {
        {"%s MTU %d%% %u", {{"%d", "576"}}, "%s MTU 576%% %u"},
        {"profile %s1 because %s2", {{"%s1", "a%s2b"}, {"%s2", "C:\\prefs.js"}}, "profile a%s2b because C:\\prefs.js"},
        {"%s file %u of %t.", {{"%s", "100%u%t"}, {"%u", "1"}, {"%t", "3"}}, "100%u%t file 1 of 3."},
        {"drive %c: and %c:", {{"%c", "D"}}, "drive D: and D:"},
        {"%s ends in %", {{"%s1", "x"}}, "%s ends in %"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FillMarkers(c.text, c.markers), c.expected);
    }
}

TEST(CStringCompare, OrdersAndIgnoresCaseOnRequest) {
    CString s("Host");
    EXPECT_EQ(s.Compare("Host"), 0);
    EXPECT_LT(s.Compare("Hosu"), 0);
    EXPECT_EQ(s.CompareNoCase("hOST"), 0);
    EXPECT_NE(s.CompareNoCase("hosts"), 0);
    EXPECT_TRUE(s == "Host");
    EXPECT_TRUE(s != "host");
    EXPECT_TRUE("Host" == s);
}

TEST(CStringBuffers, KeepEmbeddedNulsAndReleaseLengths) {
    CString bin("a\0b", 3);
    EXPECT_EQ(bin.GetLength(), 3);
    EXPECT_EQ(bin.Find('b'), 2);
    char* p = bin.GetBuffer(10);
    strcpy(p, "filled");
    bin.ReleaseBuffer();
    EXPECT_EQ(bin, "filled");
    p = bin.GetBuffer(10);
    bin.ReleaseBuffer(3);
    EXPECT_EQ(bin, "fil");
}

TEST(CStringArrayOps, AddInsertRemoveFindAndSplit) {
    CStringArray a;
    a.Add("one");
    a.Add("three");
    a.InsertAt(1, "two");
    ASSERT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a[1], "two");
    EXPECT_EQ(a.Find("THREE", true), 2);
    EXPECT_EQ(a.Find("THREE"), -1);
    a.RemoveAt(0);
    EXPECT_EQ(a[0], "two");
    EXPECT_THROW(a.RemoveAt(5), std::out_of_range);
    EXPECT_THROW(a.GetAt(-1), std::out_of_range);

    CStringArray parts = SplitText("a\r\n\r\nb\r\n", "\r\n");
    ASSERT_EQ(parts.GetSize(), 4);
    EXPECT_EQ(parts[0], "a");
    EXPECT_EQ(parts[1], "");
    EXPECT_EQ(parts[2], "b");
    EXPECT_EQ(parts[3], "");
}
