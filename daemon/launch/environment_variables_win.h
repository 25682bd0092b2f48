#pragma once

#include <string>
#include <vector>

class EnvironmentBlock;

// Puts the block read from an environment file over the daemon's current
// environment: its lines override and extend the daemon's variables, and the
// block becomes the result. False when memory runs out.
bool MergeWithCurrentEnvironment(EnvironmentBlock& block);

// The process's variables as the shell would build them now from the
// registry (the system's and the user's), keeping those the process got
// elsewhere: from its parent, or the volatile ones of the log-on.
class FreshEnvironment {
public:
    // Notes which variables the registry holds now: those the process
    // started with came from it, and go when the registry drops them.
    FreshEnvironment();
    // Takes the registry's variables into the process environment; nothing
    // changes when the system's key cannot be read.
    void Refresh();

private:
    std::vector<std::string> registryNames_;
};

// The daemon's one: noted at start-up, so that a variable deleted before the
// first notice can still be told from one the daemon was started with.
void NoteDaemonEnvironment();
// The shell's notice of changed settings (WM_SETTINGCHANGE): for the area
// "Environment", the daemon takes its variables anew, and every program it
// starts afterwards inherits them.
void OnSettingChange(const char* area);
