#include "commands/command.h"
#include "exec_test_support.h"
#include "execute_command.h"
#include "fake_daemon_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace exec_test;
using namespace testing_support;

namespace {

// The program paths use only the daemon's window; its services are stopped.
class ExecuteCommandTest : public ::testing::Test {
protected:
    static Command MakeCommand(const std::string& name, const std::string& cmdline)
    {
        Command command;
        command.name = name;
        command.cmdline = cmdline;
        return command;
    }

    static std::string Expected(const char* utf8Format, const std::string& a, const std::string& b,
                                const std::string& c = std::string())
    {
        std::string format = Ansi(utf8Format);
        char text[1024];
        std::snprintf(text, sizeof text, format.c_str(), a.c_str(), b.c_str(), c.c_str());
        return text;
    }

    FakeDaemonHost daemon_;
};

constexpr char kText210[] =
    "コマンド「%s」を実行できません。多くの場合、指定されたコマンドライン「%s」のパスが間違っています。";
constexpr char kText211[] =
    "コマンド「%s」を実行できません。多くの場合、指定されたコマンドライン「%s」か環境変数定義ファイル「%s」のパスが間違っています。";

TEST_F(ExecuteCommandTest, StartsTheProgramWithFolderStateAndEnvironmentFile)
{
    char current[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryA(sizeof current, current), 0u);
    TempDir work;
    std::string folder = work.Path();
    folder.pop_back();  // the current folder has no trailing backslash
    struct Case {
        const char* name;
        bool envFile;
        bool dir;
    } cases[] = {
        {"environment file and folder", true, true},
        {"folder", false, true},
        // Without a folder the program starts in the daemon's current one.
        {"neither", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder recorder;
        std::string env = recorder.File("e.env");
        WriteFileText(env, "ONLY=this\r\n");
        Command command = MakeCommand(Ansi("記録"), "\"" + recorder.Exe() + "\" arg");
        if (c.dir) command.dir = work.Path();
        command.showCmd = SW_SHOWMINIMIZED;
        if (c.envFile) command.envFile = env;
        BoxAnswerer boxes;
        ExecuteCommand(daemon_, command);
        Record record;
        ASSERT_TRUE(recorder.WaitForRecord(record));
        EXPECT_EQ(record.commandLine, command.cmdline);
        EXPECT_STRCASEEQ(record.folder.c_str(), c.dir ? folder.c_str() : current);
        EXPECT_EQ(record.show, SW_SHOWMINIMIZED);
        ASSERT_FALSE(record.environment.empty());
        EXPECT_EQ(record.environment[0] == "ONLY=this", c.envFile);
        EXPECT_TRUE(boxes.Boxes().empty());
    }
}

TEST_F(ExecuteCommandTest, EnvironmentFileFailuresShowError211AndRunNothing)
{
    Recorder recorder;
    DocumentType type(recorder.Exe());
    std::string document = recorder.File(std::string("d") + DocumentType::kExtension);
    WriteFileText(document, "x");
    std::string env = recorder.File("ok.env");
    WriteFileText(env, "A=1\r\n");
    struct Case {
        const char* name;
        std::string cmdline;
        std::string envFile;
    } cases[] = {
        {"missing environment file", recorder.Exe(), recorder.File("missing.env")},
        // The shell cannot take an environment, so a document is not opened.
        {"document with environment file", document, env},
        {"missing program", recorder.File("none.exe"), env},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxAnswerer boxes;
        Command command = MakeCommand(c.name, c.cmdline);
        command.envFile = c.envFile;
        ExecuteCommand(daemon_, command);
        ASSERT_TRUE(boxes.WaitForBoxes(1));
        EXPECT_EQ(boxes.Boxes()[0].title, Ansi("エラー - Korvane"));
        EXPECT_EQ(boxes.Boxes()[0].text, Expected(kText211, c.name, c.cmdline, c.envFile));
    }
    // A command run after them, the same way, records first: had any of
    // them started the recorder, its record would be there by then.
    Recorder control;
    Command command = MakeCommand("control", control.Exe());
    command.envFile = env;
    ExecuteCommand(daemon_, command);
    Record record;
    ASSERT_TRUE(control.WaitForRecord(record));
    EXPECT_FALSE(recorder.HasRecord());
}

TEST_F(ExecuteCommandTest, DocumentIsOpenedByTheShellWithoutAMessage)
{
    Recorder recorder;
    DocumentType type(recorder.Exe());
    ASSERT_TRUE(type.Registered());
    TempDir work;
    std::string document = recorder.File(std::string("doc") + DocumentType::kExtension);
    WriteFileText(document, "x");
    Command command = MakeCommand("doc", document);
    command.dir = work.Path();
    BoxAnswerer boxes;
    ExecuteCommand(daemon_, command);
    Record record;
    ASSERT_TRUE(recorder.WaitForRecord(record));
    EXPECT_NE(record.commandLine.find(document), std::string::npos);
    std::string folder = work.Path();
    folder.pop_back();
    EXPECT_STRCASEEQ(record.folder.c_str(), folder.c_str());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ExecuteCommandTest, UnrunnableCommandLinesShowError210)
{
    TempDir dir;
    Recorder recorder;
    DocumentType type(recorder.Exe());
    struct Case {
        const char* name;
        std::string cmdline;
    } cases[] = {
        {"missing", dir.File("nothing here.exe")},
        {"long", dir.File(std::string(40000, 'x'))},
        // Longer than the shell can take, though it names a known scheme.
        {"long url", DocumentType::kUrlScheme + std::string(1208, 'u')},
        {"quote", "\"unbalanced"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxAnswerer boxes;
        ExecuteCommand(daemon_, MakeCommand(Ansi(c.name), c.cmdline));
        // Wine's shell may show its own box first; ours is the one titled 2002.
        ASSERT_TRUE(WaitFor([&] {
            for (const BoxText& box : boxes.Boxes()) {
                if (box.title == Ansi("エラー - Korvane")) return true;
            }
            return false;
        }));
        for (const BoxText& box : boxes.Boxes()) {
            if (box.title != Ansi("エラー - Korvane")) continue;
            // The box text is cut to its buffer for the long line.
            std::string expected = Expected(kText210, Ansi(c.name), c.cmdline);
            EXPECT_EQ(box.text.substr(0, 200), expected.substr(0, 200));
        }
    }
}

TEST_F(ExecuteCommandTest, AGroupShowsItsOwnSubMenuAndNothingElse)
{
    FakeDaemonHost started(true);
    MenuTree& menu = started.GetCommandSet()->Menu();
    const int group = menu.AddItem(MenuTree::kRoot, "group");
    menu.AddItem(group, "child");
    struct Case {
        const char* name;
        FakeDaemonHost& host;
        int menuId;
        HMENU shown;
    } cases[] = {
        {"services stopped", daemon_, group, nullptr},
        // 0: the group came after the identifiers ran out; -1: its item failed.
        {"identifiers used up", started, 0, nullptr},
        {"no item", started, -1, nullptr},
        {"group", started, group, menu.SubMenu(group)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.host.menus.clear();
        BoxAnswerer boxes;
        Command command = MakeCommand("group", "");
        command.menuId = c.menuId;
        ExecuteCommand(c.host, command);
        EXPECT_EQ(c.host.menus, c.shown != nullptr ? std::vector<HMENU>{c.shown} : std::vector<HMENU>{});
        EXPECT_TRUE(boxes.Boxes().empty());
    }
}

} // namespace
