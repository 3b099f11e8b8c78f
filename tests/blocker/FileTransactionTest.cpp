#include <gtest/gtest.h>

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
        EXPECT_EQ(ReadFileText(first), "first after");
        EXPECT_EQ(ReadFileText(first + ".qvold~"), "first before");
    }
}
