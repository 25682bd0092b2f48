#include "shell_settings.h"

#include "settings_file.h"

#include <string>

bool ShellSettings::Load(const SettingsFile& file)
{
    showDesktopIcons = !file.ReadBool(kDesktopSection, "HideIcon");
    showTaskbar = !file.ReadBool(kDesktopSection, "TaskbarHide");
    translucentTaskbar = file.ReadBool(kDesktopSection, "TaskbarTrans");
    taskbarOpacity = ClampOpacity(file.ReadInt(kDesktopSection, "TaskbarTrans.Percent"));
    return true;
}
