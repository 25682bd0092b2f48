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
    char prefix[48];
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        const Command& c = commands_[i];
        std::snprintf(prefix, sizeof prefix, "cmd[%zu].", i);
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
