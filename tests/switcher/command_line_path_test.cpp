#include "command_line_path.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* text;
    const char* expected;
};

const PathCase kPathCases[] = {
    {"", ""},
    {"   ", ""},
    {"C:\\settings\\work.ini", "C:\\settings\\work.ini"},
    {"sub\\my.ini", "sub\\my.ini"},
    {"\"C:\\My Settings\\work.ini\"", "C:\\My Settings\\work.ini"},
    {"  \"C:\\a b.ini\" \t", "C:\\a b.ini"},
    // Taken whole: no splitting at blanks.
    {"C:\\My Settings\\work.ini", "C:\\My Settings\\work.ini"},
    {"C:\\a.ini other", "C:\\a.ini other"},
    // Only one pair, and only when it encloses the whole text.
    {"\"\"C:\\a.ini\"\"", "\"C:\\a.ini\""},
    {"\"C:\\a.ini\" \"b\"", "C:\\a.ini\" \"b"},
    {"\"C:\\a.ini", "\"C:\\a.ini"},
    {"C:\\a.ini\"", "C:\\a.ini\""},
    {"\"", "\""},
    {"\"\"", ""},
    // 表 and ソ end in 0x5C; a lead byte at the end stays.
    {"\"C:\\\x95\x5C\\\x83\x5C.ini\"", "C:\\\x95\x5C\\\x83\x5C.ini"},
    {"C:\\a\x95", "C:\\a\x95"},
    {"\"\x82\x22", "\"\x82\x22"},
};

TEST(PathFromCommandLineTest, TakesTheWholeLineWithoutOnePairOfMarks)
{
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PathFromCommandLine(c.text), c.expected);
    }
    EXPECT_EQ(PathFromCommandLine(nullptr), "");
}

} // namespace
