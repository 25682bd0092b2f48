#pragma once

#include "commands/command.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// How many of a command's windows, from the top of the z-order, its running
// mode looks at: all for kCycle, else the top one.
std::size_t WindowsToFind(RunningMode mode);

// What a command's running mode does with the windows that match it.
enum class WindowAction {
    kStart,         // none matches, or the mode is kStart
    kBringForward,  // restore the window at `index` and bring it to the front
    kMinimize,      // minimise the foreground window
};

struct WindowChoice {
    WindowAction action = WindowAction::kStart;
    std::size_t index = 0;
};

// `windows`: the matching windows, the top one first, each as a key that
// stays the same while the window lives (its handle); `front`: the key of
// the foreground window; `frontMatches`: the foreground window, not
// minimised, is one of the command's.
WindowChoice ChooseWindow(RunningMode mode, const std::vector<std::uintptr_t>& windows, std::uintptr_t front,
                          bool frontMatches);
