#include "window_choice.h"

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

WindowChoice ChooseWindow(RunningMode mode, std::size_t count, bool foregroundMatches)
{
    if (mode == RunningMode::kStart || count == 0) return {WindowAction::kStart, 0};
    if (mode == RunningMode::kToggle && foregroundMatches) return {WindowAction::kMinimize, 0};
    // The one brought forward goes on top, so the bottom one is always the
    // one visited longest ago: repeated presses visit them all.
    if (mode == RunningMode::kCycle) return {WindowAction::kBringForward, count - 1};
    return {WindowAction::kBringForward, 0};
}
