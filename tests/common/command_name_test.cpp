#include "commands/command_name.h"
#include "settings/multibyte.h"

#include <gtest/gtest.h>

TEST(IsValidCommandNameTest, RefusesFiveCharactersBlanksAtTheEndsAndTheEmptyName)
{
    const struct {
        const char* name;
        bool valid;
    } cases[] = {
        {"Editor", true},
        {"\x95\x5c\x8e\xa6", true},     // 表示: its first character's second byte is 0x5C
        {"\x83\x5c\x83\x74\x83\x67", true},   // ソフト
        {"a \"quoted\" name", true},
        {"", false},
        {"a:b", false},
        {"what?", false},
        {"hey!", false},
        {"a\\b", false},
        {"a/b", false},
        {"\x95\x5c\\", false},           // a backslash of its own after a double-byte character
        {"\x95", true},                  // a lone lead byte at the end is one character
        {" Editor", false},              // the profile read would drop the blank
        {"Editor\t", false},
        {" ", false},
        {"a b", true},
        {"\x81\x40" "a\x81\x40", true},       // full-width blanks are kept by the read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsValidCommandName(c.name), c.valid);
    }
    EXPECT_FALSE(IsValidCommandName(nullptr));
    EXPECT_EQ(TrimCommandName(" \tTools \t"), "Tools");
    EXPECT_EQ(TrimCommandName("  "), "");
    EXPECT_EQ(TrimCommandName(nullptr), "");
}

TEST(MultibyteTest, Cp932LeadBytes)
{
    EXPECT_FALSE(IsCp932LeadByte(0x80));
    EXPECT_TRUE(IsCp932LeadByte(0x81));
    EXPECT_TRUE(IsCp932LeadByte(0x9F));
    EXPECT_FALSE(IsCp932LeadByte(0xA0));   // half-width katakana are single bytes
    EXPECT_FALSE(IsCp932LeadByte(0xDF));
    EXPECT_TRUE(IsCp932LeadByte(0xE0));
    EXPECT_TRUE(IsCp932LeadByte(0xFC));
    EXPECT_FALSE(IsCp932LeadByte(0xFD));
    EXPECT_FALSE(IsCp932LeadByte('\\'));
    // Under Wine the tests run in code page 932, so the system rule agrees.
    for (int c = 0; c < 256; ++c) EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(c)), IsCp932LeadByte(c)) << c;
}

TEST(MultibyteTest, NextCharNeverPassesTheEnd)
{
    const char text[] = "a\x95\x5c\x95";
    const char* p = text;
    p = NextChar(p);
    EXPECT_EQ(p, text + 1);
    p = NextChar(p);
    EXPECT_EQ(p, text + 3);
    p = NextChar(p);
    EXPECT_EQ(p, text + 4);
    EXPECT_EQ(NextChar(p), p);
}
