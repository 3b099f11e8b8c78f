// StartupTestSupport.h - fabricated auto-start places for Bootlist's tests:
// Run keys below a unique key of HKCU and HKLM, a win.ini copy and two
// Startup folders in temporary folders, and a program folder for packs.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "Registry.h"
#include "StartupList.h"
#include "TestSupport.h"

using Rows = std::vector<StartupRecord>;

inline void PrintTo(const StartupRecord& r, std::ostream* out) {
    for (int i = 0; i < StartupRecord::kColumns; ++i) *out << "[" << r.Column(i).str().substr(0, 60) << "]";
}

// The same unique path as the HKCU test key, under HKLM too (Wine runs as admin).
class CMachineTestKey {
public:
    explicit CMachineTestKey(const CString& subKey) : m_subKey(subKey) {}
    ~CMachineTestKey() { CRegKey::DeleteTree(HKEY_LOCAL_MACHINE, m_subKey); }

private:
    CString m_subKey;
};

inline void SetValue(HKEY root, const CString& path, const char* name, const std::string& data) {
    CRegKey key;
    ASSERT_EQ(key.Create(root, path), ERROR_SUCCESS) << path.c_str();
    ASSERT_EQ(key.SetString(name, data.c_str()), ERROR_SUCCESS) << name;
}

// The value's data, or "<missing>".
inline std::string ValueOf(HKEY root, const CString& path, const char* name) {
    CRegKey key;
    CString data;
    if (key.Open(root, path) != ERROR_SUCCESS || key.QueryString(name, data) != ERROR_SUCCESS) return "<missing>";
    return data.str();
}

inline StartupRecord Row(const char* name, const char* loadFrom, const char* user, const char* when,
                         const std::string& location) {
    StartupRecord r;
    r.taskName = name;
    r.status = "Enabled";
    r.loadFrom = loadFrom;
    r.user = user;
    r.when = when;
    r.location = location;
    return r;
}

inline Rows Slice(const CStartupList& list, int first, int count) {
    Rows rows;
    for (int i = first; i < first + count && i < list.GetCount(); ++i) rows.push_back(list.GetAt(i));
    return rows;
}

class CFabricatedStartup : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppPath(program.Path());
        where.runKeyBase = test.SubKey();
        // NT sends the profile calls for any file named win.ini to the
        // registry, so the fabricated copy has a name of its own.
        where.winIni = files.File("win-copy.ini");
        where.userStartup = files.File("StartUp");
        where.commonStartup = files.File("Common StartUp");
        where.saveProf = files.File("SaveProf.pro");
        CreateDirectoryA(where.userStartup, nullptr);
        CreateDirectoryA(where.commonStartup, nullptr);
    }
    void TearDown() override {
        SetAppPath("");
        SetLanguageFile(kDefaultLanguageFile);
    }
    CString UserRun() const { return test.SubKey() + "\\Run"; }

    CTempFolder program;
    CTempFolder files;
    CTestRegistryKey test;
    CMachineTestKey machine{test.SubKey()};
    CStartupLocations where;
};
