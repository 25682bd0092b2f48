#include "commands/icon_location.h"

#include <gtest/gtest.h>

TEST(IconLocationTest, ReadsPathAndIndexAsTheShellWritesThem)
{
    struct Case {
        const char* text;
        bool ok;
        const char* path;
        int index;
    } const cases[] = {
        {"C:\\Windows\\notepad.exe,0", true, "C:\\Windows\\notepad.exe", 0},
        {"shell32.dll,3", true, "shell32.dll", 3},
        {"C:\\a\\b.dll,-103", true, "C:\\a\\b.dll", -103},
        {"  C:\\a\\b.dll , 7 ", true, "C:\\a\\b.dll", 7},
        {"\"C:\\Program Files\\x.exe\",2", true, "C:\\Program Files\\x.exe", 2},
        {"C:\\icons\\app.ico", true, "C:\\icons\\app.ico", 0},
        // A comma that is not followed by a number is part of the path.
        {"C:\\a,b\\c.exe", true, "C:\\a,b\\c.exe", 0},
        {"C:\\a,b\\c.exe,4", true, "C:\\a,b\\c.exe", 4},
        {"C:\\a.dll,+5", true, "C:\\a.dll", 5},
        {"C:\\a.dll,2147483647", true, "C:\\a.dll", 2147483647},
        {"C:\\a.dll,-2147483648", true, "C:\\a.dll", -2147483647 - 1},
        {"C:\\a.dll,2147483648", true, "C:\\a.dll,2147483648", 0},
        {"C:\\a.dll,", true, "C:\\a.dll,", 0},
        {"C:\\a.dll,-", true, "C:\\a.dll,-", 0},
        {"C:\\a.dll,1x", true, "C:\\a.dll,1x", 0},
        {"\x83\x41\x83\x43\x83\x52\x83\x93.dll,1", true, "\x83\x41\x83\x43\x83\x52\x83\x93.dll", 1},
        {"", false, "", 0},
        {"   ", false, "", 0},
        {",3", false, "", 0},
        {"\"\",3", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        IconLocation location;
        location.path = "sentinel";
        location.index = 99;
        ASSERT_EQ(ParseIconLocation(c.text, location), c.ok);
        if (!c.ok) {
            EXPECT_EQ(location.path, "sentinel");
            continue;
        }
        EXPECT_EQ(location.path, c.path);
        EXPECT_EQ(location.index, c.index);
    }
}
