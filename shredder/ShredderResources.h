// ShredderResources.h - resource ids of Grindel's dialogs and strings,
// shared by the resource script and the code.
#pragma once

#define IDS_SHEET_CAPTION 103
#define IDS_ABOUT_MENU 105

#define IDD_ALERT 129
#define IDC_ALERT_CHECK 1007
#define IDC_ALERT_TEXT 1008

#define IDD_PROGRESS 137
#define IDC_PROGRESS_JOB 1014
#define IDC_PROGRESS_ITEM 1024
#define IDC_PROGRESS_PASS 1025
#define IDC_PROGRESS_PASSBAR 1027

#define IDD_DRIVE_OPTIONS 132
#define IDC_DRIVE_FREE_SPACE 1006
#define IDC_DRIVE_WHOLE 1007
#define IDC_DRIVE_AFTER_GROUP 1036
#define IDC_DRIVE_LEAVE 1037
#define IDC_DRIVE_FORMAT 1038
