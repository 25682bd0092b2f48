#include "shell_switch.h"

#include "daemon_test_files.h"
#include "settings/shell_settings.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <string>

// Wine's shell has no "Progman" window, and its app-bar query reports a
// taskbar rectangle that differs from its "Shell_TrayWnd" window's: these
// tests build the shell's windows themselves, with the class names and the
// window chain the daemon looks for.

using daemon_test::HasStyle;
using daemon_test::RegisterPlainClass;

namespace {

HWND Create(const char* className, const char* title, DWORD style, HWND parent, const RECT& r = {0, 0, 10, 10})
{
    return CreateWindowExA(0, className, title, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

struct DesktopCase {
    const char* what;
    const char* title;
    const char* viewClass;
    const char* listClass;
    bool found;
};

TEST(ShellSwitchTest, OnlyTheExactDesktopChainIsFound)
{
    for (const char* name : {"Progman", "SHELLDLL_DefView", "SysListView32", "SHELLDLL_DefViews", "SysListView"}) {
        RegisterPlainClass(name);
    }
    const DesktopCase cases[] = {
        {"the shell's chain", "Program Manager", "SHELLDLL_DefView", "SysListView32", true},
        {"another title", "Program Managers", "SHELLDLL_DefView", "SysListView32", false},
        {"another view class", "Program Manager", "SHELLDLL_DefViews", "SysListView32", false},
        {"another list class", "Program Manager", "SHELLDLL_DefView", "SysListView", false},
    };
    for (const DesktopCase& c : cases) {
        SCOPED_TRACE(c.what);
        HWND progman = Create("Progman", c.title, WS_POPUP, nullptr);
        HWND view = Create(c.viewClass, nullptr, WS_CHILD | WS_VISIBLE, progman);
        HWND list = Create(c.listClass, nullptr, WS_CHILD | WS_VISIBLE, view);
        ASSERT_NE(list, nullptr);
        ShellSwitch shell;
        EXPECT_EQ(ShellSwitch::FindDesktopListView(), c.found ? list : nullptr);
        EXPECT_TRUE(shell.SetDesktopIconsVisible(false));
        EXPECT_EQ(HasStyle(list, WS_VISIBLE), !c.found);
        EXPECT_TRUE(shell.SetDesktopIconsVisible(true));
        EXPECT_TRUE(HasStyle(list, WS_VISIBLE));
        DestroyWindow(progman);
    }
    EXPECT_EQ(ShellSwitch::FindDesktopListView(), nullptr);
}

// Set for the copy of this program that the crash test starts: that copy
// hides the windows through a ShellSwitch and faults.
constexpr char kCrashChildVariable[] = "KORVANE_SHELL_CRASH_CHILD";

void HideTheShellAndFault()
{
    ShellSwitch shell;
    shell.SetDesktopIconsVisible(false);
    shell.SetTaskbarVisible(false);
    shell.SetTaskbarAlpha(60);
    HWND list = ShellSwitch::FindDesktopListView();
    // Exit code 2: nothing was hidden, so nothing could be restored either.
    if (list == nullptr || IsWindowVisible(list)) ExitProcess(2);
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
    ExitProcess(3);
}

// Starts this test again in a copy of the program, output discarded.
bool StartCrashChild(PROCESS_INFORMATION& info)
{
    char self[MAX_PATH];
    if (GetModuleFileNameA(nullptr, self, sizeof self) == 0) return false;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string line = "\"" + std::string(self) + "\" --gtest_filter=" + test->test_suite_name() + "." + test->name();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    SetEnvironmentVariableA(kCrashChildVariable, "1");
    const bool started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                        &info) != FALSE;
    SetEnvironmentVariableA(kCrashChildVariable, nullptr);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    return started;
}

TEST(ShellSwitchTest, ACrashWhileTheShellIsChangedRestoresIt)
{
    if (GetEnvironmentVariableA(kCrashChildVariable, nullptr, 0) > 0) HideTheShellAndFault();

    for (const char* name : {"Progman", "SHELLDLL_DefView", "SysListView32", "Shell_TrayWnd"}) RegisterPlainClass(name);
    HWND progman = Create("Progman", "Program Manager", WS_POPUP, nullptr);
    HWND view = Create("SHELLDLL_DefView", nullptr, WS_CHILD | WS_VISIBLE, progman);
    HWND list = Create("SysListView32", nullptr, WS_CHILD | WS_VISIBLE, view);
    ASSERT_NE(list, nullptr);
    // A taskbar only where the shell reports one and ours is the one found.
    APPBARDATA bar = {};
    bar.cbSize = sizeof bar;
    HWND taskbar = SHAppBarMessage(ABM_GETTASKBARPOS, &bar)
                       ? Create("Shell_TrayWnd", nullptr, WS_POPUP | WS_VISIBLE, nullptr, bar.rc)
                       : nullptr;
    if (taskbar != nullptr && ShellSwitch::FindTaskbar() != taskbar) {
        DestroyWindow(taskbar);
        taskbar = nullptr;
    }

    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(StartCrashChild(child));
    // Pumped meanwhile: the child's calls on these windows come to this thread.
    const bool ended = testing_support::WaitFor(
        [&] { return WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0; }, 60000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(child.hProcess, &code);
    if (!ended) TerminateProcess(child.hProcess, 1);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    ASSERT_TRUE(ended);
    EXPECT_NE(code, 0u);
    EXPECT_NE(code, 2u);
    EXPECT_NE(code, 3u);

    // Shown asynchronously by the dying child: the messages wait in this queue.
    EXPECT_TRUE(testing_support::WaitFor([&] { return HasStyle(list, WS_VISIBLE); }));
    if (taskbar != nullptr) {
        EXPECT_TRUE(testing_support::WaitFor([&] { return HasStyle(taskbar, WS_VISIBLE); }));
        EXPECT_FALSE(HasStyle(taskbar, WS_EX_LAYERED, GWL_EXSTYLE));
        DestroyWindow(taskbar);
    }
    DestroyWindow(progman);
}

class TaskbarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        APPBARDATA bar = {};
        bar.cbSize = sizeof bar;
        if (!SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) GTEST_SKIP() << "the shell reports no taskbar";
        shellRect_ = bar.rc;
        RegisterPlainClass("Shell_TrayWnd");
        // Created last, ours is the first "Shell_TrayWnd" of the Z order.
        taskbar_ = Create("Shell_TrayWnd", nullptr, WS_POPUP | WS_VISIBLE, nullptr, shellRect_);
        ASSERT_NE(taskbar_, nullptr);
        if (FindWindowA("Shell_TrayWnd", nullptr) != taskbar_) GTEST_SKIP() << "the shell's own taskbar comes first";
    }
    void TearDown() override
    {
        if (taskbar_ != nullptr) DestroyWindow(taskbar_);
    }
    BYTE Alpha() const
    {
        BYTE alpha = 0;
        DWORD flags = 0;
        COLORREF key = 0;
        GetLayeredWindowAttributes(taskbar_, &key, &alpha, &flags);
        return alpha;
    }

    RECT shellRect_ = {};
    HWND taskbar_ = nullptr;
};

TEST_F(TaskbarTest, SettingsAreAppliedAndRestored)
{
    ShellSwitch shell;
    EXPECT_EQ(ShellSwitch::FindTaskbar(), taskbar_);
    struct Case {
        bool showTaskbar, translucent;
        int opacity;
        bool layered;
        BYTE alpha;
    } cases[] = {
        {false, true, 128, true, 128},
        {true, true, 0, true, 0},
        {true, true, 255, true, 255},  // layered, looks opaque
        {true, false, 40, false, 0},   // translucency off: not layered at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opacity);
        ShellSettings settings;
        settings.showTaskbar = c.showTaskbar;
        settings.translucentTaskbar = c.translucent;
        settings.taskbarOpacity = static_cast<unsigned char>(c.opacity);
        shell.Apply(settings);
        EXPECT_EQ(HasStyle(taskbar_, WS_VISIBLE), c.showTaskbar);
        EXPECT_EQ(HasStyle(taskbar_, WS_EX_LAYERED, GWL_EXSTYLE), c.layered);
        if (c.layered) {
            EXPECT_EQ(Alpha(), c.alpha);
        }
        shell.Restore();
        EXPECT_TRUE(HasStyle(taskbar_, WS_VISIBLE));
        EXPECT_FALSE(HasStyle(taskbar_, WS_EX_LAYERED, GWL_EXSTYLE));
    }
}

TEST_F(TaskbarTest, AWindowElsewhereThanTheShellSaysIsNotTouched)
{
    SetWindowPos(taskbar_, nullptr, shellRect_.left, shellRect_.top - 1, shellRect_.right - shellRect_.left,
                 shellRect_.bottom - shellRect_.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ShellSwitch shell;
    EXPECT_EQ(ShellSwitch::FindTaskbar(), nullptr);
    EXPECT_FALSE(shell.SetTaskbarVisible(false));
    EXPECT_FALSE(shell.SetTaskbarAlpha(10));
    EXPECT_TRUE(HasStyle(taskbar_, WS_VISIBLE));
    EXPECT_FALSE(HasStyle(taskbar_, WS_EX_LAYERED, GWL_EXSTYLE));
}

} // namespace
