#include "service_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text)
{
    ServiceTokens tokens;
    EXPECT_TRUE(SplitServiceLine(text.c_str(), tokens));
    std::vector<std::string> result;
    for (int i = 0; i < tokens.Count(); ++i) result.push_back(tokens.Vector()[i]);
    EXPECT_EQ(tokens.Vector()[tokens.Count()], nullptr);
    return result;
}

TEST(ServicePrefix, MatchesEitherPrefixInAnyCaseAtTheStartOnly)
{
    struct Case {
        const char* line;
        const char* rest;  // null: not a service line
    } cases[] = {
        {"Service:Exit", "Exit"},
        {"service:exit", "exit"},
        {"SERVICE:Switch a.ini", "Switch a.ini"},
        {"TesselService:\\Exit", "Exit"},
        {"tesselservice:\\Hotkey.Stop", "Hotkey.Stop"},
        {"Service: Exit", " Exit"},
        {"Service:", ""},
        {" Service:Exit", nullptr},
        {"Servic", nullptr},
        {"TesselService:Exit", nullptr},   // the long form needs its backslash
        {"TesselService:/Exit", nullptr},
        {"notepad.exe", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const char* rest = MatchServicePrefix(c.line);
        if (c.rest == nullptr) {
            EXPECT_EQ(rest, nullptr);
        } else {
            ASSERT_NE(rest, nullptr);
            EXPECT_STREQ(rest, c.rest);
        }
    }
    EXPECT_EQ(MatchServicePrefix(nullptr), nullptr);
}

TEST(ServiceName, ComparesOnlyAsciiLettersWithoutCase)
{
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Hotkey.Restart", "HOTKEY.restart"));
    EXPECT_TRUE(EqualsIgnoreAsciiCase("", ""));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("Exit", "Exit "));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("Exit", "Exi"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("Exit.Logoff", "Exit"));
    // 0x81 0x40 and 0x81 0x60 differ by 0x20 like a letter pair, but are not letters.
    EXPECT_FALSE(EqualsIgnoreAsciiCase("\x81\x40", "\x81\x60"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("[", "{"));
}

TEST(SplitServiceLine, CutsAtTheLastBlankOfARunOutsideQuotes)
{
    struct Case {
        const char* text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"Exit", {"Exit"}},
        {"", {""}},
        {"Switch a.ini", {"Switch", "a.ini"}},
        {"Switch  a.ini", {"Switch ", "a.ini"}},
        {"Switch   a.ini", {"Switch  ", "a.ini"}},
        {" Exit", {"", "Exit"}},
        {"Exit ", {"Exit", ""}},
        {"Exit  ", {"Exit ", ""}},
        {"Switch \"C:\\My Files\\a.ini\" b", {"Switch", "\"C:\\My Files\\a.ini\"", "b"}},
        {"Switch 'a b' c", {"Switch", "'a b'", "c"}},
        {"Switch 'a \"b' c\"", {"Switch", "'a \"b'", "c\""}},
        {"Switch \"a 'b\" c'", {"Switch", "\"a 'b\"", "c'"}},
        {"Switch \"unbalanced a b", {"Switch", "\"unbalanced a b"}},
        {"a b c d", {"a", "b", "c", "d"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Split(c.text), c.tokens);
    }
}

TEST(SplitServiceLine, StepsOverDoubleByteCharacters)
{
    // Trail bytes 0x20 and 0x22/0x27 do not occur in code page 932, but a
    // broken text may carry them: after a lead byte they are never a blank or quote.
    EXPECT_EQ(Split("Switch \x83\x5C.ini"), (std::vector<std::string>{"Switch", "\x83\x5C.ini"}));
    EXPECT_EQ(Split("a\x81\x20z b"), (std::vector<std::string>{"a\x81\x20z", "b"}));
    EXPECT_EQ(Split("a\x81\x22 b"), (std::vector<std::string>{"a\x81\x22", "b"}));
    // A lone lead byte at the end is one character and ends the text.
    EXPECT_EQ(Split("Switch \x81"), (std::vector<std::string>{"Switch", "\x81"}));
    EXPECT_EQ(Split("\x81"), (std::vector<std::string>{"\x81"}));
}

TEST(SplitServiceLine, HandlesLongAndDegenerateTexts)
{
    std::string blanks(20000, ' ');
    std::vector<std::string> tokens = Split("Switch" + blanks + "x");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0], "Switch" + std::string(19999, ' '));
    EXPECT_EQ(tokens[1], "x");

    EXPECT_EQ(Split(blanks), (std::vector<std::string>{std::string(19999, ' '), ""}));

    std::string many;
    for (int i = 0; i < 20000; ++i) many += " a";
    tokens = Split(many);
    ASSERT_EQ(tokens.size(), 20001u);
    EXPECT_EQ(tokens.front(), "");
    EXPECT_EQ(tokens.back(), "a");

    std::string quoted = "Switch \"" + std::string(40000, 'q');
    tokens = Split(quoted);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[1].size(), 40001u);
}

TEST(SplitServiceLine, ASecondSplitReplacesTheFirst)
{
    ServiceTokens tokens;
    ASSERT_TRUE(SplitServiceLine("a b c", tokens));
    ASSERT_TRUE(SplitServiceLine("x", tokens));
    ASSERT_EQ(tokens.Count(), 1);
    EXPECT_STREQ(tokens.Vector()[0], "x");
}

} // namespace
