#include "window_choice.h"

namespace {

// The window after `current` in the order of the keys, the first after the last.
std::size_t NextByKey(const std::vector<std::uintptr_t>& windows, std::uintptr_t current)
{
    std::size_t next = windows.size(), first = 0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i] < windows[first]) first = i;
        if (windows[i] > current && (next == windows.size() || windows[i] < windows[next])) next = i;
    }
    return next == windows.size() ? first : next;
}

} // namespace

std::size_t WindowsToFind(RunningMode mode)
{
    switch (mode) {
    case RunningMode::kStart:
        return 0;
    case RunningMode::kCycle:
        return static_cast<std::size_t>(-1);
    default:
        return 1;
    }
}

WindowChoice ChooseWindow(RunningMode mode, const std::vector<std::uintptr_t>& windows, std::uintptr_t front,
                          bool frontMatches)
{
    if (mode == RunningMode::kStart || windows.empty()) return {WindowAction::kStart, 0};
    if (mode == RunningMode::kToggle && frontMatches) return {WindowAction::kMinimize, 0};
    // Cycling goes round in a fixed order from the window in front, not by
    // z-order: whether bringing a window forward also raises it at once is up
    // to the window manager, and a window that was not raised in time would
    // be visited again. From elsewhere a press first brings the latest one.
    if (mode == RunningMode::kCycle) {
        for (std::uintptr_t window : windows) {
            if (window == front) return {WindowAction::kBringForward, NextByKey(windows, front)};
        }
    }
    return {WindowAction::kBringForward, 0};
}
