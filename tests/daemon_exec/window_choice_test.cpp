#include "window_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ChooseWindow, EachModeActsOnItsWindow)
{
    struct Case {
        RunningMode mode;
        std::size_t count;
        bool foregroundMatches;
        WindowAction action;
        std::size_t index;
    } cases[] = {
        {RunningMode::kStart, 3, true, WindowAction::kStart, 0},
        {RunningMode::kActivate, 0, false, WindowAction::kStart, 0},
        {RunningMode::kActivate, 1, true, WindowAction::kBringForward, 0},
        {RunningMode::kToggle, 0, false, WindowAction::kStart, 0},
        {RunningMode::kToggle, 1, false, WindowAction::kBringForward, 0},
        {RunningMode::kToggle, 1, true, WindowAction::kMinimize, 0},
        {RunningMode::kCycle, 0, false, WindowAction::kStart, 0},
        {RunningMode::kCycle, 3, true, WindowAction::kBringForward, 2},
        {RunningMode::kCycle, 1, false, WindowAction::kBringForward, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(RunningModeName(c.mode)) + " " + std::to_string(c.count) + " " +
                     std::to_string(c.foregroundMatches));
        const WindowChoice choice = ChooseWindow(c.mode, c.count, c.foregroundMatches);
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

} // namespace
