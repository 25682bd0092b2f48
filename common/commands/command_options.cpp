#include "commands/command.h"

#include "settings/ascii_case.h"

#include <utility>

namespace {

constexpr const char* kRunningNames[] = {"start", "activate", "toggle", "cycle"};

} // namespace

std::string_view CommandOption(const std::vector<CommandKey>& keys, std::string_view field)
{
    for (const CommandKey& key : keys) {
        if (EqualsAsciiNoCase(key.field, field)) return key.value;
    }
    return {};
}

void SetCommandOption(std::vector<CommandKey>& keys, std::string_view field, std::string_view value)
{
    // Plain loops: the daemon carries this, and every byte of it counts.
    std::size_t kept = 0;
    bool set = false;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (EqualsAsciiNoCase(keys[i].field, field)) {
            if (value.empty()) continue;
            if (!set) keys[i].value.assign(value);
            set = true;
        }
        if (kept != i) keys[kept] = std::move(keys[i]);
        ++kept;
    }
    keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(kept), keys.end());
    if (!set && !value.empty()) keys.push_back(CommandKey{std::string(field), std::string(value)});
}

RunningMode ParseRunningMode(std::string_view value)
{
    for (int i = 1; i < 4; ++i) {
        if (EqualsAsciiNoCase(value, kRunningNames[i])) return static_cast<RunningMode>(i);
    }
    return RunningMode::kStart;
}

const char* RunningModeName(RunningMode mode)
{
    return kRunningNames[static_cast<int>(mode)];
}

bool RunsAsAdmin(std::string_view value)
{
    return EqualsAsciiNoCase(value, "admin");
}

bool MergesEnvironment(std::string_view value)
{
    return EqualsAsciiNoCase(value, "merge");
}
