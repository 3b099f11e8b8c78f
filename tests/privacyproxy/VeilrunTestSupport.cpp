#include "VeilrunTestSupport.h"

#include <wininet.h>

#include "EventRecords.h"
#include "RegistryKey.h"

CVeilrunWorld::CVeilrunWorld() : m_saved(g_Places) {
    ResetVeilrunSettings();
    {
        CCriticalSectionLock lock(g_csLists);
        g_Sites.RemoveAll();
        g_Events.RemoveAll();
    }
    g_strModuleDir = m_folder.Path();
    g_Places.ModuleFilePath = Program();
    g_Places.ProfileFolder = m_folder.Path() + "\\profile";
    g_Places.IEAdvancedKey = TestKeyPath("Advanced");
    g_Places.IESettingsKey = TestKeyPath("Internet Settings");
    g_Places.RecentDocsKey = TestKeyPath("RecentDocs");
    g_Places.TypedUrlsKey = TestKeyPath("TypedURLs");
    g_Places.ProxyRecordKey = TestKeyPath("Proxy Setting");
}

CVeilrunWorld::~CVeilrunWorld() {
    CRegistryKey run(g_Places.RunKey);
    CRegistryValue value;
    if (run.QueryValue(kAutostartValue, value) && CString(reinterpret_cast<const char*>(value.m_data)) == Program())
        value.Delete();
    g_Places = m_saved;
    ResetVeilrunSettings();
    CCriticalSectionLock lock(g_csLists);
    g_Sites.RemoveAll();
    g_Events.RemoveAll();
}

CString CVeilrunWorld::TestKeyPath(const char* below) const {
    return CString("HKEY_CURRENT_USER\\") + m_key.SubKey() + "\\" + below;
}

CString RegistryText(const CString& keyPath, const char* name) {
    CRegistryValue value;
    if (!CRegistryKey(keyPath).QueryValue(name, value) || value.m_dwType != REG_SZ) return CString();
    return CString(reinterpret_cast<const char*>(value.m_data));
}

long RegistryNumber(const CString& keyPath, const char* name) {
    CRegistryValue value;
    if (!CRegistryKey(keyPath).QueryValue(name, value) || value.m_dwType != REG_DWORD) return -1;
    return long(*reinterpret_cast<const DWORD*>(value.m_data));
}

bool InCache(const char* url) {
    DWORD size = 0;
    GetUrlCacheEntryInfoA(url, nullptr, &size);
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

bool AddCacheEntry(const char* url, DWORD type, const std::string& header, CString* file) {
    char local[MAX_PATH] = "";
    if (type == NORMAL_CACHE_ENTRY) {
        if (!CreateUrlCacheEntryA(url, 0, "html", local, 0)) return false;
        HANDLE h = CreateFileA(local, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, "<html></html>", 13, &written, nullptr);
        CloseHandle(h);
        if (file) *file = local;
    }
    FILETIME zero = {};
    return CommitUrlCacheEntryA(url, type == NORMAL_CACHE_ENTRY ? local : nullptr, zero, zero, type,
                                header.empty() ? nullptr : reinterpret_cast<BYTE*>(const_cast<char*>(header.data())),
                                DWORD(header.size()), nullptr, nullptr) != FALSE;
}
