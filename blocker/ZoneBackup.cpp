#include "ZoneBackup.h"

#include "BlokkumShared.h"
#include "Files.h"
#include "Handles.h"
#include "Registry.h"

const ZoneSection kZoneSections[4] = {
    {1, "Local Intranet"}, {2, "Trusted Sites"}, {3, "Internet"}, {4, "Restricted Sites"}};
const char* const kZoneActions[5] = {"1001", "1004", "1201", "1200", "1405"};

bool BackupZoneSettings(const CString& programFolder, HKEY root, const char* zonesKey, const CString& blokkumKey) {
    const CString path = JoinPath(programFolder, BLOKKUM_ZONE_BACKUP_FILE);
    // A first run again (a reinstall over Blokkum) finds Blokkum's own
    // actions where the Web Zone page wrote them: those keep what the earlier
    // backup saved, or the user's actions would be lost for Blokkum's.
    CString earlier[4][5];
    for (int z = 0; z < 4; ++z)
        for (int a = 0; a < 5; ++a) {
            char text[64] = {};
            GetPrivateProfileStringA(kZoneSections[z].section, kZoneActions[a], "", text, sizeof text, path);
            earlier[z][a] = text;
        }
    {
        CHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) return false;
    }
    for (int z = 0; z < 4; ++z) {
        CString subKey;
        subKey.Format("%s\\%d", zonesKey, kZoneSections[z].zone);
        CRegKey key;
        key.Open(root, subKey);
        for (int a = 0; a < 5; ++a) {
            const char* action = kZoneActions[a];
            CString bytes;
            DWORD type = REG_NONE;
            CString text = BLOKKUM_ZONE_VALUE_ABSENT;
            if (key.IsOpen() && key.QueryBinary(action, bytes, &type) == ERROR_SUCCESS && bytes.GetLength() == 4 &&
                (type == REG_DWORD || type == REG_BINARY)) {
                LONG value = 0;
                memcpy(&value, bytes.c_str(), 4);
                text.Format("%ld", value);
                if (!earlier[z][a].IsEmpty() &&
                    IsRecordedZoneAction(root, blokkumKey, kZoneSections[z].zone, action, DWORD(value)))
                    text = earlier[z][a];
            }
            WritePrivateProfileStringA(kZoneSections[z].section, action, text, path);
        }
    }
    return true;
}

CString ZoneRecordKey(const CString& blokkumKey, int zone) {
    CString key;
    key.Format("%s\\Zone Setting\\%d", blokkumKey.c_str(), zone);
    return key;
}

void RecordZoneAction(HKEY root, const CString& blokkumKey, int zone, const char* action, DWORD value) {
    CRegKey key;
    if (key.Create(root, ZoneRecordKey(blokkumKey, zone)) == ERROR_SUCCESS) key.SetDWORD(action, value);
}

bool IsRecordedZoneAction(HKEY root, const CString& blokkumKey, int zone, const char* action, DWORD value) {
    CRegKey key;
    DWORD recorded = 0;
    return key.Open(root, ZoneRecordKey(blokkumKey, zone)) == ERROR_SUCCESS &&
           key.QueryDWORD(action, recorded) == ERROR_SUCCESS && recorded == value;
}
