#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "Files.h"
#include "Handles.h"
#include "HostsFile.h"
#include "TestSupport.h"

namespace {
const char kAlias[] = BLOKKUM_PROXY_HOST_ALIAS;
const char kIp[] = BLOKKUM_PROXY_ADDRESS;
const std::string kAliasLine = std::string(kIp) + "\t" + kAlias + "\r\n";

// A Windows folder of its own with the NT layout, and a program folder
// holding the shipped prepared files.
struct HostsFixture {
    CTempFolder windows;
    CTempFolder program;
    CHostsFile hosts{windows.Path(), true};
    HostsFixture() {
        CreateDirectoryA(windows.File("system32"), nullptr);
        CreateDirectoryA(windows.File("system32\\drivers"), nullptr);
        CreateDirectoryA(windows.File("system32\\drivers\\etc"), nullptr);
        const CString shipped = GetModuleFolder() + "\\..\\..\\products\\Blokkum\\";
        CopyFileA(shipped + BLOKKUM_BANNERS_ON_FILE, program.File(BLOKKUM_BANNERS_ON_FILE), FALSE);
        CopyFileA(shipped + BLOKKUM_BANNERS_OFF_FILE, program.File(BLOKKUM_BANNERS_OFF_FILE), FALSE);
    }
    CString Path() const { return hosts.HostsPath(); }
    void Write(const std::string& text) const { WriteWholeFile(Path(), text.data(), DWORD(text.size())); }
    std::string Text() const { return ReadFileText(Path()); }
    std::string Prepared(const char* name) const { return ReadFileText(program.File(name)); }
    ~HostsFixture() { SetFileAttributesA(Path(), FILE_ATTRIBUTE_NORMAL); }
};

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}
}  // namespace

TEST(HostsFile, LineParserKeepsTheFirstHostNameOnly) {
    struct Row {
        const char* line;
        const char* name;
    } rows[] = {
        {"127.0.0.1 localhost # loopback", "localhost"},
        {"127.0.0.1 # qvblokkum", ""},
        {"# 127.0.0.1 qvblokkum", ""},
        {"#127.0.0.1 qvblokkum", ""},
        {"127.0.0.1#qvblokkum", ""},
        {"  10.0.0.1\tHost.Example   second", "Host.Example"},
        {"10.0.0.1 name#comment", "name#comment"},
        {"127.0.0.1", ""},
        {"", ""},
        {"   \t ", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        CString line(r.line);
        ParseHostsLine(line);
        EXPECT_EQ(line, r.name);
    }
    CString longLine = CString("1.2.3.4 ") + CString('n', 300);
    ParseHostsLine(longLine);
    EXPECT_EQ(longLine.GetLength(), 255);
}

TEST(HostsFile, LineReaderDropsCarriageReturnsAndSplitsOverlongLines) {
    const CString text = CString("a b\r\nc\r d\n") + CString('x', 600) + "\nlast";
    CString line;
    int pos = ReadHostsLine(text, 0, line);
    EXPECT_EQ(line, "a b");
    pos = ReadHostsLine(text, pos, line);
    EXPECT_EQ(line, "c d");
    pos = ReadHostsLine(text, pos, line);
    EXPECT_EQ(line.GetLength(), 520);
    pos = ReadHostsLine(text, pos, line);
    EXPECT_EQ(line.GetLength(), 80);
    pos = ReadHostsLine(text, pos, line);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(pos, text.GetLength());
}

TEST(HostsFile, PathFollowsThePlatformAndAMissingFileIsCreated) {
    struct Row {
        bool nt;
        const char* relative;
        const char* sample;  // nullptr: no sample file
        const char* created;
    } rows[] = {
        {true, "system32\\drivers\\etc\\hosts", "127.0.0.1 localhost\r\n", "127.0.0.1 localhost\r\n"},
        {true, "system32\\drivers\\etc\\hosts", nullptr, "# Created By Quorvane Blokkum.\r\n"},
        {false, "hosts", "# sample\n", "# sample\n"},
        {false, "hosts", nullptr, "# Created By Quorvane Blokkum.\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.relative);
        HostsFixture f;
        CHostsFile hosts(f.windows.Path(), r.nt);
        const CString expected = f.windows.File(r.relative);
        if (r.sample) f.windows.Write(CString(r.relative) + ".sam", r.sample);
        EXPECT_EQ(hosts.GetHostsPath(), expected);
        EXPECT_EQ(ReadFileText(expected), r.created);
        // An existing file is left as it is.
        f.windows.Write(r.relative, "10.1.1.1 mine\r\n");
        hosts.GetHostsPath();
        EXPECT_EQ(ReadFileText(expected), "10.1.1.1 mine\r\n");
    }
}

TEST(HostsFile, AliasCountsOnlyAsAHostName) {
    struct Row {
        const char* text;
        bool present;
    } rows[] = {
        {"127.0.0.1\tqvblokkum\r\n", true},
        {"127.0.0.1 localhost\r\n127.0.0.1 QVBlokkum\r\n", true},
        {"127.0.0.1 my-qvblokkum-box\r\n", true},
        {"127.0.0.1 localhost qvblokkum\r\n", false},
        {"127.0.0.1 localhost # qvblokkum\r\n", false},
        {"127.0.0.1 # qvblokkum\r\n", false},
        {"# 127.0.0.1 qvblokkum\r\n", false},
        {"", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        HostsFixture f;
        f.Write(r.text);
        EXPECT_EQ(f.hosts.HostsHasAlias(kIp, kAlias), r.present);
    }
}

TEST(HostsFile, AliasIsAddedOnceOnALineOfItsOwn) {
    struct Row {
        const char* before;  // nullptr: no HOSTS file and no sample
        std::string after;
    } rows[] = {
        {"127.0.0.1 localhost\r\n", "127.0.0.1 localhost\r\n" + kAliasLine},
        {"127.0.0.1 localhost", "127.0.0.1 localhost\r\n" + kAliasLine},
        {"127.0.0.1 localhost\n", "127.0.0.1 localhost\n" + kAliasLine},
        {"", kAliasLine},
        {nullptr, "# Created By Quorvane Blokkum.\r\n" + kAliasLine},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.before ? r.before : "no file");
        HostsFixture f;
        if (r.before) f.Write(r.before);
        EXPECT_TRUE(f.hosts.EnsureHostsAlias(kIp, kAlias));
        EXPECT_TRUE(f.hosts.EnsureHostsAlias(kIp, kAlias));
        EXPECT_EQ(f.Text(), r.after);
        EXPECT_EQ(GetFileAttributesA(f.Path()), DWORD(kHostsClosedAttributes));
    }
}

TEST(HostsFile, AttributeChangesKeepTheFileTimes) {
    HostsFixture f;
    f.Write("127.0.0.1 localhost\r\n");
    SYSTEMTIME st = {2001, 5, 0, 17, 10, 30, 0, 0};
    FILETIME set;
    SystemTimeToFileTime(&st, &set);
    {
        CHandle file(CreateFileA(f.Path(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file, &set, &set, &set));
    }
    for (bool closed : {true, false, true}) {
        SCOPED_TRACE(closed);
        ASSERT_TRUE(SetHostsAttributes(f.Path(), closed));
        EXPECT_EQ(GetFileAttributesA(f.Path()), DWORD(closed ? kHostsClosedAttributes : kHostsOpenAttributes));
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExA(f.Path(), GetFileExInfoStandard, &data));
        EXPECT_TRUE(SameTime(data.ftLastWriteTime, set));
        EXPECT_TRUE(SameTime(data.ftCreationTime, set));
    }
}

TEST(HostsFile, BackupIsByteExactAndReplacesAReadOnlyOldOne) {
    HostsFixture f;
    const std::string odd("127.0.0.1 a\r\n\0binary\rtail \xff", 29);
    f.Write(odd);
    const CString backup = f.program.File(BLOKKUM_HOSTS_BACKUP_FILE);
    f.program.Write(BLOKKUM_HOSTS_BACKUP_FILE, "old");
    SetFileAttributesA(backup, kHostsClosedAttributes);
    ASSERT_TRUE(f.hosts.BackupHostsFile(f.program.Path()));
    EXPECT_EQ(ReadFileText(backup), odd);
}

TEST(HostsFile, BannerSwapKeepsTheUsersLinesAndTheAlias) {
    HostsFixture f;
    const std::string user = "127.0.0.1 localhost\r\n10.0.0.7 printer # office\r\n" + kAliasLine;
    f.Write(user);
    ASSERT_TRUE(SetHostsAttributes(f.Path(), true));
    const std::string on = f.Prepared(BLOKKUM_BANNERS_ON_FILE);
    const std::string off = f.Prepared(BLOKKUM_BANNERS_OFF_FILE);
    ASSERT_NE(on.find("ad.doubleclick.net"), std::string::npos);

    for (bool state : {true, true, false, true, false}) {
        SCOPED_TRACE(state);
        EXPECT_TRUE(f.hosts.SetBannerBlocking(f.program.Path(), state, kIp, kAlias));
        const std::string text = f.Text();
        EXPECT_EQ(text.compare(0, user.size(), user), 0);
        EXPECT_EQ(Count(text, kAliasLine), 1u);
        EXPECT_EQ(Count(text, on), state ? 1u : 0u);
        EXPECT_EQ(Count(text, off), state ? 0u : 1u);
        EXPECT_EQ(GetFileAttributesA(f.Path()), DWORD(kHostsClosedAttributes));
        EXPECT_TRUE(f.hosts.HostsHasAlias(kIp, kAlias));
    }
}

TEST(HostsFile, BannerSwapRestoresALostAliasAndLinesAddedAfterTheBlock) {
    HostsFixture f;
    f.Write("127.0.0.1 localhost");
    ASSERT_TRUE(f.hosts.SetBannerBlocking(f.program.Path(), true, kIp, kAlias));
    // The user adds an entry below the block and removes the alias.
    std::string text = f.Text();
    SetFileAttributesA(f.Path(), FILE_ATTRIBUTE_NORMAL);
    text.erase(text.find(kAliasLine), kAliasLine.size());
    f.Write(text + "192.168.1.2 nas\r\n");
    ASSERT_TRUE(f.hosts.SetBannerBlocking(f.program.Path(), false, kIp, kAlias));
    text = f.Text();
    EXPECT_EQ(text.rfind("127.0.0.1 localhost\r\n", 0), 0u);
    EXPECT_EQ(Count(text, "192.168.1.2 nas\r\n"), 1u);
    EXPECT_EQ(Count(text, kAliasLine), 1u);
    EXPECT_EQ(Count(text, "ad.doubleclick.net"), 0u);
}

TEST(HostsFile, MissingPreparedFileChangesNothingButTheAttributes) {
    HostsFixture f;
    const std::string user = "127.0.0.1 localhost\r\n" + kAliasLine;
    f.Write(user);
    DeleteFileA(f.program.File(BLOKKUM_BANNERS_ON_FILE));
    EXPECT_FALSE(f.hosts.SetBannerBlocking(f.program.Path(), true, kIp, kAlias));
    EXPECT_EQ(f.Text(), user);
    EXPECT_EQ(GetFileAttributesA(f.Path()), DWORD(kHostsClosedAttributes));
}
