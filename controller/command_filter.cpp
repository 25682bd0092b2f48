#include "command_filter.h"

#include "settings/ascii_case.h"
#include "command_tree.h"
#include "commands/hotkey_text.h"
#include "settings/multibyte.h"

namespace {

// The part at p, compared by character: a double-byte character matches
// only itself, byte for byte.
bool StartsWith(const char* p, const char* part)
{
    while (*part != '\0') {
        if (*p == '\0')
            return false;
        const char* next = NextChar(part);
        if (next - part == 1) {
            if (AsciiLower(*p) != AsciiLower(*part))
                return false;
        } else if (p[0] != part[0] || p[1] != part[1]) {
            return false;
        }
        p += next - part;
        part = next;
    }
    return true;
}

} // namespace

bool ContainsFolded(const std::string& text, const std::string& part)
{
    if (part.empty())
        return true;
    for (const char* p = text.c_str(); *p != '\0'; p = NextChar(p)) {
        if (StartsWith(p, part.c_str()))
            return true;
    }
    return false;
}

bool CommandFilter::Matches(const CommandItem& item) const
{
    if (ContainsFolded(item.name, text_) || ContainsFolded(item.cmdline, text_))
        return true;
    std::string hotkey;
    return item.virtualKey != 0 && FormatHotkey(item.virtualKey, static_cast<int>(item.modifiers), hotkey) &&
           ContainsFolded(hotkey, text_);
}

bool CommandFilter::MarkSubtree(CommandNode& node) const
{
    bool shown = !Empty() && node.Item() && Matches(*node.Item());
    for (const auto& child : node.Children()) {
        if (MarkSubtree(*child))
            shown = true;
    }
    node.hidden = !Empty() && !shown;
    return shown;
}

void CommandFilter::Mark(const CommandTree& tree) const
{
    for (const auto& node : tree.Roots())
        MarkSubtree(*node);
}
