#include <gtest/gtest.h>

#include "AnonymousHub.h"
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

TEST(BlockResources, LoadReadsTheBlockFolderBesideTheProgram) {
    CTempFolder folder;
    folder.Write("Block\\Block.htm", "<html>blocked</html>");
    SetBlockFolder(folder.Path());
    g_BlockImage = "stale";
    LoadBlockResources();
    EXPECT_EQ(g_BlockPage, "<html>blocked</html>");
    EXPECT_EQ(g_BlockImage, "stale");
    EXPECT_EQ(g_strHubListPath, folder.File("Block\\AnonPS.txt"));
    EXPECT_EQ(g_strBlockImagePath, folder.File("Block\\Block.gif"));
    const CString loaded = g_PopupScript;
    LoadPopupScriptTemplate();
    EXPECT_FALSE(loaded.IsEmpty());
    EXPECT_EQ(loaded, g_PopupScript);
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
    const char* page =
        "HTTP/1.0 200 OK\nPragma: no-cache\nLast-Modified: Fri Aug 10, 1999 12:00:00 am GMT\n"
        "Expires: Fri Jan 15, 1999 12:00:00 am GMT\nConnection: close\nContent-Type: text/html\n\n";
    EXPECT_EQ(BuildBlockReplyHeader("C:\\Veilrun\\Block\\Block.HTM", 20), page);
    struct Case {
        const char* path;
        const char* type;
    } cases[] = {
        {"C:\\V\\Block\\Block.gif", "gif"},
        {"C:\\V\\Block\\Block.jpg", "jpeg"},
        {"C:\\V\\Block\\Block.JPG", "jpeg"},
        {"C:\\V\\Block\\Block.png", "png"},
        {"C:\\V.2\\Block\\Block", "gif"},
    };
    for (const Case& c : cases) {
        CString want;
        want.Format("HTTP/1.0 200 OK\nContent-Type: image/%s\nLast-Modified: Fri Jan 15, 1999 00:00:00 GMT\n"
                    "Expires: Fri 15 Apr 1999 20:00:00 GMT\nPragma: no-cache\nConnection: close\n"
                    "Content-Length: 43\n\n",
                    c.type);
        EXPECT_EQ(BuildBlockReplyHeader(c.path, 43), want) << c.path;
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

TEST(BlockResources, NoReplyWithoutABody) {
    EXPECT_TRUE(BuildBlockReply("", "C:\\Block.gif").IsEmpty());
    const CString reply = BuildBlockReply(CString("GIF\0x", 5), "C:\\Block.gif");
    EXPECT_EQ(reply.Right(24), CString("Content-Length: 5\n\nGIF\0x", 24));
    EXPECT_EQ(reply.Find("HTTP/1.0 200 OK\nContent-Type: image/gif\n"), 0);
}
