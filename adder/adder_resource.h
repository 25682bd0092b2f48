#pragma once

// Strings of korvadd (2001 and 2002 come from the shared script).
#define IDS_INVALID_COMMAND_NAME 101
#define IDS_SAVE_FAILED 102
#define IDS_EDITOR_OPEN 103
