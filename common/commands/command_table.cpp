#include "commands/command_table.h"

#include "commands/command_table_key.h"
#include "commands/hotkey_text.h"
#include "settings/ini_section.h"
#include "settings/ini_text.h"
#include "commands/show_cmd.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace command_table_key;

std::string CmdTableKey(std::size_t index, const char* field)
{
    char prefix[32];
    std::string key(prefix, FormatIndexKey(index, prefix));
    key.append(field);
    return key;
}

namespace {

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

