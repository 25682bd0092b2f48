#include "command_table.h"

#include "hotkey_text.h"
#include "ini_section.h"
#include "ini_text.h"
#include "show_cmd.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// "cmd[" index "]" into a buffer of 32 bytes; its length. Formed by hand:
// six keys a command, at every load and save.
std::size_t FormatIndexKey(std::size_t index, char* out)
{
    char digits[24];
    char* const end = digits + sizeof digits;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + index % 10);
        index /= 10;
    } while (index != 0);
    const std::size_t n = static_cast<std::size_t>(end - p);
    std::memcpy(out, "cmd[", 4);
    std::memcpy(out + 4, p, n);
    out[4 + n] = ']';
    return n + 5;
}

} // namespace

std::string CmdTableKey(std::size_t index, const char* field)
{
    char prefix[32];
    std::string key(prefix, FormatIndexKey(index, prefix));
    key.append(field);
    return key;
}

namespace {

// The fields of a command, and their keys' ends as they are written, "="
// included, in the same order.
enum Field { kCaption, kCmdline, kDir, kShowCmd, kEnv, kHotkey, kFieldCount };
constexpr const char* kFieldKeys[kFieldCount] = {".caption=", ".cmdline=", ".cmdline.dir=", ".cmdline.showcmd=",
                                                 ".cmdline.env=", ".hotkey="};

// True when the n bytes at p are `lower` without regard to ASCII case.
bool EqualsFolded(const char* p, const char* lower, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        const char e = lower[i];
        // An ASCII letter and its capital differ in bit 5 alone.
        if (e >= 'a' && e <= 'z' ? (p[i] | 0x20) != e : p[i] != e) return false;
    }
    return true;
}

// Sets a field from its stored value (trimmed, one line). `value` ends in
// a NUL, which the caption, show and hotkey parsers need.
void SetField(Command& command, Field field, std::string_view value)
{
    switch (field) {
    case kCaption:
        SplitCaption(value.data(), command.path, command.name);
        break;
    case kCmdline:
        command.cmdline.assign(value);
        break;
    case kDir:
        command.dir.assign(value);
        break;
    case kShowCmd:
        command.showCmd = ShowCmdFromName(value.data());
        break;
    case kEnv:
        command.envFile.assign(value);
        break;
    case kHotkey:
        // A hotkey that reads only in part keeps what was read up to the fault.
        ParseHotkey(value.data(), command.virtualKey, command.modifiers);
        break;
    case kFieldCount:
        break;
    }
}

// The index and field of a key as CmdTableKey writes it, in any letter case:
// "cmd[", the index in decimal without leading zeros, "]" and a field name.
// A name that is none of the six gives kFieldCount: a further key of the
// command, whose name `further` receives.
bool ParseKey(std::string_view key, std::size_t& index, Field& field, std::string_view& further)
{
    const char* p = key.data();
    const char* const end = p + key.size();
    if (key.size() < 6 || !EqualsFolded(p, "cmd[", 4)) return false;
    p += 4;
    if (*p < '0' || *p > '9' || (*p == '0' && p[1] != ']')) return false;
    index = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        // No table reaches an index this long: refused before it overflows.
        if (index > 0xFFFFFFFFu) return false;
        index = index * 10 + static_cast<std::size_t>(*p - '0');
    }
    if (p == end || *p++ != ']') return false;
    const std::size_t n = static_cast<std::size_t>(end - p);
    if (n == 0) return false;
    further = std::string_view(p, n);
    field = kFieldCount;
    // The length and the last letter tell the fields apart; one compare
    // then confirms the name.
    Field candidate = kFieldCount;
    switch (n) {
    case 7:
        candidate = kHotkey;
        break;
    case 8:
        candidate = (p[7] | 0x20) == 'n' ? kCaption : kCmdline;
        break;
    case 12:
        candidate = (p[11] | 0x20) == 'r' ? kDir : kEnv;
        break;
    case 16:
        candidate = kShowCmd;
        break;
    default:
        return true;
    }
    if (EqualsFolded(p, kFieldKeys[candidate], n)) field = candidate;
    return true;
}

// A line of the section that belongs to no command, kept as it was read.
std::string OtherLine(std::string_view key, const std::string_view* value)
{
    std::string line(key);
    if (value != nullptr) {
        line += '=';
        line.append(*value);
    }
    return line;
}

} // namespace

void CommandTable::LoadFrom(const IniSection& section)
{
    // One pass over the lines instead of six lookups per command: the first
    // value of each index and field, as a lookup by key would find it. The
    // indexes may have gaps and come in any order: the keys are sorted by
    // index, each index keeping its keys' stored order.
    struct Entry {
        std::size_t index;
        Field field;
        std::string_view further;
        const char* value;
    };
    std::vector<Entry> entries;
    entries.reserve(section.Size());
    section.ForEach([&](const char* key, const char* value) {
        Entry entry = {0, kCaption, {}, value};
        if (ParseKey(key, entry.index, entry.field, entry.further)) {
            entries.push_back(entry);
        } else {
            const std::string_view stored(value);
            otherLines_.push_back(OtherLine(key, &stored));
        }
    });
    const auto byIndex = [](const Entry& a, const Entry& b) { return a.index < b.index; };
    if (!std::is_sorted(entries.begin(), entries.end(), byIndex)) {
        std::stable_sort(entries.begin(), entries.end(), byIndex);
    }
    for (auto group = entries.begin(); group != entries.end();) {
        std::array<const char*, kFieldCount> f = {};
        auto next = group;
        for (; next != entries.end() && next->index == group->index; ++next) {
            if (next->field != kFieldCount && f[next->field] == nullptr) f[next->field] = next->value;
        }
        const auto first = group;
        group = next;
        // An index without a caption holds no command: the ones after it still load.
        if (f[kCaption] == nullptr || f[kCaption][0] == '\0') continue;
        Command command;
        SetField(command, kCaption, f[kCaption]);
        for (Field field : {kCmdline, kDir, kShowCmd, kEnv, kHotkey}) {
            if (f[field]) SetField(command, field, std::string_view(f[field]));
        }
        for (auto e = first; e != next; ++e) {
            if (e->field == kFieldCount) command.moreKeys.push_back(CommandKey{std::string(e->further), e->value});
        }
        commands_.push_back(std::move(command));
    }
}

void CommandTable::LoadFromText(std::string_view text)
{
    // A section in stored order, as every save leaves it, is loaded as its
    // lines come, straight from the file's text: no copy of the section nor
    // table of its fields. A command's lines may come in any order and
    // repeat; one that comes before the commands below it, or after a gap in
    // the numbering, sends the load the general way.
    const std::size_t base = commands_.size();
    const std::size_t otherBase = otherLines_.size();
    constexpr unsigned kNamed = 1u << kFieldCount;  // a caption that is not empty
    // Room for six lines a command, as a save leaves them: growing the table
    // as it loads would copy it again and again, each time into fresh memory.
    const std::size_t expected = CountIniLines(text) / kFieldCount + 1;
    commands_.reserve(base + expected);
    std::vector<unsigned char> seen;
    seen.reserve(expected);
    bool inOrder = true;
    std::string value;
    ForEachIniSectionLine(text, kCmdTableSection, [&](std::string_view key, const std::string_view* stored) {
        std::size_t index = 0;
        Field field = kCaption;
        std::string_view further;
        if (!inOrder) return;
        if (!ParseKey(key, index, field, further)) {
            if (!key.empty()) otherLines_.push_back(OtherLine(key, stored));
            return;
        }
        if (index > seen.size()) {
            inOrder = false;
            return;
        }
        if (index == seen.size()) {
            seen.push_back(0);
            commands_.emplace_back();
        }
        if (field == kFieldCount) {
            Command& command = commands_[base + index];
            command.moreKeys.push_back(CommandKey{std::string(further), stored != nullptr ? std::string(*stored) : std::string()});
            return;
        }
        if (seen[index] & (1u << field)) return;
        std::string_view given = stored != nullptr ? *stored : std::string_view();
        seen[index] |= static_cast<unsigned char>((1u << field) | (field == kCaption && !given.empty() ? kNamed : 0));
        if (field == kCaption || field == kShowCmd || field == kHotkey) {
            value.assign(given);
            given = value;
        }
        SetField(commands_[base + index], field, given);
    });
    if (!inOrder) {
        commands_.resize(base);
        otherLines_.resize(otherBase);
        IniSection section;
        // Further keys are written back as they were read, letter case included.
        section.ParseText(text, kCmdTableSection, true);
        LoadFrom(section);
        return;
    }
    // Indexes without a caption are dropped; the commands after them move up.
    std::size_t count = 0;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (!(seen[i] & kNamed)) continue;
        if (count != i) commands_[base + count] = std::move(commands_[base + i]);
        ++count;
    }
    commands_.resize(base + count);
}

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
