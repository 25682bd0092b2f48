#include "command_tree.h"

#include "commands/command_table.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

CommandTree::CommandTree(std::string groupLabel) : groupLabel_(std::move(groupLabel)) {}

std::string CommandTree::Label(const CommandNode& node) const
{
    return node.Item() ? node.Item()->name : groupLabel_;
}

std::vector<std::unique_ptr<CommandNode>>& CommandTree::ChildList(CommandNode* parent)
{
    return parent ? parent->children_ : roots_;
}

const std::vector<std::unique_ptr<CommandNode>>& CommandTree::Siblings(const CommandNode& node) const
{
    return node.parent_ ? node.parent_->children_ : roots_;
}

std::size_t CommandTree::IndexOf(const CommandNode& node) const
{
    const auto& list = Siblings(node);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].get() == &node)
            return i;
    }
    return kLast;
}

void CommandTree::Clear()
{
    roots_.clear();
}

CommandNode* CommandTree::Group() const
{
    for (const auto& n : roots_) {
        if (n->IsGroup())
            return n.get();
    }
    return nullptr;
}

void CommandTree::Load(const CommandTable& table)
{
    Clear();
    otherLines_ = table.OtherLines();
    // The first placed node of each path, keyed by the path's packed levels
    // (held by the nodes' items). Nodes of one path all land under the first
    // node of the parent path, in table order, so the first placed is also
    // the first that a descent from the top would meet.
    std::unordered_map<std::string_view, CommandNode*> firstByPath;
    firstByPath.reserve(table.Size());
    CommandNode* group = nullptr;
    for (const Command& command : table) {
        auto item = std::make_unique<CommandItem>();
        item->name = command.name;
        item->path = command.path;
        item->cmdline = command.cmdline;
        item->dir = command.dir;
        item->envFile = command.envFile;
        item->showCmd = command.showCmd;
        item->virtualKey = static_cast<std::uint8_t>(command.virtualKey);
        item->modifiers = static_cast<std::uint32_t>(command.modifiers);
        item->moreKeys = command.moreKeys;
        const std::uint32_t levels = item->path.Count();
        CommandNode* parent = nullptr;
        bool placed = levels <= 1;
        if (!placed) {
            auto found = firstByPath.find(item->path.Prefix(levels - 1));
            placed = found != firstByPath.end();
            if (placed) parent = found->second;
        }
        if (placed) {
            CommandNode* node = Insert(parent, kLast, std::move(item));
            firstByPath.emplace(node->Item()->path.Prefix(levels), node);
            continue;
        }
        if (!group) {
            auto node = std::make_unique<CommandNode>();
            group = node.get();
            roots_.insert(roots_.begin(), std::move(node));
        }
        item->name = JoinPath(item->path);
        Insert(group, kLast, std::move(item));
    }
}

CommandNode* CommandTree::Insert(CommandNode* parent, std::size_t index, std::unique_ptr<CommandItem> item)
{
    if (!item)
        return nullptr;
    auto node = std::make_unique<CommandNode>();
    node->item_ = std::move(item);
    node->parent_ = parent;
    CommandNode* result = node.get();
    auto& list = ChildList(parent);
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(index, list.size())), std::move(node));
    return result;
}

CommandNode* CommandTree::InsertAfter(CommandNode* after, std::unique_ptr<CommandItem> item)
{
    if (!after)
        return Insert(nullptr, kLast, std::move(item));
    return Insert(after->parent_, IndexOf(*after) + 1, std::move(item));
}

std::unique_ptr<CommandNode> CommandTree::Detach(CommandNode* node)
{
    auto& list = ChildList(node->parent_);
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->get() == node) {
            std::unique_ptr<CommandNode> owned = std::move(*it);
            list.erase(it);
            owned->parent_ = nullptr;
            return owned;
        }
    }
    return nullptr;
}

bool CommandTree::NameTaken(const CommandNode* parent, const std::string& name, const CommandNode* self) const
{
    for (const auto& n : parent ? parent->children_ : roots_) {
        if (n.get() != self && n->Item() && n->Item()->name == name)
            return true;
    }
    return false;
}

bool CommandTree::DropClashes(const CommandNode* source, const CommandNode* target) const
{
    // Dropped on its own parent it only becomes the last child: no new sibling.
    return source && source->Item() && source->parent_ != target && NameTaken(target, source->Item()->name, source);
}

static void Collapse(CommandNode& node)
{
    node.expanded = false;
    for (const auto& child : node.Children())
        Collapse(*child);
}

// A copy of the subtree as a new command: no loaded path, no hotkey.
static std::unique_ptr<CommandItem> CopyAsNew(const CommandItem& item)
{
    auto copy = std::make_unique<CommandItem>(item);
    copy->path = CommandPath();
    copy->virtualKey = 0;
    copy->modifiers = 0;
    return copy;
}

CommandNode* CommandTree::Duplicate(CommandNode* node, const std::string& suffix)
{
    if (!node || !node->Item())
        return nullptr;
    std::string name = node->Item()->name + suffix;
    for (int n = 2; NameTaken(node->parent_, name); ++n)
        name = node->Item()->name + suffix + " (" + std::to_string(n) + ")";
    auto item = CopyAsNew(*node->Item());
    item->name = name;
    CommandNode* copy = Insert(node->parent_, IndexOf(*node) + 1, std::move(item));
    // Children first in, last out: copied in order from a stack of pairs.
    std::vector<std::pair<const CommandNode*, CommandNode*>> pending = {{node, copy}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (const auto& child : from->children_) {
            if (child->Item())
                pending.push_back({child.get(), Insert(to, kLast, CopyAsNew(*child->Item()))});
        }
    }
    Collapse(*copy);
    return copy;
}

CommandNode* CommandTree::MoveSubtree(CommandNode* source, CommandNode* newParent, std::size_t index)
{
    if (!source || source->IsGroup())
        return nullptr;
    for (CommandNode* up = newParent; up; up = up->parent_) {
        if (up == source)
            return nullptr;
    }
    if (DropClashes(source, newParent))
        return nullptr;
    // The index counts the siblings as they are before the move.
    const bool sameList = source->parent_ == newParent;
    const std::size_t from = IndexOf(*source);
    std::unique_ptr<CommandNode> owned = Detach(source);
    if (!owned)
        return nullptr;
    if (sameList && index != kLast && index > from)
        --index;
    Collapse(*owned);
    owned->parent_ = newParent;
    auto& list = ChildList(newParent);
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(index, list.size())), std::move(owned));
    return source;
}

CommandNode* CommandTree::MoveUp(CommandNode* node)
{
    if (!node || node->IsGroup())
        return nullptr;
    const std::size_t i = IndexOf(*node);
    if (i == 0 || i == kLast)
        return nullptr;
    return MoveSubtree(node, node->parent_, i - 1);
}

CommandNode* CommandTree::MoveDown(CommandNode* node)
{
    if (!node || node->IsGroup())
        return nullptr;
    const std::size_t i = IndexOf(*node);
    if (i == kLast || i + 1 >= Siblings(*node).size())
        return nullptr;
    return MoveSubtree(node, node->parent_, i + 2);
}

CommandNode* CommandTree::Drop(CommandNode* source, CommandNode* target)
{
    CommandNode* moved = MoveSubtree(source, target, kLast);
    PruneInvalidGroup();
    return moved;
}

bool CommandTree::Delete(CommandNode* node)
{
    if (!node || node->IsGroup())
        return false;
    Detach(node);
    PruneInvalidGroup();
    return true;
}

bool CommandTree::PruneInvalidGroup()
{
    // Other nodes may have been moved before the group: look at every top-level node.
    for (auto it = roots_.begin(); it != roots_.end(); ++it) {
        if ((*it)->IsGroup() && (*it)->children_.empty()) {
            roots_.erase(it);
            return true;
        }
    }
    return false;
}

CommandNode* CommandTree::NeighbourAfterDelete(const CommandNode& node) const
{
    const auto& list = Siblings(node);
    const std::size_t i = IndexOf(node);
    if (i == kLast)
        return nullptr;
    if (i + 1 < list.size())
        return list[i + 1].get();
    if (i > 0)
        return list[i - 1].get();
    return node.parent_;
}

const CommandNode* CommandTree::FirstUnsavable() const
{
    const CommandNode* found = nullptr;
    ForEach([&](const CommandNode& n) {
        if (n.IsGroup() || std::strchr(n.Item()->name.c_str(), '/')) {
            found = &n;
            return false;
        }
        return true;
    });
    return found;
}

static const CommandNode* FirstRegroupedIn(const std::vector<std::unique_ptr<CommandNode>>& nodes)
{
    std::unordered_set<std::string_view> seen;
    for (const auto& n : nodes) {
        if (!n->Item())
            continue;
        if (!seen.insert(n->Item()->name).second && !n->Children().empty())
            return n.get();
        if (const CommandNode* found = FirstRegroupedIn(n->Children()))
            return found;
    }
    return nullptr;
}

const CommandNode* CommandTree::FirstRegrouped() const
{
    return FirstRegroupedIn(roots_);
}

static void AppendSubtree(const CommandNode& node, const CommandPath& parentPath, CommandTable& table)
{
    const CommandItem& item = *node.Item();
    Command command;
    command.path = parentPath;
    command.path.Append(item.name.c_str(), item.name.size());
    command.name = item.name;
    command.cmdline = item.cmdline;
    command.dir = item.dir;
    command.envFile = item.envFile;
    command.showCmd = item.showCmd;
    command.virtualKey = item.virtualKey;
    command.modifiers = static_cast<int>(item.modifiers);
    command.moreKeys = item.moreKeys;
    const CommandPath path = command.path;
    table.Append(std::move(command));
    for (const auto& child : node.Children()) {
        if (child->Item())
            AppendSubtree(*child, path, table);
    }
}

void CommandTree::ToTable(CommandTable& table) const
{
    table.Clear();
    for (const auto& n : roots_) {
        if (n->Item())
            AppendSubtree(*n, CommandPath(), table);
    }
    table.SetOtherLines(otherLines_);
}

std::size_t CommandTree::Count() const
{
    std::size_t count = 0;
    ForEach([&](const CommandNode&) { ++count; return true; });
    return count;
}
