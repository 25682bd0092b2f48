// The command menu's icons, in the daemon's own code run in this process:
// the time a sub-menu of about 100 commands takes to get its icons the first
// time it opens and the next time, and the private memory with 2,000
// commands before and after every sub-menu was opened once. The daemon's
// time to ready is daemon_start_bench's: no icon is read at start-up.
//
//   menu_icons_bench [count]
#include "bench_support.h"
#include "command_set.h"
#include "settings/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Programs and documents of a fresh prefix, and programs that are not there
// (their icon comes from the extension): a table's usual mix.
std::string CommandLineFor(std::size_t i)
{
    static const char* const present[] = {
        "notepad.exe", "regedit.exe", "cmd.exe /k dir", "winhlp32.exe", "C:\\windows\\win.ini",
        "C:\\windows", "C:\\windows\\system32\\write.exe", "explorer.exe", "control.exe", "taskmgr.exe",
        "Service:Hotkey.Stop",
    };
    constexpr std::size_t kPresent = sizeof present / sizeof present[0];
    if (i % 3 != 0) return present[i % kPresent];
    return "\"C:\\Apps\\tool" + std::to_string(i % 60) + ".exe\" /open";
}

double PrivateMb()
{
    return bench::Measure(GetCurrentProcess()).privateMb;
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t count = argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : 2000;
    std::vector<daemon_test::Row> rows = bench::NestedRows(count, {});
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].cmdline = CommandLineFor(i);

    testing_support::TempDir dir;
    const std::string path = dir.File("local.ini");
    testing_support::WriteFileText(path, daemon_test::LocalSettings(rows));
    SettingsFile file;
    if (!file.Open(path.c_str())) {
        std::printf("cannot open %s\n", path.c_str());
        return 1;
    }
    HWND window = CreateWindowExA(0, "STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    const double beforeBuild = bench::Now();
    std::unique_ptr<CommandSet> set = BuildCommandSet(window, file);
    const double buildMs = bench::Now() - beforeBuild;
    const double builtMb = PrivateMb();

    // Every pop-up of the menu: the root, then each command's sub-menu.
    std::vector<HMENU> popups = {set->Menu().Root()};
    for (std::size_t i = 0; i < set->Commands().Size(); ++i) {
        if (HMENU sub = set->Menu().SubMenu(set->Commands()[i].menuId)) popups.push_back(sub);
    }
    // The first sub-menu of commands (about 100 items), opened the first time,
    // pays for the shell's start as well; the others show the steady cost.
    std::vector<double> first, again;
    double firstEver = 0;
    int biggest = 0;
    for (HMENU popup : popups) {
        const int items = GetMenuItemCount(popup);
        double start = bench::Now();
        set->OnInitMenuPopup(popup);
        const double ms = bench::Now() - start;
        start = bench::Now();
        set->OnInitMenuPopup(popup);
        const double msAgain = bench::Now() - start;
        if (items < 90) continue;
        if (firstEver == 0) firstEver = ms;
        first.push_back(ms);
        again.push_back(msAgain);
        biggest = items > biggest ? items : biggest;
    }
    const double openedMb = PrivateMb();

    std::printf("%zu commands, %zu pop-ups; build %.0f ms (no icon read)\n", set->Commands().Size(), popups.size(),
                buildMs);
    std::printf("sub-menu of %d commands, first opening: first one %.1f ms, median %.1f ms, slowest %.1f ms "
                "(goal: 150 ms)\n",
                biggest, firstEver, bench::Median(first), first.empty() ? 0.0 : *std::max_element(first.begin(), first.end()));
    std::printf("the same, opened again: median %.3f ms\n", bench::Median(again));
    std::printf("private memory: built %.1f MB, every pop-up opened once %.1f MB, %.2fx (goal: 1.3x)\n", builtMb,
                openedMb, builtMb > 0 ? openedMb / builtMb : 0.0);
    set.reset();
    DestroyWindow(window);
    return 0;
}
