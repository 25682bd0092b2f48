#include "execute_command.h"

#include "commands/command.h"
#include "command_set.h"
#include "daemon_host.h"
#include "environment_variables_win.h"
#include "launch_options.h"
#include "launch_process.h"
#include "platform/message_box.h"
#include "service_line.h"
#include "service_strings.h"
#include "services.h"

#include <string>

void ExecuteCommand(DaemonHost& daemon, const Command& command)
{
    // Copies: a box or a service runs nested message loops, and a
    // remote-control code 2 there destroys the command set holding `command`.
    const LaunchRequest request{command.cmdline, command.dir, command.showCmd};
    const std::string name = command.name;
    const std::string envFile = command.envFile;
    const bool mergeEnvironment = MergesEnvironment(CommandOption(command, kEnvModeField));
    const int menuId = command.menuId;
    const LaunchOptions options = ReadLaunchOptions(command);
    HWND window = daemon.Window();

    if (request.commandLine.empty()) {
        // A group that got no menu item has no sub-menu; ShowMenu would show
        // the root for its identifier 0.
        if (menuId <= 0) return;
        if (CommandSet* set = daemon.GetCommandSet()) set->Menu().ShowMenu(window, -1, -1, menuId);
        return;
    }
    if (const char* service = MatchServicePrefix(request.commandLine.c_str())) {
        if (RunService(service, daemon) == 0) {
            ShowError(window, IDS_BAD_SERVICE, name.c_str(), request.commandLine.c_str());
        }
        return;
    }
    const LaunchStep step = ApplyLaunchOptions(request, options, !envFile.empty());
    if (step == LaunchStep::kFailed) {
        if (envFile.empty()) ShowError(window, IDS_CANNOT_RUN, name.c_str(), request.commandLine.c_str());
        else ShowError(window, IDS_CANNOT_RUN_ENV, name.c_str(), request.commandLine.c_str(), envFile.c_str());
    }
    if (step != LaunchStep::kStartAsUsual) return;
    if (!envFile.empty()) {
        EnvironmentBlock block;
        if (!ReadEnvironmentFile(block, envFile.c_str()) ||
            (mergeEnvironment && !MergeWithCurrentEnvironment(block)) || !StartProcess(request, &block)) {
            // The shell's "open" verb cannot take an environment: no fallback here.
            block.Release();
            ShowError(window, IDS_CANNOT_RUN_ENV, name.c_str(), request.commandLine.c_str(), envFile.c_str());
        }
        return;
    }
    if (!StartProcess(request, nullptr) && !OpenWithShell(request)) {
        ShowError(window, IDS_CANNOT_RUN, name.c_str(), request.commandLine.c_str());
    }
}
