#include "daemon_test_files.h"
#include "platform/option_lock.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

using namespace daemon_test;
using namespace testing_support;

namespace {

// The same file through drive Z:, which Wine maps to the root of the Unix
// file system. Elsewhere the path as it is.
std::string OnAnotherDrive(const std::string& path)
{
    using UnixName = char*(CDECL*)(const WCHAR*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return path;
    std::wstring wide(path.begin(), path.end());
    char* name = unixName(wide.c_str());
    if (name == nullptr) return path;
    std::string result = std::string("Z:") + name;
    HeapFree(GetProcessHeap(), 0, name);
    for (char& c : result) {
        if (c == '/') c = '\\';
    }
    return result;
}

void Broadcast(unsigned code)
{
    BroadcastRemoteControl(RegisterWindowMessageA(kRemoteControlMessageName), code);
}

class KorvanedTest : public ::testing::Test {
protected:
    KorvanedTest() : folder_({"korvaned.exe"}) { folder_.WriteMainSettings("local.ini"); }
    ~KorvanedTest() override { EndDaemon(daemon_); }
    void WriteTable(const std::vector<Row>& rows) { WriteTableText(LocalSettings(rows)); }
    void WriteTableText(const std::string& text) { ASSERT_TRUE(WriteFileText(folder_.File("local.ini"), text)); }
    bool StartProcess() { return daemon_.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path()); }
    bool WaitForStartUp() { return (window_ = WaitForDaemonStartUp()) != nullptr; }
    bool Start() { return StartProcess() && WaitForStartUp(); }

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
    EXPECT_EQ(FindDaemonWindow(), window_);
    EXPECT_TRUE(HotkeyTaken(key.modifiers, key.key));
    EXPECT_TRUE(TrayIconPresent(window_));
}

TEST_F(KorvanedTest, HeldOptionMutexKeepsServicesStoppedUntilCodeOne)
{
    const FreeHotkey key = FindFreeHotkeyText(0), later = FindFreeHotkeyText(1);
    ASSERT_TRUE(key.found && later.found);
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

    ReleaseMutex(mutex);
    CloseHandle(mutex);
    Broadcast(kRemoteStartServices);
    EXPECT_TRUE(WaitFor([&] { return HotkeyTaken(key.modifiers, key.key); }));
    // A second start keeps the running set: the table changed under an
    // editor's lock is not read.
    mutex = CreateMutexA(nullptr, TRUE, kOptionMutexName);
    WriteTable({{"A", "a.exe", later.text}});
    ASSERT_TRUE(SendRemoteCode(window_, kRemoteStartServices));
    WaitFor([] { return false; }, 1000);
    EXPECT_TRUE(HotkeyTaken(key.modifiers, key.key));
    EXPECT_FALSE(HotkeyTaken(later.modifiers, later.key));
    EXPECT_TRUE(boxes.Boxes().empty());
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST_F(KorvanedTest, DispatchFindsCommandsOrReportsUnknownIdentifiers)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    // Running the command shows a box at once: an unknown service.
    WriteTable({{"A", "Service:NoSuchService", key.text}});
    ASSERT_TRUE(Start());
    BoxAnswerer boxes(IDOK, daemon_.Id());

    // Not menu choices: a notification code, or a control as sender. A box,
    // if any, would be shown before the send returns.
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(1, 1), 0);
    SendMessageA(window_, WM_COMMAND, 1, reinterpret_cast<LPARAM>(window_));
    EXPECT_TRUE(boxes.Boxes().empty());

    // One box at a time: a message posted while a box is open would be
    // handled in that box's loop.
    const auto provoke = [&](UINT message, WPARAM wParam, size_t count) {
        PostMessageA(window_, message, wParam, 0);
        return boxes.WaitForBoxes(count) && WaitFor([&] { return FindMessageBox(daemon_.Id()) == nullptr; });
    };
    // The same identifier as a menu choice runs the command.
    ASSERT_TRUE(provoke(WM_COMMAND, 1, 1));
    ASSERT_TRUE(provoke(WM_HOTKEY, 0, 2));
    ASSERT_TRUE(provoke(WM_HOTKEY, 2, 3));
    ASSERT_TRUE(provoke(WM_COMMAND, 77, 4));
    const std::vector<BoxText> seen = boxes.Boxes();
    EXPECT_EQ(seen[0].text, Ansi("コマンド「A」を実行できません。このコマンドは不正な独自拡張コマンド「"
                                 "Service:NoSuchService」を呼び出しています。多くの場合、スペリングミスです。"));
    EXPECT_EQ(seen[1].text, Ansi("指定されたホットキーID「0」を持つコマンドが見つかりません。"));
    EXPECT_EQ(seen[2].text, Ansi("指定されたホットキーID「2」を持つコマンドが見つかりません。"));
    EXPECT_EQ(seen[3].text, Ansi("指定されたコマンドID「77」を持つコマンドが見つかりません。"));
    EXPECT_EQ(seen[3].title, Ansi("エラー - Korvane"));
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

// The box of the build runs a nested message loop: a code that arrives there
// waits until the build is over, and is not lost.
TEST_F(KorvanedTest, OneCombinationTwiceShowsError182AndAStopDuringTheBoxFollows)
{
    const FreeHotkey first = FindFreeHotkeyText(0), same = FindFreeHotkeyText(1), after = FindFreeHotkeyText(2);
    ASSERT_TRUE(first.found && same.found && after.found);
    WriteTable({{"A", "a.exe", first.text}, {"B", "b.exe", same.text}, {"C", "c.exe", same.text},
                {"D", "d.exe", after.text}});
    ASSERT_TRUE(StartProcess());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(daemon_.Id())) != nullptr; }, 15000));
    EXPECT_EQ(ReadMessageBox(box).text,
              Ansi("ホットキー「") + same.text +
                  Ansi("」をシステムに登録できません。多くの場合、指定された組み合わせの"
                       "ホットキーは、既に他のアプリケーションにより使用されています。"));
    EXPECT_TRUE(HotkeyTaken(first.modifiers, first.key));
    EXPECT_TRUE(HotkeyTaken(same.modifiers, same.key));
    EXPECT_TRUE(HotkeyTaken(after.modifiers, after.key));

    ASSERT_TRUE(SendRemoteCode(FindDaemonWindow(), kRemoteStopServices));
    AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    BoxAnswerer boxes(IDOK, daemon_.Id());
    ASSERT_TRUE(WaitForStartUp());
    EXPECT_TRUE(WaitFor([&] { return !HotkeyTaken(first.modifiers, first.key); }));
    EXPECT_FALSE(HotkeyTaken(same.modifiers, same.key));
    EXPECT_FALSE(HotkeyTaken(after.modifiers, after.key));
    EXPECT_TRUE(boxes.Boxes().empty());
}

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
    // A second stop leaves the services stopped: the changed table waits for code 1.
    ASSERT_TRUE(SendRemoteCode(window_, kRemoteStopServices));
    EXPECT_FALSE(HotkeyTaken(now.modifiers, now.key));
    Broadcast(kRemoteStartServices);
    EXPECT_TRUE(WaitFor([&] { return HotkeyTaken(now.modifiers, now.key); }));
    EXPECT_FALSE(HotkeyTaken(before.modifiers, before.key));
}

// The hotkeys and the icon given back before the end are checked in-process,
// where the system has not yet freed them.
TEST_F(KorvanedTest, CodeThreeEndsTheProcessAndANewTaskbarGetsTheIconBack)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    WriteTable({{"A", "a.exe", key.text}});
    ASSERT_TRUE(Start());

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
    EXPECT_EQ(FindDaemonWindow(), nullptr);
}

// What would destroy the menu, or the daemon, while the command menu is open
// closes the menu and follows it: Wine's menu loop never returns from a
// destroyed menu and loses the quit posted in it, and an installer waits for
// the daemon to end after code 3.
TEST_F(KorvanedTest, WhatArrivesDuringTheCommandMenuFollowsItAndCodeThreeEndsTheProcess)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    WriteTable({{"A", "a.exe", key.text}});
    struct Case {
        const char* what;
        std::function<void()> during;
        bool stops;  // the services, and then code 3 ends the daemon
    } cases[] = {
        {"code 3", [] { Broadcast(kRemoteEndDaemon); }, false},
        {"WM_CLOSE", [this] { PostMessageA(window_, WM_CLOSE, 0, 0); }, false},
        {"code 2", [this] { SendRemoteCode(window_, kRemoteStopServices); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Start());
        PostMessageA(window_, WM_USER + 1, 1, WM_RBUTTONDOWN);
        ASSERT_TRUE(WaitFor([&] { return FindPopupMenu(daemon_.Id()) != nullptr; }));
        c.during();
        EXPECT_TRUE(WaitFor([&] { return FindPopupMenu(daemon_.Id()) == nullptr; }));
        if (c.stops) {
            EXPECT_TRUE(WaitForHotkeyState(key, false));
            Broadcast(kRemoteEndDaemon);
        }
        EXPECT_EQ(daemon_.Wait(10000), 0u);
    }
}

TEST_F(KorvanedTest, BadTablesAreReportedAndTheDaemonKeepsRunning)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    // More commands with a hotkey than the hotkey list holds (49,151). They
    // sit in groups of at most 100 items per menu: appending to one long menu
    // costs time that grows with its length.
    std::vector<std::string> captions;
    for (int top = 0; captions.size() <= 49151; ++top) {
        const std::string t = "T" + std::to_string(top);
        captions.push_back(t);
        for (int middle = 0; middle < 99; ++middle) {
            const std::string m = t + "/M" + std::to_string(middle);
            captions.push_back(m);
            for (int leaf = 0; leaf < 99; ++leaf) captions.push_back(m + "/L" + std::to_string(leaf));
        }
    }
    std::string text = "[CmdTable]\r\n";
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const std::string k = "cmd[" + std::to_string(i) + "]";
        text += k + ".caption=" + captions[i] + "\r\n" + k + ".cmdline=x.exe\r\n" + k + ".hotkey=" + key.text + "\r\n";
    }
    // A broken tail does not stop the table from being read.
    text += std::string("\x81\x00\xff garbage \r\n[", 15);
    WriteTableText(text);
    ASSERT_TRUE(StartProcess());
    BoxAnswerer boxes(IDOK, daemon_.Id());
    ASSERT_TRUE(boxes.WaitForBoxes(2, 60000));
    ASSERT_TRUE(WaitForStartUp());
    // Error 180 once, at the command that finds the list full; then the one
    // combination that was registered first and refused for the rest, named
    // once in error 182. The hotkey itself works.
    const std::string& full = captions[49151];
    const std::vector<BoxText> seen = boxes.Boxes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, Ansi("コマンド「") + full.substr(full.rfind('/') + 1) +
                                Ansi("」に割り当てられているホットキー「") + key.text +
                                Ansi("」を読み込めません。深刻な空きメモリ容量不足か、プログラミングミスです。"));
    EXPECT_EQ(seen[1].text, Ansi("ホットキー「") + key.text + Ansi("」をシステムに登録できません。多くの場合、指定された組み合わせのホットキーは、既に他のアプリケーションにより使用されています。"));
    EXPECT_TRUE(HotkeyTaken(key.modifiers, key.key));
    EXPECT_EQ(daemon_.Wait(0), static_cast<DWORD>(STILL_ACTIVE));
}

// A hand edit reaches the daemon with no editor run, wherever the file is:
// beside the program, or named by `Current` in another folder on another
// drive, whose folder the watch moves to.
TEST_F(KorvanedTest, HandEditsOfTheFilesAreTakenWithinASecond)
{
    const FreeHotkey first = FindFreeHotkeyText(0), added = FindFreeHotkeyText(1), other = FindFreeHotkeyText(2),
                     later = FindFreeHotkeyText(3);
    ASSERT_TRUE(first.found && added.found && other.found && later.found);
    WriteTable({{"A", "a.exe", first.text}});
    ASSERT_TRUE(Start());
    ASSERT_TRUE(HotkeyTaken(first.modifiers, first.key));

    TempDir elsewhere;
    const std::string otherFile = elsewhere.File("other.ini");
    ASSERT_TRUE(WriteFileText(otherFile, LocalSettings({{"O", "o.exe", other.text}})));
    struct Case {
        const char* what;
        std::function<bool()> edit;
        const FreeHotkey& taken;
        const FreeHotkey* freed;
    } cases[] = {
        {"a command added at the end",
         [&] { return WriteFileText(folder_.File("local.ini"), LocalSettings({{"A", "a.exe", first.text}}) +
                                                                "cmd[1].caption=B\r\ncmd[1].cmdline=b.exe\r\ncmd[1].hotkey=" +
                                                                added.text + "\r\n"); },
         added, nullptr},
        {"Current naming a file on another drive",
         [&] {
             folder_.WriteMainSettings(OnAnotherDrive(otherFile));
             return true;
         },
         other, &added},
        {"an edit of that file", [&] { return WriteFileText(otherFile, LocalSettings({{"O", "o.exe", later.text}})); },
         later, &other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DWORD start = GetTickCount();
        ASSERT_TRUE(c.edit());
        // Probes seldom: a probe at the moment the daemon registers the
        // combination would take it from the daemon.
        bool taken = false;
        while (!(taken = HotkeyTaken(c.taken.modifiers, c.taken.key)) && GetTickCount() - start < 3000) Sleep(100);
        EXPECT_TRUE(taken);
        EXPECT_LT(GetTickCount() - start, 1000u);
        if (c.freed != nullptr) {
            EXPECT_FALSE(HotkeyTaken(c.freed->modifiers, c.freed->key));
        }
    }
}

// The balloon is read back from the tray's tooltip window that shows it. The table itself stays empty: nothing is restored by itself.
TEST_F(KorvanedTest, AStartWithoutCommandsPointsAtABackupThatHasSome)
{
    WriteTable({});
    ASSERT_TRUE(CreateDirectoryA(folder_.File("backup").c_str(), nullptr));
    ASSERT_TRUE(WriteFileText(folder_.File("backup\\local.20261209-215300-123.ini"),
                              LocalSettings({{"A", "a.exe", ""}, {"B", "b.exe", ""}})));
    ASSERT_TRUE(WriteFileText(folder_.File("backup\\local.20261201-000000-000.ini"), LocalSettings({})));
    BoxAnswerer boxes(IDOK, 0);
    ASSERT_TRUE(Start());
    const std::string expected = Ansi("現在のコマンドテーブルにはコマンドがありません。最新のバックアップ「") +
                                 "local.20261209-215300-123.ini" + Ansi("」には2個のコマンドがあります。");
    std::string shown;
    WaitFor([&] { return (shown = ShownTooltipText()) == expected; });
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(boxes.Boxes().empty());
}

// After a change has been taken: a watch that kept waking (a notice never
// renewed, a timer never stopped) would show here.
TEST_F(KorvanedTest, AnIdleWatchingDaemonUsesNoProcessorTime)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    WriteTable({{"A", "a.exe", ""}});
    ASSERT_TRUE(Start());
    WriteTable({{"A", "a.exe", key.text}});
    ASSERT_TRUE(WaitForHotkeyState(key, true));
    Sleep(1000);
    const auto used = [&] {
        FILETIME created, ended, kernel, user;
        if (!GetProcessTimes(daemon_.Handle(), &created, &ended, &kernel, &user)) return ~0ull;
        const auto ticks = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        return (ticks(kernel) + ticks(user)) / 10000;  // ms
    };
    const ULONGLONG before = used();
    ASSERT_NE(before, ~0ull);
    Sleep(10000);
    // Wine counts in steps of 10 ms.
    EXPECT_LE(used() - before, 10u);
}

} // namespace
