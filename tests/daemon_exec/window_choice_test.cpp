#include "window_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ChooseWindow, EachModeActsOnItsWindow)
{
    constexpr std::size_t kNone = 3;  // the foreground window is not one of three
    struct Case {
        RunningMode mode;
        std::size_t count;
        std::size_t foreground;
        WindowAction action;
        std::size_t index;
    } cases[] = {
        {RunningMode::kStart, 3, 0, WindowAction::kStart, 0},
        {RunningMode::kActivate, 0, 0, WindowAction::kStart, 0},
        {RunningMode::kActivate, 3, 1, WindowAction::kBringForward, 0},
        {RunningMode::kToggle, 0, 0, WindowAction::kStart, 0},
        {RunningMode::kToggle, 3, kNone, WindowAction::kBringForward, 0},
        {RunningMode::kToggle, 3, 0, WindowAction::kMinimize, 0},
        {RunningMode::kToggle, 3, 2, WindowAction::kMinimize, 2},
        {RunningMode::kCycle, 0, 0, WindowAction::kStart, 0},
        {RunningMode::kCycle, 3, 0, WindowAction::kBringForward, 2},
        {RunningMode::kCycle, 1, 0, WindowAction::kBringForward, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(RunningModeName(c.mode)) + " " + std::to_string(c.count) + " " +
                     std::to_string(c.foreground));
        const WindowChoice choice = ChooseWindow(c.mode, c.count, c.foreground);
        EXPECT_EQ(choice.action, c.action);
        if (choice.action != WindowAction::kStart) {
            EXPECT_EQ(choice.index, c.index);
        }
    }
}

} // namespace
