#pragma once

#include <string>

// Modifier flags of a hotkey: the platform's MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN.
enum HotkeyModifier : int {
    kModAlt = 1,
    kModCtrl = 2,
    kModShift = 4,
    kModWin = 8,
};

struct KeyNameRow {
    unsigned char code;
    char name[32];
};

constexpr int kKeyNameCount = 172;
extern const KeyNameRow KeyNameTable[kKeyNameCount];

// The key name at the start of `text`: its code, or 0. On a match, *after
// (when given) points just past the name.
int KeyFromName(const char* text, const char** after = nullptr);

// Appends the first name of `code` (low 8 bits) to target; false when none.
bool KeyToName(int code, std::string& target);

// Reads hotkey text such as "Ctrl+Alt+E". True when the whole text was read;
// on false, key and modifiers keep what was read before the fault.
bool ParseHotkey(const char* text, int& key, int& modifiers);

// Replaces target with the hotkey text; the result is that of KeyToName.
bool FormatHotkey(int key, int modifiers, std::string& target);
