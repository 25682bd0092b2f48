#include "command.h"

#include <utility>

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

constexpr const char* kRunningNames[] = {"start", "activate", "toggle", "cycle"};

} // namespace

std::string_view CommandOption(const std::vector<CommandKey>& keys, std::string_view field)
{
    for (const CommandKey& key : keys) {
        if (EqualsNoCase(key.field, field)) return key.value;
    }
    return {};
}

void SetCommandOption(std::vector<CommandKey>& keys, std::string_view field, std::string_view value)
{
    // Plain loops: the daemon carries this, and every byte of it counts.
    std::size_t kept = 0;
    bool set = false;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (EqualsNoCase(keys[i].field, field)) {
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
        if (EqualsNoCase(value, kRunningNames[i])) return static_cast<RunningMode>(i);
    }
    return RunningMode::kStart;
}

const char* RunningModeName(RunningMode mode)
{
    return kRunningNames[static_cast<int>(mode)];
}

bool RunsAsAdmin(std::string_view value)
{
    return EqualsNoCase(value, "admin");
}

bool MergesEnvironment(std::string_view value)
{
    return EqualsNoCase(value, "merge");
}
