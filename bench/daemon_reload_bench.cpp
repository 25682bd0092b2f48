// A reload of the command table after a hand edit, in the daemon's own code
// run in this process, against the start of the same daemon window with the
// same table: medians of the time the start's window creation takes and of
// the time the reload's timer message takes (the read, the check, the
// teardown of the running set and the new build). The quiet time that
// gathers a burst of changes before the reload is not counted.
//
//   daemon_reload_bench [runs] [count]
#include "bench_support.h"
#include "daemon_window.h"
#include "settings/settings_file.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The start's window, as the program makes it; null when it failed.
HWND StartDaemon()
{
    return CreateWindowExA(0, kCommandWindowClass, nullptr, WS_POPUP | WS_DLGFRAME, 50, 50, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Dispatches messages until the daemon has reloaded; the time its reload
// timer's message took, or a negative time when none came in time.
double TimeReload(HWND window)
{
    auto& daemon = *reinterpret_cast<DaemonWindow*>(GetWindowLongPtrA(window, 0));
    const unsigned before = daemon.Reloads();
    double ms = -1;
    const double deadline = bench::Now() + 30000;
    while (daemon.Reloads() == before && bench::Now() < deadline) {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            continue;
        }
        const bool reload = message.hwnd == window && message.message == WM_TIMER && message.wParam == kReloadTimer;
        const double start = bench::Now();
        DispatchMessageA(&message);
        if (reload && daemon.Reloads() != before) ms = bench::Now() - start;
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    const std::size_t count = argc > 2 ? static_cast<std::size_t>(std::atol(argv[2])) : 10000;

    // The daemon's settings live beside the program: this one's, put back at the end.
    SettingsFile mainFile;
    mainFile.Open(MainSettings::FileName().c_str());
    const std::string mainPath = mainFile.Path();
    const bool hadMain = testing_support::FileExists(mainPath);
    const std::string savedMain = hadMain ? testing_support::ReadFileText(mainPath) : std::string();
    testing_support::TempDir dir;
    const std::string local = dir.File("local.ini");
    testing_support::WriteFileText(mainPath, "[LocalSetting]\r\nCurrent=" + local + "\r\n");
    DaemonWindow::RegisterWindowClass(GetModuleHandleA(nullptr));

    std::vector<daemon_test::Row> rows = bench::NestedRows(count, bench::FreeHotkeyTexts(count / 100 + 1));
    std::vector<double> starts, reloads;
    for (int run = -1; run < runs; ++run) {
        rows[0].caption = "First" + std::to_string(run);
        testing_support::WriteFileText(local, daemon_test::LocalSettings(rows));
        // Past the platform's window in which a changed file is parsed anew on every read.
        Sleep(2500);
        const double start = bench::Now();
        HWND window = StartDaemon();
        const double startMs = bench::Now() - start;
        if (window == nullptr) {
            std::printf("the daemon window did not start, error %lu\n", GetLastError());
            return 1;
        }
        // A hand edit: one caption changed.
        rows[0].caption = "Edited" + std::to_string(run);
        testing_support::WriteFileText(local, daemon_test::LocalSettings(rows));
        const double reloadMs = TimeReload(window);
        DestroyWindow(window);
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        if (reloadMs < 0) {
            std::printf("no reload of %zu commands came\n", count);
            return 1;
        }
        // The first run pays for loading the libraries from disk.
        if (run < 0) continue;
        starts.push_back(startMs);
        reloads.push_back(reloadMs);
    }
    if (hadMain) {
        testing_support::WriteFileText(mainPath, savedMain);
    } else {
        DeleteFileA(mainPath.c_str());
    }

    const double s = bench::Median(starts), r = bench::Median(reloads);
    std::printf("%8s %10s %10s %7s\n", "commands", "start ms", "reload ms", "ratio");
    std::printf("%8zu %10.0f %10.0f %6.2fx  (goal: at most 1.00x)\n", count, s, r, r / s);
    return 0;
}
