// Presses a hotkey of korvaned and one of the reference program
// (bench/hotkey_floor.cpp) in turns, both running side by side, and prints the
// median time from SendInput to the first instruction of the program each
// starts (bench/start_stamp.cpp). The daemon's hotkey sits on the last of a
// table of generated commands.
//
//   hotkey_latency_bench [presses] [commands]
#include "bench_support.h"

#include "commands/hotkey_text.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct Side {
    std::string stamp;
    UINT modifiers = 0;
    UINT key = 0;
    std::vector<double> ms;
};

bool PressOnce(Side& side)
{
    DeleteFileA(side.stamp.c_str());
    LARGE_INTEGER frequency, pressed;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&pressed);
    testing_support::PressHotkey(side.modifiers, side.key);
    if (!bench::PollUntil([&] { return testing_support::FileExists(side.stamp); }, 10000)) return false;
    const std::string record = testing_support::ReadFileText(side.stamp);
    if (record.size() != sizeof(LARGE_INTEGER)) return false;
    LARGE_INTEGER started;
    memcpy(&started, record.data(), sizeof started);
    side.ms.push_back(static_cast<double>(started.QuadPart - pressed.QuadPart) * 1000.0 /
                      static_cast<double>(frequency.QuadPart));
    return true;
}

bool Parse(const std::string& text, Side& side)
{
    return bench::ParseHotkeyValues(text, side.modifiers, side.key);
}

} // namespace

int main(int argc, char** argv)
{
    const int presses = argc > 1 ? std::atoi(argv[1]) : 15;
    const std::size_t count = argc > 2 ? static_cast<std::size_t>(std::atol(argv[2])) : 10000;

    testing_support::ProgramFolder folder({"korvaned.exe", "hotkey_floor.exe", "start_stamp.exe"});
    folder.WriteMainSettings("local.ini");
    const std::vector<std::string> hotkeys = bench::FreeHotkeyTexts(2);
    Side daemon, floor;
    if (hotkeys.size() < 2 || !Parse(hotkeys[0], daemon) || !Parse(hotkeys[1], floor)) {
        std::printf("no free hotkeys\n");
        return 1;
    }
    daemon.stamp = folder.File("daemon.stamp");
    floor.stamp = folder.File("floor.stamp");
    const std::string stampExe = "\"" + folder.Program("start_stamp.exe") + "\" ";

    std::vector<daemon_test::Row> rows = bench::NestedRows(count, {});
    rows.back().hotkey = hotkeys[0];
    rows.back().cmdline = stampExe + daemon.stamp;
    testing_support::WriteFileText(folder.File("local.ini"), daemon_test::LocalSettings(rows));

    testing_support::Process daemonProcess, floorProcess;
    daemonProcess.Start("\"" + folder.Program("korvaned.exe") + "\"", folder.Path());
    HWND daemonWindow = bench::WaitUntilReady("Krvn_CommandWindow");
    floorProcess.Start("\"" + folder.Program("hotkey_floor.exe") + "\" " + std::to_string(floor.modifiers) + " " +
                           std::to_string(floor.key) + " " + stampExe + floor.stamp,
                       folder.Path());
    HWND floorWindow = bench::WaitUntilReady("Krvn_HotkeyFloor");
    int rc = 0;
    if (daemonWindow == nullptr || floorWindow == nullptr) {
        std::printf("a program did not start\n");
        rc = 1;
    }
    for (int i = 0; rc == 0 && i < presses; ++i) {
        if (!PressOnce(daemon) || !PressOnce(floor)) {
            std::printf("a hotkey started nothing\n");
            rc = 1;
        }
    }
    bench::EndProgram(daemonProcess, daemonWindow);
    bench::EndProgram(floorProcess, floorWindow);
    if (rc != 0) return rc;
    const double d = bench::Median(daemon.ms), f = bench::Median(floor.ms);
    std::printf("%8s %12s %12s %7s\n", "commands", "daemon ms", "reference ms", "ratio");
    std::printf("%8zu %12.2f %12.2f %6.2fx\n", count, d, f, d / f);
    return 0;
}
