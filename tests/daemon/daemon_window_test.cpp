#include "daemon_window.h"

#include "command_set.h"
#include "daemon_resource.h"
#include "daemon_test_files.h"
#include "platform/option_lock.h"
#include "services.h"
#include "shell_switch.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace daemon_test;
using namespace testing_support;

namespace {

// The shell's windows as the daemon looks for them: Wine has no "Progman",
// and its own "Shell_TrayWnd" is not where its app-bar query says the
// taskbar is, so the test puts its own there (created last, it comes first).
class FakeShell {
public:
    FakeShell()
    {
        for (const char* name : {"Progman", "SHELLDLL_DefView", "SysListView32", "Shell_TrayWnd"}) {
            RegisterPlainClass(name);
        }
        HINSTANCE instance = GetModuleHandleA(nullptr);
        progman_ = CreateWindowExA(0, "Progman", "Program Manager", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   instance, nullptr);
        HWND view = CreateWindowExA(0, "SHELLDLL_DefView", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, progman_,
                                    nullptr, instance, nullptr);
        icons_ = CreateWindowExA(0, "SysListView32", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, view, nullptr,
                                 instance, nullptr);
        APPBARDATA bar = {};
        bar.cbSize = sizeof bar;
        if (SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) {
            const RECT& r = bar.rc;
            taskbar_ = CreateWindowExA(0, "Shell_TrayWnd", nullptr, WS_POPUP | WS_VISIBLE, r.left, r.top,
                                       r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
        }
    }
    ~FakeShell()
    {
        if (taskbar_ != nullptr) DestroyWindow(taskbar_);
        DestroyWindow(progman_);
    }
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    bool Found() const { return ShellSwitch::FindDesktopListView() == icons_; }
    bool TaskbarFound() const { return taskbar_ != nullptr && ShellSwitch::FindTaskbar() == taskbar_; }
    bool IconsShown() const { return HasStyle(icons_, WS_VISIBLE); }
    bool TaskbarShown() const { return HasStyle(taskbar_, WS_VISIBLE); }
    bool TaskbarLayered() const { return HasStyle(taskbar_, WS_EX_LAYERED, GWL_EXSTYLE); }

private:
    HWND progman_ = nullptr;
    HWND icons_ = nullptr;
    HWND taskbar_ = nullptr;
};

// The real command window in this process. The main settings file beside the
// test program names a local settings file of the test; the option mutex is
// held while the window is created, so it comes up with its services stopped.
class DaemonWindowTest : public ::testing::Test {
protected:
    DaemonWindowTest() : main_(ExeDir() + "_setting.ini"), local_(dir_.File("local.ini"))
    {
        hadMain_ = FileExists(main_);
        if (hadMain_) savedMain_ = ReadFileText(main_);
        WriteFileText(main_, "[LocalSetting]\r\nCurrent=" + local_ + "\r\n");
        DaemonWindow::RegisterWindowClass(GetModuleHandleA(nullptr));
    }
    ~DaemonWindowTest() override
    {
        if (IsWindow(window_)) DestroyWindow(window_);
        DropQuit();
        if (hadMain_) {
            WriteFileText(main_, savedMain_);
        } else {
            DeleteFileA(main_.c_str());
        }
    }

    void WriteTable(const std::vector<Row>& rows, const std::string& desktop = std::string())
    {
        ASSERT_TRUE(WriteFileText(local_, LocalSettings(rows, desktop)));
    }
    bool CreateDaemon(bool holdLock = true)
    {
        HANDLE mutex = holdLock ? CreateMutexA(nullptr, TRUE, kOptionMutexName) : nullptr;
        window_ = CreateWindowExA(0, kCommandWindowClass, nullptr, WS_POPUP | WS_DLGFRAME, 50, 50, 0, 0, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        if (mutex != nullptr) {
            ReleaseMutex(mutex);
            CloseHandle(mutex);
        }
        return window_ != nullptr;
    }
    DaemonWindow& Daemon() { return *reinterpret_cast<DaemonWindow*>(GetWindowLongPtrA(window_, 0)); }
    // The remote-control message as an editor broadcasts it: a synchronous send.
    void Remote(unsigned code) { SendRemoteCode(window_, code); }
    // The end of the daemon posts a quit message that must not end the test's loops.
    static void DropQuit()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    // Lets posted messages (the replay of deferred codes, WM_CLOSE) arrive.
    static void Pump() { WaitFor([] { return false; }, 200); }

    TempDir dir_;
    std::string main_, local_;
    bool hadMain_ = false;
    std::string savedMain_;
    HWND window_ = nullptr;
};

constexpr char kHidingDesktop[] = "HideIcon=true\r\nTaskbarHide=true\r\nTaskbarTrans=true\r\nTaskbarTrans.Percent=100\r\n";

TEST_F(DaemonWindowTest, EveryEndOfTheServicesRestoresTheShell)
{
    FakeShell shell;
    ASSERT_TRUE(shell.Found());
    // Without a taskbar where the shell reports it, only the icons can be checked.
    const bool taskbar = shell.TaskbarFound();
    WriteTable({{"A", "a.exe", ""}}, kHidingDesktop);
    struct Case {
        const char* what;
        bool ends;  // the daemon ends with it
        std::function<void()> end;
    } cases[] = {
        {"code 2", false, [this] { Remote(kRemoteStopServices); }},
        {"Stop", false, [this] { RunService("Stop", Daemon()); }},
        {"code 3", true, [this] { Remote(kRemoteEndDaemon); }},
        {"Exit", true,
         [this] {
             BoxAnswerer yes(IDYES);
             RunService("Exit", Daemon());
         }},
        {"WM_CLOSE", true, [this] { SendMessageA(window_, WM_CLOSE, 0, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!IsWindow(window_)) {
            ASSERT_TRUE(CreateDaemon());
        }
        Remote(kRemoteStartServices);
        ASSERT_NE(Daemon().GetCommandSet(), nullptr);
        EXPECT_FALSE(shell.IconsShown());
        if (taskbar) {
            EXPECT_FALSE(shell.TaskbarShown());
            EXPECT_TRUE(shell.TaskbarLayered());
        }
        c.end();
        Pump();
        EXPECT_EQ(IsWindow(window_) == FALSE, c.ends);
        DropQuit();
        EXPECT_TRUE(shell.IconsShown());
        if (taskbar) {
            EXPECT_TRUE(shell.TaskbarShown());
            EXPECT_FALSE(shell.TaskbarLayered());
        }
    }
}

TEST_F(DaemonWindowTest, AnEditorsStopAndStartDuringABuildBoxLoadTheNewTable)
{
    const FreeHotkey taken = FindFreeHotkeyText(0), fixed = FindFreeHotkeyText(1);
    ASSERT_TRUE(taken.found && fixed.found);
    HiddenWindow other;
    ASSERT_TRUE(RegisterHotKey(other.Handle(), 1, taken.modifiers, taken.key));
    WriteTable({{"Old", "old.exe", taken.text}});
    ASSERT_TRUE(CreateDaemon());

    // An editor opened while box 182 is up: it stops the services, writes a
    // table without the taken hotkey, and starts them again.
    BoxAnswerer editor(IDOK, GetCurrentProcessId(), [&] {
        SendRemoteCode(window_, kRemoteStopServices);
        WriteFileText(local_, LocalSettings({{"New", "new.exe", fixed.text}}));
        SendRemoteCode(window_, kRemoteStartServices);
    });
    Remote(kRemoteStartServices);
    ASSERT_EQ(editor.Boxes().size(), 1u);
    EXPECT_TRUE(WaitFor([&] {
        CommandSet* set = Daemon().GetCommandSet();
        return set != nullptr && set->Commands().Size() == 1 && set->Commands()[0].name == "New";
    }));
    EXPECT_TRUE(HotkeyTaken(fixed.modifiers, fixed.key));
    UnregisterHotKey(other.Handle(), 1);
}

TEST_F(DaemonWindowTest, CloseDuringABuildBoxEndsTheDaemonAfterTheBuild)
{
    FakeShell shell;
    ASSERT_TRUE(shell.Found());
    const FreeHotkey taken = FindFreeHotkeyText(0), first = FindFreeHotkeyText(1);
    ASSERT_TRUE(taken.found && first.found);
    HiddenWindow other;
    ASSERT_TRUE(RegisterHotKey(other.Handle(), 1, taken.modifiers, taken.key));
    WriteTable({{"A", "a.exe", first.text}, {"B", "b.exe", taken.text}}, kHidingDesktop);
    ASSERT_TRUE(CreateDaemon());

    BoxAnswerer closer(IDOK, GetCurrentProcessId(), [&] {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window_, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result);
    });
    Remote(kRemoteStartServices);
    ASSERT_EQ(closer.Boxes().size(), 1u);
    // The set the build made is torn down by the end: shell restored, hotkeys free.
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(window_); }));
    DropQuit();
    EXPECT_TRUE(shell.IconsShown());
    EXPECT_FALSE(HotkeyTaken(first.modifiers, first.key));
    UnregisterHotKey(other.Handle(), 1);
}

// On the real window: a second start keeps the running set, a stop while
// stopped changes nothing, a restart while stopped builds one.
TEST_F(DaemonWindowTest, ServiceOperationsKeepOrBuildTheCommandSet)
{
    WriteTable({{"A", "a.exe", ""}});
    ASSERT_TRUE(CreateDaemon());
    EXPECT_EQ(RunService("Start", Daemon()), 1);
    const CommandSet* first = Daemon().GetCommandSet();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(RunService("Start", Daemon()), 1);
    EXPECT_EQ(Daemon().GetCommandSet(), first);
    EXPECT_EQ(RunService("Stop", Daemon()), 1);
    EXPECT_EQ(RunService("Stop", Daemon()), 1);
    EXPECT_EQ(Daemon().GetCommandSet(), nullptr);
    EXPECT_EQ(RunService("Restart", Daemon()), 1);
    EXPECT_NE(Daemon().GetCommandSet(), nullptr);
}

// A tray of the test's own, created last and topmost so that the daemon's
// tray calls (WM_COPYDATA) reach it before the system's. In the next call it
// runs g_inTrayCall with the calling window, as a tray's process may send the
// daemon a remote code while the daemon waits for it.
std::function<void(HWND)> g_inTrayCall;

LRESULT CALLBACK FakeTrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA) return DefWindowProcA(window, message, wParam, lParam);
    std::function<void(HWND)> action = std::move(g_inTrayCall);
    g_inTrayCall = nullptr;
    if (action) action(reinterpret_cast<HWND>(wParam));
    return TRUE;
}

// A code 3 that arrives while the daemon waits for the tray must wait until
// the frame that called the tray is over.
TEST_F(DaemonWindowTest, ACodeThreeDuringATrayCallEndsTheDaemonAfterIt)
{
    RegisterPlainClass("Shell_TrayWnd");
    HWND tray = CreateWindowExA(WS_EX_TOPMOST, "Shell_TrayWnd", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(tray, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FakeTrayProc));
    ASSERT_EQ(FindWindowA("Shell_TrayWnd", nullptr), tray);
    WriteTable({{"A", "a.exe", ""}});
    const auto started = [this] {
        CreateDaemon();
        Remote(kRemoteStartServices);
    };
    struct Case {
        const char* what;
        std::function<void()> prepare, callTray;
    } cases[] = {
        {"start-up with the lock free", [] {}, [this] { CreateDaemon(false); }},
        {"code 1", [this] { CreateDaemon(); }, [this] { Remote(kRemoteStartServices); }},
        {"code 2", started, [this] { Remote(kRemoteStopServices); }},
        {"Restart", started, [this] { RunService("Restart", Daemon()); }},
        {"a new taskbar", [this] { CreateDaemon(); },
         [this] { SendMessageA(window_, RegisterWindowMessageA("TaskbarCreated"), 0, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        bool alive = false;
        g_inTrayCall = [&](HWND daemon) {
            SendRemoteCode(daemon, kRemoteEndDaemon);
            alive = IsWindow(daemon) != FALSE;
        };
        c.callTray();
        EXPECT_EQ(g_inTrayCall, nullptr);
        EXPECT_TRUE(alive);
        Pump();
        EXPECT_FALSE(IsWindow(window_));
        DropQuit();
    }
    DestroyWindow(tray);
}

// What the command window's last message finds: the daemon must have given
// back its hotkeys and its tray icon itself by then. The system frees them
// only after the window, or the process, is gone.
WNDPROC g_endingProc = nullptr;
FreeHotkey g_endingKey;
bool g_lastMessageSeen = false, g_keyTakenAtTheEnd = true, g_iconAtTheEnd = true;

LRESULT CALLBACK EndWatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY) {
        g_lastMessageSeen = true;
        g_keyTakenAtTheEnd = HotkeyTaken(g_endingKey.modifiers, g_endingKey.key);
        g_iconAtTheEnd = TrayIconPresent(window);
    }
    return CallWindowProcA(g_endingProc, window, message, wParam, lParam);
}

TEST_F(DaemonWindowTest, CodeThreeGivesBackTheHotkeysAndTheIconBeforeTheWindowGoes)
{
    g_endingKey = FindFreeHotkeyText();
    ASSERT_TRUE(g_endingKey.found);
    WriteTable({{"A", "a.exe", g_endingKey.text}});
    ASSERT_TRUE(CreateDaemon());
    Remote(kRemoteStartServices);
    ASSERT_TRUE(HotkeyTaken(g_endingKey.modifiers, g_endingKey.key));
    if (!TrayIconPresent(window_)) GTEST_SKIP() << "no tray in this session";
    g_endingProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EndWatcher)));
    Remote(kRemoteEndDaemon);
    ASSERT_TRUE(g_lastMessageSeen);
    EXPECT_FALSE(g_keyTakenAtTheEnd);
    EXPECT_FALSE(g_iconAtTheEnd);
}

// An editor killed while it holds the lock never sends code 1: the daemon
// notices the free lock and starts its services as code 1 would.
TEST_F(DaemonWindowTest, AKilledEditorsLockStartsTheServicesAgainWithinTwoSeconds)
{
    WriteTable({{"A", "a.exe", ""}});
    // Never set: the stand-in editor holds the lock until it is killed.
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, "KorvaneTestEditorKeepsTheLock");
    for (bool daemonFirst : {true, false}) {
        SCOPED_TRACE(daemonFirst ? "stopped by the editor's code 2" : "started while the lock was held");
        if (daemonFirst) {
            ASSERT_TRUE(CreateDaemon(false));
        }
        Process editor;
        ASSERT_TRUE(editor.Start("\"" + ExeDir() + "coordination_helper.exe\" acquire KorvaneTestEditorKeepsTheLock"));
        ASSERT_TRUE(WaitFor([] { return !ProbeOptionMutex(); }, 10000));
        if (!daemonFirst) {
            ASSERT_TRUE(CreateDaemon(false));
        }
        ASSERT_TRUE(WaitFor([&] { return Daemon().GetCommandSet() == nullptr; }, 10000));
        // Longer than two looks at the lock: a live editor keeps them stopped.
        WaitFor([] { return false; }, 1200);
        EXPECT_EQ(Daemon().GetCommandSet(), nullptr);
        editor.Kill();
        EXPECT_TRUE(WaitFor([&] { return Daemon().GetCommandSet() != nullptr; }, 2000));
        DestroyWindow(window_);
        DropQuit();
    }
    CloseHandle(never);
}

} // namespace

namespace {

// The bitmap of a menu item, read back as the menu holds it.
HBITMAP ItemBitmap(HMENU menu, int position)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_BITMAP;
    item.hbmpItem = reinterpret_cast<HBITMAP>(0x1234);  // sentinel
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &item)) return reinterpret_cast<HBITMAP>(-1);
    return item.hbmpItem;
}

std::vector<unsigned char> Pixels(HBITMAP bitmap)
{
    DIBSECTION dib = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBits == nullptr)
        return {};
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    const auto* bits = static_cast<const unsigned char*>(dib.dsBm.bmBits);
    return std::vector<unsigned char>(bits, bits + dib.dsBm.bmWidthBytes * dib.dsBm.bmHeight);
}

DWORD GdiObjects()
{
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

} // namespace

TEST_F(DaemonWindowTest, MenuItemsGetTheirIconsWhenShownAndLoseThemWithTheCommandSet)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    // The test program carries the daemon's resources, icon 103 among them.
    const std::string table = LocalSettings({
        {"Tools", "", ""},
        {"Tools/Notepad", "notepad.exe", ""},
        {"Tools/Notepad file", "notepad.exe C:\\windows\\win.ini", ""},
        {"Tools/Own icon", "notepad.exe", ""},
        {"Hotkeys off", "Service:Hotkey.Stop", ""},
        {"Windows folder", "C:\\windows", ""},
        {"Settings", "C:\\windows\\win.ini", ""},
    }) + "cmd[3].icon=" + self + ",-103\r\n";
    ASSERT_TRUE(WriteFileText(local_, table));
    ASSERT_TRUE(CreateDaemon(false));
    CommandSet* set = Daemon().GetCommandSet();
    ASSERT_NE(set, nullptr);
    HMENU root = set->Menu().Root();
    HMENU tools = set->Menu().SubMenu(set->Commands()[0].menuId);
    ASSERT_NE(tools, nullptr);

    // Nothing is read at the build.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ItemBitmap(root, i), nullptr) << i;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ItemBitmap(tools, i), nullptr) << i;

    SendMessageA(window_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(root), 0);
    EXPECT_EQ(ItemBitmap(root, 0), nullptr) << "a group has no icon";
    for (int i = 1; i < 4; ++i) EXPECT_NE(ItemBitmap(root, i), nullptr) << i;
    EXPECT_EQ(ItemBitmap(tools, 0), nullptr) << "only the pop-up being shown is read";

    SendMessageA(window_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tools), 1);
    const HBITMAP notepad = ItemBitmap(tools, 0);
    ASSERT_NE(notepad, nullptr);
    EXPECT_EQ(ItemBitmap(tools, 1), notepad) << "one bitmap per program";
    const std::vector<unsigned char> daemonIcon = Pixels(ItemBitmap(root, 1));
    ASSERT_FALSE(daemonIcon.empty());
    EXPECT_EQ(Pixels(ItemBitmap(tools, 2)), daemonIcon) << "the icon key overrides the program's";
    EXPECT_NE(Pixels(notepad), daemonIcon);

    // A second opening reads nothing and makes nothing.
    SendMessageA(window_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(root), 0);
    SendMessageA(window_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tools), 1);
    EXPECT_EQ(ItemBitmap(tools, 0), notepad);

    // The bitmaps go with the command set, and restarts keep nothing. Wine
    // counts no GDI objects (GetGuiResources gives 0), so the handles are
    // checked one by one; the counts are compared where there are any.
    DWORD stoppedCount = 0;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        set = Daemon().GetCommandSet();
        ASSERT_NE(set, nullptr);
        root = set->Menu().Root();
        tools = set->Menu().SubMenu(set->Commands()[0].menuId);
        SendMessageA(window_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(root), 0);
        SendMessageA(window_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tools), 1);
        std::set<HBITMAP> made;
        for (int i = 1; i < 4; ++i) made.insert(ItemBitmap(root, i));
        for (int i = 0; i < 3; ++i) made.insert(ItemBitmap(tools, i));
        EXPECT_EQ(made.size(), 4u) << "the daemon's icon, folder, document and program";
        for (HBITMAP bitmap : made) EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
        Remote(kRemoteStopServices);
        for (HBITMAP bitmap : made) EXPECT_EQ(GetObjectType(bitmap), 0u) << "left behind";
        if (round == 0) stoppedCount = GdiObjects();
        EXPECT_EQ(GdiObjects(), stoppedCount);
        Remote(kRemoteStartServices);
    }
}

namespace {

// Waits, pumping, until a reload of the settings files is over: one more
// rebuild than `before`, or the tooltip telling that none could be made.
bool WaitForReloadOutcome(DaemonWindow& daemon, unsigned before)
{
    return WaitFor([&] { return daemon.Reloads() != before || daemon.TrayTip() == IDS_TRAY_NOT_RELOADED; }, 3000);
}

} // namespace

TEST_F(DaemonWindowTest, ABurstOfRewritesIsReloadedOnceAfterItsLastChange)
{
    const FreeHotkey keys[] = {FindFreeHotkeyText(0), FindFreeHotkeyText(1), FindFreeHotkeyText(2),
                               FindFreeHotkeyText(3)};
    for (const FreeHotkey& key : keys) ASSERT_TRUE(key.found);
    WriteTable({{"A", "a.exe", keys[0].text}});
    ASSERT_TRUE(CreateDaemon(false));
    ASSERT_NE(Daemon().GetCommandSet(), nullptr);
    // Three rewrites within 200 ms, as an editor's autosave or a sync client leaves them.
    for (int i = 1; i <= 3; ++i) {
        WriteTable({{"A", "a.exe", keys[i].text}});
        WaitFor([] { return false; }, 70);
    }
    EXPECT_TRUE(WaitFor([&] { return Daemon().Reloads() > 0; }, 1500));
    WaitFor([] { return false; }, 800);
    EXPECT_EQ(Daemon().Reloads(), 1u);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(HotkeyTaken(keys[i].modifiers, keys[i].key)) << i;
    EXPECT_TRUE(HotkeyTaken(keys[3].modifiers, keys[3].key));
    EXPECT_EQ(Daemon().TrayTip(), static_cast<UINT>(IDS_TRAY_STARTED));
}

// Each case changes the files from the running table with `before` to one
// with `after`; the table is put back between cases.
TEST_F(DaemonWindowTest, AReloadKeepsTheRunningTableUnlessTheNewTextLoadsWhole)
{
    const FreeHotkey before = FindFreeHotkeyText(0), after = FindFreeHotkeyText(1);
    ASSERT_TRUE(before.found && after.found);
    const std::string good = LocalSettings({{"A", "a.exe", before.text}});
    const std::string changed = LocalSettings({{"A", "a.exe", before.text}, {"B", "b.exe", after.text}});
    const std::string mainText = ReadFileText(main_);
    struct Case {
        const char* what;
        std::function<void()> change;
        bool reloads;
        UINT tip;
    } cases[] = {
        {"a line cut in its middle",
         [&] { WriteFileText(local_, changed.substr(0, changed.find(".cmdline=b.") + 4)); }, false,
         IDS_TRAY_NOT_RELOADED},
        {"the rest written as NULs",
         [&] { WriteFileText(local_, changed.substr(0, changed.size() - 20) + std::string(20, '\0')); }, false,
         IDS_TRAY_NOT_RELOADED},
        {"the main file cut in its Current",
         [&] { WriteFileText(main_, mainText.substr(0, mainText.size() - 6)); }, false, IDS_TRAY_NOT_RELOADED},
        // The broken tail that the start-up loads without a word.
        {"a garbage tail", [&] { WriteFileText(local_, changed + std::string("\x81\x00\xff garbage \r\n[", 15)); },
         true, IDS_TRAY_STARTED},
        {"a change while an editor holds the lock",
         [&] {
             HANDLE lock = CreateMutexA(nullptr, TRUE, kOptionMutexName);
             WriteFileText(local_, changed);
             WaitFor([] { return false; }, 1000);
             ReleaseMutex(lock);
             CloseHandle(lock);
         },
         false, IDS_TRAY_STARTED},
        // Read again shortly after: the tries outlast a short hold.
        {"a file held by a sync client for a moment",
         [&] {
             HANDLE file = CreateFileA(local_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
             DWORD written = 0;
             WriteFile(file, changed.data(), static_cast<DWORD>(changed.size()), &written, nullptr);
             WaitFor([] { return false; }, 500);
             CloseHandle(file);
         },
         true, IDS_TRAY_STARTED},
    };
    WriteTable({{"A", "a.exe", before.text}});
    ASSERT_TRUE(CreateDaemon(false));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const unsigned reloads = Daemon().Reloads();
        c.change();
        if (c.reloads) {
            EXPECT_TRUE(WaitForReloadOutcome(Daemon(), reloads));
        } else {
            WaitFor([] { return false; }, 1200);
        }
        EXPECT_EQ(Daemon().Reloads(), reloads + (c.reloads ? 1 : 0));
        EXPECT_EQ(Daemon().TrayTip(), c.tip);
        EXPECT_TRUE(HotkeyTaken(before.modifiers, before.key));
        EXPECT_EQ(HotkeyTaken(after.modifiers, after.key), c.reloads);

        // Back to the running table: no rebuild unless the case made one.
        ASSERT_TRUE(WriteFileText(main_, mainText));
        ASSERT_TRUE(WriteFileText(local_, good));
        EXPECT_TRUE(WaitFor([&] { return Daemon().TrayTip() == IDS_TRAY_STARTED && !HotkeyTaken(after.modifiers, after.key); }, 3000));
        WaitFor([] { return false; }, 500);
    }
}
