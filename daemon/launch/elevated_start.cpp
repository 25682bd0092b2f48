#include "elevated_start.h"

#include "program_resolve.h"

#include <shellapi.h>

ElevatedStart StartElevated(const LaunchRequest& request)
{
    ProgramSplit split = ResolveProgram(request.commandLine);
    if (split.program.empty()) {
        // Not found here: the shell may still know it (a URL, a verb of a class).
        const std::vector<ProgramSplit> candidates = ProgramCandidates(request.commandLine);
        if (candidates.empty()) return ElevatedStart::kFailed;
        split = candidates.front();
    }
    // Wine's shell overflows a buffer of about a thousand characters.
    if (split.program.size() >= MAX_PATH) return ElevatedStart::kFailed;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    // The daemon shows its own box; the shell's would be a second one.
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "runas";
    info.lpFile = split.program.c_str();
    info.lpParameters = split.arguments.empty() ? nullptr : split.arguments.c_str();
    info.lpDirectory = request.workingFolder.empty() ? nullptr : request.workingFolder.c_str();
    info.nShow = request.showCmd;
    if (ShellExecuteExA(&info)) return ElevatedStart::kStarted;
    return GetLastError() == ERROR_CANCELLED ? ElevatedStart::kCancelled : ElevatedStart::kFailed;
}
