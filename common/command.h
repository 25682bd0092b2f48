#pragma once

#include "command_path.h"

#include <string>

// Value of menuId and hotkeyId before the daemon assigns one; no lookup matches it.
constexpr int kNoId = -1;

struct Command {
    CommandPath path;
    std::string name;      // the last level of the caption
    std::string cmdline;
    std::string dir;
    int showCmd = 1;       // SW_SHOWNORMAL
    std::string envFile;
    int menuId = kNoId;
    int hotkeyId = kNoId;
    int virtualKey = 0;    // 0: no hotkey
    int modifiers = 0;
};
