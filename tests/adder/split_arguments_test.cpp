#include "base_name.h"
#include "split_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

struct SplitCase {
    const char* text;
    Args expected;
};

// "\x95\x5C" is 表 and "\x83\x5C" is ソ: their second byte is a backslash.
// "\x81\x40" is the ideographic blank. "\x82\x22" and "\x82\x20" are lead
// bytes followed by a quotation mark or a blank, which must not count.
const SplitCase kSplitCases[] = {
    {"", {""}},
    {"a.txt", {"a.txt"}},
    {"a.txt b.txt", {"a.txt", "b.txt"}},
    {"a \t b\t\tc  ", {"a", "b", "c"}},
    {"  a", {"", "a"}},
    // The first argument: quotes toggle, backslashes are plain.
    {"\"C:\\My Files\\a b.txt\" c", {"C:\\My Files\\a b.txt", "c"}},
    {"\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
    {"a\"b c\"d e", {"ab cd", "e"}},
    {"a\\\"b", {"a\\b"}},
    // Further arguments: the runtime's documented examples.
    {"p \"abc\" d e", {"p", "abc", "d", "e"}},
    {"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
    {"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
    {"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
    // Backslashes before the end or a blank stay as they are.
    {"p C:\\dir\\ x\\\\", {"p", "C:\\dir\\", "x\\\\"}},
    {"p \"C:\\dir\\\\\"", {"p", "C:\\dir\\"}},
    {"p \"C:\\dir\\\"", {"p", "C:\\dir\""}},
    // A doubled quotation mark inside quotes gives one mark and ends the quoting.
    {"p \"a\"\"b c\"", {"p", "a\"b", "c"}},
    {"p \"\"\"a\"", {"p", "\"a"}},
    {"p \"\"", {"p", ""}},
    {"p \"\" x", {"p", "", "x"}},
    {"p a\"\"b", {"p", "ab"}},
    {"p \"a b", {"p", "a b"}},
    // Double-byte characters are copied whole, whatever their second byte.
    {"\x95\x5C\"x\" y", {"\x95\x5Cx", "y"}},
    {"p \x95\x5C\"a b\"", {"p", "\x95\x5C" "a b"}},
    {"p \x83\x5C\x83\x5C", {"p", "\x83\x5C\x83\x5C"}},
    {"p \x81\x40x", {"p", "\x81\x40x"}},
    {"p \x82\x22x y", {"p", "\x82\x22x", "y"}},
    {"p \"\x82\x20\" y", {"p", "\x82\x20", "y"}},
    {"\x82\x20x y", {"\x82\x20x", "y"}},
    // A lead byte at the very end is kept and ends the text.
    {"p a\x95", {"p", "a\x95"}},
    {"\x95", {"\x95"}},
};

TEST(SplitArgumentsTest, FollowsTheRuntimeRules)
{
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SplitArguments(c.text), c.expected);
    }
}

TEST(SplitArgumentsTest, NullTextGivesOneEmptyArgument)
{
    EXPECT_EQ(SplitArguments(nullptr), Args{""});
}

TEST(SplitArgumentsTest, LongRunsOfBackslashesAndQuotes)
{
    const std::string slashes(5000, '\\');
    EXPECT_EQ(SplitArguments(("p " + slashes + "\"x").c_str()), (Args{"p", std::string(2500, '\\') + "x"}));
    const std::string quotes(4001, '"');
    const Args split = SplitArguments(("p " + quotes).c_str());
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[1], std::string(1333, '"'));
}

struct BaseNameCase {
    const char* path;
    const char* expected;
};

const BaseNameCase kBaseNameCases[] = {
    {"C:\\data\\report.final.txt", "report.final"},
    {"C:\\Tools", "Tools"},
    {"C:\\Tools\\", ""},
    {"C:\\dir\\.profile", ""},
    {"a!b.txt", "a!b"},
    {"sub\\x.ini", "x"},
    {"sub/x.y.ini", "x.y"},
    {"C:x.txt", "x"},
    {"\\\\server\\share\\f.txt", "f"},
    {"C:\\a.dir\\file", "file"},
    {"name.", "name"},
    {"", ""},
    // 表 ends in 0x5C: not a separator.
    {"C:\\\x95\x5C\x8E\xA6.txt", "\x95\x5C\x8E\xA6"},
    {"\x95\x5C.txt", "\x95\x5C"},
    {"x\\a\x95", "a\x95"},
};

TEST(FileBaseNameTest, TakesTheLastComponentWithoutItsExtension)
{
    for (const BaseNameCase& c : kBaseNameCases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileBaseName(c.path), c.expected);
    }
    EXPECT_EQ(FileBaseName(nullptr), "");
}

} // namespace
