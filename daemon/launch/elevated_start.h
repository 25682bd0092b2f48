#pragma once

#include "launch_process.h"

enum class ElevatedStart { kStarted, kCancelled, kFailed };

// Starts the request's program through the shell's "runas" verb, which asks
// the user's consent once: the program and its arguments split as
// CreateProcess reads the line, the folder and the window state kept.
// kCancelled when the user declined the prompt.
ElevatedStart StartElevated(const LaunchRequest& request);
