#pragma once

#include "commands/command.h"
#include "settings/ini_text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class IniSection;
class SettingsFile;

constexpr const char kCmdTableSection[] = "CmdTable";

// The key of one field of command `index` in the CmdTable section,
// for example CmdTableKey(1, ".cmdline.dir") = "cmd[1].cmdline.dir".
std::string CmdTableKey(std::size_t index, const char* field);

// The user's commands in stored order.
class CommandTable {
public:
    // Appends the commands stored in the file's CmdTable section.
    bool Load(const SettingsFile& file);
    // Replaces the CmdTable section; false when the file could not be written.
    bool Save(SettingsFile& file) const;

    // The commands of a section that was read, in the order of their
    // indexes: an index whose caption is missing or empty holds none, and
    // the numbering may have gaps (a save numbers the commands from 0 again).
    void LoadFrom(const IniSection& section);
    // The same from a settings file's whole text (its first CmdTable section).
    void LoadFromText(std::string_view text);
    // The key=value lines of every command in stored order (its six keys,
    // then its further keys), then the section's lines of no command.
    std::vector<std::string> ToLines() const;
    // The same lines as one text, each ended by CRLF.
    std::string ToText() const;
    // Appends the lines of the commands from `first` on until the text holds
    // `limit` bytes or more; the index after the last command appended.
    std::size_t AppendText(std::size_t first, std::size_t limit, std::string& text) const;
    // The same lines for a write that streams them: pieces of about
    // `pieceSize` bytes, each one buffer's content (an empty table gives one
    // empty piece). Valid while the table is unchanged.
    IniLines TextPieces(std::size_t pieceSize) const;

    void Append(const Command& command) { commands_.push_back(command); }
    void Append(Command&& command) { commands_.push_back(std::move(command)); }
    std::size_t Size() const { return commands_.size(); }
    bool Empty() const { return commands_.empty(); }
    Command& operator[](std::size_t i) { return commands_[i]; }
    const Command& operator[](std::size_t i) const { return commands_[i]; }
    std::vector<Command>::iterator begin() { return commands_.begin(); }
    std::vector<Command>::iterator end() { return commands_.end(); }
    std::vector<Command>::const_iterator begin() const { return commands_.begin(); }
    std::vector<Command>::const_iterator end() const { return commands_.end(); }
    void Clear()
    {
        commands_.clear();
        otherLines_.clear();
    }

    // Lines of the section that belong to no command ("key=value" or a bare
    // key), in stored order: a save writes them back after the commands.
    const std::vector<std::string>& OtherLines() const { return otherLines_; }
    void SetOtherLines(std::vector<std::string> lines) { otherLines_ = std::move(lines); }

private:
    std::vector<Command> commands_;
    std::vector<std::string> otherLines_;
};
