#include "command_tree.h"

#include "command_filter.h"
#include "commands/command_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

CommandTable TableOf(const std::vector<std::string>& captions)
{
    CommandTable table;
    for (const std::string& caption : captions) {
        Command command;
        SplitCaption(caption.c_str(), command.path, command.name);
        command.cmdline = "run " + caption;
        table.Append(command);
    }
    return table;
}

// The tree as text: "label" per node, children in parentheses.
std::string Shape(const CommandTree& tree, const std::vector<std::unique_ptr<CommandNode>>& nodes)
{
    std::string out;
    for (const auto& n : nodes) {
        if (!out.empty())
            out += ' ';
        out += tree.Label(*n);
        if (!n->Children().empty())
            out += "(" + Shape(tree, n->Children()) + ")";
    }
    return out;
}

std::string Shape(const CommandTree& tree) { return Shape(tree, tree.Roots()); }

std::vector<std::string> Captions(const CommandTable& table)
{
    std::vector<std::string> out;
    for (const Command& c : table)
        out.push_back(JoinPath(c.path));
    return out;
}

CommandNode* Find(const CommandTree& tree, const std::string& label)
{
    CommandNode* found = nullptr;
    tree.ForEach([&](const CommandNode& n) {
        if (tree.Label(n) == label) {
            found = const_cast<CommandNode*>(&n);
            return false;
        }
        return true;
    });
    return found;
}

std::unique_ptr<CommandItem> NewItem(const std::string& name)
{
    auto item = std::make_unique<CommandItem>();
    item->name = name;
    return item;
}

const char kGroup[] = "G";

} // namespace

TEST(CommandTreeLoad, PlacesRecordsUnderTheirParents)
{
    struct Case {
        std::vector<std::string> captions;
        std::string shape;
    };
    const Case cases[] = {
        {{}, ""},
        {{"A", "A/B", "A/B/C"}, "A(B(C))"},
        {{"A", "B", "A/X", "B/Y", "A/Z"}, "A(X Z) B(Y)"},
        // A child stored before its parent goes into the group with its whole caption.
        {{"A/B", "A"}, "G(A/B) A"},
        // A missing parent, and a child of a command in the group.
        {{"X/Y", "X/Y/Z", "Q"}, "G(X/Y X/Y/Z) Q"},
        // Two top-level commands of one name: the first takes the children.
        {{"A", "A", "A/B"}, "A(B) A"},
        // Names are taken as they stand: no validation at load.
        {{"a:b", "a:b/c?"}, "a:b(c?)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        CommandTree tree(kGroup);
        tree.Load(TableOf(c.captions));
        EXPECT_EQ(Shape(tree), c.shape);
    }
}

namespace {

// The placement as a plain descent from the top, each node of the table
// by its position: under the first node, through nodes whose paths are
// prefixes of its own, whose path is its own less the last level; the
// unplaced into the group ("G", in front) with their whole captions.
std::string ShapeByDescent(const CommandTable& table)
{
    std::vector<std::vector<std::size_t>> children(table.Size());
    std::vector<std::size_t> roots, group;
    std::function<bool(const std::vector<std::size_t>&, std::size_t, std::uint32_t)> place =
        [&](const std::vector<std::size_t>& nodes, std::size_t j, std::uint32_t depth) {
            for (std::size_t s : nodes) {
                if (CommonLevels(table[j].path, table[s].path) != depth) continue;
                if (table[j].path.Count() == depth + 1) {
                    children[s].push_back(j);
                    return true;
                }
                if (place(children[s], j, depth + 1)) return true;
            }
            return false;
        };
    for (std::size_t j = 0; j < table.Size(); ++j) {
        if (table[j].path.Count() <= 1) {
            roots.push_back(j);
        } else if (!place(roots, j, 1)) {
            group.push_back(j);
        }
    }
    std::function<std::string(const std::vector<std::size_t>&)> shape = [&](const std::vector<std::size_t>& nodes) {
        std::string out;
        for (std::size_t n : nodes) {
            if (!out.empty()) out += ' ';
            out += table[n].cmdline;
            if (!children[n].empty()) out += "(" + shape(children[n]) + ")";
        }
        return out;
    };
    std::string out = group.empty() ? std::string() : "G(" + shape(group) + ")";
    if (!out.empty() && !roots.empty()) out += ' ';
    return out + shape(roots);
}

// The tree with each node shown by its command line (the group by "G").
std::string ShapeByCmdline(const std::vector<std::unique_ptr<CommandNode>>& nodes)
{
    std::string out;
    for (const auto& n : nodes) {
        if (!out.empty()) out += ' ';
        out += n->Item() ? n->Item()->cmdline : std::string("G");
        if (!n->Children().empty()) out += "(" + ShapeByCmdline(n->Children()) + ")";
    }
    return out;
}

} // namespace

TEST(CommandTreeLoad, PlacementEqualsThePlainDescentOnRandomTables)
{
    // Few level names, so that parents, repeated paths, later parents and
    // missing parents all occur; each command is told apart by its cmdline.
    const char* const levels[] = {"a", "b", "c", "a "};
    std::mt19937 random(11);
    for (int t = 0; t < 300; ++t) {
        CommandTable table;
        const std::size_t count = 1 + random() % 50;
        for (std::size_t i = 0; i < count; ++i) {
            std::string caption = levels[random() % 4];
            for (int n = static_cast<int>(random() % 4); n > 0; --n) caption += std::string("/") + levels[random() % 4];
            Command command;
            SplitCaption(caption.c_str(), command.path, command.name);
            command.cmdline = std::to_string(i);
            table.Append(command);
        }
        CommandTree tree(kGroup);
        tree.Load(table);
        ASSERT_EQ(ShapeByCmdline(tree.Roots()), ShapeByDescent(table)) << "table " << t;
    }
}

TEST(CommandTreeLoad, CopiesEveryFieldAndReloadReplaces)
{
    CommandTable table;
    Command c;
    SplitCaption("Tools/Edit", c.path, c.name);
    Command parent;
    SplitCaption("Tools", parent.path, parent.name);
    c.cmdline = "notepad.exe";
    c.dir = "C:\\work";
    c.envFile = "env.txt";
    c.showCmd = 3;
    c.virtualKey = 0x45;
    c.modifiers = 6;
    table.Append(parent);
    table.Append(c);

    CommandTree tree(kGroup);
    tree.Load(table);
    tree.Load(table);
    ASSERT_EQ(Shape(tree), "Tools(Edit)");
    const CommandItem& item = *tree.Roots()[0]->Children()[0]->Item();
    EXPECT_EQ(item.name, "Edit");
    EXPECT_EQ(JoinPath(item.path), "Tools/Edit");
    EXPECT_EQ(item.cmdline, "notepad.exe");
    EXPECT_EQ(item.dir, "C:\\work");
    EXPECT_EQ(item.envFile, "env.txt");
    EXPECT_EQ(item.showCmd, 3);
    EXPECT_EQ(item.virtualKey, 0x45);
    EXPECT_EQ(item.modifiers, 6u);
}

TEST(CommandTreeSave, PreOrderRoundTrip)
{
    const std::vector<std::vector<std::string>> tables = {
        {},
        {"A", "A/B", "A/B/C"},
        {"A", "A/X", "B", "B/Y", "A/Z"},
        {"Z", "Z/1", "Z/1/a", "Z/2", "Y"},
    };
    for (const auto& captions : tables) {
        CommandTree tree(kGroup);
        tree.Load(TableOf(captions));
        CommandTable saved;
        tree.ToTable(saved);
        CommandTree again(kGroup);
        again.Load(saved);
        EXPECT_EQ(Shape(again), Shape(tree));
        CommandTable savedAgain;
        again.ToTable(savedAgain);
        EXPECT_EQ(Captions(savedAgain), Captions(saved));
    }
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A", "A/X", "B", "B/Y", "A/Z"}));
    CommandTable saved;
    tree.ToTable(saved);
    EXPECT_EQ(Captions(saved), (std::vector<std::string>{"A", "A/X", "A/Z", "B", "B/Y"}));
    EXPECT_EQ(saved[2].cmdline, "run A/Z");
    EXPECT_EQ(saved[2].name, "Z");
}

TEST(CommandTreeSave, PathsFollowNamesNotLoadedPaths)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A", "A/B", "C"}));
    Find(tree, "A")->Item()->name = "Renamed";
    tree.Drop(Find(tree, "B"), Find(tree, "C"));
    CommandTable saved;
    tree.ToTable(saved);
    EXPECT_EQ(Captions(saved), (std::vector<std::string>{"Renamed", "C", "C/B"}));
}

TEST(CommandTreeSave, RefusesGroupAndSlashNames)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A/B", "A", "C"}));
    EXPECT_EQ(tree.FirstUnsavable(), tree.Group());

    // Moved out of the group but not renamed: still refused, on that node.
    CommandNode* member = Find(tree, "A/B");
    ASSERT_TRUE(tree.Drop(member, Find(tree, "A")));
    EXPECT_EQ(tree.Group(), nullptr);
    EXPECT_EQ(tree.FirstUnsavable(), member);

    member->Item()->name = "B";
    EXPECT_EQ(tree.FirstUnsavable(), nullptr);
    CommandTable saved;
    tree.ToTable(saved);
    EXPECT_EQ(Captions(saved), (std::vector<std::string>{"A", "A/B", "C"}));
}

TEST(CommandTreeMove, UpAndDownReorderSiblingsOnly)
{
    struct Case {
        const char* label;
        bool up;
        bool moves;
        const char* shape;
    };
    const Case cases[] = {
        {"B", true, true, "B(X Y Z) A C"},
        {"A", true, false, "A B(X Y Z) C"},
        {"C", false, false, "A B(X Y Z) C"},
        {"A", false, true, "B(X Y Z) A C"},
        {"Z", true, true, "A B(X Z Y) C"},
        {"X", true, false, "A B(X Y Z) C"},
        {"Z", false, false, "A B(X Y Z) C"},
        {"Y", false, true, "A B(X Z Y) C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + (c.up ? " up" : " down"));
        CommandTree tree(kGroup);
        tree.Load(TableOf({"A", "B", "B/X", "B/Y", "B/Z", "C"}));
        CommandNode* node = Find(tree, c.label);
        CommandNode* moved = c.up ? tree.MoveUp(node) : tree.MoveDown(node);
        EXPECT_EQ(moved != nullptr, c.moves);
        if (moved) {
            EXPECT_EQ(moved->Item()->name, c.label);
        }
        EXPECT_EQ(Shape(tree), c.shape);
    }
}

TEST(CommandTreeMove, GroupNeverMovesButOthersPassIt)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A/B", "C", "D"}));
    ASSERT_EQ(Shape(tree), "G(A/B) C D");
    EXPECT_EQ(tree.MoveUp(tree.Group()), nullptr);
    EXPECT_EQ(tree.MoveDown(tree.Group()), nullptr);
    EXPECT_EQ(tree.MoveSubtree(tree.Group(), Find(tree, "C"), CommandTree::kLast), nullptr);
    EXPECT_EQ(tree.Drop(tree.Group(), nullptr), nullptr);
    EXPECT_EQ(Shape(tree), "G(A/B) C D");
    EXPECT_TRUE(tree.MoveUp(Find(tree, "C")));
    EXPECT_EQ(Shape(tree), "C G(A/B) D");
}

TEST(CommandTreeMove, DropMakesLastChildOrLastTopLevel)
{
    struct Case {
        const char* source;
        const char* target;   // null: empty space
        bool moves;
        const char* shape;
    };
    const Case cases[] = {
        {"A", nullptr, true, "B(X(Y)) C A(P Q)"},
        {"P", "C", true, "A(Q) B(X(Y)) C(P)"},
        {"B", "A", true, "A(P Q B(X(Y))) C"},
        {"Y", nullptr, true, "A(P Q) B(X) C Y"},
        {"B", "X", false, "A(P Q) B(X(Y)) C"},   // onto its own descendant
        {"B", "Y", false, "A(P Q) B(X(Y)) C"},
        {"B", "B", false, "A(P Q) B(X(Y)) C"},   // onto itself
        {"P", "A", true, "A(Q P) B(X(Y)) C"},    // onto its own parent: becomes last
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " on " + (c.target ? c.target : "nothing"));
        CommandTree tree(kGroup);
        tree.Load(TableOf({"A", "A/P", "A/Q", "B", "B/X", "B/X/Y", "C"}));
        CommandNode* target = c.target ? Find(tree, c.target) : nullptr;
        EXPECT_EQ(tree.Drop(Find(tree, c.source), target) != nullptr, c.moves);
        EXPECT_EQ(Shape(tree), c.shape);
    }
}

TEST(CommandTreeMove, MovedSubtreeIsCollapsed)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A", "A/B", "A/B/C", "D"}));
    Find(tree, "A")->expanded = true;
    Find(tree, "B")->expanded = true;
    Find(tree, "D")->expanded = true;
    CommandNode* moved = tree.Drop(Find(tree, "A"), Find(tree, "D"));
    ASSERT_TRUE(moved);
    EXPECT_FALSE(moved->expanded);
    EXPECT_FALSE(Find(tree, "B")->expanded);
    EXPECT_TRUE(Find(tree, "D")->expanded);
}

TEST(CommandTreeGroup, RemovedWhenEmptyWherever)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A/B", "X/Y", "C"}));
    ASSERT_EQ(Shape(tree), "G(A/B X/Y) C");

    tree.MoveUp(Find(tree, "C"));   // the group is no longer first
    ASSERT_EQ(Shape(tree), "C G(A/B X/Y)");
    ASSERT_TRUE(tree.Drop(Find(tree, "A/B"), nullptr));
    EXPECT_EQ(Shape(tree), "C G(X/Y) A/B");
    ASSERT_TRUE(tree.Delete(Find(tree, "X/Y")));
    EXPECT_EQ(Shape(tree), "C A/B");
    EXPECT_EQ(tree.Group(), nullptr);
    EXPECT_FALSE(tree.PruneInvalidGroup());
}

TEST(CommandTreeGroup, DropIntoGroupKeepsIt)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A/B", "C"}));
    ASSERT_TRUE(tree.Drop(Find(tree, "C"), tree.Group()));
    EXPECT_EQ(Shape(tree), "G(A/B C)");
    ASSERT_TRUE(tree.Drop(Find(tree, "A/B"), nullptr));
    ASSERT_TRUE(tree.Drop(Find(tree, "C"), nullptr));
    EXPECT_EQ(Shape(tree), "A/B C");
}

TEST(CommandTreeEdit, DeleteAndInsert)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A/Q", "A", "A/B", "A/B/C", "D"}));
    EXPECT_FALSE(tree.Delete(tree.Group()));
    EXPECT_FALSE(tree.Delete(nullptr));
    EXPECT_TRUE(tree.Delete(Find(tree, "B")));   // the subtree goes with it
    EXPECT_EQ(Shape(tree), "G(A/Q) A D");
    EXPECT_EQ(tree.Count(), 4u);

    // New with nothing selected: end of the top level; after a child: right after it.
    EXPECT_TRUE(tree.InsertAfter(nullptr, NewItem("E")));
    EXPECT_TRUE(tree.InsertAfter(Find(tree, "A/Q"), NewItem("F")));
    EXPECT_TRUE(tree.InsertAfter(Find(tree, "A"), NewItem("H")));
    EXPECT_EQ(Shape(tree), "G(A/Q F) A H D E");
    EXPECT_EQ(tree.InsertAfter(nullptr, nullptr), nullptr);
}

TEST(CommandTreeEdit, NeighbourAfterDelete)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"A", "A/X", "A/Y", "B"}));
    EXPECT_EQ(tree.NeighbourAfterDelete(*Find(tree, "X")), Find(tree, "Y"));
    EXPECT_EQ(tree.NeighbourAfterDelete(*Find(tree, "Y")), Find(tree, "X"));
    EXPECT_EQ(tree.NeighbourAfterDelete(*Find(tree, "B")), Find(tree, "A"));
    tree.Delete(Find(tree, "Y"));
    EXPECT_EQ(tree.NeighbourAfterDelete(*Find(tree, "X")), Find(tree, "A"));
}

namespace {

// The first node loaded from `caption`.
CommandNode* Loaded(const CommandTree& tree, const std::string& caption)
{
    CommandNode* found = nullptr;
    tree.ForEach([&](const CommandNode& n) {
        if (n.Item() && JoinPath(n.Item()->path) == caption)
            found = const_cast<CommandNode*>(&n);
        return !found;
    });
    return found;
}

} // namespace

TEST(CommandTreeNames, SiblingsMustDifferByteForByte)
{
    CommandTree tree(kGroup);
    tree.Load(TableOf({"X/Y", "A", "A/x", "B", "C", "C/A"}));
    CommandNode* top = nullptr;
    EXPECT_TRUE(tree.NameTaken(top, "A"));
    EXPECT_TRUE(tree.NameTaken(top, "A", Loaded(tree, "B")));
    EXPECT_FALSE(tree.NameTaken(top, "A", Loaded(tree, "A")));   // its own name
    EXPECT_FALSE(tree.NameTaken(top, "a", Loaded(tree, "B")));
    EXPECT_FALSE(tree.NameTaken(top, kGroup));                   // the group has no name
    EXPECT_TRUE(tree.NameTaken(Loaded(tree, "C"), "A"));
    EXPECT_FALSE(tree.NameTaken(Loaded(tree, "A"), "A"));
}

TEST(CommandTreeNames, DropRefusedWhereTheNameIsTaken)
{
    struct Case {
        const char* source;
        const char* target;   // null: empty space
        bool clashes;
        const char* shape;
    } const cases[] = {
        {"A", "B", true, "A(x) B(A) C(x)"},
        {"B/A", nullptr, true, "A(x) B(A) C(x)"},
        {"A/x", "C", true, "A(x) B(A) C(x)"},
        {"A/x", "A", false, "A(x) B(A) C(x)"},   // onto its own parent: already there
        {"A/x", "B", false, "A B(A x) C(x)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " on " + (c.target ? c.target : "nothing"));
        CommandTree tree(kGroup);
        tree.Load(TableOf({"A", "A/x", "B", "B/A", "C", "C/x"}));
        CommandNode* source = Loaded(tree, c.source);
        CommandNode* target = c.target ? Loaded(tree, c.target) : nullptr;
        EXPECT_EQ(tree.DropClashes(source, target), c.clashes);
        EXPECT_EQ(tree.Drop(source, target) != nullptr, !c.clashes);
        EXPECT_EQ(Shape(tree), c.shape);
    }
}

TEST(CommandTreeNames, FirstRegroupedIsTheNodeWhoseChildrenWouldMoveOnReload)
{
    struct Case {
        std::vector<std::string> captions;
        const char* moveDown;   // moved before the check; null: as loaded
        bool regrouped;         // the moved node is the one found
    } const cases[] = {
        {{"A", "A", "A/x"}, nullptr, false},
        {{"A", "A", "A/x"}, "A", true},
        {{"P", "P/A", "P/A", "P/A/x"}, "P/A", true},
        {{"A", "A", "B"}, "A", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.captions.size());
        CommandTree tree(kGroup);
        tree.Load(TableOf(c.captions));
        CommandNode* moved = c.moveDown ? Loaded(tree, c.moveDown) : nullptr;
        if (moved) {
            ASSERT_TRUE(tree.MoveDown(moved));
        }
        EXPECT_EQ(tree.FirstRegrouped(), c.regrouped ? moved : nullptr);
        // The claim itself: saved and loaded, the tree comes back otherwise.
        CommandTable saved;
        tree.ToTable(saved);
        CommandTree again(kGroup);
        again.Load(saved);
        EXPECT_EQ(Shape(again) != Shape(tree), c.regrouped) << Shape(again);
    }
}

TEST(CommandTreeEdit, DuplicateCopiesTheSubtreeBelowWithFreeNamesAndNoHotkeys)
{
    CommandTree tree(kGroup);
    CommandTable table = TableOf({"A", "A/B", "A/B/C", "A/D", "E", "A - copy"});
    table[0].virtualKey = 0x41;
    table[0].modifiers = 3;
    table[2].virtualKey = 0x43;
    tree.Load(table);
    CommandNode* a = Find(tree, "A");
    a->expanded = true;

    CommandNode* copy = tree.Duplicate(a, " - copy");
    ASSERT_NE(copy, nullptr);
    // " - copy" is taken at the top level: the copy is numbered, right after A.
    EXPECT_EQ(Shape(tree), "A(B(C) D) A - copy (2)(B(C) D) E A - copy");
    EXPECT_FALSE(copy->expanded);
    EXPECT_EQ(tree.Duplicate(a, " - copy")->Item()->name, "A - copy (3)");
    EXPECT_EQ(tree.Duplicate(Find(tree, "D"), " - copy")->Item()->name, "D - copy");
    EXPECT_EQ(tree.Duplicate(nullptr, " - copy"), nullptr);

    CommandTable saved;
    tree.ToTable(saved);
    EXPECT_EQ(Captions(saved), (std::vector<std::string>{"A", "A/B", "A/B/C", "A/D", "A/D - copy", "A - copy (3)",
                                                         "A - copy (3)/B", "A - copy (3)/B/C", "A - copy (3)/D",
                                                         "A - copy (2)", "A - copy (2)/B", "A - copy (2)/B/C",
                                                         "A - copy (2)/D", "E", "A - copy"}));
    // The originals keep their hotkeys; the copies carry the same command lines.
    for (std::size_t i = 0; i < saved.Size(); ++i)
        EXPECT_EQ(saved[i].virtualKey != 0, i == 0 || i == 2) << i;
    EXPECT_EQ(saved[1].cmdline, saved[10].cmdline);
    EXPECT_EQ(saved[2].cmdline, "run A/B/C");
    EXPECT_EQ(saved[11].cmdline, "run A/B/C");
}

TEST(CommandFilterTest, ShowsMatchesByNameCommandLineOrHotkeyWithTheirParents)
{
    CommandTree tree(kGroup);
    CommandTable table = TableOf({"Tools", "Tools/Editor", "Tools/Paint", "Mail", "\x83\x81\x83\x82"});
    table[2].virtualKey = 0x50;
    table[2].modifiers = 2;
    table[3].cmdline = "C:\\Apps\\Thunder.exe -compose";
    tree.Load(table);
    const auto shown = [&](const std::string& text) {
        CommandFilter(text).Mark(tree);
        std::string out;
        tree.ForEach([&](const CommandNode& n) {
            if (!n.hidden)
                out += (out.empty() ? "" : " ") + tree.Label(n);
            return true;
        });
        return out;
    };
    EXPECT_EQ(shown("EDIT"), "Tools Editor");          // a name, in either case, with its parent
    EXPECT_EQ(shown("thunder.EXE"), "Mail");          // a fragment of the command line
    EXPECT_EQ(shown("ctrl+p"), "Tools Paint");        // the hotkey text
    EXPECT_EQ(shown("tools"), "Tools Editor Paint");  // cmdlines "run Tools/..." match too
    EXPECT_EQ(shown("zzz"), "");
    // By character: the second byte of one character and the first of the
    // next (0x81 0x83) are not a character of the text.
    EXPECT_EQ(shown("\x81\x83"), "");
    EXPECT_EQ(shown("\x83\x82"), "\x83\x81\x83\x82");
    EXPECT_TRUE(CommandFilter().Empty());
    EXPECT_EQ(shown(""), "Tools Editor Paint Mail \x83\x81\x83\x82");
}
