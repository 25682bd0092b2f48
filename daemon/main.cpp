#include "daemon_window.h"
#include "environment_variables_win.h"

#include <windows.h>

// Command-line arguments are ignored: the daemon takes its settings from the INI files alone.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    NoteDaemonEnvironment();
    return RunDaemon(instance);
}
