#include "command_table.h"

#include "hotkey_text.h"
#include "ini_section.h"
#include "show_cmd.h"


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

void CommandTable::LoadFrom(const IniSection& section)
{
    for (std::size_t i = 0;; ++i) {
        const std::string* caption = section.Find(CmdTableKey(i, ".caption").c_str());
        if (caption == nullptr || caption->empty()) break;

        Command command;
        SplitCaption(caption->c_str(), command.path, command.name);
        if (const std::string* v = section.Find(CmdTableKey(i, ".cmdline").c_str())) command.cmdline = *v;
        if (const std::string* v = section.Find(CmdTableKey(i, ".cmdline.dir").c_str())) command.dir = *v;
        const std::string* show = section.Find(CmdTableKey(i, ".cmdline.showcmd").c_str());
        command.showCmd = show ? ShowCmdFromName(show->c_str()) : 1;
        if (const std::string* v = section.Find(CmdTableKey(i, ".cmdline.env").c_str())) command.envFile = *v;
        // A hotkey that reads only in part keeps what was read up to the fault.
        if (const std::string* v = section.Find(CmdTableKey(i, ".hotkey").c_str())) {
            ParseHotkey(v->c_str(), command.virtualKey, command.modifiers);
        }
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
