#pragma once

// An editor asks the running daemon to run a service line: WM_COPYDATA to
// the daemon's command window, the line with its closing NUL as the data.
// The daemon runs nothing else this way.

constexpr const char kDaemonWindowClass[] = "Krvn_CommandWindow";
// COPYDATASTRUCT.dwData of the request ("KRVS").
constexpr unsigned long kServiceRequestTag = 0x4B525653;
