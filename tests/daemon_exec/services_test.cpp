#include "commands/command.h"
#include "command_set.h"
#include "platform/daemon_request.h"
#include "exec_test_support.h"
#include "execute_command.h"
#include "fake_daemon_host.h"
#include "service_calls.h"
#include "service_request.h"
#include "services.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace exec_test;
using namespace testing_support;

namespace {

// What the stand-ins of the session, folder and recycle-bin calls saw.
struct Calls {
    std::vector<UINT> exitFlags;
    BOOL exitResult = TRUE;
    std::vector<SHELLEXECUTEINFOA> opened;
    std::vector<std::string> openedLists;  // the item lists' bytes, copied at the call
    std::vector<HWND> emptied;
    std::vector<DWORD> emptyFlags;
    std::vector<bool> emptyAllDrives;
};
Calls* g_calls = nullptr;

BOOL WINAPI FakeExitWindows(UINT flags, DWORD)
{
    g_calls->exitFlags.push_back(flags);
    return g_calls->exitResult;
}

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOA* info)
{
    g_calls->opened.push_back(*info);
    const auto* list = static_cast<LPCITEMIDLIST>(info->lpIDList);
    g_calls->openedLists.push_back(list ? std::string(reinterpret_cast<const char*>(list), ILGetSize(list)) : "");
    return TRUE;
}

HRESULT WINAPI FakeEmptyRecycleBin(HWND owner, LPCSTR root, DWORD flags)
{
    g_calls->emptied.push_back(owner);
    g_calls->emptyFlags.push_back(flags);
    g_calls->emptyAllDrives.push_back(root == nullptr);
    return S_OK;
}

// The services on a daemon whose services are stopped. The platform calls
// that would end the session or touch the recycle bin are replaced for the
// whole test.
class ServicesTest : public ::testing::Test {
protected:
    ServicesTest()
    {
        g_calls = &calls_;
        saved_ = CurrentServiceCalls();
        CurrentServiceCalls() = ServiceCalls{FakeExitWindows, FakeShellExecuteEx, FakeEmptyRecycleBin};
    }
    ~ServicesTest() override
    {
        CurrentServiceCalls() = saved_;
        g_calls = nullptr;
    }

    int Run(const char* line) { return RunService(line, daemon_); }

    // Runs the line and answers its boxes; the boxes seen.
    std::vector<BoxText> RunAnswered(const char* line, int answer, int& result)
    {
        BoxAnswerer boxes(answer);
        result = Run(line);
        return boxes.Boxes();
    }

    // Lets a posted WM_CLOSE arrive.
    void Pump() { WaitFor([] { return false; }, 200); }

    // Starts the services and puts a free combination into the running set's
    // hotkeys (its table is empty here), registered; false when none is free.
    bool StartWithAHotkey()
    {
        if (Run("Start") != 1 || daemon_.GetCommandSet() == nullptr || !FindFreeHotkey(modifiers_, key_)) return false;
        HotkeyEntry entry;
        entry.window = daemon_.Window();
        entry.modifiers = modifiers_;
        entry.keyCode = static_cast<unsigned char>(key_);
        const HotkeyEntry* added = daemon_.GetCommandSet()->Hotkeys().AddHotkey(entry);
        return added != nullptr && RegisterHotKey(daemon_.Window(), added->identifier, modifiers_, key_);
    }
    // Whether someone holds that combination: this test can register it or not.
    bool HotkeyTaken() const
    {
        constexpr int kProbeId = 0xB000;
        if (!RegisterHotKey(nullptr, kProbeId, modifiers_, key_)) return true;
        UnregisterHotKey(nullptr, kProbeId);
        return false;
    }

    UINT modifiers_ = 0, key_ = 0;

    Calls calls_;
    ServiceCalls saved_ = {};
    FakeDaemonHost daemon_;
};

TEST_F(ServicesTest, TableHoldsTheServicesInOrderAndIsSearchedWithoutCase)
{
    const std::vector<ServiceEntry>& table = daemon_.Services();
    struct Row {
        const char* name;
        int parameter;
    } rows[] = {
        {"Exit", 0}, {"Start", 1}, {"Stop", 2}, {"Restart", 3}, {"Hotkey.Start", 1}, {"Hotkey.Stop", 2},
        {"Hotkey.Restart", 3}, {"Switch", 0}, {"Option", 0}, {"CommandMenu", 0}, {"GetWinText", 0},
        {"ScreenSaver", 0}, {"ShowDeskIcon", 1}, {"HideDeskIcon", 0}, {"Exit.Logoff", 1}, {"Exit.Reboot", 2},
        {"Exit.Shutdown", 3}, {"Folder.Personal", 5}, {"Folder.Recycle", 10}, {"Folder.Computer", 17},
        {"Folder.Controls", 3}, {"Folder.Recycle.Empty", 0},
    };
    ASSERT_EQ(table.size(), 22u);
    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(table[i].name, rows[i].name);
        EXPECT_EQ(table[i].parameter, rows[i].parameter);
        EXPECT_NE(table[i].handler, nullptr);
        EXPECT_EQ(FindService(table, rows[i].name), &table[i]);
    }
    EXPECT_EQ(FindService(table, "hotkey.RESTART"), &table[6]);
    EXPECT_EQ(FindService(table, "folder.recycle.empty"), &table[21]);
    EXPECT_EQ(FindService(table, "Exit "), nullptr);
    EXPECT_EQ(FindService(table, ""), nullptr);
    EXPECT_EQ(FindService(table, "Exit.Logof"), nullptr);
    EXPECT_EQ(FindService(table, nullptr), nullptr);
}

TEST_F(ServicesTest, LinesThatNameNoServiceReturnZero)
{
    BoxAnswerer boxes(IDNO);
    for (const char* line : {"", " Exit", "Exit  ", "Exitt", "Folder", "\x81", "\"Exit\""}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(Run(line), 0);
    }
    EXPECT_TRUE(boxes.Boxes().empty());
    Pump();
    EXPECT_EQ(daemon_.closes, 0);
    EXPECT_EQ(daemon_.calls, "");
}

TEST_F(ServicesTest, ExitAsksAndClosesOnlyOnYes)
{
    int result = 0;
    std::vector<BoxText> boxes = RunAnswered("exit", IDNO, result);
    EXPECT_EQ(result, 2);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, Ansi("終了の確認 - Korvane"));
    EXPECT_EQ(boxes[0].text, Ansi("本当にKorvaneを終了してよろしいですか？Korvaneを終了すると提供中のサービスは全て停止してしまいます。"));
    Pump();
    EXPECT_EQ(daemon_.closes, 0);

    // A blank at the end makes an empty argument, which Exit ignores.
    boxes = RunAnswered("EXIT ", IDYES, result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(WaitFor([this] { return daemon_.closes == 1; }));
    // Posted, not run: the daemon ends only after the service is over.
    EXPECT_EQ(daemon_.calls, "");
}

TEST_F(ServicesTest, OnlyTheServiceOperationsStartAndStopTheDaemon)
{
    struct Case {
        const char* line;
        bool started;
        int result;
        const char* calls;
        bool menu;  // the whole command menu shows
    } cases[] = {
        {"Start", false, 1, "start ", false},
        {"Stop", true, 1, "stop ", false},
        {"Restart", true, 1, "stop start ", false},
        {"Restart", false, 1, "stop start ", false},
        // The hotkey and menu services need a command set; the others do not.
        {"Hotkey.Start", false, 2, "", false},
        {"Hotkey.Stop", false, 2, "", false},
        {"Hotkey.Restart", false, 2, "", false},
        {"Hotkey.Restart", true, 1, "", false},
        {"CommandMenu", false, 2, "", false},
        {"CommandMenu", true, 1, "", true},
        {"HideDeskIcon", false, 1, "", false},
        {"ShowDeskIcon", true, 1, "", false},
        {"ScreenSaver", false, 1, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.line << (c.started ? " started" : " stopped"));
        FakeDaemonHost host(c.started);
        HMENU root = nullptr;
        if (CommandSet* set = host.GetCommandSet()) {
            set->Menu().AddItem(MenuTree::kRoot, "item");
            root = set->Menu().Root();
        }
        EXPECT_EQ(RunService(c.line, host), c.result);
        EXPECT_EQ(host.calls, c.calls);
        EXPECT_EQ(host.menus, c.menu ? std::vector<HMENU>{root} : std::vector<HMENU>{});
    }
}

TEST_F(ServicesTest, AnEditorsRequestRunsOnlyServiceLines)
{
    struct Case {
        const char* label;
        unsigned long tag;
        std::string data;   // sent as is: its closing NUL is written out
        LRESULT result;
        const char* calls;
    } cases[] = {
        {"service line", kServiceRequestTag, std::string("Service:Stop", 13), 1, "stop "},
        {"other prefix and case", kServiceRequestTag, std::string("tesselservice:\\Restart", 23), 1, "stop start "},
        {"unknown service", kServiceRequestTag, std::string("Service:Nothing", 16), 0, ""},
        {"program line", kServiceRequestTag, std::string("notepad.exe", 12), 0, ""},
        {"another tag", 1, std::string("Service:Stop", 13), 0, ""},
        {"no closing NUL", kServiceRequestTag, std::string("Service:Stop"), 0, ""},
        {"a NUL before the end", kServiceRequestTag, std::string("Service:Stop\0x", 15), 0, ""},
        {"empty", kServiceRequestTag, std::string(), 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeDaemonHost host(true);
        COPYDATASTRUCT data = {};
        data.dwData = c.tag;
        data.cbData = static_cast<DWORD>(c.data.size());
        data.lpData = c.data.empty() ? nullptr : const_cast<char*>(c.data.data());
        EXPECT_EQ(RunRequestedService(host, data), c.result);
        EXPECT_EQ(host.calls, c.calls);
    }
}

TEST_F(ServicesTest, HotkeyServicesSwitchTheRegistration)
{
    BoxAnswerer boxes;
    ASSERT_TRUE(StartWithAHotkey());
    struct Step {
        const char* line;
        bool taken;
    } steps[] = {
        {"Hotkey.Stop", false}, {"Hotkey.Stop", false}, {"Hotkey.Restart", true}, {"Hotkey.Restart", true},
        {"Hotkey.Start", true}, {"Hotkey.Stop", false}, {"Hotkey.Start", true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.line);
        EXPECT_EQ(Run(step.line), 1);
        EXPECT_EQ(HotkeyTaken(), step.taken);
    }
    // The end of the set gives the hotkey back.
    EXPECT_EQ(Run("Stop"), 1);
    EXPECT_FALSE(HotkeyTaken());
}

TEST_F(ServicesTest, SessionServicesAskThenRequestTheRightEnd)
{
    struct Case {
        const char* line;
        const char* question;
        UINT flags;  // on an NT platform
    } cases[] = {
        {"Exit.Logoff", "ログオフしてよろしいですか？", EWX_LOGOFF},
        {"Exit.Reboot", "コンピュータを再起動してよろしいですか？", EWX_REBOOT},
        {"Exit.Shutdown", "コンピュータをシャットダウンしてよろしいですか？", EWX_SHUTDOWN | EWX_POWEROFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        calls_.exitFlags.clear();
        int result = 0;
        std::vector<BoxText> boxes = RunAnswered(c.line, IDNO, result);
        EXPECT_EQ(result, 2);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, Ansi("終了の確認 - Korvane"));
        EXPECT_EQ(boxes[0].text, Ansi(c.question));
        EXPECT_TRUE(calls_.exitFlags.empty());

        boxes = RunAnswered(c.line, IDYES, result);
        EXPECT_EQ(result, 1);
        ASSERT_EQ(calls_.exitFlags.size(), 1u);
        EXPECT_EQ(calls_.exitFlags[0], c.flags);
        // An accepted request leaves the daemon running until the session ends.
        Pump();
        EXPECT_EQ(daemon_.closes, 0);
    }
}

TEST_F(ServicesTest, RefusedSessionEndKeepsTheDaemonAndSaysSo)
{
    calls_.exitResult = FALSE;
    EXPECT_FALSE(EndSession(kShutDown));
    int result = 0;
    const std::vector<BoxText> boxes = RunAnswered("Exit.Logoff", IDYES, result);
    EXPECT_EQ(result, 2);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, Ansi("ログオフ、再起動またはシャットダウンを開始できません。"
                                  "システムが要求を受け付けませんでした。Korvaneは動作を続けます。"));
    Pump();
    EXPECT_EQ(daemon_.closes, 0);
}

TEST_F(ServicesTest, FolderServicesOpenTheirFolderByItemList)
{
    struct Case {
        const char* line;
        int folder;
    } cases[] = {
        {"Folder.Personal", CSIDL_PERSONAL},
        {"Folder.Recycle", CSIDL_BITBUCKET},
        {"Folder.Computer", CSIDL_DRIVES},
        {"Folder.Controls", CSIDL_CONTROLS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        calls_.opened.clear();
        calls_.openedLists.clear();
        EXPECT_EQ(Run(c.line), 1);
        LPITEMIDLIST list = nullptr;
        bool known = SUCCEEDED(SHGetSpecialFolderLocation(nullptr, c.folder, &list)) && list != nullptr;
        // The folder's own item list, byte for byte.
        const std::string own = known ? std::string(reinterpret_cast<const char*>(list), ILGetSize(list)) : "";
        if (list != nullptr) CoTaskMemFree(list);
        if (!known) {
            // Nothing to open: nothing is called and nothing is reported.
            EXPECT_TRUE(calls_.opened.empty());
            continue;
        }
        ASSERT_EQ(calls_.opened.size(), 1u);
        const SHELLEXECUTEINFOA& info = calls_.opened[0];
        EXPECT_EQ(info.cbSize, sizeof(SHELLEXECUTEINFOA));
        EXPECT_EQ(info.fMask, static_cast<ULONG>(SEE_MASK_IDLIST));
        EXPECT_EQ(calls_.openedLists[0], own);
        EXPECT_EQ(info.nShow, SW_SHOW);
        EXPECT_EQ(info.lpVerb, nullptr);
        EXPECT_EQ(info.hwnd, nullptr);
    }
    EXPECT_TRUE(OpenSpecialFolder(CSIDL_PERSONAL));
}

TEST_F(ServicesTest, EmptyRecycleBinLetsTheShellAsk)
{
    EXPECT_EQ(Run("Folder.Recycle.Empty"), 1);
    ASSERT_EQ(calls_.emptied.size(), 1u);
    EXPECT_EQ(calls_.emptied[0], daemon_.Window());
    EXPECT_EQ(calls_.emptyFlags[0], 0u);
    EXPECT_TRUE(calls_.emptyAllDrives[0]);
}

// A visible window with a button and an empty static, for "GetWinText".
class TextWindow {
public:
    TextWindow()
    {
        frame_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "frame", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 100, 300,
                                 200, nullptr, nullptr, nullptr, nullptr);
        button_ = CreateWindowExA(0, "BUTTON", Ansi("押すボタン").c_str(), WS_CHILD | WS_VISIBLE, 10, 10, 120, 40,
                                  frame_, nullptr, nullptr, nullptr);
        empty_ = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, 10, 100, 120, 40, frame_, nullptr,
                                 nullptr, nullptr);
        WaitFor([] { return false; }, 200);
    }
    ~TextWindow() { DestroyWindow(frame_); }
    static POINT Center(HWND window)
    {
        RECT r;
        GetWindowRect(window, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    HWND Button() const { return button_; }
    HWND Empty() const { return empty_; }

private:
    HWND frame_, button_, empty_;
};

std::string ClipboardText()
{
    std::string text = "<none>";
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

TEST_F(ServicesTest, GetWinTextCopiesTheTextUnderTheCursor)
{
    TextWindow windows;
    POINT button = TextWindow::Center(windows.Button());
    ASSERT_TRUE(SetCursorPos(button.x, button.y));
    EXPECT_EQ(Run("GetWinText"), 1);
    EXPECT_EQ(ClipboardText(), Ansi("押すボタン"));

    // A window without text leaves an empty text, not the previous one.
    EXPECT_EQ(CopyWindowTextAt(TextWindow::Center(windows.Empty()), daemon_.Window()), 1);
    EXPECT_EQ(ClipboardText(), "");
}

TEST_F(ServicesTest, GetWinTextFailsWhileTheClipboardIsTaken)
{
    TextWindow windows;
    // Another thread holds the clipboard open: result 4, the text untouched.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    std::atomic<int> stage{0};
    std::thread holder([&] {
        if (OpenClipboard(nullptr)) {
            stage = 1;
            while (stage.load() != 2) Sleep(10);
            CloseClipboard();
        } else {
            stage = -1;
        }
    });
    ASSERT_TRUE(WaitFor([&] { return stage.load() != 0; }));
    ASSERT_EQ(stage.load(), 1);
    EXPECT_EQ(CopyWindowTextAt(TextWindow::Center(windows.Button()), daemon_.Window()), 4);
    stage = 2;
    holder.join();
    EXPECT_EQ(ClipboardText(), "<none>");
}

TEST_F(ServicesTest, GetWinTextGivesUpOnAWindowThatDoesNotAnswer)
{
    // A window whose thread stops pumping once it is shown, until released
    // (or, should the text be asked for without a bound, after 15 s).
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> hung{nullptr};
    std::thread owner([&] {
        HWND window = CreateWindowExA(WS_EX_TOPMOST, "BUTTON", "hung", WS_POPUP | WS_VISIBLE, 120, 120, 200, 100,
                                      nullptr, nullptr, nullptr, nullptr);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        hung = window;
        WaitForSingleObject(release, 15000);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        DestroyWindow(window);
    });
    ASSERT_TRUE(WaitFor([&] { return hung.load() != nullptr; }));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(CopyWindowTextAt(TextWindow::Center(hung.load()), daemon_.Window()), 3);
    SetEvent(release);
    owner.join();
    CloseHandle(release);
    EXPECT_EQ(ClipboardText(), "<none>");
}

TEST_F(ServicesTest, ServiceCommandLinesRunTheirServiceOrShowError212)
{
    // The line runs "Stop" exactly when no box comes.
    struct Case {
        const char* cmdline;
        bool error;
    } cases[] = {
        {"Service:Stop", false},
        {"service:stop", false},
        {"TesselService:\\STOP", false},
        {"Service: Stop", true},
        {"Service:Nothing", true},
        {"TesselService:\\", true},
        {"Service:Stop  x", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmdline);
        daemon_.calls.clear();
        BoxAnswerer boxes;
        Command command;
        command.name = Ansi("名前");
        command.cmdline = c.cmdline;
        ExecuteCommand(daemon_, command);
        EXPECT_EQ(daemon_.calls, c.error ? "" : "stop ");
        if (!c.error) {
            EXPECT_TRUE(boxes.Boxes().empty());
            continue;
        }
        ASSERT_TRUE(boxes.WaitForBoxes(1));
        char expected[1024];
        std::snprintf(expected, sizeof expected,
                      Ansi("コマンド「%s」を実行できません。このコマンドは不正な独自拡張コマンド「%s」を呼び出しています。多くの場合、スペリングミスです。").c_str(),
                      command.name.c_str(), c.cmdline);
        EXPECT_EQ(boxes.Boxes()[0].text, expected);
    }
}

} // namespace
