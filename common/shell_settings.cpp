#include "shell_settings.h"

#include "settings_file.h"

bool ShellSettings::Load(const SettingsFile& file)
{
    showDesktopIcons = !file.ReadBool(kDesktopSection, "HideIcon");
    showTaskbar = !file.ReadBool(kDesktopSection, "TaskbarHide");
    translucentTaskbar = file.ReadBool(kDesktopSection, "TaskbarTrans");
    taskbarOpacity = ClampOpacity(file.ReadInt(kDesktopSection, "TaskbarTrans.Percent"));
    return true;
}

bool ShellSettings::Save(SettingsFile& file) const
{
    bool ok = file.WriteBool(kDesktopSection, "HideIcon", !showDesktopIcons);
    ok = file.WriteBool(kDesktopSection, "TaskbarHide", !showTaskbar) && ok;
    ok = file.WriteBool(kDesktopSection, "TaskbarTrans", translucentTaskbar) && ok;
    ok = file.WriteInt(kDesktopSection, "TaskbarTrans.Percent", taskbarOpacity) && ok;
    return ok;
}
