#pragma once

// Resource identifiers of the daemon, shared by daemon.rc and the code.
#define IDI_KORVANED 103
#define IDS_TRAY_STARTED 137
#define IDS_TRAY_STOPPED 138
// A change of the settings files that could not be loaded: the set runs on.
#define IDS_TRAY_NOT_RELOADED 139
#define IDS_BACKUP_HAS_COMMANDS 140
#define IDS_BACKUP_BALLOON_TITLE 141
#define IDS_HOTKEY_NOT_LOADED 180
#define IDS_MENU_ITEM_FAILED 181
#define IDS_HOTKEY_TAKEN 182
#define IDS_SHELL_SETTINGS_FAILED 190
#define IDS_TABLE_NOT_LOADED 200
#define IDS_NO_MENU_COMMAND 201
#define IDS_NO_HOTKEY_COMMAND 202
// Joins the combinations that one box of 182 names.
#define IDS_HOTKEY_JOINER 183
#define IDS_SESSION_NOT_ENDED 220
