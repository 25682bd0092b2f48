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
    // Taken whole: no splitting at blanks, quotation marks kept.
    {"C:\\My Settings\\work.ini", "C:\\My Settings\\work.ini"},
    {"  \"C:\\a b.ini\" \t", "\"C:\\a b.ini\""},
    {"\"C:\\a.ini\" \"b\"", "\"C:\\a.ini\" \"b\""},
    {"\"", "\""},
    {"\"\"", ""},
    {" \"\" ", ""},
    // 表 and ソ end in 0x5C, and 0x82 0x20 is no blank; a lead byte at the end stays.
    {"C:\\\x95\x5C\\\x83\x5C.ini", "C:\\\x95\x5C\\\x83\x5C.ini"},
    {"a\x82\x20", "a\x82\x20"},
    {"C:\\a\x95", "C:\\a\x95"},
};

TEST(PathFromCommandLineTest, TakesTheWholeLineWithItsMarks)
{
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PathFromCommandLine(c.text), c.expected);
    }
    EXPECT_EQ(PathFromCommandLine(nullptr), "");
}

} // namespace
