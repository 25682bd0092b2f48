#include "environment_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The block with its two closing NULs, checked to be there.
std::string Convert(const std::string& file)
{
    std::vector<char> out(file.size() + 2, '#');
    size_t length = ConvertEnvironmentText(file.data(), file.size(), out.data());
    EXPECT_LE(length, file.size());
    EXPECT_EQ(out[length], '\0');
    EXPECT_EQ(out[length + 1], '\0');
    return std::string(out.data(), length);
}

TEST(EnvironmentText, LineEndsBecomeNuls)
{
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string file;
        std::string block;  // without the two closing NULs
    } cases[] = {
        {"CR LF ends", "A=1\r\nB=2\r\n", "A=1\0B=2\0"s},
        {"no final end", "A=1\r\nB=2", "A=1\0B=2"s},
        {"CR only", "A=1\rB=2\r", "A=1\0B=2\0"s},
        {"LF only stays in one line", "A=1\nB=2\n", "A=1\nB=2\n"s},
        {"LF CR", "A=1\n\rB=2", "A=1\n\0B=2"s},
        {"CR CR LF", "A=1\r\r\nB", "A=1\0\0B"s},
        {"empty first line", "\r\nA=1\r\n", "\0A=1\0"s},
        {"empty file", "", ""},
        {"a lone CR", "\r", "\0"s},
        {"CR at the very end", "A=1\r", "A=1\0"s},
        {"taken as they stand", "  no equals sign \r\n=x\r\nPATH=%PATH%", "  no equals sign \0=x\0PATH=%PATH%"s},
        {"binary bytes", "\x01\0\xff\r\n\x81\r"s, "\x01\0\xff\0\x81\0"s},
        {"shift-jis", "\x83\x65=\x83\x58\r\n", "\x83\x65=\x83\x58\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Convert(c.file), c.block);
    }
}

TEST(EnvironmentText, LengthCountsTheNulsThatEndLines)
{
    char out[16];
    EXPECT_EQ(ConvertEnvironmentText("A=1\r\nB=2\r\n", 10, out), 8u);
    EXPECT_EQ(ConvertEnvironmentText("A=1\r\nB=2", 8, out), 7u);
    // A CR LF split by the end of what was read: the CR ends the line alone.
    EXPECT_EQ(ConvertEnvironmentText("A=1\r\n", 4, out), 4u);
}

TEST(EnvironmentText, LargeInputFillsExactlyItsBuffer)
{
    std::string file;
    for (int i = 0; i < 50000; ++i) file += "V" + std::to_string(i) + "=x\r\n";
    std::string block = Convert(file);
    EXPECT_EQ(block.size(), file.size() - 50000);
}

} // namespace
