#include "run_now.h"

#include "commands/command.h"
#include "command_tree.h"
#include "platform/daemon_request.h"
#include "environment_variables_win.h"
#include "launch_options.h"
#include "launch_process.h"
#include "platform/message_box.h"
#include "resource.h"
#include "service_line.h"

#include <cstdio>
#include <string>

std::string FormatResourceString(UINT id, const char* first, const char* second)
{
    const std::string format = LoadResourceString(id);
    // The system runtime's formatter, as the error boxes use: the C++
    // library's own would add its whole printf to the program.
    char text[2048];
    _snprintf(text, sizeof text - 1, format.c_str(), first, second);
    text[sizeof text - 1] = '\0';
    return text;
}

namespace {

// The system's text for the code, without its closing line break.
std::string SystemMessage(DWORD code)
{
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' '))
        text[--length] = '\0';
    if (length == 0)
        return std::to_string(code);
    return text;
}

RunNowResult Failure(UINT id, const std::string& path, DWORD code)
{
    return {true, FormatResourceString(id, path.c_str(), SystemMessage(code).c_str())};
}

RunNowResult RunThroughDaemon(const std::string& line)
{
    HWND daemon = FindWindowA(kDaemonWindowClass, nullptr);
    if (!daemon)
        return {true, LoadResourceString(IDS_RUN_NO_DAEMON)};
    COPYDATASTRUCT data = {};
    data.dwData = kServiceRequestTag;
    data.cbData = static_cast<DWORD>(line.size() + 1);
    data.lpData = const_cast<char*>(line.c_str());
    // The service may ask the user something first: wait as long as the
    // daemon answers messages at all.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(daemon, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG, 5000, &result))
        return {true, LoadResourceString(IDS_RUN_NO_DAEMON)};
    if (result != 1)
        return {true, FormatResourceString(IDS_RUN_SERVICE_FAILED, line.c_str())};
    return {false, LoadResourceString(IDS_RUN_SERVICE_DONE)};
}

} // namespace

RunNowResult RunCommandNow(const CommandItem& item)
{
    if (item.cmdline.empty())
        return {true, LoadResourceString(IDS_RUN_NOTHING)};
    // The daemon's own rule for a service line: the prefix, in any letter case.
    if (MatchServicePrefix(item.cmdline.c_str()))
        return RunThroughDaemon(item.cmdline);

    const LaunchRequest request{item.cmdline, item.dir, item.showCmd};
    LaunchOptions options;
    options.running = ParseRunningMode(CommandOption(item.moreKeys, kRunningField));
    options.windowPattern = std::string(CommandOption(item.moreKeys, kWindowField));
    options.asAdmin = RunsAsAdmin(CommandOption(item.moreKeys, kRunAsField));
    const bool hasEnvironment = !item.envFile.empty();
    SetLastError(0);
    const LaunchStep step = ApplyLaunchOptions(request, options, hasEnvironment);
    if (step == LaunchStep::kFailed)
        return Failure(IDS_RUN_FAILED, item.cmdline, hasEnvironment ? ERROR_NOT_SUPPORTED : GetLastError());
    if (step == LaunchStep::kDone)
        return {};
    if (hasEnvironment) {
        EnvironmentBlock block;
        SetLastError(0);
        if (!ReadEnvironmentFile(block, item.envFile.c_str()))
            return Failure(IDS_RUN_ENV_FAILED, item.envFile, GetLastError());
        if (MergesEnvironment(CommandOption(item.moreKeys, kEnvModeField)) && !MergeWithCurrentEnvironment(block))
            return Failure(IDS_RUN_ENV_FAILED, item.envFile, ERROR_NOT_ENOUGH_MEMORY);
        if (!StartProcess(request, &block))
            return Failure(IDS_RUN_FAILED, item.cmdline, GetLastError());
        return {};
    }
    if (StartProcess(request, nullptr))
        return {};
    const DWORD startError = GetLastError();
    SetLastError(0);
    if (OpenWithShell(request))
        return {};
    // The shell's reason names a document's trouble better; the start's, a program's.
    const DWORD shellError = GetLastError();
    const bool document = startError == ERROR_BAD_EXE_FORMAT && shellError != 0;
    return Failure(IDS_RUN_FAILED, item.cmdline, document ? shellError : startError);
}
