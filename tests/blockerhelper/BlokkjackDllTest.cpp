#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

#include "BlokkumShared.h"
#include "BrowserHelper.h"
#include "Files.h"
#include "InprocServerChecks.h"
#include "Registry.h"
#include "TestSupport.h"

namespace {

CString BlokkjackDll() { return BuiltFile("..\\..\\products\\Blokkjack\\Blokkjack.dll"); }

const char kClassKey[] = "CLSID\\{4DF1DB24-A57C-11d3-A180-00A0C90AE44B}";
const char kHelperKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\"
    "{4DF1DB24-A57C-11d3-A180-00A0C90AE44B}";
const char kTypeLibKey[] = "TypeLib\\{4DF1DB23-A57C-11D3-A180-00A0C90AE44B}";

TEST(BlokkjackDll, Regsvr32RegistersTheHelperAndUnregisteringRemovesOnlyAnAutostartThatStartsNothing) {
    const CString dll = BlokkjackDll();
    ASSERT_TRUE(FileExists(dll));
    ASSERT_EQ(RunProgram("regsvr32.exe /s \"" + dll + "\""), 0u);

    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "RirodoVeriZaz.RirodoVeriZaz.1"), "RirodoVeriZaz Class");
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "RirodoVeriZaz.RirodoVeriZaz\\CurVer"), "RirodoVeriZaz.RirodoVeriZaz.1");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, CString(kClassKey) + "\\Programmable"));
    EXPECT_STRCASEEQ(FileNameOf(ReadValue(HKEY_CLASSES_ROOT, CString(kClassKey) + "\\InprocServer32")),
                     "Blokkjack.dll");
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, CString(kClassKey) + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kHelperKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    CLSID fromProgId{};
    EXPECT_EQ(CLSIDFromProgID(L"RirodoVeriZaz.RirodoVeriZaz.1", &fromProgId), S_OK);

    CRegKey machineRun;
    ASSERT_EQ(machineRun.Create(HKEY_LOCAL_MACHINE, BLOKKUM_RUN_KEY), ERROR_SUCCESS);
    machineRun.SetString(Blokkjack::kInstallerRunValue, "C:\\Blokkum\\Blokkum.exe");
    CRegKey userRun;
    ASSERT_EQ(userRun.Create(HKEY_CURRENT_USER, BLOKKUM_RUN_KEY), ERROR_SUCCESS);
    // While Blokkum is there its start with Windows is the user's choice;
    // once it is gone the value would start nothing.
    CTempFolder installed;
    const CString blokkum = installed.Write("Quorvane Blokkum\\" BLOKKUM_PROGRAM_FILE, "MZ");
    userRun.SetString(BLOKKUM_RUN_VALUE, blokkum);
    ASSERT_EQ(RunProgram("regsvr32.exe /s /u \"" + dll + "\""), 0u);
    EXPECT_FALSE(machineRun.HasValue(Blokkjack::kInstallerRunValue));
    EXPECT_TRUE(userRun.HasValue(BLOKKUM_RUN_VALUE));
    userRun.SetString(BLOKKUM_RUN_VALUE, "\"C:\\Blokkum\\Blokkum.exe\"");
    ASSERT_EQ(RunProgram("regsvr32.exe /s /u \"" + dll + "\""), 0u);
    EXPECT_FALSE(userRun.HasValue(BLOKKUM_RUN_VALUE)) << "Blokkum's own autostart would point at nothing";
    for (const char* key : {"RirodoVeriZaz.RirodoVeriZaz.1", "RirodoVeriZaz.RirodoVeriZaz", kClassKey})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kHelperKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));

    // The uninstaller's entry point removes the autostart whatever it names,
    // and reports 0 with nothing left to remove.
    userRun.SetString(BLOKKUM_RUN_VALUE, blokkum);
    HMODULE module = LoadLibraryA(dll);
    ASSERT_NE(module, nullptr);
    using Uninst = LONG(WINAPI*)(HWND, HANDLE, LONG);
    auto initialize = reinterpret_cast<Uninst>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(7))));
    ASSERT_NE(initialize, nullptr);
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(7)), GetProcAddress(module, "UninstInitialize"));
    EXPECT_EQ(initialize(nullptr, nullptr, 0), 0);
    EXPECT_FALSE(userRun.HasValue(BLOKKUM_RUN_VALUE));
    FreeLibrary(module);
}

// The module's shared counter, read where the section is mapped in this process.
volatile LONG* SharedCounter(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
        if (memcmp(section->Name, ".Shared", 8) == 0 && (section->Characteristics & IMAGE_SCN_MEM_SHARED))
            return reinterpret_cast<volatile LONG*>(base + section->VirtualAddress);
    return nullptr;
}

class CBrowserProcess {
public:
    CBrowserProcess(const CTempFolder& folder, int index) {
        CString name;
        name.Format("QvBlokkjack-%lu-%d", GetCurrentProcessId(), index);
        m_loadedName = name + "-loaded";
        m_quitName = name + "-quit";
        m_loaded = CreateEventA(nullptr, TRUE, FALSE, m_loadedName);
        m_quit = CreateEventA(nullptr, TRUE, FALSE, m_quitName);
        RunProgram("\"" + folder.File("iexplore.exe") + "\" " + m_loadedName + " " + m_quitName, &m_process);
    }
    ~CBrowserProcess() {
        Quit();
        CloseHandle(m_loaded);
        CloseHandle(m_quit);
    }
    bool WaitLoaded() { return WaitForSingleObject(m_loaded, 20000) == WAIT_OBJECT_0; }
    DWORD Quit() {
        if (!m_process) return DWORD(-1);
        SetEvent(m_quit);
        WaitForSingleObject(m_process, 20000);
        DWORD code = DWORD(-1);
        GetExitCodeProcess(m_process, &code);
        CloseHandle(m_process);
        m_process = nullptr;
        return code;
    }

private:
    CString m_loadedName, m_quitName;
    HANDLE m_loaded = nullptr, m_quit = nullptr, m_process = nullptr;
};

int StartsRecorded(const CTempFolder& folder) {
    std::string text = ReadFileText(folder.File("started.txt"));
    int starts = 0;
    for (size_t at = text.find("started"); at != std::string::npos; at = text.find("started", at + 1)) ++starts;
    return starts;
}

TEST(BlokkjackDll, BrowserProcessesShareOneCountAndStartBlokkum) {
    // A copy of its own: the count is shared by the processes that map this file.
    CTempFolder folder;
    ASSERT_TRUE(CopyFileA(BlokkjackDll(), folder.File("Blokkjack.dll"), FALSE));
    ASSERT_TRUE(CopyFileA(BuiltFile("BlokkjackHost.exe"), folder.File("iexplore.exe"), FALSE));
    ASSERT_TRUE(CopyFileA(BuiltFile("BlokkjackHost.exe"), folder.File("Blokkum.exe"), FALSE));
    folder.Write("QVINI.ini", "[QuorvaneBlokkum]\r\nStartup=1\r\n");

    HMODULE module = LoadLibraryA(folder.File("Blokkjack.dll"));
    ASSERT_NE(module, nullptr);
    volatile LONG* count = SharedCounter(module);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(*count, 0) << "this test program is no browser";
    {
        CBrowserProcess first(folder, 1);
        ASSERT_TRUE(first.WaitLoaded());
        EXPECT_EQ(*count, 1);
        CBrowserProcess second(folder, 2);
        ASSERT_TRUE(second.WaitLoaded());
        EXPECT_EQ(*count, 2);
        EXPECT_EQ(first.Quit(), 0u);
        EXPECT_EQ(*count, 1);
        EXPECT_EQ(second.Quit(), 0u);
        EXPECT_EQ(*count, 0);
    }
    // Blokkum never made its window here, so each browser started it.
    for (int wait = 0; wait < 100 && StartsRecorded(folder) < 2; ++wait) Sleep(100);
    EXPECT_EQ(StartsRecorded(folder), 2);

    // Started by hand, not with the browser: the helper refuses to load.
    folder.Write("QVINI.ini", "[QuorvaneBlokkum]\r\nStartup=0\r\n");
    {
        CBrowserProcess refused(folder, 3);
        ASSERT_TRUE(refused.WaitLoaded());
        EXPECT_EQ(*count, 0);
        EXPECT_EQ(refused.Quit(), 1u);
        EXPECT_EQ(*count, 0);
    }
    EXPECT_EQ(StartsRecorded(folder), 2);
    FreeLibrary(module);
}

}  // namespace
