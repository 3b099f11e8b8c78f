// StartupTestSupport.h - fabricated auto-start places for Bootlist's tests:
// Run keys below one unique key of HKCU and of HKLM (Wine runs as admin), a
// win.ini copy and two Startup folders in a temporary folder, and a program
// folder for language packs and the error log.
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
                         const std::string& location, const char* status = "Enabled") {
    StartupRecord row;
    row.taskName = name;
    row.status = status;
    row.loadFrom = loadFrom;
    row.user = user;
    row.when = when;
    row.location = location.c_str();
    row.code = LocationCodeOf(row.loadFrom);
    return row;
}

inline Rows Slice(const CStartupList& list, int first, int count) {
    Rows rows;
    for (int i = first; i < first + count && i < list.GetCount(); ++i) rows.push_back(list.GetAt(i));
    return rows;
}

class CFabricatedStartup : public ::testing::Test {
protected:
    // Set up in the constructor, so that a derived fixture's members can use the places.
    CFabricatedStartup() {
        SetAppPath(program.Path());
        where.runKeyBase = test.SubKey();
        // NT sends the profile calls for any file named win.ini to the registry.
        where.winIni = files.File("win-copy.ini");
        where.userStartup = files.File("StartUp");
        where.commonStartup = files.File("Common StartUp");
        where.saveProf = files.File("SaveProf.pro");
        where.privateKey = test.SubKey() + "\\Bootlist Disabled";
        where.userPrivateFolder = files.File("Keeping\\User");
        where.commonPrivateFolder = files.File("Keeping\\Common");
        CreateDirectoryA(where.userStartup, nullptr);
        CreateDirectoryA(where.commonStartup, nullptr);
    }
    ~CFabricatedStartup() override {
        SetAppPath("");
        SetLanguageFile(kDefaultLanguageFile);
        CRegKey::DeleteTree(HKEY_LOCAL_MACHINE, test.SubKey());
    }
    CString UserRun() const { return test.SubKey() + "\\Run"; }

    CTempFolder program;
    CTempFolder files;
    CTestRegistryKey test;
    CStartupLocations where;
};
