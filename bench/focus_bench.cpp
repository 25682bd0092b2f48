// Presses a hotkey of korvaned whose command is `running=activate` on a
// program that is running and minimised, and one of the reference program
// (bench/focus_floor.cpp) that does the same with the platform's calls alone,
// in turns, with 200 other top-level windows open; prints the median time
// from SendInput until the program's window is restored and in front.
//
//   focus_bench [presses] [windows]
#include "bench_support.h"

#include "commands/hotkey_text.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr char kTargetTitle[] = "Krvn Bench Target";

struct Side {
    UINT modifiers = 0;
    UINT key = 0;
    std::vector<double> ms;
    int missed = 0;
};

bool Parse(const std::string& text, Side& side)
{
    return bench::ParseHotkeyValues(text, side.modifiers, side.key);
}

bool InFront(HWND window)
{
    return !IsIconic(window) && GetForegroundWindow() == window;
}

// The other windows, on a thread that answers their messages while the
// bench polls: activation sends to the window that loses the foreground.
class Crowd {
public:
    explicit Crowd(int count) : thread_([this, count] { Run(count); })
    {
        bench::PollUntil([this] { return ready_; }, 30000);
    }
    ~Crowd()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND First() const { return first_; }

private:
    void Run(int count)
    {
        threadId_ = GetCurrentThreadId();
        for (int i = 0; i < count; ++i) {
            const std::string title = "Crowd " + std::to_string(i);
            // Pop-ups shown after their creation: Wine without a window
            // manager hides any other kind slowly at the end.
            HWND window = CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 10 + i, 10 + i, 200, 100, nullptr,
                                          nullptr, nullptr, nullptr);
            ShowWindow(window, SW_SHOWNA);
            if (i == 0) first_ = window;
        }
        ready_ = true;
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    }

    volatile bool ready_ = false;
    DWORD threadId_ = 0;
    HWND first_ = nullptr;
    std::thread thread_;
};

bool PressOnce(Side& side, HWND target, HWND elsewhere)
{
    ShowWindow(target, SW_MINIMIZE);
    SetForegroundWindow(elsewhere);
    if (!bench::PollUntil([&] { return IsIconic(target) && GetForegroundWindow() == elsewhere; }, 5000)) return false;
    const double pressed = bench::Now();
    testing_support::PressHotkey(side.modifiers, side.key);
    if (!bench::PollUntil([&] { return InFront(target); }, 10000)) return false;
    side.ms.push_back(bench::Now() - pressed);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int presses = argc > 1 ? std::atoi(argv[1]) : 31;
    const int others = argc > 2 ? std::atoi(argv[2]) : 200;

    testing_support::ProgramFolder folder({"korvaned.exe", "focus_floor.exe", "exec_recorder.exe"});
    folder.WriteMainSettings("local.ini");
    const std::vector<std::string> hotkeys = bench::FreeHotkeyTexts(2);
    Side daemon, floor;
    if (hotkeys.size() < 2 || !Parse(hotkeys[0], daemon) || !Parse(hotkeys[1], floor)) {
        std::printf("no free hotkeys\n");
        return 1;
    }
    const std::string target = folder.Program("exec_recorder.exe");
    testing_support::WriteFileText(
        folder.File("local.ini"),
        daemon_test::LocalSettings({{"Target", "\"" + target + "\" --window " + kTargetTitle, hotkeys[0]}}) +
            "cmd[0].running=activate\r\n");

    // The program first, so that the other windows open above it.
    testing_support::Process targetProcess, daemonProcess, floorProcess;
    targetProcess.Start("\"" + target + "\" --window " + kTargetTitle, folder.Path());
    HWND targetWindow = nullptr;
    // Shown, not just made: a minimise before the program's own show would be undone.
    bench::PollUntil(
        [&] {
            targetWindow = FindWindowA("Krvn_RecorderWindow", kTargetTitle);
            return targetWindow != nullptr && IsWindowVisible(targetWindow);
        },
        30000);
    Crowd crowd(others);
    daemonProcess.Start("\"" + folder.Program("korvaned.exe") + "\"", folder.Path());
    HWND daemonWindow = bench::WaitUntilReady("Krvn_CommandWindow");
    floorProcess.Start("\"" + folder.Program("focus_floor.exe") + "\" " + std::to_string(floor.modifiers) + " " +
                           std::to_string(floor.key) + " " + target,
                       folder.Path());
    HWND floorWindow = bench::WaitUntilReady("Krvn_FocusFloor");
    int rc = 0;
    if (targetWindow == nullptr || !IsWindowVisible(targetWindow) || crowd.First() == nullptr || daemonWindow == nullptr || floorWindow == nullptr) {
        std::printf("a program did not start\n");
        rc = 1;
    }
    for (int i = 0; rc == 0 && i < presses; ++i) {
        for (Side* side : {&daemon, &floor}) {
            // Under Wine a restore sometimes leaves the window minimised though
            // in front, for the floor as for the daemon: such a press is
            // counted and left out of the times.
            if (!PressOnce(*side, targetWindow, crowd.First())) {
                ++side->missed;
                ShowWindow(targetWindow, SW_RESTORE);
            }
        }
    }
    bench::EndProgram(daemonProcess, daemonWindow);
    bench::EndProgram(floorProcess, floorWindow);
    targetProcess.Kill();
    if (rc == 0 && (daemon.ms.empty() || floor.ms.empty())) {
        std::printf("no press brought the window forward\n");
        rc = 1;
    }
    if (rc != 0) return rc;
    const double d = bench::Median(daemon.ms), f = bench::Median(floor.ms);
    std::printf("%8s %12s %12s %7s\n", "windows", "daemon ms", "reference ms", "ratio");
    std::printf("%8d %12.2f %12.2f %6.2fx\n", others, d, f, d / f);
    if (daemon.missed + floor.missed > 0)
        std::printf("presses left minimised though in front: daemon %d, reference %d\n", daemon.missed, floor.missed);
    return 0;
}
