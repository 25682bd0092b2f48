#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Which top-level windows belong to a command.
struct WindowQuery {
    std::string titlePattern;  // when set, the title alone decides
    std::string programPath;   // otherwise the process image must be this full path
};

// Tells the command's windows: visible, unowned, no tool windows, matching
// the query. Asks for each process's image once.
class WindowMatcher {
public:
    explicit WindowMatcher(WindowQuery query) : query_(std::move(query)) {}
    bool Matches(HWND window);

private:
    bool ImageMatches(HWND window);
    WindowQuery query_;
    std::vector<std::pair<DWORD, bool>> processes_;
};

// The matching top-level windows in z-order, the top one first, at most
// `limit` of them. No hooks: one pass of EnumWindows, which stops at the limit.
std::vector<HWND> FindCommandWindows(WindowMatcher& matcher, std::size_t limit = static_cast<std::size_t>(-1));
