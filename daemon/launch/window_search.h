#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Which top-level windows belong to a command.
struct WindowQuery {
    std::string titlePattern;  // when set, the title alone decides
    std::string programPath;   // otherwise the process image must be this full path
};

// The visible, unowned top-level windows that are no tool windows and match
// the query, in z-order, the top one first. No hooks: one pass of EnumWindows.
std::vector<HWND> FindCommandWindows(const WindowQuery& query);
