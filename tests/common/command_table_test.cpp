#include "command_builder.h"
#include "commands/command_table.h"
#include "settings/settings_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

TEST(CommandTableFileTest, SaveReplacesTheWholeSection)
{
    TempDir dir;
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    std::string old = "[Desktop]\r\nHideIcon=true\r\n[CmdTable]\r\n";
    for (int i = 0; i < 5; ++i) old += "cmd[" + std::to_string(i) + "].caption=Old" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(WriteFileText(file.Path(), old));

    CommandTable table;
    table.Append(MakeCommand("Tools", ""));
    table.Append(MakeCommand("Tools/Editor", "notepad.exe", 0x45, 3));
    table.Append(MakeCommand("Quoted", "\"C:\\Program Files\\app.exe\" \"%1\""));
    const std::string longLine = "tool.exe " + std::string(1500, 'a') + Ansi("表");
    table.Append(MakeCommand("Long", longLine.c_str()));
    table.Append(MakeCommand("Broken", "a.exe\r\ncmd[9].caption=Injected"));
    ASSERT_TRUE(table.Save(file));

    // The whole section, key by key and in order: six keys for each command, the
    // old commands gone and the other section kept. Values are stored as the
    // table holds them, so other readers of the file see the same.
    const struct {
        const char* caption;
        std::string cmdline;
        const char* hotkey;
    } rows[] = {
        {"Tools", "", ""},
        {"Tools/Editor", "notepad.exe", "Ctrl+Alt+E"},
        {"Quoted", "\"C:\\Program Files\\app.exe\" \"%1\"", ""},
        {"Long", longLine, ""},
        {"Broken", "a.exe  cmd[9].caption=Injected", ""},
    };
    std::string expected = "[Desktop]\r\nHideIcon=true\r\n[CmdTable]\r\n";
    for (size_t i = 0; i < 5; ++i) {
        const std::string key = "cmd[" + std::to_string(i) + "].";
        expected += key + "caption=" + rows[i].caption + "\r\n" + key + "cmdline=" + rows[i].cmdline + "\r\n" +
                    key + "cmdline.dir=\r\n" + key + "cmdline.showcmd=SW_SHOWNORMAL\r\n" + key +
                    "cmdline.env=\r\n" + key + "hotkey=" + rows[i].hotkey + "\r\n";
    }
    EXPECT_EQ(ReadFileText(file.Path()), expected);

    CommandTable loaded;
    ASSERT_TRUE(loaded.Load(file));
    ASSERT_EQ(loaded.Size(), 5u);
    EXPECT_EQ(JoinPath(loaded[1].path), "Tools/Editor");
    EXPECT_EQ(loaded[1].virtualKey, 0x45);
    EXPECT_EQ(loaded[1].modifiers, 3);
    // A command line that begins and ends with a quotation mark survives the platform's read.
    EXPECT_EQ(loaded[2].cmdline, "\"C:\\Program Files\\app.exe\" \"%1\"");
    EXPECT_EQ(loaded[3].cmdline, longLine);
    // A line break would have started a key of its own.
    EXPECT_EQ(loaded[4].cmdline, "a.exe  cmd[9].caption=Injected");

    CommandTable empty;
    ASSERT_TRUE(empty.Save(file));
    CommandTable none;
    none.Load(file);
    EXPECT_EQ(none.Size(), 0u);
    EXPECT_TRUE(file.ReadBool("Desktop", "HideIcon"));
}

TEST(CommandTableFileTest, LoadsHandWrittenFilesWithTheKeyReadsRulesAndValuesAsStored)
{
    TempDir dir;
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    ASSERT_TRUE(WriteFileText(file.Path(),
                              "[cmdtable]\r\n"
                              "cmd[0].caption = " + Ansi("メニュー") + " \r\n"
                              "CMD[0].CMDLINE=\"C:\\a b\\x.exe\"\r\n"
                              "cmd[0].cmdline.showcmd=sw_showmaximized\r\n"
                              "cmd[0].hotkey=Ctrl+NoSuchKey\r\n"
                              "cmd[1].caption=" + Ansi("メニュー/子") + "\r\n"
                              "cmd[1].caption=duplicate loses\r\n"
                              "cmd[3].caption=after a gap\r\n"));
    CommandTable table;
    ASSERT_TRUE(table.Load(file));
    ASSERT_EQ(table.Size(), 3u);
    EXPECT_EQ(table[0].name, Ansi("メニュー"));
    EXPECT_EQ(table[0].cmdline, "\"C:\\a b\\x.exe\"");
    EXPECT_EQ(table[0].showCmd, 3);
    EXPECT_EQ(table[0].modifiers, 2);
    EXPECT_EQ(table[0].virtualKey, 0);
    EXPECT_EQ(JoinPath(table[1].path), Ansi("メニュー/子"));
    // The command after the gap is kept by a save, which numbers it again.
    EXPECT_EQ(table[2].name, "after a gap");
    ASSERT_TRUE(table.Save(file));
    const std::string saved = ReadFileText(file.Path());
    EXPECT_NE(saved.find("\r\ncmd[2].caption=after a gap\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("cmd[3]"), std::string::npos) << saved;

    SettingsFile missing;
    ASSERT_TRUE(missing.Open(dir.File("nothing-here.ini").c_str()));
    CommandTable none;
    EXPECT_TRUE(none.Load(missing));
    EXPECT_EQ(none.Size(), 0u);
}

TEST(CommandTableFileTest, TenThousandCommandsRoundTrip)
{
    TempDir dir;
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("big.ini").c_str()));
    CommandTable table;
    for (int i = 0; i < 10000; ++i) {
        table.Append(MakeCommand(("Group" + std::to_string(i / 100) + "/Item" + std::to_string(i)).c_str(),
                                 ("program" + std::to_string(i) + ".exe").c_str(), i % 2 ? 0x41 + i % 26 : 0, i % 16));
    }
    ASSERT_TRUE(table.Save(file));
    CommandTable loaded;
    loaded.Load(file);
    ASSERT_EQ(loaded.Size(), table.Size());
    for (size_t i = 0; i < table.Size(); i += 997) {
        EXPECT_EQ(JoinPath(loaded[i].path), JoinPath(table[i].path));
        EXPECT_EQ(loaded[i].cmdline, table[i].cmdline);
        EXPECT_EQ(loaded[i].virtualKey, table[i].virtualKey);
        EXPECT_EQ(loaded[i].modifiers, table[i].modifiers);
    }
}

TEST(CommandTableFileTest, SaveToAnUnwritableFileFails)
{
    TempDir dir;
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("missing\\local.ini").c_str()));
    CommandTable table;
    table.Append(MakeCommand("A", "a.exe"));
    EXPECT_FALSE(table.Save(file));
}
