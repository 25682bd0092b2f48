#include "platform/daemon_request.h"
#include "daemon_test_files.h"
#include "exec_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace daemon_test;
using namespace exec_test;
using namespace testing_support;

namespace {

// The real daemon in a program folder beside the recorder, which also stands
// in for the switcher and the controller. The recorder's folder has a blank
// in its name, as "Program Files" has, and a program where the path would be
// cut: a path passed without quotes starts "with.exe" (Wine then even quotes
// the line the recorder gets; Windows does not).
class KorvanedExecTest : public ::testing::Test {
protected:
    KorvanedExecTest() : folder_({"korvaned.exe"})
    {
        CreateDirectoryA(folder_.File("with blank").c_str(), nullptr);
        recorderExe_ = folder_.File("with blank\\exec_recorder.exe");
        CopyFileA((ExeDir() + "exec_recorder.exe").c_str(), recorderExe_.c_str(), FALSE);
        CopyFileA((ExeDir() + "exec_recorder.exe").c_str(), folder_.File("with.exe").c_str(), FALSE);
        WriteFileText(folder_.File("_setting.ini"), "[LocalSetting]\r\nCurrent=local.ini\r\n[ProgramInfo]\r\n"
                                                    "Switcher.Path=" + recorderExe_ + "\r\n"
                                                    "Controller.Path=" + recorderExe_ + "\r\n");
    }
    ~KorvanedExecTest() override { EndDaemon(daemon_); }

    // Starts the daemon and waits for the end of its start-up. The hotkey is
    // probed only then: a probe at the moment the daemon registers it would
    // take it from the daemon.
    bool Start(const std::vector<Row>& rows, const FreeHotkey& key, const std::string& moreKeys = std::string())
    {
        WriteFileText(folder_.File("local.ini"), LocalSettings(rows) + moreKeys);
        if (!daemon_.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path())) return false;
        return WaitForDaemonStartUp() != nullptr && HotkeyTaken(key.modifiers, key.key);
    }

    bool WaitForRecord(Record& record) { return exec_test::WaitForRecord(recorderExe_ + ".log", record); }

    // Chooses the first item of the menu the daemon shows.
    bool ChooseFirstItem() { return ChooseMenuItem(daemon_.Id(), VK_DOWN); }

    ProgramFolder folder_;
    std::string recorderExe_;
    Process daemon_;
};

TEST_F(KorvanedExecTest, SwitchPassesItsFirstArgumentOnly)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({{"Sw", "Service:Switch \"C:\\a b\\x.ini\" dropped", key.text}}, key));
    testing_support::PressHotkey(key.modifiers, key.key);
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.commandLine, "\"" + recorderExe_ + "\" \"C:\\a b\\x.ini\"");
}

TEST_F(KorvanedExecTest, OptionStartsTheControllerWithoutArgument)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({{"Op", "TesselService:\\option", key.text}}, key));
    testing_support::PressHotkey(key.modifiers, key.key);
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.commandLine, "\"" + recorderExe_ + "\"");
}

TEST_F(KorvanedExecTest, HotkeyOfAProgramStartsIt)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({{"Run", "\"" + recorderExe_ + "\" by-hotkey", key.text}}, key));
    testing_support::PressHotkey(key.modifiers, key.key);
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.commandLine, "\"" + recorderExe_ + "\" by-hotkey");
}

TEST_F(KorvanedExecTest, AnEditorsRequestRunsServiceLinesOnly)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({{"Rec", "\"" + recorderExe_ + "\"", key.text}}, key));
    HWND window = FindDaemonWindow();
    ASSERT_NE(window, nullptr);
    auto request = [&](const std::string& line) {
        COPYDATASTRUCT data = {kServiceRequestTag, static_cast<DWORD>(line.size() + 1), const_cast<char*>(line.c_str())};
        DWORD_PTR result = 99;
        SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000, &result);
        return result;
    };
    // Its hotkeys are registered, so its table of services is there too,
    // even while its start-up still waits for the tray.
    EXPECT_EQ(request("Service:Hotkey.Stop"), 1u);
    EXPECT_TRUE(WaitForHotkeyState(key, false));
    EXPECT_EQ(request("\"" + recorderExe_ + "\""), 0u);
    // The program line started nothing, not even late.
    EXPECT_FALSE(WaitFor([&] { return FileExists(recorderExe_ + ".log"); }, 1500));
}

TEST_F(KorvanedExecTest, MenuGroupOpensItsOwnSubMenu)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({
        {"Top", "\"" + recorderExe_ + "\" top", ""},
        {"Group", "", key.text},
        {"Group/Child", "\"" + recorderExe_ + "\" child", ""},
    }, key));
    testing_support::PressHotkey(key.modifiers, key.key);
    ASSERT_TRUE(ChooseFirstItem());
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.commandLine, "\"" + recorderExe_ + "\" child");
}

TEST_F(KorvanedExecTest, CommandMenuOpensTheWholeMenu)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({
        {"Top", "\"" + recorderExe_ + "\" top", ""},
        {"Menu", "Service:CommandMenu", key.text},
    }, key));
    testing_support::PressHotkey(key.modifiers, key.key);
    ASSERT_TRUE(ChooseFirstItem());
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.commandLine, "\"" + recorderExe_ + "\" top");
}

TEST_F(KorvanedExecTest, AMenuGroupWithoutChildrenShowsNothing)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({{"Lonely", "", key.text}, {"Mark", "\"" + recorderExe_ + "\" after", ""}}, key));
    testing_support::PressHotkey(key.modifiers, key.key);
    // Behind the press in the daemon's queue, Mark's menu choice: a menu or a
    // box shown for the press would still be open when its record comes.
    PostMessageA(FindDaemonWindow(), WM_COMMAND, 2, 0);
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(FindPopupMenu(daemon_.Id()), nullptr);
    EXPECT_EQ(FindMessageBox(daemon_.Id()), nullptr);
}

TEST_F(KorvanedExecTest, RestartRereadsTheTableAndStopDropsIt)
{
    // The command being run belongs to the set that "Restart" and "Stop" destroy.
    FreeHotkey restart = FindFreeHotkeyText();
    FreeHotkey stop = FindFreeHotkeyText(1);
    ASSERT_TRUE(stop.found && restart.found);
    ASSERT_TRUE(Start({{"Restart", "Service:Restart", restart.text}}, restart));
    WriteFileText(folder_.File("local.ini"),
                  LocalSettings({{"Restart", "Service:Restart", restart.text}, {"Stop", "service:stop", stop.text}}));

    BoxAnswerer boxes(IDOK, daemon_.Id());
    testing_support::PressHotkey(restart.modifiers, restart.key);
    bool ok = WaitForHotkeyState(stop, true);
    EXPECT_TRUE(boxes.Boxes().empty());
    ASSERT_TRUE(ok);
    EXPECT_TRUE(HotkeyTaken(restart.modifiers, restart.key));

    testing_support::PressHotkey(stop.modifiers, stop.key);
    EXPECT_TRUE(WaitForHotkeyState(restart, false));
    EXPECT_FALSE(HotkeyTaken(stop.modifiers, stop.key));
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(FindDaemonWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer), 0u);
    EXPECT_EQ(FindMessageBox(daemon_.Id()), nullptr);
}

TEST_F(KorvanedExecTest, TrayIconRunsOptionAndCommandMenu)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({{"Top", "\"" + recorderExe_ + "\" from-menu", key.text}}, key));
    HWND daemon = FindDaemonWindow();
    // The tray's notification: icon 1 in wParam, the mouse message in lParam.
    PostMessageA(daemon, WM_USER + 1, 1, WM_RBUTTONDOWN);
    ASSERT_TRUE(ChooseFirstItem());
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.commandLine, "\"" + recorderExe_ + "\" from-menu");

    ASSERT_TRUE(DeleteFileA((recorderExe_ + ".log").c_str()));
    PostMessageA(daemon, WM_USER + 1, 1, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.commandLine, "\"" + recorderExe_ + "\"");  // the controller's path, no argument
}

} // namespace

namespace {

bool HasLine(const Record& record, const std::string& line)
{
    return std::find(record.environment.begin(), record.environment.end(), line) != record.environment.end();
}

std::string ValueOf(const char* name)
{
    char value[8192] = {};
    GetEnvironmentVariableA(name, value, sizeof value);
    return value;
}

TEST_F(KorvanedExecTest, AChangedUserVariableReachesTheNextProgram)
{
    FreeHotkey plain = FindFreeHotkeyText();
    FreeHotkey replace = FindFreeHotkeyText(1);
    ASSERT_TRUE(plain.found && replace.found);
    ASSERT_TRUE(WriteFileText(folder_.File("only.env"), "ONLY=this\r\n"));
    const std::string run = "\"" + recorderExe_ + "\"";
    ASSERT_TRUE(Start({{"Plain", run, plain.text}, {"Replace", run, replace.text}}, replace,
                      "cmd[1].cmdline.env=" + folder_.File("only.env") + "\r\n"));
    UserVariable variable("KRVN_E2E_FRESH", "%SystemRoot%\\fresh", REG_EXPAND_SZ);
    ASSERT_TRUE(variable.Written());
    ASSERT_TRUE(AnnounceEnvironmentChange());
    const std::string fresh = "KRVN_E2E_FRESH=" + ValueOf("SystemRoot") + "\\fresh";
    Record record;
    testing_support::PressHotkey(plain.modifiers, plain.key);
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_TRUE(HasLine(record, fresh));

    // The file stays the whole environment.
    ASSERT_TRUE(DeleteFileA((recorderExe_ + ".log").c_str()));
    testing_support::PressHotkey(replace.modifiers, replace.key);
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.environment.front(), "ONLY=this");
    EXPECT_FALSE(HasLine(record, fresh));
}

TEST_F(KorvanedExecTest, MergeModeKeepsTheDaemonsVariablesAndExpandsTheFiles)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(WriteFileText(folder_.File("merge.env"), "KRVN_E2E_ADDED=%SystemRoot%\\added;%KRVN_E2E_NONE%\r\n"
                                                         "path=C:\\krvn tools;%PATH%\r\n"));
    // The daemon inherits this process's variables.
    SetEnvironmentVariableA("KRVN_E2E_KEPT", "kept");
    const bool started = Start({{"Merge", "\"" + recorderExe_ + "\"", key.text}}, key,
                               "cmd[0].cmdline.env=" + folder_.File("merge.env") + "\r\ncmd[0].cmdline.envmode=merge\r\n");
    SetEnvironmentVariableA("KRVN_E2E_KEPT", nullptr);
    ASSERT_TRUE(started);
    testing_support::PressHotkey(key.modifiers, key.key);
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_TRUE(HasLine(record, "KRVN_E2E_KEPT=kept"));
    EXPECT_TRUE(HasLine(record, "KRVN_E2E_ADDED=" + ValueOf("SystemRoot") + "\\added;%KRVN_E2E_NONE%"));
    // One path, the file's spelling, ahead of the daemon's.
    EXPECT_TRUE(HasLine(record, "path=C:\\krvn tools;" + ValueOf("PATH")));
    EXPECT_EQ(std::count_if(record.environment.begin(), record.environment.end(),
                            [](const std::string& line) { return lstrcmpiA(line.substr(0, 5).c_str(), "PATH=") == 0; }),
              1);
}

} // namespace
