#include "settings/settings_file.h"
#include "settings/shell_settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(ShellSettingsTest, LoadsEachInterestingSection)
{
    const struct {
        const char* section;
        bool icons, taskbar, translucent;
        int opacity;
    } cases[] = {
        {"", true, true, false, 255},
        {"TaskbarTrans=true\r\n", true, true, true, 255},
        {"TaskbarTrans=true\r\nTaskbarTrans.Percent=\r\n", true, true, true, 255},
        {"TaskbarTrans=true\r\nTaskbarTrans.Percent=0\r\n", true, true, true, 0},
        {"HideIcon=false\r\nTaskbarHide=false\r\nTaskbarTrans=true\r\nTaskbarTrans.Percent=200\r\n", true, true, true, 200},
        {"TaskbarTrans.Percent=300\r\n", true, true, false, 255},
        {"TaskbarTrans.Percent=-5\r\n", true, true, false, 0},
        {"TaskbarTrans.Percent=lots\r\n", true, true, false, 0},
        {"HideIcon=FALSE\r\nTaskbarHide=1\r\n", false, false, false, 255},
        {"HideIcon=0\r\nTaskbarHide=void\r\nTaskbarTrans=null\r\n", true, true, false, 255},
        {"HideIcon=\"false\"\r\nTaskbarHide='1'\r\nTaskbarTrans.Percent=\"20\"\r\n", true, false, false, 20},
        {"TaskbarTrans.Percent=0x20\r\n", true, true, false, 32},
        {"TaskbarTrans.Percent=0b101\r\n", true, true, false, 5},
        {"TaskbarTrans.Percent=12abc\r\n", true, true, false, 12},
        {"taskbartrans=yes\r\nTaskbarTrans=false\r\n", true, true, true, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section);
        TempDir dir;
        SettingsFile file;
        ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
        ASSERT_TRUE(WriteFileText(file.Path(), std::string("[Desktop]\r\n") + c.section));
        // Read key by key through the platform, and from the file's text as a
        // reload reads it: both alike.
        ShellSettings read, fromText;
        EXPECT_TRUE(read.Load(file));
        fromText.LoadFromText(ReadFileText(file.Path()));
        for (const ShellSettings& settings : {read, fromText}) {
            EXPECT_EQ(settings.showDesktopIcons, c.icons);
            EXPECT_EQ(settings.showTaskbar, c.taskbar);
            EXPECT_EQ(settings.translucentTaskbar, c.translucent);
            EXPECT_EQ(settings.taskbarOpacity, c.opacity);
        }
    }
}

TEST(ShellSettingsTest, SaveWritesTheFourKeysAndKeepsOthers)
{
    TempDir dir;
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    ASSERT_TRUE(WriteFileText(file.Path(), "[Desktop]\r\nOther=kept\r\n"));
    ShellSettings defaults;
    ASSERT_TRUE(defaults.Save(file));
    std::string value;
    ASSERT_TRUE(file.ReadString("Desktop", "HideIcon", value));
    EXPECT_EQ(value, "false");
    ASSERT_TRUE(file.ReadString("Desktop", "TaskbarHide", value));
    EXPECT_EQ(value, "false");
    ASSERT_TRUE(file.ReadString("Desktop", "TaskbarTrans", value));
    EXPECT_EQ(value, "false");
    EXPECT_EQ(file.ReadInt("Desktop", "TaskbarTrans.Percent"), 255);
    ASSERT_TRUE(file.ReadString("Desktop", "Other", value));
    EXPECT_EQ(value, "kept");

    ShellSettings changed;
    changed.showDesktopIcons = false;
    changed.translucentTaskbar = true;
    changed.taskbarOpacity = 17;
    ASSERT_TRUE(changed.Save(file));
    ShellSettings loaded;
    loaded.Load(file);
    EXPECT_FALSE(loaded.showDesktopIcons);
    EXPECT_TRUE(loaded.showTaskbar);
    EXPECT_TRUE(loaded.translucentTaskbar);
    EXPECT_EQ(loaded.taskbarOpacity, 17);

    SettingsFile unwritable;
    ASSERT_TRUE(unwritable.Open(dir.File("no\\folder.ini").c_str()));
    EXPECT_FALSE(changed.Save(unwritable));
}
