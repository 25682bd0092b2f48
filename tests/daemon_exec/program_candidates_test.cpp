#include "program_candidates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ProgramCandidates, ReadsTheLineAsCreateProcessTriesIt)
{
    using Splits = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* line;
        Splits splits;
    } cases[] = {
        {"\"C:\\a b\\x.exe\" arg  two", {{"C:\\a b\\x.exe", "arg  two"}}},
        {"\"C:\\a b\\x.exe\"", {{"C:\\a b\\x.exe", ""}}},
        {"\"C:\\open end", {{"C:\\open end", ""}}},
        {"C:\\Program Files\\a b.exe x",
         {{"C:\\Program", "Files\\a b.exe x"},
          {"C:\\Program Files\\a", "b.exe x"},
          {"C:\\Program Files\\a b.exe", "x"},
          {"C:\\Program Files\\a b.exe x", ""}}},
        {"  notepad\t  a.txt  ", {{"notepad", "a.txt  "}, {"notepad\t  a.txt", ""}}},
        {"notepad", {{"notepad", ""}}},
        // A path holds no quote: no cut runs into a quoted argument.
        {"tool \"a b\" c", {{"tool", "\"a b\" c"}}},
        {"   ", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Splits got;
        for (const ProgramSplit& split : ProgramCandidates(c.line)) got.emplace_back(split.program, split.arguments);
        EXPECT_EQ(got, c.splits);
    }
}

} // namespace
