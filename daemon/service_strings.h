#pragma once

// String identifiers of command execution and the built-in services.
#define IDS_ASK_LOGOFF 110
#define IDS_ASK_REBOOT 111
#define IDS_ASK_SHUTDOWN 112
#define IDS_ASK_TITLE 113
#define IDS_ASK_EXIT 114
#define IDS_CANNOT_RUN 210
#define IDS_CANNOT_RUN_ENV 211
#define IDS_BAD_SERVICE 212
