#include "window_choice.h"

WindowChoice ChooseWindow(RunningMode mode, std::size_t count, std::size_t foreground)
{
    if (mode == RunningMode::kStart || count == 0) return {WindowAction::kStart, 0};
    switch (mode) {
    case RunningMode::kToggle:
        if (foreground < count) return {WindowAction::kMinimize, foreground};
        return {WindowAction::kBringForward, 0};
    case RunningMode::kCycle:
        // The one brought forward goes on top, so the bottom one is always
        // the one visited longest ago: repeated presses visit them all.
        return {WindowAction::kBringForward, count - 1};
    default:
        return {WindowAction::kBringForward, 0};
    }
}
