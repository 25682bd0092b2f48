#include "shell_page_rules.h"

#include <gtest/gtest.h>

TEST(ShellPageRules, EnableStatesForEveryCombination)
{
    struct Case {
        bool available, hideTaskbar, translucent;
        bool box, rest;   // box 1016; the slider and its three labels
    };
    const Case cases[] = {
        {true, false, false, true, false},
        {true, false, true, true, true},
        {true, true, false, false, false},
        {true, true, true, false, false},
        {false, false, false, false, false},
        {false, false, true, false, false},
        {false, true, false, false, false},
        {false, true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.available << c.hideTaskbar << c.translucent);
        const ShellControlStates s = ComputeShellControlStates(c.available, c.hideTaskbar, c.translucent);
        EXPECT_EQ(s.translucentBox, c.box);
        EXPECT_EQ(s.slider, c.rest);
        EXPECT_EQ(s.transparentLabel, c.rest);
        EXPECT_EQ(s.currentLabel, c.rest);
        EXPECT_EQ(s.opaqueLabel, c.rest);
    }
}

TEST(ShellPageRules, PercentTruncates)
{
    const std::pair<int, const char*> cases[] = {
        {0, "0%"}, {1, "0%"}, {3, "1%"}, {128, "50%"}, {254, "99%"}, {255, "100%"}, {-5, "0%"}, {300, "100%"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OpacityPercentText(c.first), c.second) << c.first;
}
