// BootlistResources.h - resource ids of Bootlist's forms, menu and version
// resource, shared by the resource script and the code.
#pragma once

#define IDD_FRMMAIN 101
#define IDD_FRMADDTASK 102
#define IDD_FRMABOUT 103
#define IDR_MAINMENU 110

// frmMain
#define IDC_LISTVIEW1 1001
#define IDC_CMDADDTASK 1002
#define IDC_CMDRESET 1003
#define IDC_CMDREMOVE 1004
#define IDC_CMDDISABLE 1005
#define IDC_LBLNOTE 1006
#define IDC_LABEL1 1007
#define IDC_LABEL3 1008
#define IDC_COMBOLANG 1009

// frmMain's menu
#define IDM_AUTO 2001
#define IDM_CONFIG 2002
#define IDM_REGISTRY 2003
#define IDM_SAVEPROF 2011
#define IDM_LOADPROF 2012
#define IDM_APP_REST 2021
#define IDM_APP_LOG 2022
#define IDM_APP_EXIT 2023
#define IDM_APP_JUST 2024
#define IDM_HELPINDEX 2031
#define IDM_UPDATE 2032
#define IDM_ABOUT 2033

// frmAddTask
#define IDC_TXTNAME 1101
#define IDC_TXTLOCATION 1102
#define IDC_COMBO1 1103
#define IDC_COMMAND1 1104
#define IDC_CMDADD 1105
#define IDC_CMDCANCEL 1106
#define IDC_ADD_LABEL1 1107
#define IDC_ADD_LABEL3 1108
#define IDC_ADD_LABEL5 1109

// frmAbout
#define IDC_LBLTITLE 1201
#define IDC_LBLVERSION 1202
#define IDC_LBLDESCRIPTION 1203
#define IDC_LBLDISCLAIMER 1204
#define IDC_CMDOK 1205
#define IDC_CMDSYSINFO 1206
