#include "command_table.h"

#include "hotkey_text.h"
#include "ini_section.h"
#include "show_cmd.h"

#include <array>
#include <cstdio>
#include <cstring>

std::string CmdTableKey(std::size_t index, const char* field)
{
    char key[64];
    std::snprintf(key, sizeof key, "cmd[%zu]%s", index, field);
    return key;
}

namespace {

// The fields of a command in the order of kFields.
enum Field { kCaption, kCmdline, kDir, kShowCmd, kEnv, kHotkey, kFieldCount };
constexpr const char* kFields[kFieldCount] = {".caption", ".cmdline", ".cmdline.dir", ".cmdline.showcmd",
                                              ".cmdline.env", ".hotkey"};

// The index and field of a key as CmdTableKey writes it (in lower case):
// "cmd[", the index in decimal without leading zeros, "]" and a field name.
// Indexes of `limit` or more are refused: no load reaches them.
bool ParseKey(const char* key, std::size_t limit, std::size_t& index, Field& field)
{
    if (std::strncmp(key, "cmd[", 4) != 0) return false;
    const char* p = key + 4;
    if (*p < '0' || *p > '9' || (*p == '0' && p[1] != ']')) return false;
    index = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        index = index * 10 + static_cast<std::size_t>(*p - '0');
        if (index >= limit) return false;
    }
    if (*p++ != ']') return false;
    for (int f = 0; f < kFieldCount; ++f) {
        if (std::strcmp(p, kFields[f]) == 0) {
            field = static_cast<Field>(f);
            return true;
        }
    }
    return false;
}

} // namespace

void CommandTable::LoadFrom(const IniSection& section)
{
    // One pass over the lines instead of six lookups per command: the first
    // value of each index and field, as a lookup by key would find it.
    const std::size_t limit = section.Size();
    std::vector<std::array<const char*, kFieldCount>> fields;
    section.ForEach([&](const char* key, const char* value) {
        std::size_t index = 0;
        Field field = kCaption;
        if (!ParseKey(key, limit, index, field)) return;
        if (index >= fields.size()) fields.resize(index + 1, std::array<const char*, kFieldCount>{});
        if (fields[index][field] == nullptr) fields[index][field] = value;
    });
    commands_.reserve(commands_.size() + fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        if (f[kCaption] == nullptr || f[kCaption][0] == '\0') break;

        Command command;
        SplitCaption(f[kCaption], command.path, command.name);
        if (f[kCmdline]) command.cmdline = f[kCmdline];
        if (f[kDir]) command.dir = f[kDir];
        command.showCmd = f[kShowCmd] ? ShowCmdFromName(f[kShowCmd]) : 1;
        if (f[kEnv]) command.envFile = f[kEnv];
        // A hotkey that reads only in part keeps what was read up to the fault.
        if (f[kHotkey]) ParseHotkey(f[kHotkey], command.virtualKey, command.modifiers);
        commands_.push_back(std::move(command));
    }
}

namespace {

// A value is one line of the file: a line break (or a NUL, which ends the
// line in the written block) would cut it and start a key of its own there.
std::string OneLine(std::string value)
{
    for (char& c : value) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    return value;
}

} // namespace

std::vector<std::string> CommandTable::ToLines() const
{
    std::vector<std::string> lines;
    lines.reserve(commands_.size() * 6);
    std::string hotkey;
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        const Command& c = commands_[i];
        FormatHotkey(c.virtualKey, c.modifiers, hotkey);
        lines.push_back(CmdTableKey(i, ".caption=") + OneLine(JoinPath(c.path)));
        lines.push_back(CmdTableKey(i, ".cmdline=") + OneLine(c.cmdline));
        lines.push_back(CmdTableKey(i, ".cmdline.dir=") + OneLine(c.dir));
        lines.push_back(CmdTableKey(i, ".cmdline.showcmd=") + ShowCmdToName(c.showCmd));
        lines.push_back(CmdTableKey(i, ".cmdline.env=") + OneLine(c.envFile));
        lines.push_back(CmdTableKey(i, ".hotkey=") + hotkey);
    }
    return lines;
}
