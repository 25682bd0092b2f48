#pragma once

#include "commands/command_path.h"

#include <string>
#include <string_view>
#include <vector>

// Value of menuId and hotkeyId before the daemon assigns one; no lookup matches it.
constexpr int kNoId = -1;

// A key of a command beyond its six: one of the options below, or a key of
// a newer version, kept as it was read. `field` is the key after "cmd[N]",
// for example ".running".
struct CommandKey {
    std::string field;
    std::string value;
};

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
    // In stored order; written after the six keys. Empty for most commands.
    std::vector<CommandKey> moreKeys;
};

// The options a command may carry; each is stored only when it is set.
constexpr const char kRunningField[] = ".running";
constexpr const char kWindowField[] = ".window";
constexpr const char kRunAsField[] = ".runas";
constexpr const char kEnvModeField[] = ".cmdline.envmode";
constexpr const char kIconField[] = ".icon";

// The value of the first of the further keys named `field` (ASCII case
// ignored), or an empty view.
std::string_view CommandOption(const std::vector<CommandKey>& keys, std::string_view field);
inline std::string_view CommandOption(const Command& command, std::string_view field)
{
    return CommandOption(command.moreKeys, field);
}
// Sets that value where the key stands, appends the key when there is none,
// and removes every key of that name for an empty value.
void SetCommandOption(std::vector<CommandKey>& keys, std::string_view field, std::string_view value);
inline void SetCommandOption(Command& command, std::string_view field, std::string_view value)
{
    SetCommandOption(command.moreKeys, field, value);
}

// What a hotkey or a menu choice does when the program already has a window.
enum class RunningMode { kStart, kActivate, kToggle, kCycle };
// Unknown or empty values read as kStart, the behaviour without the option.
RunningMode ParseRunningMode(std::string_view value);
// "start", "activate", "toggle" or "cycle".
const char* RunningModeName(RunningMode mode);

// True for "admin" (ASCII case ignored): the command starts elevated.
bool RunsAsAdmin(std::string_view value);
// True for "merge" (ASCII case ignored): the environment file's lines are
// added to the current environment instead of replacing it.
bool MergesEnvironment(std::string_view value);
