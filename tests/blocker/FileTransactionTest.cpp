#include <gtest/gtest.h>

#include "FileEntries.h"
#include "FileTransaction.h"
#include "Files.h"
#include "TestSupport.h"

// Two files change together and the second cannot be replaced (another
// program reads it), so the first is put back. When the first one's new
// file is held open too, the old one cannot go back over it: the change says
// so, and the user's content waits in the backup beside it.
TEST(FileTransaction, AFileThatCannotBePutBackIsNamedAndItsOldContentKept) {
    for (bool holdFirst : {false, true}) {
        SCOPED_TRACE(holdFirst ? "first file held after it is placed" : "first file free");
        CTempFolder folder;
        const CString first = folder.Write("first.txt", "first before");
        const CString second = folder.Write("second.txt", "second before");
        CFileTransaction change;
        ASSERT_TRUE(change.Stage(first, "first after"));
        ASSERT_TRUE(change.Stage(second, "second after"));
        // Sharing delete lets the staged file be moved onto the target, where
        // it stays open.
        CHandle placed;
        if (holdFirst) placed = HoldFile(first + ".qvnew~", FILE_SHARE_READ | FILE_SHARE_DELETE);
        CHandle held = HoldFile(second, FILE_SHARE_READ);
        ASSERT_TRUE(held.IsValid() && (placed.IsValid() || !holdFirst));

        EXPECT_FALSE(change.Commit());
        EXPECT_EQ(change.FailedFile(), second);
        EXPECT_EQ(ReadFileText(second), "second before");
        if (!holdFirst) {
            EXPECT_TRUE(change.NotPutBack().IsEmpty());
            EXPECT_EQ(ReadFileText(first), "first before");
            EXPECT_FALSE(FileExists(first + ".qvold~"));
            continue;
        }
        ASSERT_EQ(change.NotPutBack().GetSize(), 1);
        EXPECT_EQ(change.NotPutBack()[0], first);
        ASSERT_EQ(change.KeptBackups().GetSize(), 1);
        EXPECT_EQ(change.KeptBackups()[0].CompareNoCase(first + ".qvold~"), 0);
        EXPECT_EQ(ReadFileText(first), "first after");
        EXPECT_EQ(ReadFileText(first + ".qvold~"), "first before");
    }
}

// A preference file reached through a link, as a profile folder of another
// disk is: the file the link names takes the new content, or keeps the old
// one when the change fails, and the link stays a link to it.
TEST(FileTransaction, ALinkedFileChangesWhereItLeadsAndTheLinkStays) {
    for (bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "change fails" : "change done");
        CTempFolder folder;
        const CString real = folder.Write("elsewhere\\prefs.js", "before");
        const CString other = folder.Write("profile\\user.js", "user before");
        const CString link = folder.File("profile\\prefs.js");
        if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
        ASSERT_TRUE(HostLink("ln -s", link, real));
        {
            CFileTransaction change;
            ASSERT_TRUE(change.Stage(link, "after"));
            ASSERT_TRUE(change.Stage(other, "user after"));
            CHandle held;
            if (fails) held = HoldFile(other, FILE_SHARE_READ);
            EXPECT_EQ(change.Commit(), !fails);
        }
        EXPECT_EQ(ReadFileText(real), fails ? "before" : "after");
        EXPECT_EQ(RealPathOf(link).CompareNoCase(RealPathOf(real)), 0) << "the link no longer leads to the file";
        EXPECT_FALSE(FileExists(real + ".qvold~"));
        HostLink("rm -f", link);
    }
}

// The same file named twice (registry.dat may list a profile folder under
// two spellings) is one target: a failed change puts its first content back.
TEST(FileTransaction, TwoSpellingsOfOneFileAreOneTarget) {
    CTempFolder folder;
    const CString prefs = folder.Write("profile\\prefs.js", "before");
    const CString other = folder.Write("user.js", "user before");
    char shortFolder[MAX_PATH] = "";
    ASSERT_NE(GetShortPathNameA(folder.File("profile"), shortFolder, MAX_PATH), 0u);
    for (const CString& spelling : {folder.File("profile\\.\\prefs.js"), CString(shortFolder) + "\\prefs.js"}) {
        SCOPED_TRACE(spelling.c_str());
        CFileTransaction change;
        ASSERT_TRUE(change.Stage(prefs, "first after"));
        ASSERT_TRUE(change.Stage(spelling, "second after"));
        ASSERT_TRUE(change.Stage(other, "user after"));
        CHandle held = HoldFile(other, FILE_SHARE_READ);
        EXPECT_FALSE(change.Commit());
        EXPECT_TRUE(change.NotPutBack().IsEmpty());
        EXPECT_EQ(ReadFileText(prefs), "before");
    }
}

// Temporary and backup files an earlier change left (a crash, or a backup
// the user was told of) are named to the caller and survive the next change.
TEST(FileTransaction, FilesAnEarlierChangeLeftAreNamedAndKept) {
    for (const char* suffix : {".qvnew~", ".qvold~", ".qvold~2"}) {
        SCOPED_TRACE(suffix);
        CTempFolder folder;
        const CString hosts = folder.Write("hosts", "before");
        const CString left = folder.Write((CString("hosts") + suffix).c_str(), "earlier");
        CFileTransaction change;
        ASSERT_TRUE(change.Stage(hosts, "after"));
        ASSERT_EQ(change.LeftBehind().GetSize(), 1);
        EXPECT_EQ(change.LeftBehind()[0].CompareNoCase(left), 0);
        EXPECT_TRUE(change.Commit());
        EXPECT_EQ(ReadFileText(hosts), "after");
        EXPECT_EQ(ReadFileText(left), "earlier");
    }
}

// A link that leads nowhere (its file on a disk that is not there) is
// neither read as an empty file nor replaced by a plain one: the change
// names it and fails, and the link still leads where it did. A name where
// nothing stands still reads as empty, and nothing is left at it.
TEST(FileTransaction, ALinkThatLeadsNowhereIsRefusedAndStaysALink) {
    CTempFolder folder;
    const CString target = folder.Write("disk\\user.js", "user");
    const CString link = folder.File("profile\\user.js");
    folder.Write("profile\\prefs.js", "");
    if (!HostLink("ln -s", link, target)) GTEST_SKIP() << "no host ln to make links";
    ASSERT_TRUE(DeleteFileA(target));
    CFileTransaction change;
    CString text;
    EXPECT_FALSE(change.Read(link, text));
    EXPECT_EQ(change.FailedFile(), link);
    EXPECT_FALSE(change.Stage(link, "plain"));
    EXPECT_FALSE(change.HasStaged());
    folder.Write("disk\\user.js", "back");
    EXPECT_EQ(ReadFileText(link), "back") << "the link no longer leads to its file";
    HostLink("rm -f", link);

    const CString absent = folder.File("profile\\absent.js");
    EXPECT_TRUE(change.Read(absent, text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_FALSE(FileExists(absent));
    EXPECT_TRUE(change.Stage(absent, "new"));
    EXPECT_TRUE(change.Commit());
    EXPECT_EQ(ReadFileText(absent), "new");
}
