// resource.h - Blokkum's resource ids: dialogs, icons, the tray menu and its
// commands, control ids and string resources. Shared by Blokkum.rc and the code.
#pragma once

#define IDD_POPUP_COUNT 101
#define IDD_POPUPS_PAGE 106

#define IDR_TRAY_MENU 130
#define IDI_CATCHING_ON 133
#define IDI_CATCHING_OFF 136
#define IDI_BLOKKUM 143

#define IDS_ABOUTBOX 101
#define IDS_SOCKETS_INIT_FAILED 103

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
