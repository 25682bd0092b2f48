#include "commands/command_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Levels(const CommandPath& path)
{
    std::vector<std::string> levels;
    for (std::uint32_t i = 0; i < path.Count(); ++i) levels.push_back(path.Level(i));
    return levels;
}

CommandPath PathOf(const char* caption)
{
    CommandPath path;
    std::string name;
    SplitCaption(caption, path, name);
    return path;
}

} // namespace

TEST(CommandPathTest, AppendPacksLevelsWithTheirNuls)
{
    CommandPath path;
    EXPECT_TRUE(path.Empty());
    EXPECT_EQ(path.Level(0), nullptr);
    ASSERT_TRUE(path.Append("Tools"));
    ASSERT_TRUE(path.Append("Editor/xyz", 6));
    EXPECT_EQ(path.Count(), 2u);
    EXPECT_EQ(path.Length(), 13u);   // "Tools\0Editor\0"
    EXPECT_STREQ(path.Level(1), "Editor");
    EXPECT_EQ(path.Level(2), nullptr);
    EXPECT_FALSE(path.Append(nullptr));
    EXPECT_EQ(path.Count(), 2u);
}

TEST(CommandPathTest, CopiesAreIndependent)
{
    CommandPath a = PathOf("A/B");
    CommandPath b = a;
    b.Append("C");
    EXPECT_EQ(Levels(a), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Levels(b), (std::vector<std::string>{"A", "B", "C"}));
    a = b;
    EXPECT_EQ(JoinPath(a), "A/B/C");
    CommandPath moved = std::move(a);
    EXPECT_EQ(JoinPath(moved), "A/B/C");
    CommandPath empty;
    CommandPath copyOfEmpty = empty;
    EXPECT_TRUE(copyOfEmpty.Empty());
}

TEST(SplitCaptionTest, SplitsAtEverySlash)
{
    const struct {
        const char* caption;
        std::vector<std::string> levels;
        const char* name;
    } cases[] = {
        {"A/B/C", {"A", "B", "C"}, "C"},
        {"Editor", {"Editor"}, "Editor"},
        {"ツール/表示", {"ツール", "表示"}, "表示"},
        {"\x95\x5c/\x83\x5c", {"\x95\x5c", "\x83\x5c"}, "\x83\x5c"},   // Shift-JIS second bytes 0x5C
        // A byte search: a lead byte right before "/" does not take it as its second byte.
        {"\x83/x", {"\x83", "x"}, "x"},
        // Hand-edited captions with empty levels lose those levels.
        {"A//B", {"A", "B"}, "B"},
        {"/A/", {"A"}, "A"},
        // Nothing but slashes: one level as it stands, never an empty caption.
        {"///", {"///"}, "///"},
        {"/", {"/"}, "/"},
        // Blanks at the ends of a level go, as the profile read drops them
        // at the ends of a caption.
        {"Tools /Editor", {"Tools", "Editor"}, "Editor"},
        {" A / B C ", {"A", "B C"}, "B C"},
        {"A/ /B", {"A", "B"}, "B"},
        {"", {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        CommandPath path;
        path.Append("old");
        std::string name = "old";
        SplitCaption(c.caption, path, name);
        EXPECT_EQ(Levels(path), c.levels);
        EXPECT_EQ(name, c.name);
    }
}

TEST(JoinPathTest, IsTheInverseOfSplit)
{
    for (const char* caption : {"A/B/C", "Top", "ツール/エディタ/メモ帳", "/", "//"}) {
        EXPECT_EQ(JoinPath(PathOf(caption)), caption);
    }
    EXPECT_EQ(JoinPath(CommandPath()), "");
}

TEST(CommonLevelsTest, CountsEqualLeadingLevelsCaseSensitively)
{
    EXPECT_EQ(CommonLevels(PathOf("A/B/C"), PathOf("A/B/D")), 2u);
    EXPECT_EQ(CommonLevels(PathOf("A/B"), PathOf("A/B/C")), 2u);
    EXPECT_EQ(CommonLevels(PathOf("a/B"), PathOf("A/B")), 0u);
    EXPECT_EQ(CommonLevels(PathOf("AB"), PathOf("A/B")), 0u);
    EXPECT_EQ(CommonLevels(CommandPath(), PathOf("A")), 0u);
}

TEST(IsParentPathTest, ParentHasExactlyOneLevelLess)
{
    EXPECT_TRUE(IsParentPath(PathOf("A"), PathOf("A/B")));
    EXPECT_TRUE(IsParentPath(PathOf("A/B"), PathOf("A/B/C")));
    EXPECT_FALSE(IsParentPath(PathOf("A"), PathOf("A/B/C")));
    EXPECT_FALSE(IsParentPath(PathOf("A/B"), PathOf("A/B")));
    EXPECT_FALSE(IsParentPath(PathOf("X"), PathOf("A/B")));
    EXPECT_FALSE(IsParentPath(CommandPath(), PathOf("A")));
}
