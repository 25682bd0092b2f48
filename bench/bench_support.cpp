#include "bench_support.h"

#include "commands/hotkey_text.h"
#include "platform/option_lock.h"

#include <psapi.h>

#include <algorithm>

namespace bench {

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool PollUntil(const std::function<bool()>& pred, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(1);
    }
    return true;
}

HWND WaitUntilReady(const char* windowClass)
{
    HWND window = nullptr;
    PollUntil(
        [&] {
            window = FindWindowA(windowClass, nullptr);
            return window != nullptr && daemon_test::TrayIconPresent(window);
        },
        120000);
    return window;
}

bool ParseHotkeyValues(const std::string& text, UINT& modifiers, UINT& key)
{
    int k = 0, m = 0;
    if (!ParseHotkey(text.c_str(), k, m)) return false;
    key = static_cast<UINT>(k);
    modifiers = static_cast<UINT>(m);
    return true;
}

std::vector<std::string> FreeHotkeyTexts(std::size_t count)
{
    // Two or more modifiers with Windows or Shift: combinations no desktop
    // under the bench takes.
    const int modifierSets[] = {kModCtrl | kModAlt | kModShift, kModCtrl | kModAlt | kModWin,
                                kModCtrl | kModShift | kModWin, kModAlt | kModShift | kModWin,
                                kModCtrl | kModAlt | kModShift | kModWin, kModShift | kModWin,
                                kModAlt | kModWin, kModCtrl | kModWin};
    std::vector<int> keys;
    for (int k = '0'; k <= '9'; ++k) keys.push_back(k);
    for (int k = 'A'; k <= 'Z'; ++k) keys.push_back(k);
    for (int k = VK_F1; k <= VK_F24; ++k) keys.push_back(k);
    std::vector<std::string> texts;
    for (int modifiers : modifierSets) {
        for (int key : keys) {
            if (texts.size() == count) return texts;
            if (daemon_test::HotkeyTaken(static_cast<UINT>(modifiers), static_cast<UINT>(key))) continue;
            std::string text;
            int readKey = 0, readModifiers = 0;
            if (FormatHotkey(key, modifiers, text) && ParseHotkey(text.c_str(), readKey, readModifiers)) {
                texts.push_back(text);
            }
        }
    }
    return texts;
}

std::vector<daemon_test::Row> NestedRows(std::size_t count, const std::vector<std::string>& hotkeys)
{
    std::vector<daemon_test::Row> rows;
    rows.reserve(count);
    std::size_t nextHotkey = 0;
    auto add = [&](const std::string& caption) {
        daemon_test::Row row;
        row.caption = caption;
        row.cmdline = "\"C:\\Program Files\\Tool\\tool.exe\" /open \"" + std::to_string(rows.size()) + "\"";
        if (rows.size() % 100 == 99 && nextHotkey < hotkeys.size()) row.hotkey = hotkeys[nextHotkey++];
        rows.push_back(row);
    };
    for (int a = 0; rows.size() < count; ++a) {
        const std::string group = "Group " + std::to_string(a);
        add(group);
        for (int b = 0; b < 100 && rows.size() < count; ++b) {
            const std::string set = group + "/Set " + std::to_string(b);
            add(set);
            for (int c = 0; c < 99 && rows.size() < count; ++c) add(set + "/Item " + std::to_string(c));
        }
    }
    return rows;
}

Footprint Measure(HANDLE process)
{
    Footprint f;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        // Wine fills only the commit charge (PagefileUsage), which is the
        // same figure as PrivateUsage on Windows.
        const SIZE_T bytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
        f.privateMb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    }
    f.handles = testing_support::ProcessHandleCount(process);
    f.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    f.user = GetGuiResources(process, GR_USEROBJECTS);
    return f;
}

void EndProgram(testing_support::Process& process, HWND window)
{
    if (window != nullptr) daemon_test::SendRemoteCode(window, kRemoteEndDaemon);
    if (process.Wait(10000) == STILL_ACTIVE) process.Kill();
}

} // namespace bench
