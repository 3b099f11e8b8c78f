#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include "Algorithms.h"
#include "Registry.h"
#include "Seams.h"
#include "TestSupport.h"

namespace {
typedef std::vector<BYTE> Bytes;

CAlgorithm Make(const char* name, const char* description, std::vector<CAlgorithmPass> passes) {
    CAlgorithm a;
    a.name = name;
    a.description = description;
    a.passes = std::move(passes);
    return a;
}

void WritePass(HKEY algorithm, int n, const char* word, const Bytes& bytes = {}, int claimedLength = -1) {
    CRegKey pass;
    CString name;
    name.Format("Pass %d", n);
    ASSERT_EQ(pass.Create(algorithm, name), ERROR_SUCCESS);
    if (word) pass.SetString("write", word);
    if (claimedLength >= 0) pass.SetDWORD("Pattern Length", DWORD(claimedLength));
    for (size_t i = 0; i < bytes.size(); ++i) {
        CString v;
        v.Format("Byte %d", int(i));
        pass.SetDWORD(v, bytes[i] | 0x1200);  // only the low byte counts
    }
}
}  // namespace

TEST(BuiltInAlgorithms, FiveInTheirOrderWithTheirPasses) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    ASSERT_EQ(list.GetSize(), 5);
    typedef CAlgorithmPass P;
    struct Row {
        const char* name;
        std::vector<CAlgorithmPass> passes;
    } rows[] = {
        {"Quick Shred", {P::Pattern({0x00})}},
        {"U.S. Standard, DoD 5220.22-M", {P::Random(), P::Complement(), P::Random()}},
        {"NAVSO P-5239-26 (RLL)", {P::Pattern({0x01}), P::Pattern({0x27, 0xFF, 0xFF, 0xFF}), P::Random()}},
        {"NAVSO P-5239-26 (MFM)", {P::Pattern({0x01}), P::Pattern({0x7F, 0xFF, 0xFF, 0xFF}), P::Random()}},
        {"German Standard, VSITR",
         {P::Pattern({0x00}), P::Pattern({0xFF}), P::Pattern({0x00}), P::Pattern({0xFF}), P::Pattern({0x00}),
          P::Pattern({0xFF}), P::Pattern({0xAA})}},
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(list.GetAt(i).name, rows[i].name);
        EXPECT_TRUE(list.GetAt(i).passes == rows[i].passes);
        EXPECT_FALSE(list.GetAt(i).userDefined);
    }
    EXPECT_EQ(list.GetAt(0).description, "The fastest but the least secured data destruction algorithm.");
    EXPECT_EQ(list.GetAt(1).description,
              "U.S. Department of Defence specifies a triple pass overwrite algorithm in the DoD 5220.22-M "
              "specification.");
    const std::string navso =
        "Navy Staff Office Publication (NAVSO Pub) 5239, \"Information Systems Security (INFOSEC) Program "
        "Guidelines\" is issued by the Naval Information Systems Management Center. Disk controllers use a "
        "variety of encoding techniques to convert the computer data to a format suitable for the magnetic data "
        "storage media. Typically, ST506 style disk drives use Modified Frequency Modulation (MFM) encoding; SCSI "
        "and ATA/IDE drives use a Run Length Limited (RLL) encoding scheme. ";
    EXPECT_EQ(list.GetAt(2).description.str(),
              navso + "If you are uncertain as to the drive encoding technique, use this pattern.");
    EXPECT_EQ(list.GetAt(3).description.str(), navso + "This algorithm implements MFM pattern.");
    EXPECT_EQ(list.GetAt(4).description,
              "According to VSITR (instruction #11, 29th, Nov. 1999), issued by Bundesamt fuer Sicherheit in der "
              "Informationstechnik (BSI), each sector will be overwritten with three alternating patterns of 00 and "
              "FF and in last pass with AA.");
}

TEST(UserAlgorithms, SavedInTheStoredFormatAndLoadedBack) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    CAlgorithm mine = Make("Mine", "Three of my own",
                           {CAlgorithmPass::Random(), CAlgorithmPass::Complement(),
                            CAlgorithmPass::Pattern(PatternTextToBytes("AA12BB"))});
    ASSERT_EQ(list.SaveAlgorithm(-1, mine), SAVE_OK);
    ASSERT_EQ(list.GetSize(), 6);
    EXPECT_TRUE(list.GetAt(5).userDefined);

    const CString mineKey = root.SubKey() + "\\Algorithms\\Mine";
    struct Row {
        const char* subKey;
        const char* value;
        const char* text;  // or the number below
        DWORD number;
    } rows[] = {
        {"", "Description", "Three of my own", 0}, {"", "PassesCount", nullptr, 3},
        {"\\Pass 0", "write", "Random", 0},        {"\\Pass 1", "write", "Complement", 0},
        {"\\Pass 2", "write", "Pattern", 0},       {"\\Pass 2", "Pattern Length", nullptr, 3},
        {"\\Pass 2", "Byte 0", nullptr, 0xBB},     {"\\Pass 2", "Byte 1", nullptr, 0x12},
        {"\\Pass 2", "Byte 2", nullptr, 0xAA},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        CRegKey key;
        ASSERT_EQ(key.Open(HKEY_CURRENT_USER, mineKey + row.subKey), ERROR_SUCCESS);
        CString text;
        DWORD number = 0;
        if (row.text) {
            EXPECT_EQ(key.QueryString(row.value, text), ERROR_SUCCESS);
            EXPECT_EQ(text, row.text);
        } else {
            EXPECT_EQ(key.QueryDWORD(row.value, number), ERROR_SUCCESS);
            EXPECT_EQ(number, row.number);
        }
    }
    CRegKey random;
    ASSERT_EQ(random.Open(HKEY_CURRENT_USER, mineKey + "\\Pass 0"), ERROR_SUCCESS);
    EXPECT_FALSE(random.HasValue("Pattern Length"));

    CAlgorithmList again(root.SubKey());
    again.LoadAlgorithms();
    ASSERT_EQ(again.GetSize(), 6);
    EXPECT_EQ(again.GetAt(5).name, "Mine");
    EXPECT_EQ(again.GetAt(5).description, "Three of my own");
    EXPECT_TRUE(again.GetAt(5).passes == mine.passes);
    EXPECT_TRUE(again.GetAt(5).userDefined);
}

TEST(UserAlgorithms, IncompleteKeysAreSkippedAndTheRestLoad) {
    CTestRegistryKey root;
    const CString base = root.SubKey() + "\\Algorithms\\";
    struct Row {
        const char* name;
        bool complete;
    } rows[] = {{"A good one", true},        {"B missing pass 1", false}, {"C no description", false},
                {"D no count", false},       {"E missing byte", false},   {"F strange word", false},
                {"G no pattern length", false}, {"H no write", false}, {"I zero passes", false}};
    for (const Row& row : rows) {
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, base + row.name), ERROR_SUCCESS);
        CString name(row.name);
        if (name[0] != 'C') key.SetString("Description", "d");
        if (name[0] != 'D') key.SetDWORD("PassesCount", name[0] == 'I' ? 0 : 2);
        WritePass(key, 0, "Pattern", {0x55, 0x66}, 2);
        if (name[0] == 'B') continue;
        if (name[0] == 'E') WritePass(key, 1, "Pattern", {0x01}, 2);
        else if (name[0] == 'F') WritePass(key, 1, "Zeros");
        else if (name[0] == 'G') WritePass(key, 1, "Pattern", {0x01});
        else if (name[0] == 'H') WritePass(key, 1, nullptr);
        else WritePass(key, 1, "Complement");
    }
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    ASSERT_EQ(list.GetSize(), 6);
    EXPECT_EQ(list.GetAt(5).name, "A good one");
    EXPECT_TRUE(list.GetAt(5).passes[0] == CAlgorithmPass::Pattern({0x55, 0x66}));
    EXPECT_EQ(list.GetAt(5).passes[1].type, PASS_COMPLEMENT);
}

TEST(UserAlgorithms, MissingKeyLeavesExactlyTheBuiltIns) {
    CAlgorithmList list("Software\\QuorvaneTests\\NoSuchProductAtAll");
    list.LoadAlgorithms();
    EXPECT_EQ(list.GetSize(), 5);
    list.LoadAlgorithms();
    EXPECT_EQ(list.GetSize(), 5);
}

TEST(AlgorithmEditing, SaveRefusesWhatTheEditorMustRefuse) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("First", "one", {CAlgorithmPass::Random()})), SAVE_OK);
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Second", "two", {CAlgorithmPass::Random()})), SAVE_OK);
    struct Row {
        const char* why;
        int index;
        CAlgorithm a;
        SaveAlgorithmResult expected;
    } rows[] = {
        {"empty name", -1, Make("", "x", {CAlgorithmPass::Random()}), SAVE_EMPTY_NAME},
        {"backslash", -1, Make("a\\b", "x", {CAlgorithmPass::Random()}), SAVE_BAD_NAME},
        {"built-in name", -1, Make("Quick Shred", "x", {CAlgorithmPass::Random()}), SAVE_NAME_EXISTS},
        {"name differing in case", -1, Make("fIRST", "x", {CAlgorithmPass::Random()}), SAVE_NAME_EXISTS},
        {"rename onto another in other case", 6, Make("first", "x", {CAlgorithmPass::Random()}), SAVE_NAME_EXISTS},
        {"rename onto another", 6, Make("First", "x", {CAlgorithmPass::Random()}), SAVE_NAME_EXISTS},
        {"empty description", -1, Make("Third", "", {CAlgorithmPass::Random()}), SAVE_EMPTY_DESCRIPTION},
        {"no passes", -1, Make("Third", "x", {}), SAVE_NO_PASSES},
        {"built-in edited", 1, Make("Quick", "x", {CAlgorithmPass::Random()}), SAVE_NOT_EDITABLE},
        {"index out of range", 9, Make("Quick", "x", {CAlgorithmPass::Random()}), SAVE_NOT_EDITABLE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(list.SaveAlgorithm(row.index, row.a), row.expected);
        EXPECT_EQ(list.GetSize(), 7);
    }
    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, root.SubKey() + "\\Algorithms"), ERROR_SUCCESS);
    CStringArray names = key.EnumSubKeys();
    EXPECT_EQ(names.GetSize(), 2);
}

TEST(AlgorithmEditing, RenameAndReplaceKeepOneKeyPerAlgorithm) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Old", "old one",
                                          {CAlgorithmPass::Random(), CAlgorithmPass::Random(), CAlgorithmPass::Random()})),
              SAVE_OK);
    ASSERT_EQ(list.SaveAlgorithm(5, Make("New", "renamed", {CAlgorithmPass::Pattern({0x42})})), SAVE_OK);
    EXPECT_EQ(list.GetAt(5).name, "New");
    ASSERT_EQ(list.SaveAlgorithm(5, Make("NEW", "renamed in case", {CAlgorithmPass::Random()})), SAVE_OK);
    ASSERT_EQ(list.SaveAlgorithm(5, Make("New", "same name, fewer passes", {CAlgorithmPass::Complement()})), SAVE_OK);

    CAlgorithmList again(root.SubKey());
    again.LoadAlgorithms();
    ASSERT_EQ(again.GetSize(), 6);
    EXPECT_EQ(again.GetAt(5).name, "New");
    EXPECT_EQ(again.GetAt(5).description, "same name, fewer passes");
    ASSERT_EQ(again.GetAt(5).PassCount(), 1);
    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, root.SubKey() + "\\Algorithms"), ERROR_SUCCESS);
    CStringArray names = key.EnumSubKeys();
    ASSERT_EQ(names.GetSize(), 1);
    CRegKey newKey;
    ASSERT_EQ(newKey.Open(key, "New"), ERROR_SUCCESS);
    EXPECT_EQ(newKey.EnumSubKeys().GetSize(), 1);  // no pass keys left over from the longer version
}

TEST(AlgorithmEditing, UserAlgorithmsKeepTheirOrderByNameAndEveryMoveIsKnown) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Zeta", "one pass", {CAlgorithmPass::Random()})), SAVE_OK);
    std::vector<CString> before = list.Names();
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Alpha", "two passes", {CAlgorithmPass::Random(), CAlgorithmPass::Random()})),
              SAVE_OK);
    EXPECT_EQ(list.MovedIndexes(before, -1, nullptr), (std::vector<int>{0, 1, 2, 3, 4, 6}));
    // After a restart, whatever order the registry gives, a task saved as /O6 runs Zeta.
    CAlgorithmList again(root.SubKey());
    again.LoadAlgorithms();
    ASSERT_EQ(again.GetSize(), 7);
    EXPECT_EQ(again.GetAt(5).name, "Alpha");
    EXPECT_EQ(again.GetAt(6).name, "Zeta");

    before = list.Names();
    ASSERT_EQ(list.SaveAlgorithm(5, Make("Zulu", "renamed", {CAlgorithmPass::Random()})), SAVE_OK);
    EXPECT_EQ(list.GetAt(6).name, "Zulu");
    EXPECT_EQ(list.MovedIndexes(before, 5, "Zulu"), (std::vector<int>{0, 1, 2, 3, 4, 6, 5}));
    before = list.Names();
    ASSERT_TRUE(list.DeleteAlgorithm(5));
    EXPECT_EQ(list.MovedIndexes(before, 5, nullptr), (std::vector<int>{0, 1, 2, 3, 4, -1, 5}));
}

TEST(AlgorithmEditing, FailedWriteKeepsTheOldAlgorithm) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Keep me", "kept", {CAlgorithmPass::Random()})), SAVE_OK);
    // A key name beyond the registry's 255-character limit cannot be written.
    CString tooLong('x', 300);
    EXPECT_EQ(list.SaveAlgorithm(5, Make(tooLong, "lost?", {CAlgorithmPass::Random()})), SAVE_WRITE_FAILED);
    EXPECT_EQ(list.GetAt(5).name, "Keep me");
    CAlgorithmList again(root.SubKey());
    again.LoadAlgorithms();
    ASSERT_EQ(again.GetSize(), 6);
    EXPECT_EQ(again.GetAt(5).name, "Keep me");
}

TEST(AlgorithmEditing, DeleteRemovesKeyAndRecordButNeverABuiltIn) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Gone", "soon", {CAlgorithmPass::Pattern({1, 2})})), SAVE_OK);
    EXPECT_FALSE(list.DeleteAlgorithm(0));
    EXPECT_EQ(list.GetSize(), 6);
    EXPECT_TRUE(list.DeleteAlgorithm(5));
    EXPECT_EQ(list.GetSize(), 5);
    CRegKey key;
    EXPECT_NE(key.Open(HKEY_CURRENT_USER, root.SubKey() + "\\Algorithms\\Gone"), ERROR_SUCCESS);
}

// "Stra\xDF" "e" and "Strasse" are one word to the collation the list is sorted by.
TEST(AlgorithmEditing, NamesTheCollationCallsEqualAreRefusedAndNeverChangePlaces) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    const CString sharp = "Stra\xDF" "e";
    ASSERT_EQ(list.SaveAlgorithm(-1, Make(sharp, "one", {CAlgorithmPass::Random()})), SAVE_OK);
    for (const char* name : {"Strasse", "STRASSE"}) {
        EXPECT_EQ(list.SaveAlgorithm(-1, Make(name, "two", {CAlgorithmPass::Random()})), SAVE_NAME_EXISTS) << name;
    }
    EXPECT_EQ(list.GetSize(), 6);

    // Both stored before names had to differ so: whichever is read or saved
    // last, the two keep their places, so a task's index keeps its algorithm.
    {
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, root.SubKey() + "\\Algorithms\\Strasse"), ERROR_SUCCESS);
        key.SetString("Description", "two");
        key.SetDWORD("PassesCount", 1);
        WritePass(key, 0, "Random");
    }
    list.LoadAlgorithms();
    ASSERT_EQ(list.GetSize(), 7);
    const std::vector<CString> order = list.Names();
    for (int index : {5, 6, 5}) {
        SCOPED_TRACE(index);
        const CString name = list.GetAt(index).name;
        ASSERT_EQ(list.SaveAlgorithm(index, Make(name, "saved again", {CAlgorithmPass::Pattern({0x11})})), SAVE_OK);
        EXPECT_EQ(list.Names(), order);
    }
    CAlgorithmList again(root.SubKey());
    again.LoadAlgorithms();
    EXPECT_EQ(again.Names(), order);
}

TEST(MethodSelection, TheStoredNameWinsAndAGoneOneNeverFallsToAWeakerAlgorithm) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Alpha", "a", {CAlgorithmPass::Random()})), SAVE_OK);
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Beta", "b", {CAlgorithmPass::Random()})), SAVE_OK);
    struct Row {
        int index;
        const char* name;
        int expected;
    } rows[] = {
        {6, "Beta", 6},
        {5, "Beta", 6},           // Alpha's index after a reorder: Beta is still Beta
        {2, "Quick Shred", 0},
        {5, "Deleted one", 4},    // gone: the built-in with the most passes
        {3, "", 3},               // older profile without a name
        {7, "", 4},
        {-1, "", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ResolveMethod(list, row.index, row.name), row.expected);
    }
}

TEST(HexHelpers, TextsAndByteOrderOfPatterns) {
    EXPECT_EQ(BytesToHexText(0x00), "00");
    EXPECT_EQ(BytesToHexText(0x0A), "0A");
    EXPECT_EQ(BytesToHexText(0x7F), "7F");
    EXPECT_EQ(BytesToHexText(0xFF), "FF");

    struct Row {
        const char* text;
        Bytes bytes;
        const char* display;
    } rows[] = {
        {"AA12BB", {0xBB, 0x12, 0xAA}, "AA 12 BB"},
        {"ABC", {0xBC, 0x0A}, "0A BC"},
        {"00", {0x00}, "00"},
        {"f", {0x0F}, "0F"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(PatternTextToBytes(row.text), row.bytes);
        EXPECT_EQ(PatternToDisplayText(row.bytes), row.display);
        EXPECT_EQ(DisplayTextToPattern(row.display), row.bytes);
    }
    EXPECT_EQ(PatternTextToDisplayText("ABC"), "0A BC");
    EXPECT_EQ(ParseHexByte("AA"), 0xAA);
    EXPECT_EQ(ParseHexByte("ff"), 0xFF);
    EXPECT_EQ(ParseHexByte("1G"), 0x10);   // a non-digit counts 0
    EXPECT_EQ(ParseHexByte("123"), 0x23);  // the low 8 bits
    EXPECT_TRUE(IsValidPatternText("AA 12 bb"));
    EXPECT_FALSE(IsValidPatternText("AG"));
    EXPECT_EQ(PatternProgressText({0x27, 0xFF, 0xFF, 0xFF}), "0x27FFFFFF");
}

// A key refused only at its own level has lost its passes already (the tree
// goes from the bottom up): the algorithm is written back whole.
TEST(AlgorithmEditing, ADeleteRefusedAfterThePassesWentLeavesTheAlgorithmWhole) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    const CAlgorithm kept = Make("Kept", "two passes", {CAlgorithmPass::Pattern({1, 2}), CAlgorithmPass::Random()});
    ASSERT_EQ(list.SaveAlgorithm(-1, kept), SAVE_OK);
    SetDeleteKeyTreeHook([](HKEY parent, const char* subKey) {
        CRegKey key;
        if (key.Open(parent, subKey) == ERROR_SUCCESS)
            for (const CString& pass : key.EnumSubKeys()) SHDeleteKeyA(key, pass);
        return LONG(ERROR_ACCESS_DENIED);
    });
    const bool deleted = list.DeleteAlgorithm(5);
    SetDeleteKeyTreeHook(nullptr);
    EXPECT_FALSE(deleted);
    ASSERT_EQ(list.GetSize(), 6);
    CAlgorithmList again(root.SubKey());
    again.LoadAlgorithms();
    ASSERT_EQ(again.GetSize(), 6);
    EXPECT_EQ(again.GetAt(5).description, kept.description);
    EXPECT_TRUE(again.GetAt(5).passes == kept.passes);
}

namespace {
CStringArray StoredKeys(const CTestRegistryKey& root) {
    CRegKey key;
    key.Open(HKEY_CURRENT_USER, root.SubKey() + "\\Algorithms");
    return key.EnumSubKeys();
}

std::vector<CString> UserNames(const CAlgorithmList& list) {
    std::vector<CString> names = list.Names();
    names.erase(names.begin(), names.begin() + 5);
    return names;
}
}  // namespace

// The old spelling's key refused only at its own level: the save fails, and
// neither the spare copy nor a half of the old key is left to load.
TEST(AlgorithmEditing, ARefusedRenameInCaseLeavesNoSpareKey) {
    CTestRegistryKey root;
    CAlgorithmList list(root.SubKey());
    list.LoadAlgorithms();
    const CAlgorithm zed = Make("Zed", "two passes", {CAlgorithmPass::Pattern({7}), CAlgorithmPass::Random()});
    ASSERT_EQ(list.SaveAlgorithm(-1, Make("Alpha", "a", {CAlgorithmPass::Random()})), SAVE_OK);
    ASSERT_EQ(list.SaveAlgorithm(-1, zed), SAVE_OK);
    // A rename that goes through keeps its algorithm at the next start.
    ASSERT_EQ(list.SaveAlgorithm(5, Make("Beta", "b", {CAlgorithmPass::Random()})), SAVE_OK);
    const std::vector<CString> before = list.Names();
    SetDeleteKeyTreeHook([](HKEY parent, const char* subKey) {
        const CString name(subKey);
        if (name.Right(4) != "\\Zed") return LONG(SHDeleteKeyA(parent, subKey));
        CRegKey key;
        if (key.Open(parent, subKey) == ERROR_SUCCESS)
            for (const CString& pass : key.EnumSubKeys()) SHDeleteKeyA(key, pass);
        return LONG(ERROR_ACCESS_DENIED);
    });
    const SaveAlgorithmResult saved = list.SaveAlgorithm(6, Make("zed", "renamed", {CAlgorithmPass::Random()}));
    SetDeleteKeyTreeHook(nullptr);
    EXPECT_EQ(saved, SAVE_WRITE_FAILED);
    EXPECT_EQ(list.Names(), before);
    const CStringArray keys = StoredKeys(root);
    ASSERT_EQ(keys.GetSize(), 2);
    CAlgorithmList again(root.SubKey());
    again.LoadAlgorithms();
    EXPECT_EQ(again.Names(), before);
    EXPECT_TRUE(again.GetAt(6).passes == zed.passes);
}

// A save killed midway leaves its new version marked; the next load finishes
// the save from a whole copy once the old version is gone, and undoes it
// otherwise, and never loads the marked key as an algorithm of its own.
TEST(UserAlgorithms, ASaveCutShortIsSettledByTheNextLoad) {
    struct Row {
        const char* what;
        const char* marked;  // the key written first, with its marks
        const char* as;
        bool markedWhole, oldWhole;
        std::vector<CString> loaded;  // user algorithms after the load, and then the only keys
        const char* description;      // of the one named as, or of Old/Zed
    } rows[] = {
        {"in case, before the old key went", "Zed (saving 1)", "zed", true, true, {"Zed"}, "old"},
        {"in case, after the old key went", "Zed (saving 1)", "zed", true, false, {"zed"}, "new"},
        {"in case, spare written in part", "Zed (saving 1)", "zed", false, true, {"Zed"}, "old"},
        {"renamed, before the old key went", "New", "New", true, true, {"Zed"}, "old"},
        {"renamed, after the old key went", "New", "New", true, false, {"New"}, "new"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CTestRegistryKey root;
        const CString base = root.SubKey() + "\\Algorithms\\";
        {
            CRegKey old;
            ASSERT_EQ(old.Create(HKEY_CURRENT_USER, base + "Zed"), ERROR_SUCCESS);
            old.SetString("Description", "old");
            old.SetDWORD("PassesCount", 1);
            if (row.oldWhole) WritePass(old, 0, "Random");
            CRegKey marked;
            ASSERT_EQ(marked.Create(HKEY_CURRENT_USER, base + row.marked), ERROR_SUCCESS);
            marked.SetString("Saving As", row.as);
            marked.SetString("Saving Over", "Zed");
            marked.SetString("Description", "new");
            marked.SetDWORD("PassesCount", 2);
            WritePass(marked, 0, "Complement");
            if (row.markedWhole) WritePass(marked, 1, "Pattern", {0x42}, 1);
        }
        CAlgorithmList list(root.SubKey());
        list.LoadAlgorithms();
        ASSERT_EQ(UserNames(list), row.loaded);
        EXPECT_EQ(list.GetAt(5).description, row.description);
        const CStringArray keys = StoredKeys(root);
        ASSERT_EQ(keys.GetSize(), 1);
        EXPECT_EQ(keys[0], row.loaded[0]);
        CRegKey key;
        ASSERT_EQ(key.Open(HKEY_CURRENT_USER, base + keys[0]), ERROR_SUCCESS);
        EXPECT_FALSE(key.HasValue("Saving As"));
    }
}
