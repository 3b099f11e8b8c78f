// Options.opt, the text table and the registry classes: the stored bytes,
// damaged files, the pack reader's rules and the registry path names.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "EventRecords.h"
#include "Files.h"
#include "OptionsFile.h"
#include "Registry.h"
#include "RegistryKey.h"
#include "TextTable.h"
#include "VeilrunTestSupport.h"

namespace {

CSiteRecord* Site(const char* host, int hidden, time_t when) {
    auto* site = new CSiteRecord;
    site->m_strHost = host;
    site->m_bHidden = hidden;
    site->m_timeLastAccess = when;
    site->m_nHits = 7;
    site->m_bDefaultOptions = 0;
    site->m_bBlockImages = 1;
    return site;
}

int SiteCount() {
    CCriticalSectionLock lock(g_csLists);
    return g_Sites.GetSize();
}

TEST(OptionsFile, EmptyEnglishFileIsSixtyFourBytesAndRoundTripsSitesInOrder) {
    CVeilrunWorld world;
    EXPECT_EQ(64, SerializeOptions().GetLength());

    const CString longHost(CString('h', 300) + ".example");
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.Add(Site("first.example", 0, 1000));
        g_Sites.Add(Site(longHost, 1, 2000));
        g_Sites.Add(Site("third.example", 0, 3000));
        g_bDefBlockCookies = 1;
    }
    g_bWipeCookies = 1;
    g_strLanguage = "Deutsch";
    ASSERT_TRUE(SaveOptions());
    const std::string saved = ReadFileText(OptionsFilePath());
    // 64 bytes of settings and count, 50 of the first site, then the hidden flag.
    ASSERT_GT(saved.size(), 121u);
    EXPECT_EQ("\xff\x34\x01", saved.substr(118, 3)) << "a host of 308 characters has the 0xFF prefix";

    ResetVeilrunSettings();
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.RemoveAll();
    }
    LoadOptions();
    EXPECT_EQ("Deutsch", g_strLanguage);
    EXPECT_EQ(1, g_bWipeCookies);
    CCriticalSectionLock lock(g_csLists);
    EXPECT_EQ(1, g_bDefBlockReferer);
    EXPECT_EQ(1, g_bDefBlockUserAgent);
    ASSERT_EQ(3, g_Sites.GetSize());
    EXPECT_EQ("first.example", g_Sites[0]->m_strHost);
    EXPECT_EQ(longHost, g_Sites[1]->m_strHost);
    EXPECT_EQ(1, g_Sites[1]->m_bHidden);
    EXPECT_EQ(time_t(2000), g_Sites[1]->m_timeLastAccess);
    EXPECT_EQ(7, g_Sites[2]->m_nHits);
    EXPECT_EQ(1, g_Sites[2]->m_bBlockImages);
    EXPECT_EQ(1, g_bSitesChanged);
}

TEST(OptionsFile, DamagedFileKeepsWhatWasWholeAndNothingBeyond) {
    CVeilrunWorld world;
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.Add(Site("one.example", 0, 1));
        g_Sites.Add(Site("two.example", 0, 2));
    }
    g_bSetOpera = 0;
    const CString whole = SerializeOptions();
    CString hugeCount = whole.Left(60);
    hugeCount.Append("\xff\xff\xff\x7f", 4);
    CString badLength = whole.Left(36);
    badLength.Append("\xff\xfe\xff", 3);
    struct Case {
        const char* name;
        CString bytes;
        int sites;
        int setOpera;
        const char* language;
    } cases[] = {
        {"cut inside the second site", whole.Left(whole.GetLength() - 5), 1, 0, "English"},
        {"cut inside the language", whole.Left(40), 0, 0, "English"},
        {"a count far beyond the file", hugeCount, 0, 0, "English"},
        {"a string length beyond the file", badLength, 0, 0, "English"},
        {"empty file", CString(), 0, 1, "English"},
    };
    for (const Case& c : cases) {
        ResetVeilrunSettings();
        {
            CCriticalSectionLock lock(g_csLists);
            g_Sites.RemoveAll();
        }
        g_strLanguage = "English";
        EXPECT_FALSE(ApplyOptions(c.bytes)) << c.name;
        EXPECT_EQ(c.sites, SiteCount()) << c.name;
        EXPECT_EQ(c.setOpera, g_bSetOpera) << c.name;
        EXPECT_EQ(c.language, g_strLanguage) << c.name;
    }
    // Cut at every byte: the settings read so far, the built-in ones after,
    // and no site that the cut reached.
    for (int n = 0; n < whole.GetLength(); ++n) {
        ResetVeilrunSettings();
        {
            CCriticalSectionLock lock(g_csLists);
            g_Sites.RemoveAll();
        }
        EXPECT_FALSE(ApplyOptions(whole.Left(n))) << n;
        EXPECT_EQ(n >= 12 ? 0 : 1, g_bSetOpera) << n;
        EXPECT_EQ("English", g_strLanguage) << n;
        EXPECT_LT(SiteCount(), 2) << n;
    }
}

std::vector<std::string> SiteHosts() {
    std::vector<std::string> hosts;
    CCriticalSectionLock lock(g_csLists);
    for (int i = 0; i < g_Sites.GetSize(); ++i) hosts.push_back(g_Sites[i]->m_strHost.str());
    return hosts;
}

std::vector<std::string> FirstHosts(int n) {
    std::vector<std::string> hosts;
    char host[32];
    for (int i = 0; i < n; ++i) {
        sprintf(host, "s%04d.example", i);
        hosts.push_back(host);
    }
    return hosts;
}

// A thousand sites of 50 bytes each after 64 bytes of settings.
TEST(OptionsFile, DamagedFileKeepsItsWholeSitesAndItselfBesideForTheUser) {
    CVeilrunWorld world;
    {
        CCriticalSectionLock lock(g_csLists);
        for (const std::string& host : FirstHosts(1000)) g_Sites.Add(Site(host.c_str(), 0, 1));
    }
    const std::string whole = SerializeOptions().str();
    ASSERT_EQ(64u + 50 * 1000, whole.size());
    // The second host's length byte: its 16-bit length then comes from "s0",
    // 12,403 bytes of the records after it, which no host can hold.
    std::string badLength = whole;
    badLength[64 + 50 + 4] = '\xff';
    const struct {
        const char* name;
        std::string bytes;
        int kept;
    } cases[] = {
        {"cut inside the 600th site", whole.substr(0, 64 + 50 * 599 + 20), 599},
        {"a damaged length byte", badLength, 1},
    };
    const CString copy = world.File("Options (damaged).opt");
    auto load = [] {
        {
            CCriticalSectionLock lock(g_csLists);
            g_Sites.RemoveAll();
        }
        LoadOptions();
        return SiteHosts();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(copy);
        world.Write("Options.opt", c.bytes);
        EXPECT_EQ(FirstHosts(c.kept), load());
        EXPECT_EQ(c.bytes, ReadFileText(copy)) << "kept as it was";
        const CString report = OptionsLoadReport();
        EXPECT_NE(-1, report.Find(OptionsFilePath())) << report;
        EXPECT_NE(-1, report.Find(copy)) << report;
        ASSERT_TRUE(SaveOptions());
        EXPECT_EQ(c.bytes, ReadFileText(copy));
        EXPECT_EQ(FirstHosts(c.kept), load());
        EXPECT_EQ("", OptionsLoadReport()) << "saved whole";
    }
}

TEST(OptionsFile, MissingFileGivesDefaultsAndFailedSaveKeepsTheOldFile) {
    CVeilrunWorld world;
    g_bSetIE = 0;
    LoadOptions();
    EXPECT_EQ(0, g_bSetIE) << "a missing file changes nothing";

    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.Add(Site("kept.example", 0, 1));
    }
    ASSERT_TRUE(SaveOptions());
    const std::string before = ReadFileText(OptionsFilePath());
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.RemoveAll();
    }
    // The temporary file cannot be made where a folder of its name stands.
    ASSERT_TRUE(CreateDirectoryA(OptionsFilePath() + ".tmp~", nullptr));
    EXPECT_FALSE(SaveOptions());
    RemoveDirectoryA(OptionsFilePath() + ".tmp~");
    EXPECT_EQ(before, ReadFileText(OptionsFilePath()));

    HANDLE locked = CreateFileA(OptionsFilePath(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LoadOptions();
    CloseHandle(locked);
    EXPECT_EQ(0, SiteCount());
    EXPECT_NE(-1, OptionsLoadReport().Find(OptionsFilePath())) << "the user hears which file";
    EXPECT_FALSE(SaveOptions()) << "a file that could not be read is not overwritten";
    EXPECT_EQ(before, ReadFileText(OptionsFilePath()));
    LoadOptions();
    EXPECT_EQ(1, SiteCount());
}

TEST(TextTable, NormalisedLines) {
    const struct {
        const char* line;
        const char* normalised;
    } cases[] = {
        {"  12 =  Text  ", "12=Text"},
        {"a , b ,c", "a,b,c"},
        {"[Sec , tion]", "[Sec , tion]"},
        {"=value", "=value"},
        {"key=", "key="},
    };
    for (const auto& c : cases) EXPECT_EQ(c.normalised, NormaliseLine(c.line)) << c.line;
}

TEST(TextTable, PackLinesSetTheirSlotsOnly) {
    CVeilrunWorld world;
    world.Write("Language\\Test.ini",
                "; comment\r\n1=Before the section\r\n[QuorvaneVeilrun]\r\n10 = Ten\r\n14=\r\n;2=Commented\r\n"
                "7=Hilfe, bitte\r\n[Other]\r\n8=Elsewhere\r\n");
    world.Write("Language\\NoSection.ini", "2=Seiten\r\n");
    g_strLanguage = "Test";
    LoadLanguagePack();
    EXPECT_EQ("Quorvane Veilrun", g_Texts[1]) << "slot 1 does not take slot 10's line";
    EXPECT_EQ("Ten", g_Texts[10]);
    EXPECT_EQ("", g_Texts[14]);
    EXPECT_EQ("Events", g_Texts[3]);
    EXPECT_EQ("Sites", g_Texts[2]);
    EXPECT_EQ("Hilfe,bitte", g_Texts[7]) << "blanks beside commas go";
    EXPECT_EQ("Show all sites", g_Texts[8]) << "another section's line";
    g_strLanguage = "NoSection";
    LoadLanguagePack();
    EXPECT_EQ("Sites", g_Texts[2]);
    g_strLanguage = "";
    LoadLanguagePack();
    EXPECT_EQ("Hide all sites", g_Texts[9]);
    EXPECT_EQ("Note 1: Close your browser before you change \"Supported Browsers\" options", g_Texts[55]);
}

TEST(RegistryKey, RootNamesValuesAndTrees) {
    CTestRegistryKey key;
    const CString sub = key.SubKey();
    CRegistryKey("HKEY_CURRENT_USER\\" + sub + "\\A").SetString("Name", "text");
    for (const char* root : {"HKEY_CURRENT_USER", "hkey_current_user", "HKCU", "hkcu"}) {
        CRegistryValue value;
        EXPECT_TRUE(CRegistryKey(CString(root) + "\\" + sub + "\\A").QueryValue("Name", value)) << root;
        EXPECT_STREQ("text", reinterpret_cast<const char*>(value.m_data)) << root;
    }
    EXPECT_EQ(HKEY_CURRENT_CONFIG, RegistryRootOf("HCC"));
    EXPECT_EQ(nullptr, RegistryRootOf("HKCC"));
    CRegistryKey("HKCU").SetDWORD("VeilrunRootOnly", 1);
    EXPECT_NE(ERROR_SUCCESS, RegQueryValueExA(HKEY_CURRENT_USER, "VeilrunRootOnly", nullptr, nullptr, nullptr, nullptr))
        << "a path without a subkey writes nothing";

    CRegistryKey big("HKCU\\" + sub + "\\A");
    CRegKey raw;
    ASSERT_EQ(ERROR_SUCCESS, raw.Create(HKEY_CURRENT_USER, sub + "\\A"));
    std::string bytes(2000, 'x');
    raw.SetBinary("Big", bytes.data(), DWORD(bytes.size()));
    raw.SetDWORD("Small", 5);
    CRegistryValue value;
    EXPECT_FALSE(big.QueryValue("Big", value));
    big.EnumerateValues();
    ASSERT_EQ(2, big.m_values.GetSize());
    EXPECT_EQ("Name", big.m_values[0]->m_strName);
    EXPECT_EQ("Small", big.m_values[1]->m_strName);

    CRegistryKey("HKCU\\" + sub + "\\A\\B\\C").SetDWORD("Deep", 1);
    CRegistryKey("HKCU\\" + sub + "\\A").DeleteKey();
    CRegKey gone;
    EXPECT_NE(ERROR_SUCCESS, gone.Open(HKEY_CURRENT_USER, sub + "\\A"));
}

}  // namespace
