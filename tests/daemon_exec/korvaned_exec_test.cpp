#include "daemon_test_files.h"
#include "exec_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace daemon_test;
using namespace exec_test;
using namespace testing_support;

namespace {

struct MenuSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindMenuProc(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<MenuSearch*>(lParam);
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && lstrcmpA(name, "#32768") == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A pop-up menu that the process shows, or null.
HWND FindPopupMenu(DWORD process)
{
    MenuSearch search = {process, nullptr};
    EnumWindows(FindMenuProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The real daemon in a program folder beside the recorder, which also stands
// in for the switcher and the controller.
class KorvanedExecTest : public ::testing::Test {
protected:
    KorvanedExecTest() : folder_({"korvaned.exe"})
    {
        recorderExe_ = folder_.File("exec_recorder.exe");
        CopyFileA((ExeDir() + "exec_recorder.exe").c_str(), recorderExe_.c_str(), FALSE);
        WriteFileText(folder_.File("_setting.ini"), "[LocalSetting]\r\nCurrent=local.ini\r\n[ProgramInfo]\r\n"
                                                    "Switcher.Path=" + recorderExe_ + "\r\n"
                                                    "Controller.Path=" + recorderExe_ + "\r\n");
    }
    ~KorvanedExecTest() override { EndDaemon(daemon_); }

    // Starts the daemon and waits for the end of its start-up. The hotkey is
    // probed only then: a probe at the moment the daemon registers it would
    // take it from the daemon.
    bool Start(const std::vector<Row>& rows, const FreeHotkey& key)
    {
        WriteFileText(folder_.File("local.ini"), LocalSettings(rows));
        if (!daemon_.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path())) return false;
        return WaitForDaemonStartUp() != nullptr && HotkeyTaken(key.modifiers, key.key);
    }

    bool WaitForRecord(Record& record) { return exec_test::WaitForRecord(recorderExe_ + ".log", record); }

    // Chooses the first item of the menu the daemon shows.
    bool ChooseFirstItem()
    {
        if (!WaitFor([this] { return FindPopupMenu(daemon_.Id()) != nullptr; })) return false;
        HWND menu = FindPopupMenu(daemon_.Id());
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        return WaitFor([this] { return FindPopupMenu(daemon_.Id()) == nullptr; });
    }

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
    EXPECT_EQ(record.commandLine, recorderExe_ + " \"C:\\a b\\x.ini\"");
}

TEST_F(KorvanedExecTest, OptionStartsTheControllerWithoutArgument)
{
    FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    ASSERT_TRUE(Start({{"Op", "TesselService:\\option", key.text}}, key));
    testing_support::PressHotkey(key.modifiers, key.key);
    Record record;
    ASSERT_TRUE(WaitForRecord(record));
    EXPECT_EQ(record.commandLine, recorderExe_);
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
    ASSERT_TRUE(Start({{"Lonely", "", key.text}}, key));
    testing_support::PressHotkey(key.modifiers, key.key);
    WaitFor([] { return false; }, 500);
    EXPECT_EQ(FindPopupMenu(daemon_.Id()), nullptr);
    EXPECT_EQ(FindMessageBox(daemon_.Id()), nullptr);
}

// Probes seldom: a probe that holds the key at the moment the daemon
// registers it would make the daemon's registration fail.
bool WaitForHotkeyState(const FreeHotkey& key, bool taken)
{
    for (int i = 0; i < 100; ++i) {
        if (HotkeyTaken(key.modifiers, key.key) == taken) return true;
        WaitFor([] { return false; }, 100);
    }
    return false;
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
    EXPECT_EQ(record.commandLine, recorderExe_);  // the controller's path, no argument
}

} // namespace
