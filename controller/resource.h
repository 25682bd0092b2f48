#pragma once

// Resource identifiers of korvopt.

#define IDD_COMMAND_TABLE      105
#define IDD_SHELL_EXTENSION    106
#define IDD_PROGRAM_INFO       108
#define IDD_COMMAND_EDIT       109
#define IDD_RESTORE            110
#define IDM_CONTEXT            4

#define IDS_MAILTO             2
#define IDS_BROWSE_TITLE       12
#define IDS_WEBSITE            41
#define IDS_SHEET_CAPTION      101
#define IDS_SHOW_NORMAL        102
#define IDS_SHOW_MAXIMIZED     103
#define IDS_SHOW_MINIMIZED     104
#define IDS_BROWSE_FILTER      106
#define IDS_INVALID_GROUP      108
#define IDS_BAD_COMMAND_NAME   109
#define IDS_TABLE_NOT_SAVABLE  110
#define IDS_NAME_TAKEN         111
#define IDS_COPY_SUFFIX        130
#define IDS_TABLE_NAME_TWICE   112
#define IDS_EDITOR_RUNNING     113
#define IDS_TABLE_WRITE_FAILED 120
#define IDS_SHELL_WRITE_FAILED 121
#define IDS_RUNNING_START      140
#define IDS_RUNNING_ACTIVATE   141
#define IDS_RUNNING_TOGGLE     142
#define IDS_RUNNING_CYCLE      143
#define IDS_RUN_FAILED         160
#define IDS_RUN_ENV_FAILED     161
#define IDS_RUN_SERVICE_DONE   162
#define IDS_RUN_NO_DAEMON      163
#define IDS_RUN_SERVICE_FAILED 164
#define IDS_RUN_NOTHING        165
#define IDS_RUN_STARTED        166
#define IDS_HOTKEY_FREE        167
#define IDS_HOTKEY_USED        168
#define IDS_HOTKEY_TAKEN       169
#define IDS_HOTKEY_RESERVED    170
#define IDS_HOTKEY_ASK         171
#define IDS_HOTKEY_ASK_TITLE   172
#define IDS_RESTORE_TIME       173
#define IDS_RESTORE_COMMANDS   174
#define IDS_RESTORE_UNREADABLE 175
#define IDS_RESTORE_FAILED     176

// Command table page
#define IDC_TREE               1000
#define IDC_NEW                1002
#define IDC_EDIT               1003
#define IDC_UP                 1005
#define IDC_DOWN               1006
#define IDC_SAVE               1024
#define IDC_DELETE             1025
#define IDC_FILTER             1060
#define IDC_FILTER_LABEL       1061
#define IDC_DUPLICATE          1062
#define IDC_RESTORE            1063

// Restore dialog
#define IDC_BACKUP_LIST        1080
#define IDC_RESTORE_NONE       1081

// Command edit dialog
#define IDC_CAPTION            1011
#define IDC_CMDLINE            1013
#define IDC_BROWSE             1014
#define IDC_DIR                1015
#define IDC_ENVFILE            1016
#define IDC_SHOWCMD            1017
#define IDC_CONTROL            1029
#define IDC_ALT                1030
#define IDC_SHIFT              1031
#define IDC_WIN                1032
#define IDC_KEY                1033
#define IDC_RUNNING            1034
#define IDC_WINDOW_TITLE       1035
#define IDC_RUNAS              1036
#define IDC_ENVMODE            1037
#define IDC_HOTKEY_STATE       1070
#define IDC_ICON_PATH          1071
#define IDC_ICON_BROWSE        1072
#define IDC_RUN_NOW            1073
#define IDC_RUN_RESULT         1074

// Shell extension page
#define IDC_TRANSLUCENT_INFO   1001
#define IDC_HIDE_ICONS         1014
#define IDC_TRANSLUCENT        1016
#define IDC_OPACITY            1017
#define IDC_TRANSPARENT_LABEL  1018
#define IDC_OPAQUE_LABEL       1019
#define IDC_CURRENT_LABEL      1020
#define IDC_HIDE_TASKBAR       1050

// Program information page
#define IDC_EMAIL              1007
#define IDC_WEBSITE            1008
#define IDC_VERSION            1009
