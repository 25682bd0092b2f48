#pragma once

#include "command.h"

#include <cstddef>

// What a command's running mode does with the windows that match it.
enum class WindowAction { kStart, kBringForward, kMinimize };

struct WindowChoice {
    WindowAction action = WindowAction::kStart;
    std::size_t index = 0;  // of the window acted on
};

// `count` matching windows in z-order, the top one first; `foreground` is the
// index of the foreground window among them, or `count` when it is none of them.
WindowChoice ChooseWindow(RunningMode mode, std::size_t count, std::size_t foreground);
