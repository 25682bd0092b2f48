#include "launch_options.h"

#include "elevated_start.h"
#include "foreground.h"
#include "program_resolve.h"
#include "window_choice.h"
#include "window_search.h"

#include <utility>

LaunchOptions ReadLaunchOptions(const Command& command)
{
    LaunchOptions options;
    options.running = ParseRunningMode(CommandOption(command, kRunningField));
    options.windowPattern = std::string(CommandOption(command, kWindowField));
    options.asAdmin = RunsAsAdmin(CommandOption(command, kRunAsField));
    return options;
}

bool ActOnRunningProgram(const std::string& commandLine, const LaunchOptions& options)
{
    if (options.running == RunningMode::kStart) return false;
    WindowQuery query{options.windowPattern, std::string()};
    if (query.titlePattern.empty()) {
        query.programPath = ResolveProgram(commandLine).program;
        if (query.programPath.empty()) return false;
    }
    WindowMatcher matcher(std::move(query));
    // A minimised window can still be the foreground one (nothing else took
    // it): toggling it brings it back instead of minimising it again.
    HWND front = GetForegroundWindow();
    const bool frontMatches = options.running == RunningMode::kToggle && front != nullptr && !IsIconic(front) &&
                              matcher.Matches(front);
    const std::vector<HWND> windows = FindCommandWindows(matcher, WindowsToFind(options.running));
    std::vector<std::uintptr_t> keys;
    keys.reserve(windows.size());
    for (HWND window : windows) keys.push_back(reinterpret_cast<std::uintptr_t>(window));
    const WindowChoice choice =
        ChooseWindow(options.running, keys, reinterpret_cast<std::uintptr_t>(front), frontMatches);
    switch (choice.action) {
    case WindowAction::kStart:
        return false;
    case WindowAction::kMinimize:
        MinimizeWindow(front);
        return true;
    case WindowAction::kBringForward:
        BringWindowForward(windows[choice.index]);
        return true;
    }
    return false;
}

LaunchStep ApplyLaunchOptions(const LaunchRequest& request, const LaunchOptions& options, bool hasEnvironmentFile)
{
    if (ActOnRunningProgram(request.commandLine, options)) return LaunchStep::kDone;
    PassForegroundOn();
    if (!options.asAdmin) return LaunchStep::kStartAsUsual;
    if (hasEnvironmentFile) return LaunchStep::kFailed;
    return StartElevated(request) == ElevatedStart::kFailed ? LaunchStep::kFailed : LaunchStep::kDone;
}
