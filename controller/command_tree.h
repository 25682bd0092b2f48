#pragma once

// The command table page's tree of commands, kept apart from the tree-view
// control that shows it: placement at load, moves, the invalid-commands
// group, validation and the table that is saved are all decided here.

#include "commands/command.h"
#include "commands/command_path.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CommandTable;

// The data one node of the tree owns.
struct CommandItem {
    std::string name;        // the node's own level; the label
    CommandPath path;        // the levels as loaded; empty for new commands
    std::string cmdline;
    std::string dir;
    std::string envFile;
    std::int32_t showCmd = 1;        // SW_SHOWNORMAL
    std::uint8_t virtualKey = 0;     // 0: no hotkey
    std::uint32_t modifiers = 0;     // kModAlt, kModCtrl, kModShift, kModWin
    // The command's further keys, options and keys of newer versions alike,
    // as loaded: they travel with the node and are saved back in this order.
    std::vector<CommandKey> moreKeys;
};

class CommandNode {
public:
    // Null for the invalid-commands group, which owns no item.
    CommandItem* Item() const { return item_.get(); }
    bool IsGroup() const { return !item_; }
    CommandNode* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<CommandNode>>& Children() const { return children_; }

    // Whether the view shows the children; kept so that rebuilding the view
    // keeps what the user had opened.
    bool expanded = false;
    // The view's handle of this node, set by the view.
    void* view = nullptr;
    // Set by a filter that neither this node nor any below it matches.
    bool hidden = false;

private:
    friend class CommandTree;
    std::unique_ptr<CommandItem> item_;
    CommandNode* parent_ = nullptr;
    std::vector<std::unique_ptr<CommandNode>> children_;
};

class CommandTree {
public:
    static constexpr std::size_t kLast = static_cast<std::size_t>(-1);

    explicit CommandTree(std::string groupLabel = std::string());

    const std::string& GroupLabel() const { return groupLabel_; }
    std::string Label(const CommandNode& node) const;

    // The top-level nodes.
    const std::vector<std::unique_ptr<CommandNode>>& Roots() const { return roots_; }
    // The siblings of node (the top level for a top-level node).
    const std::vector<std::unique_ptr<CommandNode>>& Siblings(const CommandNode& node) const;
    std::size_t IndexOf(const CommandNode& node) const;

    // Replaces the tree with the table's commands in table order. A command is
    // placed under the first node, found by descending through nodes whose
    // loaded paths are prefixes of its path, whose path is its own less the
    // last level; one that cannot be placed goes into the group, labelled
    // with its whole caption.
    void Load(const CommandTable& table);
    void Clear();

    // The group, wherever it stands among the top-level nodes, or null.
    CommandNode* Group() const;

    // Inserts a node for item under parent (null: the top level) at index
    // (kLast: at the end). Null when item is null.
    CommandNode* Insert(CommandNode* parent, std::size_t index, std::unique_ptr<CommandItem> item);
    // Inserts right after `after`, under its parent; at the end of the top
    // level when after is null.
    CommandNode* InsertAfter(CommandNode* after, std::unique_ptr<CommandItem> item);

    // Whether a node under parent (null: the top level) other than `self` is
    // named `name`. Siblings must differ: both would be saved as one path,
    // and the next load would put the later one's children under the first.
    bool NameTaken(const CommandNode* parent, const std::string& name, const CommandNode* self = nullptr) const;
    // Whether dropping source on target would give it a sibling of its name.
    bool DropClashes(const CommandNode* source, const CommandNode* target) const;

    // Moves source with its subtree under newParent (null: the top level) at
    // index among the new siblings (kLast: last), collapsed. Refused (null)
    // for the group, when newParent is source or one of its descendants, and
    // when a new sibling already has source's name.
    CommandNode* MoveSubtree(CommandNode* source, CommandNode* newParent, std::size_t index);
    // Reorder among siblings; null when nothing moved.
    CommandNode* MoveUp(CommandNode* node);
    CommandNode* MoveDown(CommandNode* node);
    // The drop rule: source becomes the last child of target, or the last
    // top-level node when there is no target. Prunes the group.
    CommandNode* Drop(CommandNode* source, CommandNode* target);

    // A copy of node with its subtree right after it, named name + suffix,
    // or name + suffix + " (2)", " (3)"... where that is taken; every
    // hotkey of the copy is cleared (two commands cannot hold one), and it
    // is collapsed. Null for the group and for null.
    CommandNode* Duplicate(CommandNode* node, const std::string& suffix);

    // Deletes a node that owns an item, with its subtree, and prunes the
    // group. False for the group and for null.
    bool Delete(CommandNode* node);
    // Removes the group when it holds no node; true when it was removed.
    bool PruneInvalidGroup();

    // The node that should be selected after node is deleted: its next
    // sibling, else its previous one, else its parent (null at the top).
    CommandNode* NeighbourAfterDelete(const CommandNode& node) const;

    // The first node, depth first, that keeps the table from being saved:
    // the group, or a node whose name holds "/" (it would be saved as
    // several levels and come back elsewhere). Null when the tree can be saved.
    const CommandNode* FirstUnsavable() const;

    // The first node, depth first, that has children and an earlier sibling
    // of its name (a table loaded so, then rearranged): saved, its children
    // would come back under that sibling. Null when there is none.
    const CommandNode* FirstRegrouped() const;

    // The table in pre-order; each path is the names from the top down.
    void ToTable(CommandTable& table) const;

    // Pre-order walk; the callback returns false to stop.
    template <typename F>
    void ForEach(F&& f) const { Walk(roots_, f); }

    std::size_t Count() const;

private:
    template <typename F>
    static bool Walk(const std::vector<std::unique_ptr<CommandNode>>& nodes, F& f)
    {
        for (const auto& n : nodes) {
            if (!f(*n) || !Walk(n->children_, f))
                return false;
        }
        return true;
    }
    std::vector<std::unique_ptr<CommandNode>>& ChildList(CommandNode* parent);
    std::unique_ptr<CommandNode> Detach(CommandNode* node);

    std::string groupLabel_;
    std::vector<std::unique_ptr<CommandNode>> roots_;
    // The table's lines of no command, written back as they were read.
    std::vector<std::string> otherLines_;
};
