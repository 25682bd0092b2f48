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

bool ShellSettings::Save(SettingsFile& file) const
{
    const auto word = [](bool value) { return std::string(value ? "true" : "false"); };
    return file.WriteStrings({{kDesktopSection, "HideIcon", word(!showDesktopIcons)},
                              {kDesktopSection, "TaskbarHide", word(!showTaskbar)},
                              {kDesktopSection, "TaskbarTrans", word(translucentTaskbar)},
                              {kDesktopSection, "TaskbarTrans.Percent", std::to_string(taskbarOpacity)}});
}
