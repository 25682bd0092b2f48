#pragma once

// Helpers of the benchmarks: clocks, medians, generated command tables and
// hotkeys nobody holds.

#include "daemon_test_files.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace bench {

// Milliseconds of the performance counter.
double Now();
double Median(std::vector<double> values);

// Polls pred() every millisecond (no message pump); false when the time is up.
bool PollUntil(const std::function<bool()>& pred, DWORD timeoutMs);

// The window of the class once it is there with its tray icon (the
// daemon's and its floors' last step of starting); null after two minutes.
HWND WaitUntilReady(const char* windowClass);

// Hotkey text as the platform's modifiers and key; false when it does not read.
bool ParseHotkeyValues(const std::string& text, UINT& modifiers, UINT& key);

// `count` combinations that nobody holds now, as hotkey text; fewer when
// the candidates run out.
std::vector<std::string> FreeHotkeyTexts(std::size_t count);

// A table of `count` commands in preorder, nested in groups of at most 100
// items per menu: "Group a", "Group a/Set b", "Group a/Set b/Item c". Every
// hundredth command takes the next of `hotkeys`.
std::vector<daemon_test::Row> NestedRows(std::size_t count, const std::vector<std::string>& hotkeys);

// The process's private bytes, handles and GDI/USER objects.
struct Footprint {
    double privateMb = 0;
    unsigned long handles = 0;
    unsigned long gdi = 0;
    unsigned long user = 0;
};
Footprint Measure(HANDLE process);

// Ends a program of the bench that answers the remote-control message:
// code 3 to its window, then a kill after a while.
void EndProgram(testing_support::Process& process, HWND window);

} // namespace bench
