#include "command_table.h"

#include "hotkey_text.h"
#include "ini_section.h"
#include "show_cmd.h"

#include <array>
#include <cstring>

std::string CmdTableKey(std::size_t index, const char* field)
{
    // Formed by hand: six keys a command, at every load and save.
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + index % 10);
        index /= 10;
    } while (index != 0);
    std::string key("cmd[", 4);
    key.append(p, end);
    key.push_back(']');
    key.append(field);
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
void AppendLine(std::string& text, const char* prefix, const char* field, const std::string& value)
{
    text += prefix;
    text += field;
    const std::size_t start = text.size();
    text += value;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n' || text[i] == '\0') text[i] = ' ';
    }
    text += "\r\n";
}

} // namespace

std::string CommandTable::ToText() const
{
    std::string text;
    text.reserve(commands_.size() * 160);
    std::string hotkey;
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        const Command& c = commands_[i];
        const std::string key = CmdTableKey(i, ".");
        const char* const prefix = key.c_str();
        FormatHotkey(c.virtualKey, c.modifiers, hotkey);
        AppendLine(text, prefix, "caption=", JoinPath(c.path));
        AppendLine(text, prefix, "cmdline=", c.cmdline);
        AppendLine(text, prefix, "cmdline.dir=", c.dir);
        AppendLine(text, prefix, "cmdline.showcmd=", ShowCmdToName(c.showCmd));
        AppendLine(text, prefix, "cmdline.env=", c.envFile);
        AppendLine(text, prefix, "hotkey=", hotkey);
    }
    return text;
}

std::vector<std::string> CommandTable::ToLines() const
{
    const std::string text = ToText();
    std::vector<std::string> lines;
    lines.reserve(commands_.size() * 6);
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}
