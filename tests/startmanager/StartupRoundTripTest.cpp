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
#include "RealNames.h"
#include "ShellLink.h"
#include "StartupEditor.h"
#include "StartupTestSupport.h"
#include "clsExitWindows.h"

namespace {
// A shortcut with everything a plain re-created one would lose.
void CreateFullShortcut(const std::wstring& path, const CString& target) {
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
    if (SUCCEEDED(hr)) hr = file->Save(path.c_str(), TRUE);
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
        // Private copies bear the entry's name and a number.
        for (const auto& value : values) {
            for (const CString* base : {&where.runKeyBase, &where.privateKey}) {
                CRegKey key;
                if (key.Open(value.root, JoinPath(*base, value.key), KEY_READ | KEY_SET_VALUE) != ERROR_SUCCESS) continue;
                for (const CString& other : key.EnumValueNames())
                    if (other == value.name || other.Left(value.name.GetLength() + 1) == value.name + ".")
                        key.DeleteValue(other);
            }
        }
        for (const CString& path : createdFiles) {
            for (const CString* folder : {&where.userStartup, &where.commonStartup, &where.userPrivateFolder,
                                          &where.commonPrivateFolder}) {
                DeleteFileA(JoinPath(*folder, FileNameOf(path)));
                for (int n = 1; n < 10; ++n) DeleteFileA(JoinPath(*folder, FileNameOf(path) + "." + CString('0' + char(n))));
            }
        }
        for (const std::wstring& file : realFiles) {
            CString copy = CodePageSpelling(file);
            copy.Replace('?', '_');
            DeleteRealFile(JoinRealPath(where.userStartup, file));
            for (int n = 1; n < 10; ++n) DeleteFileA(JoinPath(where.userPrivateFolder, copy + "." + CString('0' + char(n))));
        }
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
        if (type == REG_DWORD)
            ASSERT_EQ(run.SetDWORD(valueName, DWORD(strtoul(data, nullptr, 10))), ERROR_SUCCESS);
        else
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
    // Names of the files made in the user's Startup folder by their real names.
    std::vector<std::wstring> realFiles;
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
    AddValue(HKEY_CURRENT_USER, "Run", name + " lines", "C:\\a.exe\r\n/b\n", REG_SZ);
    AddValue(HKEY_LOCAL_MACHINE, "Run", name + " number", "4294967295", REG_DWORD);
    const std::string runLine = "C:\\one.exe " + std::string(300, 'o') + " C:\\two.exe";
    ASSERT_TRUE(WritePrivateProfileStringA(kWinIniSection, "Load", "C:\\load.exe", where.winIni));
    ASSERT_TRUE(WritePrivateProfileStringA(kWinIniSection, "Run", runLine.c_str(), where.winIni));
    createdFiles.push_back(JoinPath(where.userStartup, name + ".lnk"));
    CreateFullShortcut(RealPathFrom(createdFiles.back()), target);
    AddFile(where.userStartup, name + ".txt", "a plain file\r\n");
    // A plain file and a shortcut of one row name: two entries, neither touches the other.
    AddFile(where.commonStartup, name, "no shortcut");
    createdFiles.push_back(JoinPath(where.commonStartup, name + ".lnk"));
    ASSERT_EQ(CreateShortcut(createdFiles.back(), target), S_OK);
    // The same again with a shortcut whose target cannot be read: the two rows' texts are alike.
    AddFile(where.userStartup, name + " pair", "plain");
    AddFile(where.userStartup, name + " pair.lnk", "no shortcut inside");

    auto snapshot = [&]() {
        std::vector<std::string> state;
        for (const auto& value : values) state.push_back(Raw(value.root, JoinPath(where.runKeyBase, value.key), value.name));
        for (const char* key : {"Load", "Run"}) state.push_back(ReadIniText(kWinIniSection, key, where.winIni).str());
        for (const CString& path : createdFiles) state.push_back(FileOrMissing(path));
        return state;
    };
    const std::vector<std::string> before = snapshot();
    ASSERT_EQ(before.size(), 15u);
    EXPECT_EQ(before[0].substr(0, 2), "2:");  // REG_EXPAND_SZ
    EXPECT_EQ(before[6].substr(0, 2), "4:");  // REG_DWORD
    EXPECT_GT(before[9].size(), 400u) << "the shortcut carries its arguments";

    CStartupEditor first(where);
    first.Load();
    ASSERT_EQ(ToggleMine(first, "Enabled"), 15);
    ASSERT_TRUE(first.ApplyNow());
    for (const std::string& state : snapshot()) EXPECT_TRUE(state == "<missing>" || state.empty()) << state;

    // Restarted: each entry listed once, Disabled, from SaveProf.pro alone.
    CStartupEditor next(where);
    next.Load();
    ASSERT_EQ(ToggleMine(next, "Disabled"), 15);
    ASSERT_TRUE(next.ApplyNow()) << (next.Failures().IsEmpty() ? "" : next.Failures()[0].c_str());
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(FileExists(where.saveProf));
}

TEST_F(RealPlacesTest, AShortcutNamedOutsideTheCodePageDisablesAndEnablesByteForByte) {
    const CString target = JoinPath(GetWindowsFolder(), "notepad.exe");
    const std::wstring file = L"Notes Caf\u00e9 \u0d9a\u2713 " + RealPathFrom(name) + L".lnk";
    CString spelled;
    ASSERT_FALSE(SpellInCodePage(file, spelled)) << "the code page spells " << spelled.c_str();
    realFiles.push_back(file);
    const std::wstring path = JoinRealPath(where.userStartup, file);
    CreateFullShortcut(path, target);
    CString before, after;
    ASSERT_TRUE(ReadWholeRealFile(path, before));

    auto toggleIt = [&](CStartupEditor& editor, const char* status) {
        editor.Load();
        CButtonUpdate buttons;
        for (int i = 0; i < editor.List().GetCount(); ++i) {
            const StartupRecord& row = editor.List().GetAt(i);
            if (row.realName != file) continue;
            EXPECT_EQ(row.status, status);
            EXPECT_EQ(row.location, target);
            EXPECT_EQ(CStartupList::ShownTaskName(row), file.substr(0, file.size() - 4));
            return editor.ToggleDisable(i, buttons) && editor.ApplyNow();
        }
        return false;
    };
    CStartupEditor first(where);
    ASSERT_TRUE(toggleIt(first, "Enabled")) << (first.Failures().IsEmpty() ? "not listed" : first.Failures()[0].c_str());
    EXPECT_FALSE(RealFileExists(path));
    // Restarted: found again through SaveProf.pro alone.
    CStartupEditor next(where);
    ASSERT_TRUE(toggleIt(next, "Disabled")) << (next.Failures().IsEmpty() ? "not listed" : next.Failures()[0].c_str());
    ASSERT_TRUE(ReadWholeRealFile(path, after));
    EXPECT_TRUE(after == before);
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
    EXPECT_EQ(FileOrMissing(JoinPath(where.userPrivateFolder, disabledFile + ".1")), "parked");
}

namespace {
// A location as a program fills it: a Run key, a win.ini line, a Startup folder.
struct Place {
    int code;
    HKEY root;
    const char* key;  // the Run key or the win.ini line
};
const Place kPlaces[] = {
    {kUserRun, HKEY_CURRENT_USER, "Run"},         {kMachineRun, HKEY_LOCAL_MACHINE, "Run"},
    {kMachineRunOnce, HKEY_LOCAL_MACHINE, "RunOnce"}, {kMachineRunOnceEx, HKEY_LOCAL_MACHINE, "RunOnceEx"},
    {kMachineRunServices, HKEY_LOCAL_MACHINE, "RunServices"}, {kWinIniLoad, nullptr, "Load"},
    {kWinIniRun, nullptr, "Run"},                  {kUserStartup, nullptr, nullptr},
    {kCommonStartup, nullptr, nullptr},
};

class NamesakeTest : public RealPlacesTest {
protected:
    bool IsRun(const Place& p) const { return p.root != nullptr; }
    bool IsIni(const Place& p) const { return !p.root && p.key; }
    CString File(const Place& p) const {
        return JoinPath(p.code == kUserStartup ? where.userStartup : where.commonStartup, name + ".lnk");
    }
    // The row text of version v: the value's data, the program, the shortcut's target.
    CString Text(const Place& p, int v) const {
        if (IsRun(p)) return v ? "C:\\second.exe" : "%SystemRoot%\\first.exe /a";
        if (IsIni(p)) return v ? "C:\\qv-second.exe" : "C:\\qv-first.exe";
        return JoinPath(GetWindowsFolder(), v ? "regedit.exe" : "notepad.exe");
    }
    // A program puts version v of the entry of the test's name at the place.
    void Put(const Place& p, int v) {
        if (IsRun(p)) return AddValue(p.root, p.key, name, Text(p, v), v ? REG_SZ : REG_EXPAND_SZ);
        if (IsIni(p)) return void(WritePrivateProfileStringA(kWinIniSection, p.key, Text(p, v), where.winIni));
        createdFiles.push_back(File(p));
        if (v) return void(CreateShortcut(File(p), Text(p, v)));
        CreateFullShortcut(RealPathFrom(File(p)), Text(p, v));
    }
    void TakeAway(const Place& p) {
        CRegKey key;
        if (IsRun(p) && key.Open(p.root, JoinPath(where.runKeyBase, p.key), KEY_SET_VALUE) == ERROR_SUCCESS)
            key.DeleteValue(name);
        if (IsIni(p)) WritePrivateProfileStringA(kWinIniSection, p.key, "", where.winIni);
        if (!p.key) DeleteFileA(File(p));
    }
    std::string Live(const Place& p) const {
        if (IsRun(p)) return Raw(p.root, JoinPath(where.runKeyBase, p.key), name);
        if (IsIni(p)) return ReadIniText(kWinIniSection, p.key, where.winIni).str();
        return FileOrMissing(File(p));
    }
    // Toggles the row of version v (any version: an empty text) with the status; false when there is none.
    bool Toggle(CStartupEditor& editor, const Place& p, const char* status, const CString& text = CString()) {
        CButtonUpdate buttons;
        for (int i = 0; i < editor.List().GetCount(); ++i) {
            const StartupRecord& row = editor.List().GetAt(i);
            if (row.code != p.code || row.status != status || (!IsIni(p) && row.taskName != name)) continue;
            if (!text.IsEmpty() && row.location != text) continue;
            return editor.ToggleDisable(i, buttons);
        }
        return false;
    }
};
}  // namespace

TEST_F(NamesakeTest, TwoEntriesOfOneNameDisabledInTurnBothComeBackAndNeitherReplacesTheOther) {
    for (const Place& p : kPlaces) {
        for (int first : {0, 1}) {
            SCOPED_TRACE(std::to_string(p.code) + (first ? ", second first" : ", first first"));
            std::string versions[2];
            for (int v : {0, 1}) {
                Put(p, v);
                versions[v] = Live(p);
                CStartupEditor editor(where);
                editor.Load();
                ASSERT_TRUE(Toggle(editor, p, "Enabled"));
                ASSERT_TRUE(editor.ApplyNow());
            }
            CStartupEditor editor(where);
            editor.Load();
            ASSERT_TRUE(Toggle(editor, p, "Disabled", Text(p, first)));
            ASSERT_TRUE(editor.ApplyNow());
            EXPECT_EQ(Live(p), versions[first]);

            ASSERT_TRUE(Toggle(editor, p, "Disabled", Text(p, 1 - first)));
            if (IsIni(p)) {
                // A win.ini line takes both programs.
                EXPECT_TRUE(editor.ApplyNow());
                EXPECT_EQ(Live(p), (Text(p, first) + " " + Text(p, 1 - first)).str());
            } else {
                // The one in place stays, the other stays Disabled and recorded, and the user is told what is in the way.
                EXPECT_FALSE(editor.ApplyNow());
                EXPECT_EQ(Live(p), versions[first]);
                ASSERT_EQ(editor.Failures().GetSize(), 1);
                EXPECT_NE(editor.Failures()[0].Find(IsRun(p) ? Text(p, first) : File(p)), -1) << editor.Failures()[0].c_str();
                TakeAway(p);
                CStartupEditor restarted(where);
                restarted.Load();
                ASSERT_TRUE(Toggle(restarted, p, "Disabled", Text(p, 1 - first)));
                EXPECT_TRUE(restarted.ApplyNow());
                EXPECT_EQ(Live(p), versions[1 - first]);
            }
            TakeAway(p);
            EXPECT_FALSE(FileExists(where.saveProf));
        }
    }
}
