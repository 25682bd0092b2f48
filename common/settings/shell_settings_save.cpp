// Apart from the load, so that a program that only loads the settings links
// no writer of settings files.
#include "settings/shell_settings.h"

#include "settings/settings_file.h"

#include <string>

bool ShellSettings::Save(SettingsFile& file) const
{
    const auto word = [](bool value) { return std::string(value ? "true" : "false"); };
    return file.WriteStrings({{kDesktopSection, "HideIcon", word(!showDesktopIcons)},
                              {kDesktopSection, "TaskbarHide", word(!showTaskbar)},
                              {kDesktopSection, "TaskbarTrans", word(translucentTaskbar)},
                              {kDesktopSection, "TaskbarTrans.Percent", std::to_string(taskbarOpacity)}});
}
