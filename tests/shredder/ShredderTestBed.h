// ShredderTestBed.h - a Grindel application object on test keys and a test
// folder, with the window parts (sheet, alert dialog, progress) recorded.
#pragma once

#include <windows.h>
#include <aclapi.h>

#include <functional>
#include <vector>

#include "Files.h"
#include "ShredderApp.h"
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

protected:
    void RunSheet() override { ++sheetRuns; }
    bool RunAlertDialog(int key, const char*, bool* dontShow) override {
        alerts.push_back(key);
        *dontShow = alertChecked;
        return alertOk;
    }
    bool GetShell32Version(DWORD* major, DWORD* minor) override {
        *major = shellMajor;
        *minor = shellMinor;
        return shellVersionKnown;
    }
    IShredProgress* CreateProgress() override {
        return progressFactory ? progressFactory() : CShredderApp::CreateProgress();
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
