#pragma once

// Exit codes of korvswt (listed in README.md).
constexpr int kExitDone = 0;
constexpr int kExitLocked = 1;        // another editing program holds the option mutex
constexpr int kExitSaveFailed = 2;    // the main settings file could not be written
constexpr int kExitPathRefused = 3;   // the path given is too long to name a file
