// BlokkumShared.h - the names by which Blokkum, Blokkjack and Blokkout find
// each other: the registry key and its browser flags, the language section,
// the built-in InstanceTitle, the proxy host alias and port, the window-title
// marker of a caught pop-up, the private messages and the backup file names.
// Each name is chosen once here; the three programs include this header and
// never spell the texts themselves.
// Deliberately not: settings logic (BlokkumSettings.h) or file handling.
#pragma once

#include <windows.h>

// Registry (HKEY_CURRENT_USER).
#define BLOKKUM_REGISTRY_KEY "Software\\Quorvane Blokkum"
#define BLOKKUM_PROXY_SETTING_KEY BLOKKUM_REGISTRY_KEY "\\Proxy Setting"
#define BLOKKUM_RUN_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
#define BLOKKUM_RUN_VALUE "Quorvane Blokkum"

#define BLOKKUM_FLAG_LAN "Lan Is Configured"
#define BLOKKUM_FLAG_DIALUP "DialUp Is Configured"
#define BLOKKUM_FLAG_NETSCAPE "Netscape Is Configured"
#define BLOKKUM_FLAG_OPERA6 "Opera6 Is Configured"
#define BLOKKUM_FLAG_OPERA7 "Opera7 Is Configured"

// Language packs: <Path>\Language\<Language>.ini, one section.
#define BLOKKUM_LANGUAGE_FOLDER "Language"
#define BLOKKUM_LANGUAGE_SECTION "QuorvaneBlokkum"
#define BLOKKUM_DEFAULT_LANGUAGE "English"

// Key 9999: names the single-instance mutex (always this built-in text) and
// titles the hidden window (the active pack's text) that Blokkjack and
// Blokkout look for.
#define BLOKKUM_INSTANCE_TITLE_KEY "9999"
#define BLOKKUM_INSTANCE_TITLE "Quorvane Blokkum Message Window"
#define BLOKKUM_CAPTION_KEY "99990"
#define BLOKKUM_CAPTION "Quorvane Blokkum"

// The browsers reach the proxy as http://<alias>:8100 and the HOSTS file maps
// the alias to the loopback address. A single label: no site on the Internet
// can own that name, so the entry never hides a real host.
#define BLOKKUM_PROXY_HOST_ALIAS "qvblokkum"
#define BLOKKUM_PROXY_ADDRESS "127.0.0.1"
#define BLOKKUM_PROXY_PORT 8100
#define BLOKKUM_PROXY_PORT_TEXT "8100"
#define BLOKKUM_PROXY_TEXT "http=" BLOKKUM_PROXY_HOST_ALIAS ":" BLOKKUM_PROXY_PORT_TEXT

// Written by QVBlk.js into the title of a window it has caught a pop-up in;
// the tray sheet's scan counts it and removes it again. Plain ASCII that no
// page title carries by itself.
#define BLOKKUM_POPUP_TITLE_MARKER "~QVBLK~"

// The attributes of the user's HOSTS file before Blokkum's first change (a
// DWORD under Blokkum's key), given back by the uninstaller.
#define BLOKKUM_HOSTS_ATTRIBUTES_VALUE "Hosts Attributes"

// Private messages posted to the hidden window.
#define WM_LASTBROWSERCLOSED 0x8016
#define WM_UNINSTALLNOTIFY 9000

// Files in the program folder (<Path>).
#define BLOKKUM_PROGRAM_FILE "Blokkum.exe"
#define BLOKKUM_INI_FILE "QVINI.ini"
#define BLOKKUM_SCRIPT_FILE "QVBlk.js"
#define BLOKKUM_HOSTS_BACKUP_FILE "mHosts"
#define BLOKKUM_BANNERS_ON_FILE "hostse"
#define BLOKKUM_BANNERS_OFF_FILE "hostsd"
#define BLOKKUM_ZONE_BACKUP_FILE "acRs.ini"
#define BLOKKUM_SOUNDS_FOLDER "Sounds"
#define BLOKKUM_DEFAULT_SOUND_FILE "PopUp.wav"

// acRs.ini holds this text for an action that had no 4-byte value at backup
// time; the restore leaves such an action as it finds it.
#define BLOKKUM_ZONE_VALUE_ABSENT "absent"
