// korvadd: appends one top-level command for each file or folder named on
// the command line to the current command table.
#include "adder_exit_codes.h"
#include "adder_resource.h"
#include "commands/command_table.h"
#include "file_command.h"
#include "platform/message_box.h"
#include "platform/option_lock.h"
#include "settings/settings_file.h"
#include "settings/ui_language_setting.h"
#include "split_arguments.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    ApplyUiLanguageSetting();
    OptionLock lock;
    if (!lock.Acquire()) {
        // Started from "Send To", silence would pass for success.
        ShowError(nullptr, IDS_EDITOR_OPEN);
        return kExitLocked;
    }

    // The runtime hands WinMain the line without the program's name.
    const std::vector<std::string> arguments = SplitArguments(commandLine);
    SettingsFile local;
    local.OpenLocal(nullptr);
    CommandTable table;
    table.Load(local);
    for (const std::string& argument : arguments) AddFileCommand(table, argument.c_str());

    // Saved even when nothing was added. A failed save must not pass for
    // success: the user would believe the files were added.
    int exitCode = kExitDone;
    if (!table.Save(local)) {
        ShowError(nullptr, IDS_SAVE_FAILED, local.Path());
        exitCode = kExitSaveFailed;
    }
    lock.Release();
    return exitCode;
}
