// ZoneBackup.h - BackupZoneSettings: the ActiveX actions of Internet
// Explorer's four security zones saved to <Path>\acRs.ini before Blokkum's
// Web Zone page may change them; Blokkout writes them back at uninstall.
// An action without a 4-byte value is written as BLOKKUM_ZONE_VALUE_ABSENT,
// never as another action's value. What the Web Zone page writes is recorded
// under Blokkum's key, so that the restore gives back only actions that
// still hold Blokkum's value (one changed elsewhere since stays), and a
// backup made again never takes Blokkum's value for the user's.
// Deliberately not: the restore.
#pragma once

#include <windows.h>

#include "BlokkumShared.h"
#include "Strings.h"

#define BLOKKUM_ZONES_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones"

struct ZoneSection {
    int zone;
    const char* section;
};
// Zones 1-4 and their acRs.ini sections, in file order.
extern const ZoneSection kZoneSections[4];
// The action numbers saved in every section, in file order.
extern const char* const kZoneActions[5];

// Empties (or creates) acRs.ini and writes 4 sections of 5 keys; false when
// the file cannot be created. An action that holds what Blokkum recorded
// writing (under blokkumKey) keeps the value the earlier file saved for it.
bool BackupZoneSettings(const CString& programFolder, HKEY root = HKEY_CURRENT_USER,
                        const char* zonesKey = BLOKKUM_ZONES_KEY, const CString& blokkumKey = BLOKKUM_REGISTRY_KEY);

// <blokkumKey>\Zone Setting: per zone a subkey "<n>" holding, per action,
// the value Blokkum last wrote.
CString ZoneRecordKey(const CString& blokkumKey, int zone);
void RecordZoneAction(HKEY root, const CString& blokkumKey, int zone, const char* action, DWORD value);
// Whether value is what Blokkum last wrote to the action; false when it
// never wrote it.
bool IsRecordedZoneAction(HKEY root, const CString& blokkumKey, int zone, const char* action, DWORD value);
