#pragma once

#include "command.h"

#include <cstddef>

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

// `count` matching windows found, the top one first; `foregroundMatches`:
// the foreground window, not minimised, is one of the command's.
WindowChoice ChooseWindow(RunningMode mode, std::size_t count, bool foregroundMatches);
