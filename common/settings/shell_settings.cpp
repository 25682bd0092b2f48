#include "settings/shell_settings.h"

#include "settings/settings_file.h"

#include <string>

bool ShellSettings::Load(const SettingsFile& file)
{
    showDesktopIcons = !file.ReadBool(kDesktopSection, "HideIcon");
    showTaskbar = !file.ReadBool(kDesktopSection, "TaskbarHide");
    translucentTaskbar = file.ReadBool(kDesktopSection, "TaskbarTrans");
    // No stored opacity is opaque: ticking "Translucent" alone must not make
    // the taskbar vanish. A stored 0 stays 0.
    taskbarOpacity = file.HasValue(kDesktopSection, "TaskbarTrans.Percent")
                         ? ClampOpacity(file.ReadInt(kDesktopSection, "TaskbarTrans.Percent"))
                         : 255;
    return true;
}
