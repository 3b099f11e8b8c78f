// The Recycle Bin as Wine keeps it, the desktop trash of the tests' home, with
// what a shred of it meets there: names the code page spells otherwise, a
// link, a Windows bin folder beside it, entries that cannot be overwritten,
// and the trash's records out of step with what it holds. Whatever stays is
// named, nothing outside the bin changes, and no run says "Success" while
// anything stayed.
#include <gtest/gtest.h>

#include "ShredderTestBed.h"

namespace {

std::string Bytes(int seed) {
    std::string s(70000, 0);
    for (size_t i = 0; i < s.size(); ++i) s[i] = char(i * 7 + seed);
    return s;
}

// A scheduled shred of the bin; what it logged, with plain line ends.
std::string ShredBin(const CShredderTestBed& bed, CPasses* seen) {
    CScriptedMessageBoxes boxes;
    {
        CTestShredderApp app(bed.Environment());
        app.progressFactory = [seen] { return new CRealPassReader(seen); };
        app.InitInstance("\"/s\" \"bin\" \"/O1\" \"recycle\"");
        app.ExitInstance();
    }
    std::string log = bed.Log();
    for (size_t at; (at = log.find('\r')) != std::string::npos;) log.erase(at, 1);
    return log;
}

bool Named(const std::string& log, const CRealPath& entry, const char* words) {
    return log.find(CodePageSpelling(entry).str() + words) != std::string::npos;
}

}  // namespace

TEST(RecycleBinShred, NamesOutsideTheCodePageAreOverwrittenOrNamed) {
    if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
    CShredderTestBed bed;
    CTestTrash trash;
    ASSERT_TRUE(trash.Laid());
    const std::string keep = Bytes(1), plainBytes = Bytes(2), innerBytes = Bytes(3);
    const CString outside = bed.Folder().Write("outside\\keep.bin", keep);
    // Łącze, żółw.txt, Łódź and ząb.txt: spelt "Lacze", "zólw.txt", "Lódz" and "zab.txt" by best fit.
    const CRealPath link = trash.AddLink(L"\x141\x105" L"cze", RealPathFrom(outside));
    const CRealPath plain = trash.AddFile(L"\x17c\xf3\x142w.txt", plainBytes);
    const CRealPath folder = trash.AddFolder(L"\x141\xf3" L"d\x17a");
    const CRealPath inner = JoinRealPath(folder, L"z\x105" L"b.txt");
    ASSERT_FALSE(link.empty());
    {
        CHandle file(OpenRealFile(inner, GENERIC_WRITE, 0, CREATE_NEW, 0));
        ASSERT_TRUE(WriteAllBytes(file, innerBytes.data(), DWORD(innerBytes.size())));
    }

    CPasses seen;
    const std::string log = ShredBin(bed, &seen);
    EXPECT_TRUE(ReadFileText(outside) == keep) << "what the link leads to changed";
    EXPECT_FALSE(FindRealEntry(plain));
    EXPECT_FALSE(FindRealEntry(folder));
    EXPECT_FALSE(FindRealEntry(trash.Record(RealNameOf(plain))));
    ExpectOverwritten(seen, plain, plainBytes);
    ExpectOverwritten(seen, inner, innerBytes);
    EXPECT_TRUE(FindRealEntry(link));
    EXPECT_TRUE(Named(log, link, "\nis a link")) << log;
    EXPECT_NE(log.find("has not been emptied"), std::string::npos) << log;
    EXPECT_EQ(log.find("Success"), std::string::npos) << log;
}

// The shell's empty of C: empties the whole trash, so a Windows bin folder of
// C: is never the only place walked.
TEST(RecycleBinShred, AWindowsBinFolderBesideTheTrashIsWalkedAndTheTrashToo) {
    if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
    CShredderTestBed bed;
    CTestTrash trash;
    ASSERT_TRUE(trash.Laid());
    CWindowsBinFolder windowsBin;
    const std::string keep = Bytes(4), binned = Bytes(5), trashed = Bytes(6);
    const CString outside = bed.Folder().Write("outside\\keep.bin", keep);
    const CString inFolder = windowsBin.Write("Dc1.txt", binned);
    const CRealPath link = trash.AddLink(L"link-in-trash", RealPathFrom(outside));
    const CRealPath plain = trash.AddFile(L"plain-in-trash.txt", trashed);
    ASSERT_FALSE(link.empty());

    CPasses seen;
    const std::string log = ShredBin(bed, &seen);
    EXPECT_TRUE(ReadFileText(outside) == keep) << "what the link leads to changed";
    EXPECT_FALSE(FileExists(inFolder));
    EXPECT_FALSE(FindRealEntry(plain));
    ExpectOverwritten(seen, RealPathFrom(inFolder), binned);
    ExpectOverwritten(seen, plain, trashed);
    EXPECT_TRUE(Named(log, link, "\nis a link")) << log;
    EXPECT_EQ(log.find("Success"), std::string::npos) << log;
}

// An entry that cannot be overwritten stays, named as what it is, and keeps
// the bin from being emptied; the rest is shredded, recorded or not.
TEST(RecycleBinShred, WhatCannotBeOverwrittenStaysNamedAndTheRestIsShredded) {
    if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
    CShredderTestBed bed;
    CTestTrash trash;
    ASSERT_TRUE(trash.Laid());
    const std::string heldBytes = Bytes(7), other = Bytes(8);
    const CString outside = bed.Folder().Write("outside\\other-name.bin", other);
    const CRealPath held = trash.AddFile(L"held.txt", heldBytes);
    CHandle holder(OpenRealFile(held, GENERIC_READ, 0, OPEN_EXISTING, 0));
    const CRealPath second = trash.Track(L"second-name.bin", true);
    ASSERT_TRUE(CreateHardLinkW(second.c_str(), RealPathFrom(outside).c_str(), nullptr));
    const CRealPath pipe = trash.AddPipe(L"pipe");
    ASSERT_FALSE(pipe.empty());
    const CRealPath plain = trash.AddFile(L"plain.txt", Bytes(9));
    const CRealPath unrecorded = trash.AddFile(L"unrecorded.txt", Bytes(10), false);
    trash.AddRecord(L"gone.txt");

    CPasses seen;
    const std::string log = ShredBin(bed, &seen);
    holder.Close();
    const struct {
        CRealPath entry;
        const char* before;
        const char* after;
    } kept[] = {
        {held, "exclusive access to\n", ""},
        {second, "", "\nhas other names"},
        {pipe, "", "\nis a named pipe"},
    };
    for (const auto& row : kept) {
        EXPECT_TRUE(FindRealEntry(row.entry)) << ShownPath(row.entry);
        EXPECT_NE(log.find(row.before + CodePageSpelling(row.entry).str() + row.after), std::string::npos) << log;
    }
    EXPECT_TRUE(ReadRealFile(held) == heldBytes);
    EXPECT_TRUE(ReadFileText(outside) == other) << "the other name's data changed";
    EXPECT_FALSE(FindRealEntry(plain));
    EXPECT_FALSE(FindRealEntry(unrecorded));
    ExpectOverwritten(seen, unrecorded, Bytes(10));
    EXPECT_FALSE(FindRealEntry(trash.Record(L"gone.txt"))) << "a record whose entry is gone";
    EXPECT_NE(log.find("has not been emptied"), std::string::npos) << log;
    EXPECT_EQ(log.find("Success"), std::string::npos) << log;
}
