// Links out of what is shredded, as a Wine prefix holds them: Unix links made
// by the host's ln (Wine's own calls make none, and Wine follows them for
// every call). Given as items or met in a folder, asked or scheduled, a link
// is never followed: what it leads to stays byte for byte, and the link is
// removed as a link or left and reported, never counted a success.
#include <gtest/gtest.h>

#include "ShredderTestBed.h"

namespace {

std::string Bytes() {
    std::string s(70000, 0);
    for (size_t i = 0; i < s.size(); ++i) s[i] = char(i * 7 + 3);
    return s;
}

bool Present(const CString& path) { return FileExists(path) || FolderExists(path); }

struct CLinkedTree {
    CString top, real, deep, keep, inner, fileLink, folderLink;
    explicit CLinkedTree(const CTempFolder& folder) {
        real = folder.Write("top\\real.txt", "real");
        deep = folder.Write("top\\sub\\deep.txt", "deep");
        keep = folder.Write("outside\\keep.bin", Bytes());
        inner = folder.Write("outside\\dir\\inner.txt", "inner");
        top = folder.File("top");
        fileLink = folder.File("top\\file link");
        folderLink = folder.File("top\\folder link");
    }
    ~CLinkedTree() {
        HostLink("rm -f", fileLink);
        HostLink("rm -f", folderLink);
    }
    bool Link() const { return HostLink("ln -s", fileLink, keep) && HostLink("ln -s", folderLink, FolderOf(inner)); }
};

// The link's own message in what the run showed or logged.
bool Reported(std::string shown, const CString& link) {
    for (size_t at; (at = shown.find("\r\n")) != std::string::npos;) shown.erase(at, 1);
    return shown.find(link.str() + "\nis a link") != std::string::npos;
}

}  // namespace

TEST(Links, AreNeverFollowedAndStayOnlyWhereReported) {
    const struct {
        const char* name;
        bool scheduled, folder;
    } rows[] = {
        {"scheduled folder", true, true},
        {"scheduled items", true, false},
        {"asked folder", false, true},
        {"asked items", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CShredderTestBed bed;
        const CLinkedTree tree(bed.Folder());
        if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
        ASSERT_TRUE(tree.Link());
        std::string items;
        for (const CString& item : row.folder ? std::vector<CString>{tree.top}
                                              : std::vector<CString>{tree.fileLink, tree.folderLink, tree.real})
            items += " \"" + item.str() + "\"";
        CScriptedMessageBoxes boxes;
        for (int answer : {IDOK, IDOK, IDYES}) boxes.QueueAnswer(answer);  // Tasklatch, Grindhook, the confirmation
        CShredderProfile(bed.ProductKey()).WriteInt("Folder", 2);
        {
            CTestShredderApp app(bed.Environment());
            app.progressFactory = [] { return new CSilentProgress; };
            const std::string line = row.scheduled ? "\"/s\" \"links\" \"/O1\" \"/F2\" \"/R2\"" + items : items;
            ASSERT_TRUE(app.InitInstance(line.c_str()));
            app.ExitInstance();
        }
        std::string shown = bed.Log();
        for (const RecordedBox& box : boxes.Boxes()) shown += box.text + "\n";

        EXPECT_TRUE(ReadFileText(tree.keep) == Bytes()) << "what the file link leads to changed";
        EXPECT_EQ(ReadFileText(tree.inner), "inner");
        EXPECT_FALSE(FileExists(tree.real));
        EXPECT_EQ(FileExists(tree.deep), !row.folder);
        bool left = false;
        for (const CString& link : {tree.fileLink, tree.folderLink}) {
            EXPECT_EQ(Present(link), Reported(shown, link)) << link;
            left = left || Present(link);
        }
        if (row.scheduled) { EXPECT_EQ(shown.find("Success") == std::string::npos, left) << shown; }
    }
}

// The bin is shredded, and its links left in it: the shell's empty would
// follow them, so the bin is not emptied, and says so.
TEST(Links, InTheRecycleBinStayWithWhatTheyLeadToAndTheBinIsNotEmptied) {
    CShredderTestBed bed;
    const CBinWithLinks bin(bed.Folder());
    if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
    ASSERT_TRUE(bin.Made());
    CScriptedMessageBoxes boxes;
    {
        CTestShredderApp app(bed.Environment());
        ASSERT_TRUE(app.InitInstance("\"/s\" \"bin\" \"/O1\" \"recycle\""));
        app.ExitInstance();
    }
    const std::string log = bed.Log();
    EXPECT_TRUE(ReadFileText(bin.target) == bin.targetBytes) << "what the file link leads to changed";
    EXPECT_EQ(ReadFileText(bin.folderTargetFile), "inner");
    EXPECT_FALSE(FileExists(bin.plain));
    for (const CString& link : {bin.fileLink, bin.folderLink}) {
        EXPECT_TRUE(Present(link)) << link;
        EXPECT_NE(log.find("\r\n" + link.str()), std::string::npos) << log;
    }
    EXPECT_NE(log.find("has not been emptied"), std::string::npos) << log;
    EXPECT_EQ(log.find("has not been emptied"), log.rfind("has not been emptied")) << "told once for the one bin";
    EXPECT_EQ(log.find("Success"), std::string::npos) << log;
}

// A second name of a file's data is never shredded with it, and the folder
// that still holds that name keeps its own.
TEST(Links, AFileWithASecondNameKeepsItsDataAndItsFolderItsName) {
    CShredderTestBed bed;
    const CString other = bed.Folder().Write("outside\\hard.bin", Bytes());
    const CString alias = bed.Folder().File("d\\sub\\alias.bin");
    const CString plain = bed.Folder().Write("d\\sub\\plain.txt", "plain");
    ASSERT_TRUE(CreateHardLinkA(alias, other, nullptr));
    CScriptedMessageBoxes boxes;
    {
        CTestShredderApp app(bed.Environment());
        const std::string line = "\"/s\" \"hard\" \"/O1\" \"/F2\" \"/R2\" \"" + bed.Folder().File("d").str() + "\"";
        ASSERT_TRUE(app.InitInstance(line.c_str()));
        app.ExitInstance();
    }
    const std::string log = bed.Log();
    EXPECT_TRUE(ReadFileText(other) == Bytes()) << "the other name's data changed";
    EXPECT_TRUE(ReadFileText(alias) == Bytes());
    EXPECT_FALSE(FileExists(plain));
    EXPECT_NE(log.find(alias.str() + "\r\nhas other names"), std::string::npos) << log;
    EXPECT_NE(log.find("Unable to remove folder:\r\n" + FolderOf(alias).str()), std::string::npos) << log;
    EXPECT_EQ(log.find("Success"), std::string::npos) << log;
}
