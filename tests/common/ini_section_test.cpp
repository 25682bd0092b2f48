#include "settings/ini_section.h"

#include <gtest/gtest.h>

#include <string>

namespace {

IniSection SectionOf(const std::string& lines)
{
    // Lines separated by '\n' in the test, NUL-separated as the platform returns them.
    std::string block = lines;
    for (char& c : block) {
        if (c == '\n') c = '\0';
    }
    block += '\0';
    IniSection section;
    section.Parse(block.data(), block.size());
    return section;
}

std::string ValueOf(const IniSection& s, const char* key)
{
    const char* v = s.Find(key);
    return v ? std::string(v) : std::string("<missing>");
}

} // namespace

TEST(IniSectionTest, FindsKeysAsAPerKeyReadWouldAndKeepsValuesAsStored)
{
    const IniSection s = SectionOf(
        "Plain=value\n"
        "  Padded  =   spaced value \t\n"
        "Quoted=\"C:\\Program Files\\x.exe\" \"%1\"\n"
        "Single='one'\n"
        "Lone=\"\n"
        "Mixed=\"a'\n"
        "Empty=\n"
        "NoEquals\n"
        "Dup=first\n"
        "dup=second\n"
        "Eq=a=b\n");
    EXPECT_EQ(ValueOf(s, "Plain"), "value");
    EXPECT_EQ(ValueOf(s, "plain"), "value");
    EXPECT_EQ(ValueOf(s, "PADDED"), "spaced value");
    // The per-key read would drop the outer pair: the table needs them.
    EXPECT_EQ(ValueOf(s, "Quoted"), "\"C:\\Program Files\\x.exe\" \"%1\"");
    EXPECT_EQ(ValueOf(s, "Single"), "'one'");
    EXPECT_EQ(ValueOf(s, "Lone"), "\"");
    EXPECT_EQ(ValueOf(s, "Mixed"), "\"a'");
    EXPECT_EQ(ValueOf(s, "Empty"), "");
    EXPECT_EQ(ValueOf(s, "NoEquals"), "");
    EXPECT_EQ(ValueOf(s, "Dup"), "first");
    EXPECT_EQ(ValueOf(s, "Eq"), "a=b");
    EXPECT_EQ(ValueOf(s, "Missing"), "<missing>");
}

TEST(IniSectionTest, KeepsLongValuesWhole)
{
    const std::string longValue(5000, 'x');
    const IniSection s = SectionOf("Long=" + longValue + "\n");
    EXPECT_EQ(ValueOf(s, "Long"), longValue);

    // A double-byte character across the old 1,024-character limit.
    const std::string jp = std::string(1022, 'a') + "\x95\x5c" + "tail";
    const IniSection t = SectionOf("Jp=" + jp + "\n");
    EXPECT_EQ(ValueOf(t, "Jp"), jp);
}

TEST(IniSectionTest, SurvivesBlocksWithoutTerminator)
{
    const char block[] = {'k', '=', 'v', '\0', 'x', '=', 'y'};
    IniSection s;
    s.Parse(block, sizeof block);
    EXPECT_EQ(ValueOf(s, "k"), "v");
    EXPECT_EQ(ValueOf(s, "x"), "y");
    IniSection empty;
    empty.Parse("", 0);
    EXPECT_EQ(empty.Size(), 0u);
}

TEST(BoolFromWordTest, OnlyTheExactFalseWordsAreFalse)
{
    for (const char* word : {"false", "null", "void", "0", ""}) {
        std::string text = word;
        EXPECT_FALSE(BoolFromWord(&text)) << word;
    }
    for (const char* word : {"true", "FALSE", "False", "yes", "1", "00", " 0"}) {
        std::string text = word;
        EXPECT_TRUE(BoolFromWord(&text)) << word;
    }
    EXPECT_FALSE(BoolFromWord(nullptr));
}
