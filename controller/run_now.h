#pragma once

// Runs a command from the editor as the daemon would run it.

#include <windows.h>

#include <string>

struct CommandItem;

struct RunNowResult {
    bool failed = false;
    std::string text;   // what to tell the user: why it failed, or where a service ran
};

// A program or document starts here, with the command's folder, window
// state, environment file and options; a service line goes to the running
// daemon, and fails with a text saying so when none runs.
RunNowResult RunCommandNow(const CommandItem& item);

// String `id` filled with printf rules (formats %s only).
std::string FormatResourceString(UINT id, const char* first, const char* second = "");
