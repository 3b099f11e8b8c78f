// Disabling and enabling over the prefix's real places: the real Run keys,
// the real win.ini through the profile calls, real shortcuts and files in the
// real Startup folders, and the real private places of disabled entries. The
// record file is the test's own: the prefix's may keep others' entries.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "Files.h"
#include "ShellLink.h"
#include "StartupEditor.h"
#include "StartupTestSupport.h"
#include "clsExitWindows.h"

namespace {
// A shortcut with everything a plain re-created one would lose.
void CreateFullShortcut(const CString& path, const CString& target) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) {
        link->SetPath(target);
        link->SetArguments("/minimized --profile \"C:\\Some Folder\\x.cfg\"");
        link->SetWorkingDirectory(FolderOf(target));
        link->SetIconLocation(target, 2);
        link->SetDescription("Starts with arguments");
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    }
    if (SUCCEEDED(hr)) {
        std::wstring wide(size_t(path.GetLength()), L' ');
        for (int i = 0; i < path.GetLength(); ++i) wide[size_t(i)] = wchar_t(static_cast<unsigned char>(path[i]));
        hr = file->Save(wide.c_str(), TRUE);
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    ASSERT_EQ(hr, S_OK);
}

std::string Raw(HKEY root, const CString& path, const char* name) {
    CRegKey key;
    CString bytes;
    DWORD type = REG_NONE;
    if (key.Open(root, path) != ERROR_SUCCESS || key.QueryBinary(name, bytes, &type) != ERROR_SUCCESS)
        return "<missing>";
    return std::to_string(type) + ":" + bytes.str();
}

std::string FileOrMissing(const CString& path) { return FileExists(path) ? ReadFileText(path) : "<missing>"; }

class RealPlacesTest : public ::testing::Test {
protected:
    RealPlacesTest() {
        SetAppPath(program.Path());
        where.saveProf = program.File("SaveProf.pro");
        name.Format("QvRoundTrip%lu", static_cast<unsigned long>(GetCurrentProcessId()));
        for (const char* key : {"Load", "Run"}) {
            char old[4096];
            GetPrivateProfileStringA(kWinIniSection, key, "\x01", old, sizeof(old), where.winIni);
            oldIni.push_back(old);
        }
    }
    ~RealPlacesTest() override {
        const char* keys[] = {"Load", "Run"};
        for (int i = 0; i < 2; ++i)
            WritePrivateProfileStringA(kWinIniSection, keys[i], oldIni[size_t(i)] == "\x01" ? nullptr : oldIni[size_t(i)].c_str(),
                                       where.winIni);
        for (const auto& value : values) {
            for (const CString* base : {&where.runKeyBase, &where.privateKey}) {
                CRegKey key;
                if (key.Open(value.root, JoinPath(*base, value.key), KEY_SET_VALUE) == ERROR_SUCCESS)
                    key.DeleteValue(value.name);
            }
        }
        for (const CString& path : createdFiles)
            for (const CString* folder : {&where.userStartup, &where.commonStartup, &where.userPrivateFolder,
                                          &where.commonPrivateFolder})
                DeleteFileA(JoinPath(*folder, FileNameOf(path)));
        SetAppPath("");
        SetLanguageFile(kDefaultLanguageFile);
    }

    struct Value {
        HKEY root;
        const char* key;
        CString name;
    };
    void AddValue(HKEY root, const char* key, const CString& valueName, const char* data, DWORD type) {
        values.push_back({root, key, valueName});
        CRegKey run;
        ASSERT_EQ(run.Create(root, JoinPath(where.runKeyBase, key)), ERROR_SUCCESS);
        ASSERT_EQ(run.SetString(valueName, data, type), ERROR_SUCCESS);
    }
    CString AddFile(const CString& folder, const CString& file, const char* contents) {
        const CString path = JoinPath(folder, file);
        createdFiles.push_back(path);
        EXPECT_TRUE(WriteWholeFile(path, CString(contents)));
        return path;
    }
    // Ours: the rows of the entries this test made.
    bool Mine(const StartupRecord& row) const {
        if (row.code == kWinIniLoad || row.code == kWinIniRun) return true;
        for (const auto& value : values)
            if (row.taskName == value.name && row.code != kUserStartup && row.code != kCommonStartup) return true;
        for (const CString& path : createdFiles)
            if (row.fileName == FileNameOf(path)) return true;
        return false;
    }
    // Toggles every row of ours; their number.
    int ToggleMine(CStartupEditor& editor, const char* expectedStatus) {
        int count = 0;
        CButtonUpdate buttons;
        for (int i = 0; i < editor.List().GetCount(); ++i) {
            if (!Mine(editor.List().GetAt(i))) continue;
            EXPECT_EQ(editor.List().GetAt(i).status, expectedStatus) << editor.List().GetAt(i).taskName.c_str();
            editor.ToggleDisable(i, buttons);
            ++count;
        }
        return count;
    }

    CTempFolder program;
    CStartupLocations where = CStartupLocations::OfThisSystem();
    CString name;
    std::vector<std::string> oldIni;
    std::vector<Value> values;
    // Full paths of the files made in the Startup folders.
    std::vector<CString> createdFiles;
};
}  // namespace

TEST_F(RealPlacesTest, EveryLocationComesBackByteForByteAfterDisableRestartAndEnable) {
    ASSERT_FALSE(where.userStartup.IsEmpty() || where.commonStartup.IsEmpty() || where.userPrivateFolder.IsEmpty());
    const CString target = JoinPath(GetWindowsFolder(), "notepad.exe");
    AddValue(HKEY_CURRENT_USER, "Run", name, "%SystemRoot%\\notepad.exe /user", REG_EXPAND_SZ);
    AddValue(HKEY_LOCAL_MACHINE, "Run", name, "C:\\machine.exe", REG_SZ);
    AddValue(HKEY_LOCAL_MACHINE, "RunOnce", name, "C:\\once.exe", REG_SZ);
    AddValue(HKEY_LOCAL_MACHINE, "RunOnceEx", name, "C:\\onceex.exe", REG_SZ);
    AddValue(HKEY_LOCAL_MACHINE, "RunServices", "", "C:\\unnamed default.exe", REG_SZ);
    const std::string runLine = "C:\\one.exe " + std::string(300, 'o') + " C:\\two.exe";
    ASSERT_TRUE(WritePrivateProfileStringA(kWinIniSection, "Load", "C:\\load.exe", where.winIni));
    ASSERT_TRUE(WritePrivateProfileStringA(kWinIniSection, "Run", runLine.c_str(), where.winIni));
    createdFiles.push_back(JoinPath(where.userStartup, name + ".lnk"));
    CreateFullShortcut(createdFiles.back(), target);
    AddFile(where.userStartup, name + ".txt", "a plain file\r\n");
    // A plain file and a shortcut of one row name: two entries, neither touches the other.
    AddFile(where.commonStartup, name, "no shortcut");
    createdFiles.push_back(JoinPath(where.commonStartup, name + ".lnk"));
    ASSERT_EQ(CreateShortcut(createdFiles.back(), target), S_OK);

    auto snapshot = [&]() {
        std::vector<std::string> state;
        for (const auto& value : values) state.push_back(Raw(value.root, JoinPath(where.runKeyBase, value.key), value.name));
        for (const char* key : {"Load", "Run"}) state.push_back(ReadIniText(kWinIniSection, key, where.winIni).str());
        for (const CString& path : createdFiles) state.push_back(FileOrMissing(path));
        return state;
    };
    const std::vector<std::string> before = snapshot();
    ASSERT_EQ(before.size(), 11u);
    EXPECT_EQ(before[0].substr(0, 2), "2:");  // REG_EXPAND_SZ
    EXPECT_GT(before[7].size(), 400u) << "the shortcut carries its arguments";

    CStartupEditor first(where);
    first.Load();
    ASSERT_EQ(ToggleMine(first, "Enabled"), 11);
    ASSERT_TRUE(first.ApplyNow());
    for (const std::string& state : snapshot()) EXPECT_TRUE(state == "<missing>" || state.empty()) << state;

    // Restarted: each entry listed once, Disabled, from SaveProf.pro alone.
    CStartupEditor next(where);
    next.Load();
    ASSERT_EQ(ToggleMine(next, "Disabled"), 11);
    ASSERT_TRUE(next.ApplyNow()) << (next.Failures().IsEmpty() ? "" : next.Failures()[0].c_str());
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(RealPlacesTest, AddRefusesAnExistingNameAndJoinsTheWinIniLine) {
    AddValue(HKEY_CURRENT_USER, "Run", name, "C:\\agent.exe", REG_SZ);
    ASSERT_TRUE(WritePrivateProfileStringA(kWinIniSection, "Run", "C:\\one.exe C:\\two.exe", where.winIni));
    const CString disabledFile = name + " parked.lnk";
    AddFile(where.userStartup, disabledFile, "parked");
    CStartupEditor editor(where);
    editor.Load();
    CButtonUpdate buttons;
    for (int i = 0; i < editor.List().GetCount(); ++i)
        if (editor.List().GetAt(i).fileName == disabledFile) editor.ToggleDisable(i, buttons);
    ASSERT_TRUE(editor.ApplyNow());
    const int rows = editor.List().GetCount();

    EXPECT_EQ(editor.AddTask(name, "C:\\other.exe", kUserRun, true), CStartupEditor::Exists);
    // Disabled, the file waits in the keeping: a new shortcut of its name would take its place.
    EXPECT_EQ(editor.AddTask(name + " parked", "C:\\x.exe", kUserStartup, true), CStartupEditor::Exists);
    EXPECT_EQ(editor.AddTask("x", "C:\\three.exe", kWinIniRun, false), CStartupEditor::Added);
    ASSERT_EQ(editor.List().GetCount(), rows + 1);
    ASSERT_TRUE(editor.ApplyNow());
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, JoinPath(where.runKeyBase, "Run"), name), "C:\\agent.exe");
    EXPECT_EQ(ReadIniText(kWinIniSection, "Run", where.winIni), "C:\\one.exe C:\\two.exe C:\\three.exe");
    EXPECT_EQ(FileOrMissing(JoinPath(where.userPrivateFolder, disabledFile)), "parked");
}
