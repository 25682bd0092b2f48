#pragma once

// The command table page's filter: which nodes to show for a text the user
// typed. It only chooses what is shown; the tree and its save stay whole.

#include <string>

class CommandNode;
class CommandTree;
struct CommandItem;

class CommandFilter {
public:
    explicit CommandFilter(std::string text = std::string()) : text_(std::move(text)) {}

    // An empty filter shows every node.
    bool Empty() const { return text_.empty(); }
    // Whether the name, the command line or the hotkey text holds the text,
    // by character in the code page, ASCII letters in either case.
    bool Matches(const CommandItem& item) const;
    // Marks hidden every node that does not match and has no match below
    // it; an empty filter hides none. One pass.
    void Mark(const CommandTree& tree) const;

private:
    // Whether the node or one below it matches; marks the subtree.
    bool MarkSubtree(CommandNode& node) const;

    std::string text_;
};

// Whether `text` holds `part`, stepping by character so that a match never
// starts on the second byte of a double-byte character; ASCII letters fold.
bool ContainsFolded(const std::string& text, const std::string& part);
