#include "adder_exit_codes.h"
#include "editor_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace testing_support;
using namespace editor_test;

namespace {

const char kEarlierCommands[] =
    "[CmdTable]\r\n"
    "cmd[0].caption=Tools\r\n"
    "cmd[0].cmdline=\r\n"
    "cmd[0].cmdline.dir=\r\n"
    "cmd[0].cmdline.showcmd=SW_SHOWNORMAL\r\n"
    "cmd[0].cmdline.env=\r\n"
    "cmd[0].hotkey=\r\n"
    "cmd[1].caption=Tools/Editor\r\n"
    "cmd[1].cmdline=notepad.exe\r\n"
    "cmd[1].cmdline.dir=C:\\work\r\n"
    "cmd[1].cmdline.showcmd=SW_MAXIMIZE\r\n"
    "cmd[1].cmdline.env=C:\\work\\env.txt\r\n"
    "cmd[1].hotkey=Ctrl+Alt+E\r\n";

const Lines kEarlierLines = {
    "cmd[0].caption=Tools",          "cmd[0].cmdline=",
    "cmd[0].cmdline.dir=",           "cmd[0].cmdline.showcmd=SW_SHOWNORMAL",
    "cmd[0].cmdline.env=",           "cmd[0].hotkey=",
    "cmd[1].caption=Tools/Editor",   "cmd[1].cmdline=notepad.exe",
    "cmd[1].cmdline.dir=C:\\work",   "cmd[1].cmdline.showcmd=SW_MAXIMIZE",
    "cmd[1].cmdline.env=C:\\work\\env.txt", "cmd[1].hotkey=Ctrl+Alt+E",
};

class AdderTest : public ::testing::Test {
protected:
    AdderTest() : folder_({"korvadd.exe"})
    {
        folder_.WriteMainSettings("local.ini");
        WriteFileText(Local(), kEarlierCommands);
        CreateDirectoryA(folder_.File("Tools").c_str(), nullptr);
        CreateDirectoryA(folder_.File("sub").c_str(), nullptr);
        CreateDirectoryA(folder_.File("my files").c_str(), nullptr);
        for (const std::string& name : {std::string("a.txt"), std::string("report.final.txt"),
                                        std::string("sub\\rel.txt"), std::string("my files\\a b.txt"),
                                        std::string(".profile"), std::string("a!b.txt"), Sjis("表示.txt")}) {
            WriteFileText(folder_.File(name), "x");
        }
    }

    std::string Local() const { return folder_.File("local.ini"); }

    // Runs the adder from `dir` and answers its boxes; its exit code.
    DWORD Run(const std::string& args, const std::string& dir = std::string())
    {
        Process adder;
        if (!StartProgram(adder, folder_.Program("korvadd.exe"), args, dir)) return static_cast<DWORD>(-1);
        BoxAnswerer answerer(IDOK, adder.Id());
        const DWORD code = WaitPumping(adder);
        boxes_ = answerer.Boxes();
        return code;
    }

    Lines StoredLines() const { return editor_test::StoredLines(Local()); }

    ProgramFolder folder_;
    RemoteListener listener_;
    std::vector<BoxText> boxes_;
};

TEST_F(AdderTest, AppendsFilesInArgumentOrderAndKeepsEarlierCommands)
{
    const std::string a = folder_.File("report.final.txt");
    const std::string b = folder_.File("a.txt");
    EXPECT_EQ(Run(a + " " + b), static_cast<DWORD>(kExitDone));
    EXPECT_EQ(StoredLines(),
              Concat(Concat(kEarlierLines, AddedLines(2, "report.final", a)), AddedLines(3, "a", b)));
    EXPECT_TRUE(boxes_.empty());
    // The daemon's services are stopped while the adder works and started after it.
    EXPECT_EQ(listener_.Codes(), (std::vector<unsigned>{2, 1}));
}

struct ArgumentCase {
    const char* label;
    std::string args;
    std::string dir;      // where the adder is started from; empty: the test's folder
    Lines added;
};

TEST_F(AdderTest, TurnsEachKindOfArgumentIntoOneCommand)
{
    TempDir elsewhere;
    const ArgumentCase cases[] = {
        {"folder", folder_.File("Tools"), "", AddedLines(2, "Tools", folder_.File("Tools"))},
        {"quoted path with blanks first", "\"" + folder_.File("my files\\a b.txt") + "\"", "",
         AddedLines(2, "a b", folder_.File("my files\\a b.txt"))},
        {"relative path from the program folder", "sub\\rel.txt", elsewhere.Path(),
         AddedLines(2, "rel", "sub\\rel.txt")},
        {"double-byte name", folder_.File(Sjis("表示.txt")), "",
         AddedLines(2, Sjis("表示"), folder_.File(Sjis("表示.txt")))},
        {"missing file and empty argument skipped", "\"\" " + folder_.File("none.txt") + " a.txt", "",
         AddedLines(2, "a", "a.txt")},
        {"same file twice", "a.txt a.txt", "", Concat(AddedLines(2, "a", "a.txt"), AddedLines(3, "a", "a.txt"))},
        {"no argument at all", "", "", {}},
    };
    for (const ArgumentCase& c : cases) {
        SCOPED_TRACE(c.label);
        WriteFileText(Local(), kEarlierCommands);
        EXPECT_EQ(Run(c.args, c.dir), static_cast<DWORD>(kExitDone));
        EXPECT_EQ(StoredLines(), Concat(kEarlierLines, c.added));
        EXPECT_TRUE(boxes_.empty());
    }
}

TEST_F(AdderTest, UnusableNamesGiveBox101AndTheOthersAreStillAdded)
{
    const std::string args = folder_.File(".profile") + " " + folder_.File("a!b.txt") + " a.txt";
    EXPECT_EQ(Run(args), static_cast<DWORD>(kExitDone));
    ASSERT_EQ(boxes_.size(), 2u);
    const std::string title = Sjis("エラー - Korvane");
    const char* format = "コマンドを追加できません。指定されたファイルの名前「%s」はコマンド名として使えません。";
    const std::string before = Sjis(format).substr(0, Sjis(format).find("%s"));
    const std::string after = Sjis(format).substr(Sjis(format).find("%s") + 2);
    EXPECT_EQ(boxes_[0].title, title);
    EXPECT_EQ(boxes_[0].text, before + after);
    EXPECT_EQ(boxes_[1].title, title);
    EXPECT_EQ(boxes_[1].text, before + "a!b" + after);
    EXPECT_EQ(StoredLines(), Concat(kEarlierLines, AddedLines(2, "a", "a.txt")));
}

TEST_F(AdderTest, SavesTheTableEvenWhenNothingWasAdded)
{
    // A name in other letter case is rewritten in the stored form; a command
    // after an empty caption is kept and numbered again.
    WriteFileText(Local(), std::string(kEarlierCommands) + "cmd[2].caption=\r\ncmd[3].caption=Old\r\n");
    EXPECT_EQ(Run(folder_.File("none.txt")), static_cast<DWORD>(kExitDone));
    EXPECT_EQ(ReadProfile(Local(), "CmdTable", "cmd[3].caption"), "<missing>");
    EXPECT_EQ(ReadProfile(Local(), "CmdTable", "cmd[1].hotkey"), "Ctrl+Alt+E");
    EXPECT_EQ(StoredLines(), Concat(kEarlierLines, AddedLines(2, "Old", "")));
}

TEST_F(AdderTest, KeepsEveryKeyOfTheFileAndAPlainTableByteForByte)
{
    // Files as the programs write them; the added command comes after the
    // commands, before the section's lines of no command.
    const std::string commandsWithKeys = std::string(kEarlierCommands) +
                                         "cmd[1].running=toggle\r\ncmd[1].window=*Editor*\r\ncmd[1].runas=admin\r\n"
                                         "cmd[1].cmdline.envmode=merge\r\ncmd[1].future=x\r\n";
    std::string added;
    for (const std::string& line : AddedLines(2, "a", "a.txt")) added += line + "\r\n";
    const struct {
        const char* label;
        std::string file;
        std::string args;
        std::string expected;
    } cases[] = {
        {"plain table, nothing added", "[Before]\r\nx=1\r\n" + std::string(kEarlierCommands) + "[Desktop]\r\nShowIcon=true\r\n",
         folder_.File("none.txt"), "[Before]\r\nx=1\r\n" + std::string(kEarlierCommands) + "[Desktop]\r\nShowIcon=true\r\n"},
        {"options and unknown keys", commandsWithKeys + "version=3\r\n[Other]\r\ncmd[0].running=cycle\r\n", "a.txt",
         commandsWithKeys + added + "version=3\r\n[Other]\r\ncmd[0].running=cycle\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        WriteFileText(Local(), c.file);
        EXPECT_EQ(Run(c.args), static_cast<DWORD>(kExitDone));
        EXPECT_EQ(ReadFileText(Local()), c.expected);
    }
}

TEST_F(AdderTest, EndsWithCode1AndChangesNothingWhileAnotherEditorRunsSayingWhy)
{
    HeldOptionMutex other;
    ASSERT_TRUE(other.Held());
    EXPECT_EQ(Run(folder_.File("a.txt")), static_cast<DWORD>(kExitLocked));
    EXPECT_EQ(ReadFileText(Local()), kEarlierCommands);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, Sjis("エラー - Korvane"));
    EXPECT_EQ(boxes_[0].text, Sjis("Korvane の設定を編集する別のプログラム（オプションなど）が開いているため、"
                                   "コマンドは追加されませんでした。そのプログラムを閉じてから、もう一度やり直してください。"));
    EXPECT_TRUE(listener_.Codes().empty());
}

TEST_F(AdderTest, ReportsASaveThatFailed)
{
    const std::string format = Sjis("設定ファイル「%s」に書き込めません。コマンドは追加されませんでした。");
    const std::string before = format.substr(0, format.find("%s"));
    const std::string after = format.substr(format.find("%s") + 2);
    {
        SCOPED_TRACE("settings file held open without sharing");
        LockedFile lock(Local());
        ASSERT_TRUE(lock.Locked());
        EXPECT_EQ(Run(folder_.File("a.txt")), static_cast<DWORD>(kExitSaveFailed));
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, before + Local() + after);
    }
    EXPECT_EQ(ReadFileText(Local()), kEarlierCommands);
    {
        SCOPED_TRACE("folder of the settings file missing");
        folder_.WriteMainSettings("gone\\local.ini");
        EXPECT_EQ(Run(folder_.File("a.txt")), static_cast<DWORD>(kExitSaveFailed));
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, before + folder_.File("gone\\local.ini") + after);
        EXPECT_FALSE(FileExists(folder_.File("gone")));
    }
    // The daemon is started again all the same.
    EXPECT_EQ(listener_.Codes(), (std::vector<unsigned>{2, 1, 2, 1}));
}

} // namespace
