#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "InprocServerChecks.h"
#include "Seams.h"
#include "ShredMenu.h"
#include "ShredderApp.h"
#include "TestSupport.h"

namespace {

CStringArray Shown(const std::vector<CRealPath>& paths) {
    CStringArray shown;
    for (const CRealPath& path : paths) shown.Add(ShownPath(path));
    return shown;
}

const char kClsidText[] = "{82F4E188-BEAF-43D7-B3D0-2B8113D4B471}";
const CString kClsidKey = CString("CLSID\\") + kClsidText;
const char kFileHandler[] = "*\\shellex\\ContextMenuHandlers\\QuorvaneGrindelContextMenu";
const char kFolderHandler[] = "Folder\\shellex\\ContextMenuHandlers\\QuorvaneGrindelContextMenu";

class ShredMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        SetWideShellExecuteHook([this](HWND, const wchar_t* verb, const wchar_t* file, const wchar_t* params,
                                       const wchar_t* folder, int show) {
            m_started.push_back({ShownPath(verb).str(), ShownPath(file).str(), ShownPath(params).str(),
                                 ShownPath(folder).str(), std::to_string(show)});
            m_startedParams.push_back(params);
            return reinterpret_cast<HINSTANCE>(m_result);
        });
    }
    void TearDown() override {
        SetWideShellExecuteHook(nullptr);
        OleUninitialize();
    }
    // Grindel's key: AppPath = the temporary folder; language null: no value.
    void UseSettings(const char* language) {
        CRegKey::DeleteTree(HKEY_CURRENT_USER, m_key.SubKey());
        CRegKey key;
        key.Create(HKEY_CURRENT_USER, m_key.SubKey());
        key.SetString("AppPath", m_folder.Path());
        if (language) key.SetString("Language", language);
        Grindhook::LoadShredderSettings(HKEY_CURRENT_USER, m_key.SubKey());
    }
    // The shell's own data object for items of the temporary folder.
    IDataObject* ShellSelection(const std::vector<const char*>& items) {
        std::vector<CRealPath> wide;
        for (const char* item : items) wide.push_back(RealPathFrom(item));
        return ShellSelection(wide);
    }
    IDataObject* ShellSelection(const std::vector<CRealPath>& items) {
        IShellFolder *desktop = nullptr, *folder = nullptr;
        IDataObject* data = nullptr;
        LPITEMIDLIST folderId = nullptr;
        WCHAR wide[MAX_PATH];
        SHGetDesktopFolder(&desktop);
        MultiByteToWideChar(CP_ACP, 0, m_folder.Path(), -1, wide, MAX_PATH);
        desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &folderId, nullptr);
        desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
        std::vector<LPCITEMIDLIST> ids;
        for (const CRealPath& item : items) {
            LPITEMIDLIST id = nullptr;
            lstrcpynW(wide, item.c_str(), MAX_PATH);
            folder->ParseDisplayName(nullptr, nullptr, wide, nullptr, &id, nullptr);
            ids.push_back(id);
        }
        folder->GetUIObjectOf(nullptr, UINT(ids.size()), ids.data(), IID_IDataObject, nullptr,
                              reinterpret_cast<void**>(&data));
        for (LPCITEMIDLIST id : ids) CoTaskMemFree(const_cast<LPITEMIDLIST>(id));
        CoTaskMemFree(folderId);
        folder->Release();
        desktop->Release();
        return data;
    }
    static std::string ItemAdded(CShredContextMenu& handler) {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 1, "Open");
        // Default-only menus get the item too.
        EXPECT_EQ(handler.QueryContextMenu(menu, 1, 300, 310, CMF_DEFAULTONLY), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
        char text[256] = "";
        GetMenuStringA(menu, 300, text, sizeof text, MF_BYCOMMAND);
        EXPECT_EQ(GetMenuItemID(menu, 1), 300u);
        DestroyMenu(menu);
        return text;
    }
    static HRESULT Invoke(CShredContextMenu& handler, const char* verb) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = verb;
        return handler.InvokeCommand(&info);
    }

    CTempFolder m_folder;
    CTestRegistryKey m_key;
    std::vector<std::vector<std::string>> m_started;
    std::vector<CRealPath> m_startedParams;
    INT_PTR m_result = 42;
};

TEST_F(ShredMenuTest, SelectedShellItemsStartGrindelWithTheExactQuotedLine) {
    UseSettings("Deutsch");
    m_folder.Write("Lang\\Deutsch.ini", "[Grindel Language Pack]\r\n9606=Grindel Schredder\r\n");
    m_folder.Write("notes.txt", "x");
    m_folder.Write("two words.doc", "y");
    CreateDirectoryA(m_folder.File("photos"), nullptr);

    CShredContextMenu handler;
    IDataObject* data = ShellSelection({"notes.txt", "two words.doc", "photos"});
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(handler.Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    const CStringArray names = Shown(handler.Names());
    ASSERT_EQ(names.GetSize(), 3);
    EXPECT_STRCASEEQ(names[1], m_folder.File("two words.doc"));
    EXPECT_EQ(ItemAdded(handler), "Grindel Schredder");

    EXPECT_EQ(Invoke(handler, "open"), S_OK);
    EXPECT_TRUE(m_started.empty()) << "a verb string is not our item";
    EXPECT_EQ(Invoke(handler, MAKEINTRESOURCEA(0)), S_OK);
    const std::string line = "\"" + std::string(names[0]) + "\" \"" + names[1].c_str() + "\" \"" + names[2].c_str() + "\" \"";
    ASSERT_EQ(m_started.size(), 1u);
    EXPECT_EQ(m_started[0], (std::vector<std::string>{"open", m_folder.File("Grindel.exe").c_str(), line,
                                                      m_folder.Path().c_str(), std::to_string(SW_SHOW)}));
    // Grindel's own parser reads back exactly the selected names.
    CStringArray parsed = SplitCmdLine(line.c_str());
    ASSERT_EQ(parsed.GetSize(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(parsed[i], names[i]);
}

// "żółw.txt" beside "zólw.txt", its best-fit spelling: Grindel is handed the selected one.
TEST_F(ShredMenuTest, ANameOutsideTheCodePageReachesGrindelAsItIs) {
    UseSettings("");
    const CRealPath turtle = JoinRealPath(m_folder.Path(), L"\x17c\xf3\x142w.txt");
    m_folder.Write(ShownPath(RealNameOf(turtle)), "other file");
    CloseHandle(OpenRealFile(turtle, GENERIC_WRITE, 0, CREATE_NEW, 0));
    CShredContextMenu handler;
    IDataObject* data = ShellSelection({RealNameOf(turtle)});
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(handler.Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    EXPECT_EQ(handler.Names(), std::vector<CRealPath>{turtle});
    ASSERT_EQ(Invoke(handler, MAKEINTRESOURCEA(0)), S_OK);
    ASSERT_EQ(m_startedParams.size(), 1u);
    CTestRegistryKey grindelKey;
    CShredderEnvironment environment;
    environment.productKey = grindelKey.SubKey();
    CShredderApp grindel(environment);
    ASSERT_TRUE(grindel.ParseCmdLine(m_startedParams[0]));
    EXPECT_EQ(grindel.Items(), std::vector<CRealPath>{turtle});
}

TEST_F(ShredMenuTest, MenuTextFallsBackToEnglishThenToTheBuiltInTitle) {
    m_folder.Write("Lang\\English.ini", "[Grindel Language Pack]\r\n9606=Shred it\r\n");
    m_folder.Write("Lang\\Other.ini", "[Grindel Language Pack]\r\n9605=Not this one\r\n");
    const std::pair<const char*, const char*> cases[] = {
        {"", "Shred it"}, {nullptr, "Shred it"}, {"Missing", "Quorvane Grindel"}, {"Other", "Quorvane Grindel"}};
    for (const auto& c : cases) {
        UseSettings(c.first);
        CShredContextMenu handler;
        EXPECT_EQ(ItemAdded(handler), c.second) << (c.first ? c.first : "(no value)");
    }
}

TEST_F(ShredMenuTest, SettingsAreReadWhenTheMenuIsBuiltAndAFailedStartIsReturned) {
    UseSettings("");
    m_folder.Write("notes.txt", "x");
    CShredContextMenu handler;
    IDataObject* data = ShellSelection({"notes.txt"});
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(handler.Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_key.SubKey(), KEY_READ | KEY_WRITE), ERROR_SUCCESS);
    const CString moved = m_folder.File("moved");
    // Grindel moved after the library was loaded: the menu starts it where it is now.
    ASSERT_EQ(key.SetString("AppPath", moved), ERROR_SUCCESS);
    ItemAdded(handler);
    m_result = 2;  // ShellExecute's "file not found"
    EXPECT_EQ(Invoke(handler, MAKEINTRESOURCEA(0)), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(m_started.size(), 1u);
    EXPECT_EQ(m_started[0][1], (moved + "\\Grindel.exe").str());
    // No AppPath: no bare "Grindel.exe" searched for anywhere.
    ASSERT_EQ(key.DeleteValue("AppPath"), ERROR_SUCCESS);
    ItemAdded(handler);
    EXPECT_EQ(Invoke(handler, MAKEINTRESOURCEA(0)), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(m_started.size(), 1u);
}

// An HDROP offered through the clipboard's own data object.
IDataObject* ClipboardDrop(HWND owner, const std::string& list) {
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() + 2);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(drop + 1, list.data(), list.size());
    GlobalUnlock(memory);
    IDataObject* data = nullptr;
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        SetClipboardData(CF_HDROP, memory);
        CloseClipboard();
        OleGetClipboard(&data);
    }
    return data;
}

TEST_F(ShredMenuTest, NamesAreTakenWholeAndAnEmptyDropStartsNothing) {
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    CShredContextMenu handler;
    EXPECT_EQ(handler.Initialize(nullptr, nullptr, nullptr), E_FAIL);
    // Cut to a fixed buffer, a long name would become the path of another file.
    const std::string longName = "C:\\" + std::string(300, 'n') + "\\file.txt";
    IDataObject* data = ClipboardDrop(owner, "C:\\one.txt" + std::string(1, '\0') + longName);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(handler.Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    ASSERT_EQ(handler.Names().size(), 2u);
    EXPECT_EQ(ShownPath(handler.Names()[1]).str(), longName);

    data = ClipboardDrop(owner, "");
    ASSERT_EQ(handler.Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    EXPECT_EQ(Invoke(handler, MAKEINTRESOURCEA(0)), S_OK);
    EXPECT_TRUE(m_started.empty());
    OpenClipboard(owner);
    EmptyClipboard();
    CloseClipboard();
    DestroyWindow(owner);
}

TEST_F(ShredMenuTest, ASelectionLongerThanOneCommandLineReachesOneGrindelWhole) {
    UseSettings("");
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const CString program = m_folder.File("Grindel.exe");
    // Names of about 130 characters: 306 of them are far more than one command line holds.
    std::vector<CRealPath> all;
    for (int i = 0; i < 306; ++i) {
        CString name;
        const std::string filler(size_t(120 - m_folder.Path().GetLength()), 'n');
        name.Format("%s\\%s %03d.txt", m_folder.Path().c_str(), filler.c_str(), i);
        all.push_back(RealPathFrom(name));
    }
    const int fitting = Grindhook::NamesThatFit(RealPathFrom(program), all);
    ASSERT_GT(fitting, 100);
    ASSERT_LT(fitting, int(all.size()));
    char temp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", temp, MAX_PATH);
    struct Case {
        int count;
        bool tempWritable;
        bool onTheLine;  // else in a list, or (without a temp folder) not at all
    } cases[] = {{fitting, true, true}, {fitting + 1, true, false}, {306, true, false}, {306, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + (c.tempWritable ? "" : " without a temporary folder"));
        m_started.clear();
        m_startedParams.clear();
        std::string drop;
        std::vector<CRealPath> names;
        for (int i = 0; i < c.count; ++i) {
            drop += ShownPath(all[i]).str() + '\0';
            names.push_back(all[i]);
        }
        CShredContextMenu handler;
        IDataObject* data = ClipboardDrop(owner, drop);
        ASSERT_NE(data, nullptr);
        ASSERT_EQ(handler.Initialize(nullptr, data, nullptr), S_OK);
        data->Release();
        ASSERT_EQ(int(handler.Names().size()), c.count);
        CScriptedMessageBoxes boxes;
        SetEnvironmentVariableA("TMP", c.tempWritable ? temp : "C:\\no such folder");
        const HRESULT hr = Invoke(handler, MAKEINTRESOURCEA(0));
        SetEnvironmentVariableA("TMP", temp);
        if (!c.tempWritable) {
            // Told before anything is shredded: nothing is started.
            EXPECT_EQ(hr, E_FAIL);
            EXPECT_TRUE(m_started.empty());
            ASSERT_EQ(boxes.Boxes().size(), 1u);
            const std::string told = "Only " + std::to_string(fitting) + " of the 306 selected items";
            EXPECT_EQ(boxes.Boxes()[0].text.rfind(told, 0), 0u) << boxes.Boxes()[0].text;
            continue;
        }
        EXPECT_EQ(hr, S_OK);
        EXPECT_TRUE(boxes.Boxes().empty());
        ASSERT_EQ(m_started.size(), 1u);
        const std::string& line = m_started[0][2];
        EXPECT_LE(program.GetLength() + 3 + int(line.size()), 32766);
        EXPECT_EQ(line.rfind("\"/L", 0) == 0, !c.onTheLine) << line.substr(0, 80);
        const std::string list = c.onTheLine ? std::string() : line.substr(3, line.size() - 6);
        if (!c.onTheLine) { EXPECT_TRUE(FileExists(list.c_str())); }
        // What Grindel makes of the line: every name, in order, and no list left behind.
        CTestRegistryKey grindelKey;
        CShredderEnvironment environment;
        environment.productKey = grindelKey.SubKey();
        environment.programFolder = m_folder.Path();
        CShredderApp grindel(environment);
        ASSERT_TRUE(grindel.ParseCmdLine(m_startedParams[0]));
        ASSERT_EQ(int(grindel.Items().size()), c.count);
        for (int i = 0; i < c.count; ++i) EXPECT_EQ(grindel.Items()[i], names[i]);
        if (!c.onTheLine) { EXPECT_FALSE(FileExists(list.c_str())); }
    }
    DestroyWindow(owner);
}

TEST(GrindhookDll, Regsvr32RegistersTwiceAndUnregisteringStopsAtAMissingClassKey) {
    const CString dll = BuiltFile("..\\..\\products\\Grindhook\\Grindhook.dll");
    ASSERT_TRUE(FileExists(dll));
    ASSERT_EQ(RunProgram("regsvr32.exe /s \"" + dll + "\""), 0u);
    ASSERT_EQ(RunProgram("regsvr32.exe /s \"" + dll + "\""), 0u);
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kClsidKey), "QuorvaneGrindelContextMenu");
    EXPECT_STRCASEEQ(ReadValue(HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32"), dll);
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kClsidKey + "\\InProcServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kFileHandler), kClsidText);
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kFolderHandler), kClsidText);
    const char approved[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, approved, kClsidText), "QuorvaneGrindelContextMenu");
    ASSERT_EQ(RunProgram("regsvr32.exe /s /u \"" + dll + "\""), 0u);
    for (const CString& key : {kClsidKey, CString(kFileHandler), CString(kFolderHandler)})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key.c_str();
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, approved, kClsidText), "");

    // Without the class key the handler keys stay for a later, complete unregistration.
    ASSERT_EQ(RunProgram("regsvr32.exe /s \"" + dll + "\""), 0u);
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, kClsidKey);
    EXPECT_NE(RunProgram("regsvr32.exe /s /u \"" + dll + "\""), 0u);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kFileHandler));
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, kFileHandler);
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, kFolderHandler);
}

}  // namespace
