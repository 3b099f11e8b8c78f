// BlokkumDialogIds.h - the resource ids of Blokkum's set-up wizard, Web Zone
// page, About box and start notice, shared by their classes and by
// resources/Blokkum/BlokkumDialogs.rc. Controls keep the numbers the
// language packs and the other pages know them by, so one number may name
// different controls on different pages.
// Deliberately not: the ids of the tray sheet, its other pages or the
// counter window (Blokkum.rc owns those).
#pragma once

// Dialog templates.
#define IDD_BLOKKUM_ABOUT 100
#define IDD_WEB_ZONE_PAGE 108
#define IDD_WIZARD_BROWSERS 113
#define IDD_WIZARD_CONNECTIONS 114
#define IDD_WIZARD_PROFILES 115
#define IDD_WIZARD_FINISH 116
#define IDD_START_NOTICE 156

// The wizard's caption string (Blokkum.rc's string table holds it).
#define IDS_WIZARD_CAPTION 104

// Icons of the four security zones, in the zone list's order, and the
// wizard's picture.
#define IDI_ZONE_INTRANET 141
#define IDI_ZONE_TRUSTED 139
#define IDI_ZONE_INTERNET 140
#define IDI_ZONE_RESTRICTED 142
#define IDI_BLOKKUM 143
#define IDB_BROWSER 158

// The skin control's place on most dialogs (page 4 of the wizard: 1068).
#define IDC_SKIN 1034
#define IDC_SKIN_FINISH 1068

// Wizard page 1.
#define IDC_WIZ_INSTRUCTION 1027
#define IDC_WIZ_NOTE 1028
#define IDC_WIZ_IE 1064
#define IDC_WIZ_NETSCAPE 1065
#define IDC_WIZ_OPERA 1066
// Wizard page 2 (1027 and 1028 are its notes too).
#define IDC_WIZ_OPERA_GROUP 1015
#define IDC_WIZ_OPERA6 1121
#define IDC_WIZ_OPERA7 1122
#define IDC_WIZ_CONNECTION_GROUP 1009
#define IDC_WIZ_LAN 1064
#define IDC_WIZ_DIALUP 1120
#define IDC_WIZ_CONNECTIONS 1119
#define IDC_WIZ_CHECK_ALL 1074
#define IDC_WIZ_UNCHECK_ALL 1075
// Wizard page 3 (1009 is its note, 1015 its group).
#define IDC_WIZ_PROFILES 1125
#define IDC_WIZ_PROFILE_NOTE 1009
#define IDC_WIZ_PROFILE_GROUP 1015
// Wizard page 4.
#define IDC_WIZ_FINISH_TEXT 1009

// Web Zone page.
#define IDC_ZONE_LABEL 1022
#define IDC_ZONE_LIST 1023
#define IDC_ZONE_SIGNED_GROUP 1015
#define IDC_ZONE_UNSIGNED_GROUP 1009
#define IDC_ZONE_UNSAFE_GROUP 1027
#define IDC_ZONE_SAFE_GROUP 1028
#define IDC_ZONE_RUN_GROUP 1029
#define IDC_ZONE_NOTE 1074
#define IDC_ZONE_SKIN 1040

// About box and start notice.
#define IDC_ABOUT_COPYRIGHT 1047
#define IDC_ABOUT_VERSION_LABEL 1005
#define IDC_ABOUT_VERSION 1046
#define IDC_ABOUT_LINK 1019
#define IDC_NOTICE_TEXT 1045
#define IDC_NOTICE_DONT_SHOW 1044
