#pragma once

// Dialog, controls and strings of korvswt (2001 and 2002 come from the shared script).
#define IDD_SWITCH 101
#define IDC_PATH 102
#define IDC_BROWSE 103
#define IDS_BROWSE_TITLE 104
#define IDS_SAVE_FAILED 105
#define IDS_EDITOR_OPEN 106
#define IDS_PATH_TOO_LONG 107
