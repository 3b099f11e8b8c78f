#include <gtest/gtest.h>

#include "BlockResources.h"
#include "TestSupport.h"

TEST(BlockResources, FileIsReadByteForByteAndAFailedReadKeepsTheBuffer) {
    CTempFolder folder;
    const std::string bytes("GIF89a\0\1\2\xff", 10);
    CString path = folder.Write("b.gif", bytes);
    CString buffer;
    EXPECT_TRUE(ReadFileToBuffer(buffer, path));
    EXPECT_EQ(buffer.str(), bytes);
    EXPECT_FALSE(ReadFileToBuffer(buffer, folder.File("missing.gif")));
    EXPECT_EQ(buffer.str(), bytes);
    EXPECT_FALSE(ReadFileToBuffer(buffer, folder.Write("empty.gif", "")));
}

TEST(BlockResources, BuiltInScriptIsPlainTextWithLineFeedsOnly) {
    LoadPopupScriptTemplate();
    const CString& script = g_PopupScript;
    EXPECT_EQ(script.Find("<script language=\"JavaScript\" type=\"text/javascript\">\n<!-- hide\n"), 0);
    EXPECT_EQ(script.Right(10), "</script>\n");
    EXPECT_EQ(script.Find('\r'), -1);
    EXPECT_EQ(script.Find('\0'), -1);
    EXPECT_EQ(script.Find("%s"), -1);
    EXPECT_GT(script.Find("window.onerror = VRX_errorsuppressor;"), 0);
    EXPECT_GT(script.Find("function showModalDialog(sURL, vArguments, sFeatures)"), 0);
    EXPECT_GT(script.Find("return null; } //-->\n</script>"), 0);
}

TEST(BlockResources, PlaceholderFillIsLiteral) {
    struct Case {
        const char* script;
        bool playWave;
        const char* sound;
        const char* want;
    } cases[] = {
        {"a%sb", false, "", "a  b"},
        {"x%sy%s", true, "C:\\Snd\\PopUp.wav", "xif( CC_beep ) CC_beep.src=\"C:/Snd/PopUp.wav\";y%s"},
        {"w = '100%'; %d %n", true, "C:\\a.wav", "w = '100%'; %d %n"},
        {"%s", true, "C:\\100%s\\%d.wav", "if( CC_beep ) CC_beep.src=\"C:/100%s/%d.wav\";"},
        {"%d%s%%", false, "", "%d  %%"},
    };
    for (const Case& c : cases) {
        CString script = c.script;
        FillPopupScriptPlaceholder(script, c.playWave, c.sound);
        EXPECT_EQ(script, c.want) << c.script;
    }
}

TEST(BlockResources, ReplyHeaderFollowsTheBodyFile) {
    EXPECT_EQ(BuildBlockReplyHeader("C:\\Veilrun\\Block\\Block.HTM", 20),
              "HTTP/1.0 200 OK\nPragma: no-cache\nLast-Modified: Fri Aug 10, 1999 12:00:00 am GMT\n"
              "Expires: Fri Jan 15, 1999 12:00:00 am GMT\nConnection: close\nContent-Type: text/html\n\n");
    struct Case {
        const char* path;
        const char* type;
    } cases[] = {
        {"C:\\V\\Block\\Block.gif", "gif"}, {"C:\\V\\Block\\Block.JPG", "jpeg"},
        {"C:\\V\\Block\\Block.png", "png"}, {"C:\\V.2\\Block\\Block", "gif"},
    };
    for (const Case& c : cases) {
        const CString header = BuildBlockReplyHeader(c.path, 43);
        EXPECT_EQ(header.Find(CString("\nContent-Type: image/") + c.type + "\n"), 15) << c.path;
        EXPECT_EQ(header.Right(21), "\nContent-Length: 43\n\n") << c.path;
    }
}

TEST(BlockResources, ImageRequestsAreKnownByTheirExtensionAnywhereInTheLine) {
    struct Case {
        const char* line;
        bool image;
    } cases[] = {
        {"GET /a/B.JPG HTTP/1.1\r\n", true},  {"GET /x.png?s=1 HTTP/1.0\r\n", true},
        {"GET /cgi-bin/c.cgi HTTP/1.0\r\n", true}, {"GET /index.html HTTP/1.1\r\n", false},
        {"GET /gif HTTP/1.1\r\n", false},      {"GET /photo.jpeg HTTP/1.1\r\n", true}, {"GET /a.webp HTTP/1.1\r\n", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsImageRequestLine(c.line), c.image) << c.line;
}

