#pragma once

// Exit codes of korvadd (listed in README.md).
constexpr int kExitDone = 0;
constexpr int kExitLocked = 1;        // another editing program holds the option mutex
constexpr int kExitSaveFailed = 2;    // the command table could not be written
