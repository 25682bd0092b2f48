#include "window_choice.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(ChooseWindow, EachModeActsOnItsWindow)
{
    const std::vector<std::uintptr_t> none, one = {7}, three = {30, 10, 20};
    struct Case {
        RunningMode mode;
        const std::vector<std::uintptr_t>& windows;
        std::uintptr_t front;
        bool frontMatches;
        WindowAction action;
        std::size_t index;
    } cases[] = {
        {RunningMode::kStart, three, 30, true, WindowAction::kStart, 0},
        {RunningMode::kActivate, none, 0, false, WindowAction::kStart, 0},
        {RunningMode::kActivate, one, 7, true, WindowAction::kBringForward, 0},
        {RunningMode::kToggle, none, 0, false, WindowAction::kStart, 0},
        {RunningMode::kToggle, one, 5, false, WindowAction::kBringForward, 0},
        {RunningMode::kToggle, one, 7, true, WindowAction::kMinimize, 0},
        {RunningMode::kCycle, none, 0, false, WindowAction::kStart, 0},
        {RunningMode::kCycle, one, 7, false, WindowAction::kBringForward, 0},
        // From another program: the latest window, the top one.
        {RunningMode::kCycle, three, 99, false, WindowAction::kBringForward, 0},
        // From one of them: the next by key, the first after the last.
        {RunningMode::kCycle, three, 10, false, WindowAction::kBringForward, 2},
        {RunningMode::kCycle, three, 20, false, WindowAction::kBringForward, 0},
        {RunningMode::kCycle, three, 30, false, WindowAction::kBringForward, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(RunningModeName(c.mode)) + " " + std::to_string(c.windows.size()) + " " +
                     std::to_string(c.front));
        const WindowChoice choice = ChooseWindow(c.mode, c.windows, c.front, c.frontMatches);
        EXPECT_EQ(choice.action, c.action);
        if (choice.action == WindowAction::kBringForward) {
            EXPECT_EQ(choice.index, c.index);
        }
    }
    // Only cycling needs more than the top window; a plain start needs none.
    EXPECT_EQ(WindowsToFind(RunningMode::kStart), 0u);
    EXPECT_EQ(WindowsToFind(RunningMode::kActivate), 1u);
    EXPECT_EQ(WindowsToFind(RunningMode::kToggle), 1u);
    EXPECT_GE(WindowsToFind(RunningMode::kCycle), 1000u);
}

// A window brought forward may stay where it was in the z-order (a window
// manager that raises late, or none): pressing on still visits every window.
TEST(ChooseWindow, CycleVisitsEveryWindowWhateverTheZOrder)
{
    const std::vector<std::uintptr_t> windows = {40, 10, 30, 20};
    std::set<std::uintptr_t> visited;
    std::uintptr_t front = 0;
    for (int press = 0; press < 4; ++press) {
        const WindowChoice choice = ChooseWindow(RunningMode::kCycle, windows, front, false);
        ASSERT_EQ(choice.action, WindowAction::kBringForward);
        front = windows[choice.index];
        visited.insert(front);
    }
    EXPECT_EQ(visited.size(), windows.size());
}

} // namespace
