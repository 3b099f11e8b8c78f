#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "Files.h"
#include "Registry.h"
#include "Seams.h"
#include "ShredMenu.h"
#include "TestSupport.h"

namespace {

struct Started {
    std::string verb, file, params, folder;
    int show;
};

class ShredMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        SetShellExecuteHook([this](HWND, const char* verb, const char* file, const char* params,
                                   const char* folder, int show) {
            m_started.push_back({verb, file, params ? params : "", folder ? folder : "", show});
            return reinterpret_cast<HINSTANCE>(42);
        });
    }
    void TearDown() override {
        SetShellExecuteHook(nullptr);
        Grindhook::LoadShredderSettings(HKEY_CURRENT_USER, "Software\\QuorvaneTests\\NoSuchKey");
        OleUninitialize();
    }

    // Grindel's key with AppPath = the temporary folder (language null: no value).
    void UseSettings(const char* language) {
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_key.SubKey()), ERROR_SUCCESS);
        key.SetString("AppPath", m_folder.Path());
        if (language) key.SetString("Language", language);
        Grindhook::LoadShredderSettings(HKEY_CURRENT_USER, m_key.SubKey());
    }

    // The shell's own data object for items of the temporary folder.
    IDataObject* ShellDataObject(const std::vector<std::string>& items) {
        IShellFolder* desktop = nullptr;
        IShellFolder* folder = nullptr;
        IDataObject* data = nullptr;
        EXPECT_EQ(SHGetDesktopFolder(&desktop), S_OK);
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, m_folder.Path(), -1, wide, MAX_PATH);
        LPITEMIDLIST folderId = nullptr;
        EXPECT_EQ(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &folderId, nullptr), S_OK);
        EXPECT_EQ(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)), S_OK);
        std::vector<LPITEMIDLIST> ids;
        for (const std::string& item : items) {
            MultiByteToWideChar(CP_ACP, 0, item.c_str(), -1, wide, MAX_PATH);
            LPITEMIDLIST id = nullptr;
            EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, wide, nullptr, &id, nullptr), S_OK);
            ids.push_back(id);
        }
        EXPECT_EQ(folder->GetUIObjectOf(nullptr, UINT(ids.size()), const_cast<LPCITEMIDLIST*>(ids.data()),
                                        IID_IDataObject, nullptr, reinterpret_cast<void**>(&data)),
                  S_OK);
        for (LPITEMIDLIST id : ids) CoTaskMemFree(id);
        CoTaskMemFree(folderId);
        folder->Release();
        desktop->Release();
        return data;
    }

    static CString MenuItemText(HMENU menu, int position) {
        char text[256] = "";
        GetMenuStringA(menu, UINT(position), text, sizeof text, MF_BYPOSITION);
        return text;
    }

    CTempFolder m_folder;
    CTestRegistryKey m_key;
    std::vector<Started> m_started;
};

// A data object that offers one hand-made CF_HDROP.
class CDropData : public IDataObject {
public:
    explicit CDropData(const std::vector<std::string>& names) : m_names(names) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject)) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        std::string list;
        for (const std::string& name : m_names) list += name + '\0';
        list += '\0';
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() + 1);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        memcpy(drop + 1, list.data(), list.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    ULONG m_refs = 1;

private:
    std::vector<std::string> m_names;
};

TEST_F(ShredMenuTest, SelectedShellItemsStartGrindelWithTheExactQuotedLine) {
    UseSettings("Deutsch");
    m_folder.Write("Lang\\Deutsch.ini", "[Grindel Language Pack]\r\n9606=Grindel Schredder\r\n");
    m_folder.Write("notes.txt", "x");
    m_folder.Write("two words.doc", "y");
    CreateDirectoryA(m_folder.File("photos"), nullptr);

    CShredContextMenu* handler = new CShredContextMenu;
    IDataObject* data = ShellDataObject({"notes.txt", "two words.doc", "photos"});
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(handler->Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    const std::vector<std::string> names = {m_folder.File("notes.txt").c_str(), m_folder.File("two words.doc").c_str(),
                                            m_folder.File("photos").c_str()};
    ASSERT_EQ(handler->Names().GetSize(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_STRCASEEQ(handler->Names()[i], names[size_t(i)].c_str());

    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "Open");
    AppendMenuA(menu, MF_STRING, 2, "Properties");
    // Default-only menus get the item too.
    EXPECT_EQ(handler->QueryContextMenu(menu, 1, 300, 310, CMF_DEFAULTONLY), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(MenuItemText(menu, 1), "Grindel Schredder");
    EXPECT_EQ(GetMenuItemID(menu, 1), 300u);
    EXPECT_EQ(handler->QueryContextMenu(nullptr, 0, 300, 310, 0), S_OK);
    DestroyMenu(menu);

    CMINVOKECOMMANDINFO verb{};
    verb.cbSize = sizeof verb;
    verb.lpVerb = "open";
    EXPECT_EQ(handler->InvokeCommand(&verb), S_OK);
    EXPECT_TRUE(m_started.empty());

    CMINVOKECOMMANDINFO command{};
    command.cbSize = sizeof command;
    command.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_EQ(handler->InvokeCommand(&command), S_OK);
    ASSERT_EQ(m_started.size(), 1u);
    const Started& run = m_started[0];
    EXPECT_EQ(run.verb, "open");
    EXPECT_EQ(run.file, std::string(m_folder.File("Grindel.exe")));
    EXPECT_EQ(run.params, "\"" + std::string(handler->Names()[0]) + "\" \"" + handler->Names()[1].c_str() + "\" \"" +
                              handler->Names()[2].c_str() + "\" \"");
    EXPECT_EQ(run.folder, std::string(m_folder.Path()));
    EXPECT_EQ(run.show, SW_SHOW);

    // Grindel's own parser reads back exactly the selected names.
    CStringArray parsed = SplitCmdLine(run.params.c_str());
    ASSERT_EQ(parsed.GetSize(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(parsed[i], handler->Names()[i]);
    handler->Release();
}

TEST_F(ShredMenuTest, MenuTextFallsBackToEnglishAndTheBuiltInTitle) {
    struct Case {
        const char* language;  // null: no Language value
        const char* packFile;  // null: no pack written
        const char* expected;
    } cases[] = {
        {"", "Lang\\English.ini", "Shred it"},
        {nullptr, "Lang\\English.ini", "Shred it"},
        {"Missing", nullptr, "Quorvane Grindel"},
        {"Other", "Lang\\Other.ini", "Quorvane Grindel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language ? c.language : "(none)");
        CRegKey::DeleteTree(HKEY_CURRENT_USER, m_key.SubKey());
        UseSettings(c.language);
        if (c.packFile)
            m_folder.Write(c.packFile, std::string(strcmp(c.packFile, "Lang\\English.ini") == 0
                                                       ? "[Grindel Language Pack]\r\n9606=Shred it\r\n"
                                                       : "[Grindel Language Pack]\r\n9605=Not this one\r\n"));
        CShredContextMenu handler;
        HMENU menu = CreatePopupMenu();
        handler.QueryContextMenu(menu, 0, 7, 8, 0);
        EXPECT_EQ(MenuItemText(menu, 0), c.expected);
        DestroyMenu(menu);
        handler.Release();
    }
}

TEST_F(ShredMenuTest, BadOrLongSelectionsAreHandledSafely) {
    UseSettings("English");
    CShredContextMenu* handler = new CShredContextMenu;
    EXPECT_EQ(handler->Initialize(nullptr, nullptr, nullptr), E_FAIL);

    // A name beyond MAX_PATH is passed whole, never cut to another file's path.
    const std::string longName = "C:\\" + std::string(300, 'n') + "\\file.txt";
    CDropData drop({"C:\\one.txt", longName});
    ASSERT_EQ(handler->Initialize(nullptr, &drop, nullptr), S_OK);
    EXPECT_EQ(drop.m_refs, 2u);
    ASSERT_EQ(handler->Names().GetSize(), 2);
    EXPECT_EQ(std::string(handler->Names()[1]), longName);

    // A new selection replaces the old one and lets go of the old data object.
    CDropData empty({});
    ASSERT_EQ(handler->Initialize(nullptr, &empty, nullptr), S_OK);
    EXPECT_EQ(drop.m_refs, 1u);
    CMINVOKECOMMANDINFO command{};
    command.cbSize = sizeof command;
    EXPECT_EQ(handler->InvokeCommand(&command), S_OK);
    EXPECT_TRUE(m_started.empty());
    handler->Release();
    EXPECT_EQ(empty.m_refs, 1u);
}

CString GrindhookDll() {
    char full[MAX_PATH];
    GetFullPathNameA(GetModuleFolder() + "\\..\\..\\products\\Grindhook\\Grindhook.dll", MAX_PATH, full, nullptr);
    return full;
}

DWORD RunRegsvr32(const CString& arguments) {
    CString line = "regsvr32.exe " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.GetBuffer(line.GetLength()), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return DWORD(-1);
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

CString ReadDefault(HKEY root, const CString& key, const char* name = nullptr) {
    CRegKey opened;
    CString value;
    if (opened.Open(root, key) == ERROR_SUCCESS) opened.QueryString(name, value);
    return value;
}

const char kClsidKey[] = "CLSID\\{82F4E188-BEAF-43D7-B3D0-2B8113D4B471}";
const char kFileHandler[] = "*\\shellex\\ContextMenuHandlers\\QuorvaneGrindelContextMenu";
const char kFolderHandler[] = "Folder\\shellex\\ContextMenuHandlers\\QuorvaneGrindelContextMenu";
const char kApproved[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

TEST(GrindhookDll, Regsvr32WritesAndRemovesTheHandlerKeys) {
    const CString dll = GrindhookDll();
    ASSERT_TRUE(FileExists(dll)) << dll.c_str();
    const CString quoted = "\"" + dll + "\"";
    ASSERT_EQ(RunRegsvr32("/s " + quoted), 0u);
    ASSERT_EQ(RunRegsvr32("/s " + quoted), 0u);

    EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kClsidKey), "QuorvaneGrindelContextMenu");
    CString server = ReadDefault(HKEY_CLASSES_ROOT, CString(kClsidKey) + "\\InProcServer32");
    EXPECT_STRCASEEQ(FileNameOf(server), "Grindhook.dll");
    EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, CString(kClsidKey) + "\\InProcServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kFileHandler), "{82F4E188-BEAF-43D7-B3D0-2B8113D4B471}");
    EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kFolderHandler), "{82F4E188-BEAF-43D7-B3D0-2B8113D4B471}");
    EXPECT_EQ(ReadDefault(HKEY_LOCAL_MACHINE, kApproved, "{82F4E188-BEAF-43D7-B3D0-2B8113D4B471}"),
              "QuorvaneGrindelContextMenu");

    ASSERT_EQ(RunRegsvr32("/s /u " + quoted), 0u);
    CRegKey gone;
    EXPECT_NE(gone.Open(HKEY_CLASSES_ROOT, kClsidKey), ERROR_SUCCESS);
    EXPECT_NE(gone.Open(HKEY_CLASSES_ROOT, kFileHandler), ERROR_SUCCESS);
    EXPECT_NE(gone.Open(HKEY_CLASSES_ROOT, kFolderHandler), ERROR_SUCCESS);
    CRegKey approved;
    ASSERT_EQ(approved.Open(HKEY_LOCAL_MACHINE, kApproved), ERROR_SUCCESS);
    EXPECT_FALSE(approved.HasValue("{82F4E188-BEAF-43D7-B3D0-2B8113D4B471}"));
}

TEST(GrindhookDll, ExportsServeOnlyTheHandlerAndStopAtAMissingClassKey) {
    HMODULE dll = LoadLibraryA(GrindhookDll());
    ASSERT_NE(dll, nullptr);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using Plain = HRESULT(STDAPICALLTYPE*)();
    auto getClassObject = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<Plain>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    auto registerServer = reinterpret_cast<Plain>(reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
    auto unregisterServer = reinterpret_cast<Plain>(reinterpret_cast<void*>(GetProcAddress(dll, "DllUnregisterServer")));
    ASSERT_TRUE(getClassObject && canUnload && registerServer && unregisterServer);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(CLSID_ShellLink, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(Grindhook::kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    IContextMenu* menu = nullptr;
    EXPECT_EQ(factory->CreateInstance(static_cast<IUnknown*>(factory), IID_IContextMenu,
                                      reinterpret_cast<void**>(&menu)),
              CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE);
    IShellExtInit* init = nullptr;
    ASSERT_EQ(menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
    init->Release();
    menu->Release();
    EXPECT_EQ(canUnload(), S_OK);

    // Without the class key the handler keys are left for a later, complete unregistration.
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_EQ(CRegKey::DeleteTree(HKEY_CLASSES_ROOT, kClsidKey), ERROR_SUCCESS);
    EXPECT_EQ(unregisterServer(), SELFREG_E_CLASS);
    CRegKey handler;
    EXPECT_EQ(handler.Open(HKEY_CLASSES_ROOT, kFileHandler), ERROR_SUCCESS);
    handler.Close();
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, kFileHandler);
    CRegKey::DeleteTree(HKEY_CLASSES_ROOT, kFolderHandler);
    FreeLibrary(dll);
}

}  // namespace
