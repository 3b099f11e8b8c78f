#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "Registry.h"
#include "TestSupport.h"
#include "ZoneBackup.h"

namespace {
CString Saved(const CString& ini, const char* section, const char* key) {
    char buffer[64] = {};
    GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof(buffer), ini);
    return buffer;
}

int CountEntries(const char* list) {
    int n = 0;
    for (const char* p = list; *p; p += strlen(p) + 1) ++n;
    return n;
}
}  // namespace

TEST(ZoneBackup, FourSectionsOfFiveKeysWithAbsentValuesMarked) {
    CTestRegistryKey reg;
    CTempFolder program;
    const CString zones = reg.SubKey() + "\\Zones";
    {
        CRegKey z1, z2, z3;
        z1.Create(HKEY_CURRENT_USER, zones + "\\1");
        for (const char* a : kZoneActions) z1.SetDWORD(a, 1);
        z2.Create(HKEY_CURRENT_USER, zones + "\\2");
        z2.SetDWORD("1001", 0);
        z2.SetString("1201", "3");  // not a number value
        z2.SetDWORD("1200", 0);
        z2.SetDWORD("1405", 0);
        z3.Create(HKEY_CURRENT_USER, zones + "\\3");
        z3.SetDWORD("1001", 3);
        z3.SetDWORD("1004", 3);
        z3.SetDWORD("1201", 3);
        z3.SetDWORD("1200", 65536);
        z3.SetDWORD("1405", 0xFFFFFFFF);
        // Zone 4 has no key at all.
    }
    program.Write(BLOKKUM_ZONE_BACKUP_FILE, "[Stale]\r\nx=1\r\n");
    ASSERT_TRUE(BackupZoneSettings(program.Path(), HKEY_CURRENT_USER, zones));
    const CString ini = program.File(BLOKKUM_ZONE_BACKUP_FILE);

    char names[1024] = {};
    GetPrivateProfileSectionNamesA(names, sizeof(names), ini);
    EXPECT_EQ(CountEntries(names), 4);
    for (const ZoneSection& z : kZoneSections) {
        char keys[1024] = {};
        GetPrivateProfileStringA(z.section, nullptr, "", keys, sizeof(keys), ini);
        EXPECT_EQ(CountEntries(keys), 5) << z.section;
    }
    struct Row {
        const char* section;
        const char* key;
        const char* value;
    } rows[] = {
        {"Local Intranet", "1001", "1"},  {"Local Intranet", "1405", "1"},
        {"Trusted Sites", "1001", "0"},   {"Trusted Sites", "1004", BLOKKUM_ZONE_VALUE_ABSENT},
        {"Trusted Sites", "1201", BLOKKUM_ZONE_VALUE_ABSENT},
        {"Internet", "1200", "65536"},    {"Internet", "1405", "-1"},
        {"Restricted Sites", "1001", BLOKKUM_ZONE_VALUE_ABSENT},
        {"Restricted Sites", "1405", BLOKKUM_ZONE_VALUE_ABSENT},
    };
    for (const Row& r : rows) EXPECT_EQ(Saved(ini, r.section, r.key), r.value) << r.section << " " << r.key;
    EXPECT_EQ(Saved(ini, "Stale", "x"), "<none>");
}

// A first run again (Blokkum installed over itself): an action that still
// holds what Blokkum's Web Zone page wrote keeps the user's saved value; one
// changed elsewhere since, or never written by Blokkum, is saved as it is.
TEST(ZoneBackup, ABackupMadeAgainNeverTakesBlokkumsOwnActionForTheUsers) {
    CTestRegistryKey reg;
    CTempFolder program;
    const CString zones = reg.SubKey() + "\\Zones", blokkum = reg.SubKey() + "\\Quorvane Blokkum";
    CRegKey internet;
    ASSERT_EQ(internet.Create(HKEY_CURRENT_USER, zones + "\\3"), ERROR_SUCCESS);
    for (const char* a : kZoneActions) internet.SetDWORD(a, 1);
    ASSERT_TRUE(BackupZoneSettings(program.Path(), HKEY_CURRENT_USER, zones, blokkum));
    for (const char* a : {"1001", "1004", "1201"}) {
        internet.SetDWORD(a, 3);
        RecordZoneAction(HKEY_CURRENT_USER, blokkum, 3, a, 3);
    }
    internet.SetDWORD("1201", 0);  // changed elsewhere after Blokkum wrote it
    internet.SetDWORD("1200", 3);  // never written by Blokkum
    ASSERT_TRUE(BackupZoneSettings(program.Path(), HKEY_CURRENT_USER, zones, blokkum));
    const CString ini = program.File(BLOKKUM_ZONE_BACKUP_FILE);
    const struct {
        const char* key;
        const char* value;
    } rows[] = {{"1001", "1"}, {"1004", "1"}, {"1201", "0"}, {"1200", "3"}, {"1405", "1"}};
    for (const auto& r : rows) EXPECT_EQ(Saved(ini, "Internet", r.key), r.value) << r.key;
}
