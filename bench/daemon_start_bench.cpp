// Starts korvaned and the floor program (bench/daemon_floor.cpp) in turns on
// generated tables and prints, for each size, the median time from the start
// until the tray icon is there (the start-up's last step, after every hotkey
// is registered), and the private memory, handles and GDI/USER objects then.
//
//   daemon_start_bench [runs] [count ...]
#include "bench_support.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct Side {
    const char* exe;
    const char* windowClass;
    std::vector<double> ms;
    std::vector<bench::Footprint> footprints;
};

bool StartOnce(const testing_support::ProgramFolder& folder, Side& side)
{
    testing_support::Process process;
    HWND window = nullptr;
    const double start = bench::Now();
    if (!process.Start("\"" + folder.Program(side.exe) + "\"", folder.Path())) {
        std::printf("%s did not start, error %lu\n", side.exe, GetLastError());
        return false;
    }
    const bool up = bench::PollUntil(
        [&] {
            window = FindWindowA(side.windowClass, nullptr);
            return window != nullptr && daemon_test::TrayIconPresent(window);
        },
        120000);
    const double ms = bench::Now() - start;
    if (!up) std::printf("%s showed no window and icon in %.0f ms\n", side.exe, ms);
    if (up) {
        side.ms.push_back(ms);
        side.footprints.push_back(bench::Measure(process.Handle()));
    }
    bench::EndProgram(process, window);
    return up;
}

double MedianOf(const std::vector<bench::Footprint>& footprints, double bench::Footprint::*field)
{
    std::vector<double> values;
    for (const auto& f : footprints) values.push_back(f.*field);
    return bench::Median(values);
}

double MedianOf(const std::vector<bench::Footprint>& footprints, unsigned long bench::Footprint::*field)
{
    std::vector<double> values;
    for (const auto& f : footprints) values.push_back(static_cast<double>(f.*field));
    return bench::Median(values);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 9;
    std::vector<std::size_t> counts;
    for (int i = 2; i < argc; ++i) counts.push_back(static_cast<std::size_t>(std::atol(argv[i])));
    if (counts.empty()) counts = {1000, 2000, 10000, 50000};

    testing_support::ProgramFolder folder({"korvaned.exe", "daemon_floor.exe"});
    folder.WriteMainSettings("local.ini");
    std::size_t largest = 0;
    for (std::size_t c : counts) largest = c > largest ? c : largest;
    const std::vector<std::string> hotkeys = bench::FreeHotkeyTexts(largest / 100 + 1);

    // Wine does not count the GDI/USER objects of another process: zeros
    // there mean "not reported".
    std::printf("%8s %8s %10s %10s %7s | %9s %9s %6s | %13s %13s\n", "commands", "hotkeys", "daemon ms",
                "floor ms", "ratio", "daemon MB", "floor MB", "ratio", "handles d/f", "gdi+user d/f");
    double first = 0, firstFloor = 0;
    for (std::size_t count : counts) {
        const auto rows = bench::NestedRows(count, hotkeys);
        std::size_t withHotkey = 0;
        for (const auto& row : rows) withHotkey += row.hotkey.empty() ? 0 : 1;
        testing_support::WriteFileText(folder.File("local.ini"), daemon_test::LocalSettings(rows));
        // Past the platform's window in which a changed file is parsed anew on every read.
        Sleep(2500);

        Side daemon{"korvaned.exe", "Krvn_CommandWindow", {}, {}};
        Side floor{"daemon_floor.exe", "Krvn_FloorWindow", {}, {}};
        // One start each that is not counted: the first start of a program
        // pays for loading its libraries from disk.
        for (int run = -1; run < runs; ++run) {
            if (run == 0) {
                daemon = Side{daemon.exe, daemon.windowClass, {}, {}};
                floor = Side{floor.exe, floor.windowClass, {}, {}};
            }
            if (!StartOnce(folder, daemon) || !StartOnce(folder, floor)) {
                std::printf("%8zu: a start did not finish\n", count);
                return 1;
            }
        }
        const double d = bench::Median(daemon.ms), f = bench::Median(floor.ms);
        const double dm = MedianOf(daemon.footprints, &bench::Footprint::privateMb);
        const double fm = MedianOf(floor.footprints, &bench::Footprint::privateMb);
        std::printf("%8zu %8zu %10.0f %10.0f %6.2fx | %9.1f %9.1f %5.2fx | %6.0f/%-6.0f %6.0f/%-6.0f\n", count,
                    withHotkey, d, f, d / f, dm, fm, dm / fm, MedianOf(daemon.footprints, &bench::Footprint::handles),
                    MedianOf(floor.footprints, &bench::Footprint::handles),
                    MedianOf(daemon.footprints, &bench::Footprint::gdi) +
                        MedianOf(daemon.footprints, &bench::Footprint::user),
                    MedianOf(floor.footprints, &bench::Footprint::gdi) +
                        MedianOf(floor.footprints, &bench::Footprint::user));
        std::fflush(stdout);
        if (first == 0) {
            first = d;
            firstFloor = f;
        } else if (count == 10 * counts.front()) {
            std::printf("%8s growth %zu -> %zu: daemon %.1fx, floor %.1fx\n", "", counts.front(), count, d / first,
                        f / firstFloor);
        }
    }
    return 0;
}
