// The wipe meets links as a Wine profile holds them: Unix links, made and
// removed by the host's ln and rm (Wine's own calls make none, and remove a
// link's target). A link is removed as a link or left and named, never
// followed, and nothing outside the wiped folders changes. Wine makes no
// junctions, so none is tried here.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include "Files.h"
#include "UrlCacheWalker.h"
#include "VeilrunTestSupport.h"

namespace {

bool Present(const CString& path) { return FileExists(path) || FolderExists(path); }

// Runs its clean-up however the test ends, a skip partway included.
template <typename Fn>
struct CAtEnd {
    Fn fn;
    ~CAtEnd() { fn(); }
};
template <typename Fn>
CAtEnd<Fn> AtEnd(Fn fn) {
    return CAtEnd<Fn>{fn};
}

}  // namespace

TEST(Wipe, LinksAreNeverFollowedAndStayOnlyWhereNamed) {
    CVeilrunWorld world;
    const CString outside = world.File("outside");
    world.Write("outside\\keep.txt", "keep");
    world.Write("outside\\sub\\deep.txt", "deep");
    const CString cookie = world.Write("profile\\Cookies\\cookie.txt", "c");
    const CString nested = world.Write("profile\\Cookies\\sub\\old.txt", "o");
    CreateDirectoryA(world.File("profile\\Local Settings"), nullptr);
    const char* const url = "http://linked.example/page.html";
    CString cached;
    ASSERT_TRUE(AddCacheEntry(url, NORMAL_CACHE_ENTRY, std::string(), &cached));
    ASSERT_TRUE(DeleteFileA(cached));
    const struct {
        CString link, target;
    } links[] = {
        {world.File("profile\\Cookies\\folder link"), outside},
        {world.File("profile\\Cookies\\file link"), outside + "\\keep.txt"},
        {world.File("profile\\Cookies\\sub\\link below"), outside},
        {world.File("profile\\Local Settings\\History"), outside},  // a wiped folder that is a link itself
        {cached, outside + "\\keep.txt"},                           // a cached file
    };
    const auto cleanUp = AtEnd([&] {
        for (const auto& l : links) HostLink("rm -f", l.link);
        DeleteUrlCacheEntryA(url);
    });
    if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
    for (const auto& l : links) ASSERT_TRUE(HostLink("ln -s", l.link, l.target)) << l.link;

    g_bWipeCookies = g_bWipeHistory = g_bWipeTempFiles = 1;
    CStringArray notWiped;
    WipeSelected(notWiped);

    EXPECT_EQ("keep", ReadFileText(outside + "\\keep.txt"));
    EXPECT_EQ("deep", ReadFileText(outside + "\\sub\\deep.txt"));
    EXPECT_FALSE(FileExists(cookie));
    EXPECT_FALSE(FileExists(nested));
    for (const auto& l : links) EXPECT_EQ(Present(l.link), notWiped.Find(l.link, true) >= 0) << l.link;
    EXPECT_EQ(Present(cached), InCache(url)) << "a cache entry goes with its file";
}

TEST(Wipe, AFolderThatCannotBeOpenedOrStandsForACachedFileStaysAndIsNamed) {
    CVeilrunWorld world;
    const CString cookies = world.File("profile\\Cookies");
    const CString cookie = world.Write("profile\\Cookies\\cookie.txt", "c");
    const char* const url = "http://folder.example/page.html";
    CString cached;
    ASSERT_TRUE(AddCacheEntry(url, NORMAL_CACHE_ENTRY, std::string(), &cached));
    ASSERT_TRUE(DeleteFileA(cached) && CreateDirectoryA(cached, nullptr));
    const CString inner = JoinPath(cached, "inner.txt");
    CloseHandle(CreateFileA(inner, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    HANDLE held = CreateFileA(cookies, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const auto cleanUp = AtEnd([&] {
        CloseHandle(held);
        DeleteFileA(inner);
        RemoveDirectoryA(cached);
        DeleteUrlCacheEntryA(url);
    });

    g_bWipeCookies = g_bWipeTempFiles = 1;
    CStringArray notWiped;
    WipeSelected(notWiped);
    EXPECT_TRUE(FileExists(cookie));
    EXPECT_GE(notWiped.Find(cookies, true), 0) << "a folder held by another program";
    EXPECT_TRUE(FileExists(inner));
    EXPECT_GE(notWiped.Find(cached, true), 0) << "a folder where the cache keeps a file";
    EXPECT_TRUE(InCache(url));

    CArray<CCacheEntryName> gone;
    gone.SetSize(1);
    gone[0].url = "http://gone.example/never-cached.html";
    notWiped.RemoveAll();
    EXPECT_TRUE(DeleteCacheEntries(gone, &notWiped)) << "an entry no longer there counts as deleted";
    EXPECT_TRUE(notWiped.IsEmpty());
}

// The shell's empty would follow the links the bin holds: the bin is wiped
// entry by entry, its links stay, and the bin is named as not emptied.
TEST(Wipe, LinksInTheRecycleBinStayWithWhatTheyLeadToAndAreNamed) {
    CVeilrunWorld world;
    CTempFolder folder;
    const CBinWithLinks bin(folder);
    if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
    ASSERT_TRUE(bin.Made());
    g_bWipeRecycleBin = 1;
    CStringArray notWiped;
    WipeSelected(notWiped);
    EXPECT_TRUE(ReadFileText(bin.target) == bin.targetBytes) << "what the file link leads to changed";
    EXPECT_EQ(ReadFileText(bin.folderTargetFile), "inner");
    EXPECT_FALSE(FileExists(bin.plain));
    for (const CString& link : {bin.fileLink, bin.folderLink}) {
        EXPECT_TRUE(Present(link)) << link;
        EXPECT_GE(notWiped.Find(link, true), 0) << link;
    }
    EXPECT_GE(notWiped.Find("Recycle Bin"), 0);
}

// A cache folder that is a link to a folder outside the cache, holding a file
// of the name the cache lists: that file is not the cache's, and stays.
TEST(Wipe, ACachedFileBehindALinkedCacheFolderStaysAndIsNamed) {
    CVeilrunWorld world;
    const char* const url = "http://midlink.example/page.html";
    CString cached;
    ASSERT_TRUE(AddCacheEntry(url, NORMAL_CACHE_ENTRY, std::string(), &cached));
    const CString folder = FolderOf(cached), aside = folder + "-aside";
    const CString outside = world.Write(("outside\\" + FileNameOf(cached)).c_str(), "outside");
    ASSERT_TRUE(MoveFileA(folder, aside));
    const auto cleanUp = AtEnd([&] {
        HostLink("rm -f", folder);
        MoveFileA(aside, folder);
        DeleteUrlCacheEntryA(url);
    });
    if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
    ASSERT_TRUE(HostLink("ln -s", folder, FolderOf(outside))) << folder;

    g_bWipeTempFiles = 1;
    CStringArray notWiped;
    WipeSelected(notWiped);
    EXPECT_EQ(ReadFileText(outside), "outside");
    EXPECT_GE(notWiped.Find(cached, true), 0);
    EXPECT_TRUE(InCache(url));
}

// The wipe of the bin finds every entry by its real name, walks a Windows
// bin folder and the trash alike, and names what stays: a link ("Łącze",
// spelt "Lacze") and a file another program holds.
TEST(Wipe, TheRecycleBinIsWipedByRealNamesInEveryPlaceAndWhatStaysIsNamed) {
    if (!HostRuns()) GTEST_SKIP() << kNoHostSystem;
    CVeilrunWorld world;
    CTestTrash trash;
    ASSERT_TRUE(trash.Laid());
    CWindowsBinFolder windowsBin;
    const CString outside = world.Write("outside\\keep.txt", "keep");
    const CString inFolder = windowsBin.Write("Dc1.txt", "binned");
    const CRealPath link = trash.AddLink(L"\x141\x105" L"cze", RealPathFrom(outside));
    const CRealPath plain = trash.AddFile(L"\x17c\xf3\x142w.txt", "plain");
    const CRealPath held = trash.AddFile(L"held.txt", "held");
    ASSERT_FALSE(link.empty());
    CHandle holder(OpenRealFile(held, GENERIC_READ, 0, OPEN_EXISTING, 0));

    g_bWipeRecycleBin = 1;
    CStringArray notWiped;
    WipeSelected(notWiped);
    holder.Close();
    EXPECT_EQ(ReadFileText(outside), "keep");
    EXPECT_FALSE(FileExists(inFolder));
    EXPECT_FALSE(FindRealEntry(plain));
    for (const CRealPath& stays : {link, held}) {
        EXPECT_TRUE(FindRealEntry(stays)) << ShownPath(stays);
        EXPECT_GE(notWiped.Find(CodePageSpelling(stays), true), 0) << ShownPath(stays);
    }
    EXPECT_GE(notWiped.Find("Recycle Bin"), 0);
}
