#pragma once

#include <windows.h>

class DaemonHost;

// WM_COPYDATA from an editor: runs the service line it carries and returns
// RunService's result (0: not run). Anything but a service line is refused
// with 0 and runs nothing.
LRESULT RunRequestedService(DaemonHost& daemon, const COPYDATASTRUCT& data);
