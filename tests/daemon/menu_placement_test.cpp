#include "menu_placement.h"

#include "commands/command_table.h"

#include <gtest/gtest.h>

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
        table.Append(command);
    }
    return table;
}

struct PlacementCase {
    const char* what;
    std::vector<std::string> captions;
    std::vector<int> parents;
};

TEST(MenuPlacementTest, ParentsFollowTheParentRule)
{
    const PlacementCase cases[] = {
        {"nested groups", {"A", "A/B", "A/C", "D"}, {-1, 0, 0, -1}},
        {"no command for the parent levels", {"A/B"}, {-1}},
        {"the first of two equal paths is the parent", {"A", "A", "A/B"}, {-1, -1, 0}},
        {"levels compare case-sensitively", {"A", "a/B"}, {-1, -1}},
        {"grandchild under child, not grandparent", {"A", "A/B", "A/B/C", "A/C/D"}, {-1, 0, 1, -1}},
        {"a later parent leaves the child at the top", {"A/B", "A"}, {-1, -1}},
        {"a later parent still takes later children", {"A/B", "A", "A/C"}, {-1, -1, 1}},
        {"empty levels are dropped before placement", {"A", "A//B/", "/A/C"}, {-1, 0, 0}},
        {"a level is not a prefix of a longer one", {"AB", "A/B", "A"}, {-1, -1, -1}},
        // Multibyte names (Shift-JIS bytes with a trail byte 0x2F would be "/";
        // the caption split works by byte, so such a trail byte splits too).
        {"high bytes compare as bytes", {"\x83\x81", "\x83\x81/x", "\x83\x82/y"}, {-1, 0, -1}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ParentPositions(TableOf(c.captions)), c.parents);
    }
}

// The parent rule as a whole-table search: the first earlier command whose
// path has one level fewer and shares all of them.
std::vector<int> ParentsBySearch(const CommandTable& table)
{
    std::vector<int> parents;
    for (std::size_t j = 0; j < table.Size(); ++j) {
        int parent = -1;
        for (std::size_t i = 0; i < j && parent < 0; ++i) {
            if (IsParentPath(table[i].path, table[j].path)) parent = static_cast<int>(i);
        }
        parents.push_back(parent);
    }
    return parents;
}

// Captions of one to four levels from a few names, so that parents,
// duplicates, later parents, missing parents and dropped levels all occur.
std::vector<std::string> RandomCaptions(std::mt19937& random, std::size_t count)
{
    static const char* const levels[] = {"a", "b", "c", "a ", "", "\x83\x81"};
    std::vector<std::string> captions;
    for (std::size_t i = 0; i < count; ++i) {
        std::string caption;
        const int depth = 1 + static_cast<int>(random() % 4);
        for (int n = 0; n < depth; ++n) {
            if (n > 0) caption += '/';
            caption += levels[random() % 6];
        }
        if (caption.find_first_not_of("/ ") == std::string::npos) caption = "a";
        captions.push_back(caption);
    }
    return captions;
}

TEST(MenuPlacementTest, ParentsEqualTheWholeTableSearchOnRandomTables)
{
    std::mt19937 random(20261208);
    for (int t = 0; t < 400; ++t) {
        const std::vector<std::string> captions = RandomCaptions(random, 1 + random() % 60);
        const CommandTable table = TableOf(captions);
        const std::vector<int> parents = ParentPositions(table);
        ASSERT_EQ(parents, ParentsBySearch(table)) << "table " << t;
    }
}

TEST(MenuPlacementTest, TensOfThousandsOfCommandsArePlacedInLinearTime)
{
    // 70,000 commands in groups of ten: a quadratic search would take minutes.
    std::vector<std::string> captions;
    for (int i = 0; i < 70000; ++i) {
        captions.push_back(i % 10 == 0 ? "G" + std::to_string(i / 10)
                                       : "G" + std::to_string(i / 10) + "/c" + std::to_string(i));
    }
    const std::vector<int> parents = ParentPositions(TableOf(captions));
    ASSERT_EQ(parents.size(), captions.size());
    EXPECT_EQ(parents[0], -1);
    EXPECT_EQ(parents[69999], 69990);
    EXPECT_EQ(parents[12345], 12340);
}

} // namespace
