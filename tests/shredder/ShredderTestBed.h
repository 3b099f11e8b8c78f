// ShredderTestBed.h - a Grindel application object on test keys and a test
// folder, with the window parts (sheet, alert dialog, progress) recorded; and
// a host and a job of the same keys and folder for the operations alone.
#pragma once

#include <windows.h>
#include <aclapi.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Files.h"
#include "Seams.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"
#include "TestSupport.h"

class CTestShredderApp : public CShredderApp {
public:
    using CShredderApp::CShredderApp;

    int sheetRuns = 0;
    std::vector<int> alerts;
    bool alertOk = true;
    bool alertChecked = false;
    bool shellVersionKnown = true;
    DWORD shellMajor = 6, shellMinor = 0;
    std::function<IShredProgress*()> progressFactory;
    CString guardedFolder;  // stands in for the Fonts folder

    void LoadProtectedFolders() override {
        CShredderApp::LoadProtectedFolders();
        if (!guardedFolder.IsEmpty()) ProtectedFolderSlot(2) = guardedFolder;
    }

    bool ShowAlert(int key, const char*, bool* dontShow) override {
        alerts.push_back(key);
        *dontShow = alertChecked;
        return alertOk;
    }

protected:
    void RunSheet() override { ++sheetRuns; }
    bool GetShell32Version(DWORD* major, DWORD* minor) override {
        *major = shellMajor;
        *minor = shellMinor;
        return shellVersionKnown;
    }
    IShredProgress* CreateProgress() override {
        return progressFactory ? progressFactory() : CShredderApp::CreateProgress();
    }
};

// The host of an interactive run without the application object: its
// messages and questions are boxes under the product title (scripted by
// CScriptedMessageBoxes), its windows recorded.
class CTestHost : public IShredHost {
public:
    explicit CTestHost(const CString& caption) : title(caption) {}
    CString title;
    std::function<IShredProgress*()> progressFactory;
    std::vector<int> alerts;
    bool alertOk = true;
    int formats = 0;
    bool formatWorks = true;

    int Report(const CString& text, UINT type) override { return QvMessageBox(nullptr, text, title, type); }
    int Ask(const CString& text, UINT type, int) override { return QvMessageBox(nullptr, text, title, type); }
    int AskCaptioned(const CString& text, const char* caption, UINT type, int) override {
        return QvMessageBox(nullptr, text, caption, type);
    }
    void ShowSystemError(DWORD code) override { QvMessageBox(nullptr, SystemErrorText(code), "Error", MB_ICONERROR); }
    IShredProgress* CreateProgress() override { return progressFactory ? progressFactory() : new CSilentProgress; }
    bool ShowAlert(int key, const char*, bool* dontShow) override {
        alerts.push_back(key);
        *dontShow = false;
        return alertOk;
    }
    bool AskDriveOptions(const CString&, const CString&, bool*, bool*) override { return false; }
    bool FormatDrive(const CString&, bool) override {
        ++formats;
        return formatWorks;
    }
};

// Product key, classes key and program folder of one test; the language pack
// gives the product a title of its own, so its mutex meets no other run's.
class CShredderTestBed {
public:
    CShredderTestBed() {
        static int counter = 0;
        m_title.Format("Grindel Test %lu %d", GetCurrentProcessId(), ++counter);
        WritePack("9606=" + m_title.str() + "\r\n");
    }
    CShredderEnvironment Environment() const {
        CShredderEnvironment e;
        e.productKey = m_product.SubKey();
        e.classesRoot = HKEY_CURRENT_USER;
        e.classesPrefix = m_classes.SubKey() + "\\";
        e.programFolder = m_folder.Path();
        return e;
    }
    void WritePack(const std::string& lines) {
        m_folder.Write("Lang\\English.ini", "[Grindel Language Pack]\r\n" + lines);
    }
    const CString& Title() const { return m_title; }
    const CTempFolder& Folder() const { return m_folder; }
    CString ProductKey() const { return m_product.SubKey(); }
    CString ProfileKey() const { return m_product.SubKey() + "\\Shredder"; }
    CString ClassesKey(const char* sub) const { return m_classes.SubKey() + "\\" + sub; }
    std::string Log() const { return ReadFileText(m_folder.File("log.txt")); }

private:
    CTestRegistryKey m_product;
    CTestRegistryKey m_classes;
    CTempFolder m_folder;
    CString m_title;
};

// One interactive job on a test bed's keys and folder and on this machine as
// start-up probes it: the operations run on it without the application object.
class CTestJob {
public:
    explicit CTestJob(const CShredderTestBed& bed)
        : host(bed.Title()), algorithms(bed.ProductKey()), profile(bed.ProductKey()) {
        algorithms.LoadAlgorithms();
        machine.programFolder = bed.Folder().Path();
        machine.isNT = (GetVersion() & 0x80000000u) == 0;
        machine.FindDiskSpaceFunctions(GetModuleHandleA("kernel32.dll"));
        if (machine.FindFixedDrives()) machine.ReadUserSid();
        machine.LoadProtectedFolders();
    }
    CTestHost host;
    std::vector<BYTE> buffer = std::vector<BYTE>(Grindel::kBufferSize);
    volatile bool abort = false, endSession = false;
    COverwriteEngine engine{host, buffer.data(), abort, endSession};
    CShredMachine machine;
    CJobSettings settings;
    CAlgorithmList algorithms;
    CShredderProfile profile;
    int method = 0;
    CShredJob job{host, engine, buffer.data(), abort, endSession, machine, settings, algorithms, profile, method};
};

// What each file held after each complete pass, read by its real name while it is still open.
typedef std::vector<std::pair<CRealPath, std::string>> CPasses;
class CRealPassReader : public CSilentProgress {
public:
    explicit CRealPassReader(CPasses* seen) : m_seen(seen) {}
    void PassWritten(const char* path, int) override {
        const CRealPath real = EntrySpelt(path);
        m_seen->push_back({real, ReadRealFile(real)});
    }

private:
    CPasses* m_seen;
};

// Three passes over the file, each its size and none of it what it held.
inline void ExpectOverwritten(const CPasses& seen, const CRealPath& file, const std::string& held) {
    int passes = 0;
    for (const auto& pass : seen) {
        if (!SameRealPath(pass.first, file)) continue;
        ++passes;
        EXPECT_EQ(pass.second.size(), held.size());
        EXPECT_NE(pass.second, held);
    }
    EXPECT_EQ(passes, 3) << ShownPath(file);
}

// While alive, a key below HKEY_CURRENT_USER refuses to be deleted, as a key
// whose permissions deny it does; afterwards anyone may do anything with it.
class CUndeletableKey {
public:
    explicit CUndeletableKey(const CString& subKey) : m_subKey(subKey) {
        EXPLICIT_ACCESSA deny = {};
        deny.grfAccessPermissions = DELETE;
        deny.grfAccessMode = DENY_ACCESS;
        deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        deny.Trustee.ptstrName = const_cast<char*>("EVERYONE");
        PACL acl = nullptr;
        if (SetEntriesInAclA(1, &deny, nullptr, &acl) == ERROR_SUCCESS) {
            SetDacl(acl);
            LocalFree(acl);
        }
    }
    ~CUndeletableKey() { SetDacl(nullptr); }
    CUndeletableKey(const CUndeletableKey&) = delete;
    CUndeletableKey& operator=(const CUndeletableKey&) = delete;

private:
    void SetDacl(PACL acl) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, m_subKey, 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS) return;
        SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr);
        RegCloseKey(key);
    }
    CString m_subKey;
};
