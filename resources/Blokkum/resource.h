// resource.h - Blokkum's resource ids: dialogs, icons, the tray menu and its
// commands, control ids and string resources. Shared by Blokkum.rc and the code.
#pragma once

#define IDD_POPUP_COUNT 101
#define IDD_POPUPS_PAGE 106
#define IDD_OPTIONS_PAGE 107

#define IDR_TRAY_MENU 130
#define IDI_CATCHING_ON 133
#define IDI_CATCHING_OFF 136
#define IDI_BLOKKUM 143

#define IDS_ABOUTBOX 101
#define IDS_SOCKETS_INIT_FAILED 103
// The set-up wizard's caption (BlokkumDialogIds.h names it too).
#define IDS_WIZARD_CAPTION 104

// Tray menu commands.
#define ID_TRAY_SHOWHIDE 32771
#define ID_TRAY_CATCHING 32772
#define ID_TRAY_EXIT 32775
#define ID_TRAY_SHOW_COUNTER 32777
#define ID_TRAY_CLEAR_COUNTER 32778
#define ID_TRAY_BANNERS 32779
#define ID_TRAY_ABOUT 32780
#define ID_TRAY_HELP 9

// Popups page controls.
#define IDC_CATCHING 1000
#define IDC_SOUND 1001
#define IDC_BANNERS 1030
#define IDC_SET_PROXY 1019
#define IDC_RESET_PROXY 1020
#define IDC_NOT_CONFIGURED 1033
#define IDC_CONFIGURE_GROUP 1015

// Counter window controls.
#define IDC_COUNT_TEXT 1005
#define IDC_COUNT 1013
#define IDC_COUNT_SINCE 1014

// General Options page controls.
#define IDC_STARTUP_GROUP 1005
#define IDC_STARTUP_WINDOWS 1006
#define IDC_STARTUP_MANUAL 1007
#define IDC_STARTUP_IE 1008
#define IDC_GENERAL_GROUP 1009
#define IDC_LANGUAGE 1010
#define IDC_LANGUAGE_GROUP 1015
#define IDC_SOUND_TEST 1019
#define IDC_ON_TOP 1020
#define IDC_CLOSE_TO_TRAY 1021
#define IDC_SOUND_GROUP 1027
#define IDC_SOUND_CURRENT 1028
#define IDC_SOUND_CURRENT_LABEL 1029
#define IDC_SOUND_CHANGE_LABEL 1030
#define IDC_SOUND_LIST 1032
