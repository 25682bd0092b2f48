#include "daemon_window.h"
#include "environment_variables_win.h"
#include "settings/ui_language_setting.h"

#include <windows.h>

// Command-line arguments are ignored: the daemon takes its settings from the INI files alone.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    ApplyUiLanguageSetting();
    NoteDaemonEnvironment();
    return RunDaemon(instance);
}
