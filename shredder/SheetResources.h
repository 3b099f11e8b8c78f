// SheetResources.h - resource ids of Grindel's property sheet, its pages and
// their dialogs, shared by resources/Grindel/Sheet.rc and the code.
#pragma once

#define IDI_GRINDEL 128

#define IDD_PAGE_OPTIONS 104
#define IDD_PAGE_FILES 105
#define IDD_PAGE_FOLDERS 106
#define IDD_PAGE_DRIVE 107
#define IDD_PAGE_RECYCLE 108
#define IDD_PAGE_SCHEDULER 109
#define IDD_ABOUT 130
#define IDD_ALGORITHM_EDITOR 131
#define IDD_DRIVE_OPTIONS 132
#define IDD_TASK_NAME 138
#define IDD_SUBFOLDER_OPTIONS 139

#define IDC_SHEET_HELP 9
#define IDM_ABOUT 16

// Shred Options page.
#define IDC_ALGORITHM 1001
#define IDC_DESCRIPTION 1002
#define IDC_EDIT_ALGORITHM 1015
#define IDC_DELETE_ALGORITHM 1017
#define IDC_NEW_ALGORITHM 1018
#define IDC_LIVE_UPDATE 1038
#define IDC_GROUP_ALGORITHM 1043
#define IDC_GROUP_UPDATE 1057
#define IDC_GROUP_LANGUAGE 1041
#define IDC_SKIN 1045
#define IDC_LANGUAGE 1056

// Algorithm editor.
#define IDC_PASSES 1000
#define IDC_PATTERN 1019
#define IDC_PASS_PATTERN 1020
#define IDC_PASS_RANDOM 1021
#define IDC_PASS_COMPLEMENT 1022
#define IDC_SAVE 1023
#define IDC_ALG_DESCRIPTION 1024
#define IDC_ALG_NAME 1025
#define IDC_ADD_PASS 1028
#define IDC_DELETE_PASS 1029
#define IDC_MOVE_UP 1030
#define IDC_MOVE_DOWN 1031

// Shred Files / Shred Folders pages.
#define IDC_BROWSE 1001
#define IDC_REMOVE_ITEM 1002
#define IDC_SHRED_NOW 1003
#define IDC_SCHEDULE 1004
#define IDC_SUBFOLDER_OPTIONS 1005
#define IDC_REMOVE_ALL 1006
#define IDC_FILE_LIST 1008
#define IDC_FOLDER_LIST 1010
#define IDC_PAGE_GROUP 1043
#define IDC_PAGE_HINT 1041

// SubFolder Options dialog.
#define IDC_FOLDER_NEVER 1002
#define IDC_FOLDER_PROMPT 1003
#define IDC_FOLDER_ALWAYS 1004
#define IDC_REMOVE_NEVER 1005
#define IDC_REMOVE_PROMPT 1006
#define IDC_REMOVE_ALWAYS 1007
#define IDC_REMOVE_GROUP 1029

// Shred Drive / Shred Recycle Bin pages and the drive options dialog.
#define IDC_DRIVE_LIST 1005
#define IDC_FREE_SPACE 1006
#define IDC_WHOLE_DRIVE 1007
#define IDC_DRIVE_SHRED_NOW 1035
#define IDC_AFTER_GROUP 1036
#define IDC_LEAVE_DRIVE 1037
#define IDC_FORMAT_DRIVE 1038
#define IDC_DRIVE_GROUP 1041

// Scheduler page and the task-name dialog.
#define IDC_DELETE_TASK 1002
#define IDC_RUN_NOW 1003
#define IDC_DELETE_ALL 1006
#define IDC_TASK_LIST 1011
#define IDC_TASK_PROPERTIES 1036
#define IDC_VIEW_LOG 1038
#define IDC_TASK_NAME 1006
#define IDC_TASK_PROMPT 1043

// About box.
#define IDC_ABOUT_COPYRIGHT 1012
#define IDC_ABOUT_VERSION 1013
#define IDC_ABOUT_LINK 1041
#define IDC_ABOUT_LABEL 1043
#define IDC_ABOUT_ICON 1057
