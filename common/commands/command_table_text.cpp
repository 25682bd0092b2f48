// The table's text as a save writes it, apart from the load: the daemon
// only loads, and the linker keeps every function of an object it takes.
#include "commands/command_table.h"

#include "commands/command_table_key.h"
#include "commands/hotkey_text.h"
#include "commands/show_cmd.h"

#include <cstring>

using namespace command_table_key;

namespace {

// Writes a table's text into a buffer sized beforehand: tens of thousands of
// commands are saved without an allocation per line.
class TextWriter {
public:
    explicit TextWriter(char* p) : p_(p) {}
    void Put(const char* text, std::size_t size)
    {
        std::memcpy(p_, text, size);
        p_ += size;
    }
    // A value is one line of the file: a line break (or a NUL, which ends
    // the line in the written block) would cut it and start a key of its own there.
    void PutValue(const char* text, std::size_t size)
    {
        char* const start = p_;
        Put(text, size);
        for (char* c = start; c < p_; ++c) {
            if (*c == '\r' || *c == '\n' || *c == '\0') *c = ' ';
        }
    }
    // The caption: the levels joined by "/" (each level ends in a NUL there).
    void PutCaption(const CommandPath& path)
    {
        const std::string_view packed = path.Prefix(path.Count());
        if (packed.empty()) return;
        char* const start = p_;
        PutValue(packed.data(), packed.size() - 1);
        const char* const last = packed.data() + packed.size() - 1;
        for (const char* nul = packed.data() + std::strlen(packed.data()); nul < last; nul += 1 + std::strlen(nul + 1)) {
            start[nul - packed.data()] = '/';
        }
    }

private:
    char* p_;
};

std::size_t CaptionSize(const CommandPath& path)
{
    const std::size_t packed = path.Prefix(path.Count()).size();
    return packed == 0 ? 0 : packed - 1;
}

} // namespace

std::size_t CommandTable::AppendText(std::size_t first, std::size_t limit, std::string& text) const
{
    std::size_t keysSize = 0;
    for (const char* key : kFieldKeys) keysSize += std::strlen(key);
    std::string hotkey;
    std::size_t i = first;
    for (; i < commands_.size() && text.size() < limit; ++i) {
        const Command& c = commands_[i];
        char prefix[32];
        const std::size_t prefixSize = FormatIndexKey(i, prefix);
        const char* show = ShowCmdToName(c.showCmd);
        hotkey.clear();
        if (c.virtualKey != 0 || c.modifiers != 0) FormatHotkey(c.virtualKey, c.modifiers, hotkey);
        // The six lines are sized first and written in place.
        std::size_t size = kFieldCount * (prefixSize + 2) + keysSize + CaptionSize(c.path) + c.cmdline.size() +
                           c.dir.size() + std::strlen(show) + c.envFile.size() + hotkey.size();
        for (const CommandKey& more : c.moreKeys) size += prefixSize + more.field.size() + 1 + more.value.size() + 2;
        const std::size_t at = text.size();
        text.resize(at + size);
        TextWriter out(&text[at]);
        const auto key = [&](Field field) {
            out.Put(prefix, prefixSize);
            out.Put(kFieldKeys[field], std::strlen(kFieldKeys[field]));
        };
        key(kCaption);
        out.PutCaption(c.path);
        out.Put("\r\n", 2);
        key(kCmdline);
        out.PutValue(c.cmdline.data(), c.cmdline.size());
        out.Put("\r\n", 2);
        key(kDir);
        out.PutValue(c.dir.data(), c.dir.size());
        out.Put("\r\n", 2);
        key(kShowCmd);
        out.Put(show, std::strlen(show));
        out.Put("\r\n", 2);
        key(kEnv);
        out.PutValue(c.envFile.data(), c.envFile.size());
        out.Put("\r\n", 2);
        key(kHotkey);
        out.Put(hotkey.data(), hotkey.size());
        out.Put("\r\n", 2);
        for (const CommandKey& more : c.moreKeys) {
            out.Put(prefix, prefixSize);
            out.PutValue(more.field.data(), more.field.size());
            out.Put("=", 1);
            out.PutValue(more.value.data(), more.value.size());
            out.Put("\r\n", 2);
        }
    }
    if (i == commands_.size()) {
        // The lines of no command come last, once, as they were read.
        for (const std::string& line : otherLines_) {
            const std::size_t at = text.size();
            text.resize(at + line.size() + 2);
            TextWriter out(&text[at]);
            out.PutValue(line.data(), line.size());
            out.Put("\r\n", 2);
        }
    }
    return i;
}

IniLines CommandTable::TextPieces(std::size_t pieceSize) const
{
    return [this, pieceSize, piece = std::string(), next = std::size_t{0}, done = false](
               std::string_view& out) mutable {
        if (done) return false;
        piece.clear();
        next = AppendText(next, pieceSize, piece);
        done = next >= commands_.size();
        out = piece;
        return true;
    };
}

std::string CommandTable::ToText() const
{
    std::string text;
    AppendText(0, static_cast<std::size_t>(-1), text);
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
