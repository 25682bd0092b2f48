// The controller's command tree under random edits: no operation but delete
// loses or duplicates a command, every node sits in its parent's list, no
// node becomes its own descendant, and a tree that can be saved loads back
// from its table in the same shape.
#include "commands/command_table.h"
#include "command_tree.h"

#include "fuzz_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <set>
#include <vector>

namespace {

const char* const kNames[] = {"a", "b", "c", "表示", "a/b"};

std::string PickName(FuzzedDataProvider& in)
{
    // Mostly names that can be saved; now and then one with "/".
    return kNames[in.ConsumeIntegralInRange<int>(0, in.ConsumeBool() ? 4 : 3)];
}

std::unique_ptr<CommandItem> NewItem(FuzzedDataProvider& in)
{
    auto item = std::make_unique<CommandItem>();
    item->name = PickName(in);
    item->cmdline = in.ConsumeRandomLengthString(8);
    return item;
}

std::vector<CommandNode*> AllNodes(const CommandTree& tree)
{
    std::vector<CommandNode*> nodes;
    tree.ForEach([&](const CommandNode& n) {
        nodes.push_back(const_cast<CommandNode*>(&n));
        return nodes.size() < 100000;
    });
    return nodes;
}

CommandNode* PickNode(FuzzedDataProvider& in, const std::vector<CommandNode*>& nodes)
{
    if (nodes.empty() || in.ConsumeIntegralInRange<int>(0, 7) == 0) return nullptr;
    return nodes[in.ConsumeIntegralInRange<std::size_t>(0, nodes.size() - 1)];
}

std::size_t CountItems(const std::vector<CommandNode*>& nodes)
{
    std::size_t items = 0;
    for (const CommandNode* n : nodes) items += n->Item() != nullptr;
    return items;
}

std::size_t SubtreeItems(const CommandNode& node)
{
    std::size_t items = node.Item() != nullptr;
    for (const auto& child : node.Children()) items += SubtreeItems(*child);
    return items;
}

void CheckStructure(const CommandTree& tree, const std::vector<CommandNode*>& nodes)
{
    std::set<const CommandNode*> seen(nodes.begin(), nodes.end());
    FUZZ_CHECK(seen.size() == nodes.size());  // no node reached twice
    std::size_t groups = 0;
    for (const CommandNode* n : nodes) {
        groups += n->IsGroup();
        if (n->IsGroup()) FUZZ_CHECK(n->Parent() == nullptr);
        for (const auto& child : n->Children()) FUZZ_CHECK(child->Parent() == n);
        std::size_t depth = 0;
        for (const CommandNode* up = n->Parent(); up != nullptr; up = up->Parent()) {
            FUZZ_CHECK(up != n);
            FUZZ_CHECK(++depth <= nodes.size());
        }
        FUZZ_CHECK(tree.IndexOf(*n) != CommandTree::kLast);
    }
    FUZZ_CHECK(groups <= 1);
    for (const auto& root : tree.Roots()) FUZZ_CHECK(root->Parent() == nullptr);
}

// Shape: the labels in pre-order with each node's depth.
std::vector<std::pair<std::size_t, std::string>> Shape(const CommandTree& tree)
{
    std::vector<std::pair<std::size_t, std::string>> shape;
    tree.ForEach([&](const CommandNode& n) {
        std::size_t depth = 0;
        for (const CommandNode* up = n.Parent(); up != nullptr; up = up->Parent()) ++depth;
        shape.emplace_back(depth, tree.Label(n));
        return true;
    });
    return shape;
}

// Two siblings of one name: the second one's children load under the first.
bool HasTwinSiblings(const std::vector<std::unique_ptr<CommandNode>>& list)
{
    std::set<std::string> names;
    for (const auto& n : list) {
        if (n->Item() && !names.insert(n->Item()->name).second) return true;
        if (HasTwinSiblings(n->Children())) return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);

    // A loaded table with groups, later parents and missing parents.
    CommandTable table;
    const int commands = in.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < commands; ++i) {
        std::string caption = PickName(in);
        const int levels = in.ConsumeIntegralInRange<int>(0, 2);
        for (int l = 0; l < levels; ++l) caption += "/" + PickName(in);
        Command command;
        SplitCaption(caption.c_str(), command.path, command.name);
        table.Append(command);
    }
    CommandTree tree("group");
    tree.Load(table);
    std::vector<CommandNode*> nodes = AllNodes(tree);
    CheckStructure(tree, nodes);
    std::size_t items = CountItems(nodes);
    FUZZ_CHECK(items == table.Size());

    while (in.remaining_bytes() > 0) {
        CommandNode* node = PickNode(in, nodes);
        switch (in.ConsumeIntegralInRange<int>(0, 8)) {
        case 0: {
            CommandNode* parent = node && node->Item() ? node : nullptr;
            FUZZ_CHECK(tree.Insert(parent, in.ConsumeIntegralInRange<std::size_t>(0, 5), NewItem(in)));
            ++items;
            break;
        }
        case 1:
            FUZZ_CHECK(tree.InsertAfter(node && node->Item() ? node : nullptr, NewItem(in)));
            ++items;
            break;
        case 2:
            if (node && node->Item()) node->Item()->name = PickName(in);
            break;
        case 3: tree.MoveUp(node); break;
        case 4: tree.MoveDown(node); break;
        case 5: tree.Drop(node, PickNode(in, nodes)); break;
        case 6: {
            const std::size_t gone = node ? SubtreeItems(*node) : 0;
            if (tree.Delete(node)) items -= gone;
            break;
        }
        case 7: tree.MoveSubtree(node, PickNode(in, nodes), in.ConsumeIntegralInRange<std::size_t>(0, 5)); break;
        case 8:
            if (tree.FirstUnsavable() == nullptr) {
                CommandTable saved;
                tree.ToTable(saved);
                FUZZ_CHECK(saved.Size() == items);
                CommandTree reloaded("group");
                reloaded.Load(saved);
                if (!HasTwinSiblings(tree.Roots())) FUZZ_CHECK(Shape(reloaded) == Shape(tree));
                FUZZ_CHECK(CountItems(AllNodes(reloaded)) == items);
            }
            break;
        }
        nodes = AllNodes(tree);
        CheckStructure(tree, nodes);
        FUZZ_CHECK(CountItems(nodes) == items);
    }
    return 0;
}
