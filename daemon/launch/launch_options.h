#pragma once

#include "commands/command.h"
#include "launch_process.h"

#include <string>

// A command's launching options, copied from it before it runs.
struct LaunchOptions {
    RunningMode running = RunningMode::kStart;
    std::string windowPattern;  // empty: windows match by the program's image
    bool asAdmin = false;
};

LaunchOptions ReadLaunchOptions(const Command& command);

// What ApplyLaunchOptions left to the caller.
enum class LaunchStep {
    kStartAsUsual,  // start the program as a command without options
    kDone,          // a window was acted on, or the elevated start was made or declined
    kFailed,        // the elevated start failed: the caller shows its box
};

// Runs before a program or document command starts: acts on the program's
// windows when its running mode says so, passes the foreground on, and makes
// an elevated start. The shell's "runas" verb cannot take an environment, so
// an elevated command with an environment file fails without a start.
LaunchStep ApplyLaunchOptions(const LaunchRequest& request, const LaunchOptions& options, bool hasEnvironmentFile);

// The windows of the command's program (by title when a pattern is given,
// else by the image of its program) and the mode's action on them; false
// when there is nothing to act on and the program should start.
bool ActOnRunningProgram(const std::string& commandLine, const LaunchOptions& options);
