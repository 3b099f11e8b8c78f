#include "VeilrunTestSupport.h"

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
