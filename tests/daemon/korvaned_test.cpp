#include "daemon_test_files.h"
#include "option_lock.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <string>
#include <vector>

using namespace daemon_test;
using namespace testing_support;

namespace {

constexpr char kClass[] = "Krvn_CommandWindow";

HWND DaemonWindowHandle()
{
    return FindWindowA(kClass, nullptr);
}

void Broadcast(unsigned code)
{
    BroadcastRemoteControl(RegisterWindowMessageA(kRemoteControlMessageName), code);
}

// True when the daemon's icon is in the tray: a tooltip change of it succeeds.
bool TrayIconPresent(HWND daemon)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = daemon;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    lstrcpyA(data.szTip, "probe");
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// Answered once the daemon's thread reaches a message loop (its own, or the
// nested one of a box), and with creation over when no box is open.
bool Responds(HWND daemon)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(daemon, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
}

class KorvanedTest : public ::testing::Test {
protected:
    KorvanedTest() : folder_({"korvaned.exe"}) { folder_.WriteMainSettings("local.ini"); }
    ~KorvanedTest() override
    {
        if (DaemonWindowHandle() != nullptr) Broadcast(kRemoteEndDaemon);
        if (daemon_.Handle() != nullptr && daemon_.Wait(5000) == STILL_ACTIVE) daemon_.Kill();
    }
    void WriteTable(const std::vector<Row>& rows) { WriteTableText(LocalSettings(rows)); }
    void WriteTableText(const std::string& text) { ASSERT_TRUE(WriteFileText(folder_.File("local.ini"), text)); }
    // Starts the daemon and waits for its window; true when it answers.
    bool Start()
    {
        if (!daemon_.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path())) return false;
        if (!WaitFor([] { return DaemonWindowHandle() != nullptr; }, 15000)) return false;
        window_ = DaemonWindowHandle();
        return Responds(window_);
    }

    ProgramFolder folder_;
    Process daemon_;
    HWND window_ = nullptr;
};

TEST_F(KorvanedTest, ASecondStartEndsWithZeroAndLeavesTheFirstRunning)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    WriteTable({{"A", "a.exe", key.text}});
    ASSERT_TRUE(Start());
    EXPECT_EQ(RunProgram("\"" + folder_.Program("korvaned.exe") + "\" ignored arguments"), 0u);
    EXPECT_EQ(DaemonWindowHandle(), window_);
    EXPECT_TRUE(HotkeyTaken(key.modifiers, key.key));
    EXPECT_TRUE(TrayIconPresent(window_));
}

TEST_F(KorvanedTest, HeldOptionMutexKeepsServicesStoppedUntilCodeOne)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    WriteTable({{"A", "a.exe", key.text}});
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kOptionMutexName);
    ASSERT_NE(mutex, nullptr);
    ASSERT_TRUE(Start());
    EXPECT_FALSE(HotkeyTaken(key.modifiers, key.key));
    // Stopped: hotkeys and menu choices are ignored without a box.
    BoxAnswerer boxes(IDOK, daemon_.Id());
    SendMessageA(window_, WM_HOTKEY, 1, 0);
    SendMessageA(window_, WM_COMMAND, 1, 0);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(TrayIconPresent(window_));

    ReleaseMutex(mutex);
    CloseHandle(mutex);
    Broadcast(kRemoteStartServices);
    EXPECT_TRUE(WaitFor([&] { return HotkeyTaken(key.modifiers, key.key); }));
    Broadcast(kRemoteStartServices);  // a second start changes nothing
    EXPECT_TRUE(HotkeyTaken(key.modifiers, key.key));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(KorvanedTest, DispatchFindsCommandsOrReportsUnknownIdentifiers)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    WriteTable({{"A", "", key.text}, {"A/B", "b.exe", ""}});
    ASSERT_TRUE(Start());
    BoxAnswerer boxes(IDOK, daemon_.Id());

    // A real key press reaches the command window (the menu group's hotkey;
    // its sub-menu, if shown, is closed again below).
    PressHotkey(key.modifiers, key.key);
    Responds(window_);
    PostMessageA(window_, WM_CANCELMODE, 0, 0);
    EndMenu();

    // Not menu choices: a notification code, or a control as sender.
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(1, 1), 0);
    SendMessageA(window_, WM_COMMAND, 1, reinterpret_cast<LPARAM>(window_));
    EXPECT_TRUE(boxes.Boxes().empty());

    PostMessageA(window_, WM_HOTKEY, 0, 0);
    ASSERT_TRUE(boxes.WaitForBoxes(1));
    PostMessageA(window_, WM_HOTKEY, 2, 0);
    ASSERT_TRUE(boxes.WaitForBoxes(2));
    PostMessageA(window_, WM_COMMAND, 77, 0);
    ASSERT_TRUE(boxes.WaitForBoxes(3));
    const std::vector<BoxText> seen = boxes.Boxes();
    EXPECT_EQ(seen[0].text, Ansi("指定されたホットキーID「0」を持つコマンドが見つかりません。"));
    EXPECT_EQ(seen[1].text, Ansi("指定されたホットキーID「2」を持つコマンドが見つかりません。"));
    EXPECT_EQ(seen[2].text, Ansi("指定されたコマンドID「77」を持つコマンドが見つかりません。"));
    EXPECT_EQ(seen[2].title, Ansi("エラー - Korvane"));
}

TEST_F(KorvanedTest, AHotkeyPressRunsItsCommand)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    const std::string marker = folder_.File("hit.txt");
    WriteTable({{"Mark", "cmd.exe /c echo hit> \"" + marker + "\"", key.text}});
    ASSERT_TRUE(Start());
    PressHotkey(key.modifiers, key.key);
    EXPECT_TRUE(WaitFor([&] { return FileExists(marker); }, 10000));
}

TEST_F(KorvanedTest, TwoCommandsWithOneCombinationShowError182)
{
    const FreeHotkey first = FindFreeHotkeyText(0), same = FindFreeHotkeyText(1), after = FindFreeHotkeyText(2);
    ASSERT_TRUE(first.found && same.found && after.found);
    WriteTable({{"A", "a.exe", first.text}, {"B", "b.exe", same.text}, {"C", "c.exe", same.text},
                {"D", "d.exe", after.text}});
    ASSERT_TRUE(daemon_.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path()));
    BoxAnswerer boxes(IDOK, daemon_.Id());
    ASSERT_TRUE(boxes.WaitForBoxes(1, 15000));
    ASSERT_TRUE(WaitFor([] { return DaemonWindowHandle() != nullptr; }));
    ASSERT_TRUE(Responds(DaemonWindowHandle()));
    const std::vector<BoxText> seen = boxes.Boxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, Ansi("ホットキー「") + same.text +
                                Ansi("」をシステムに登録できません。多くの場合、指定された組み合わせの"
                                     "ホットキーは、既に他のアプリケーションにより使用されています。"));
    EXPECT_TRUE(HotkeyTaken(first.modifiers, first.key));
    EXPECT_TRUE(HotkeyTaken(same.modifiers, same.key));
    EXPECT_FALSE(HotkeyTaken(after.modifiers, after.key));
}

// The codes are broadcast right after the start: one that arrives while the
// daemon still talks to the tray must not be lost.
TEST_F(KorvanedTest, CodeTwoThenOneReloadsAChangedTable)
{
    const FreeHotkey before = FindFreeHotkeyText(0), now = FindFreeHotkeyText(1);
    ASSERT_TRUE(before.found && now.found);
    WriteTable({{"A", "a.exe", before.text}});
    ASSERT_TRUE(Start());
    EXPECT_TRUE(HotkeyTaken(before.modifiers, before.key));

    Broadcast(kRemoteStopServices);
    EXPECT_TRUE(WaitFor([&] { return !HotkeyTaken(before.modifiers, before.key); }));
    WriteTable({{"A", "a.exe", now.text}});
    // Stopped, a restart through the table is not yet visible.
    EXPECT_FALSE(HotkeyTaken(now.modifiers, now.key));
    Broadcast(kRemoteStartServices);
    EXPECT_TRUE(WaitFor([&] { return HotkeyTaken(now.modifiers, now.key); }));
    EXPECT_FALSE(HotkeyTaken(before.modifiers, before.key));
}

TEST_F(KorvanedTest, CodeThreeEndsTheDaemonWithHotkeysFreeAndTheIconGone)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    WriteTable({{"A", "a.exe", key.text}});
    ASSERT_TRUE(Start());
    ASSERT_TRUE(TrayIconPresent(window_));

    // A restarted shell broadcasts "TaskbarCreated" to every top-level window.
    // Wine never does, so the test sends it to the daemon's window itself: a
    // broadcast of our own reached the daemon only sometimes while other
    // programs of the run were starting.
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window_;
    data.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(TrayIconPresent(window_));
    DWORD_PTR result = 0;
    ASSERT_NE(SendMessageTimeoutA(window_, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_NORMAL, 10000,
                                  &result),
              0);
    EXPECT_TRUE(WaitFor([&] { return TrayIconPresent(window_); }));

    Broadcast(kRemoteEndDaemon);
    EXPECT_EQ(daemon_.Wait(10000), 0u);
    EXPECT_EQ(DaemonWindowHandle(), nullptr);
    EXPECT_FALSE(HotkeyTaken(key.modifiers, key.key));
    EXPECT_FALSE(TrayIconPresent(window_));
}

TEST_F(KorvanedTest, BadTablesAreReportedAndTheDaemonKeepsRunning)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    std::string text = "[CmdTable]\r\n";
    for (int i = 0; i < 70000; ++i) {
        const std::string k = "cmd[" + std::to_string(i) + "]";
        text += k + ".caption=" + (i % 3 == 0 ? "//G" + std::to_string(i) + "//" : std::string(300, 'x')) + "\r\n";
        text += k + ".cmdline=x.exe\r\n" + k + ".hotkey=" + key.text + "\r\n";
    }
    text += std::string("\x81\x00\xff garbage \r\n[", 15);
    WriteTableText(text);
    ASSERT_TRUE(daemon_.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path()));
    BoxAnswerer boxes(IDOK, daemon_.Id());
    // The hotkey list fills up at its 49,152nd entry: error 180, nothing registered.
    ASSERT_TRUE(boxes.WaitForBoxes(1, 120000));
    ASSERT_TRUE(WaitFor([] { return DaemonWindowHandle() != nullptr; }));
    ASSERT_TRUE(Responds(DaemonWindowHandle()));
    const std::vector<BoxText> seen = boxes.Boxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text.find(Ansi("コマンド「")), 0u);
    EXPECT_FALSE(HotkeyTaken(key.modifiers, key.key));
    EXPECT_EQ(daemon_.Wait(0), static_cast<DWORD>(STILL_ACTIVE));
}

} // namespace
