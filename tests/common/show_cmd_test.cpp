#include "commands/show_cmd.h"

#include <gtest/gtest.h>

TEST(ShowCmdTest, NamesReadIgnoringCaseAndWriteByValue)
{
    EXPECT_EQ(ShowCmdFromName("SW_HIDE"), 0);
    EXPECT_EQ(ShowCmdFromName("sw_showmaximized"), 3);
    EXPECT_EQ(ShowCmdFromName("Sw_Maximize"), 3);
    EXPECT_EQ(ShowCmdFromName("SW_FORCEMINIMIZE"), 11);
    EXPECT_EQ(ShowCmdFromName(""), 1);
    EXPECT_EQ(ShowCmdFromName("SW_HIDE "), 1);
    EXPECT_EQ(ShowCmdFromName("bogus"), 1);
    EXPECT_EQ(ShowCmdFromName(nullptr), 1);

    EXPECT_STREQ(ShowCmdToName(3), "SW_MAXIMIZE");
    EXPECT_STREQ(ShowCmdToName(0), "SW_HIDE");
    EXPECT_STREQ(ShowCmdToName(11), "SW_FORCEMINIMIZE");
    EXPECT_STREQ(ShowCmdToName(12), "SW_SHOWNORMAL");
    EXPECT_STREQ(ShowCmdToName(-1), "SW_SHOWNORMAL");
    for (int v = 0; v <= 11; ++v) EXPECT_EQ(ShowCmdFromName(ShowCmdToName(v)), v);
}
