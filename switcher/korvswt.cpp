// korvswt: chooses the current local settings file, from the command line
// or in a dialog.
#include "command_line_path.h"
#include "platform/message_box.h"
#include "platform/option_lock.h"
#include "settings/settings_file.h"
#include "settings/ui_language_setting.h"
#include "switch_dialog.h"
#include "switcher_exit_codes.h"
#include "switcher_resource.h"

#include <windows.h>

namespace {

constexpr UINT kMainSettingsNameId = 2001;

// Rewrites the main settings file with Current set to `path`; the three
// program paths go back as they were read.
bool SetCurrentSettingsFile(const std::string& path)
{
    MainSettings main;
    main.Load();
    main.current = path;
    return main.Save();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    ApplyUiLanguageSetting();
    OptionLock lock;
    if (!lock.Acquire()) {
        // Started by a hotkey or a menu, silence would pass for a switch.
        ShowError(nullptr, IDS_EDITOR_OPEN);
        return kExitLocked;
    }

    bool saved = true;
    bool refused = false;
    const std::string argument = PathFromCommandLine(commandLine);
    if (!argument.empty()) {
        refused = !FitsAsSettingsPath(argument);
        if (refused) {
            ShowError(nullptr, IDS_PATH_TOO_LONG, kLongestSettingsPath);
        } else {
            saved = SetCurrentSettingsFile(argument);
        }
    } else {
        SwitchDialog dialog;
        if (dialog.Run(instance)) saved = SetCurrentSettingsFile(dialog.Path());
    }
    // A switch that did not happen must not pass for one.
    if (!saved) {
        SettingsFile main;
        main.Open(LoadResourceString(kMainSettingsNameId).c_str());
        ShowError(nullptr, IDS_SAVE_FAILED, main.Path());
    }
    lock.Release();
    return refused ? kExitPathRefused : saved ? kExitDone : kExitSaveFailed;
}
