#pragma once

// The small icon that stands for a command in the daemon's menu and the
// controller's tree. Finding the source touches the disk (the program is
// looked up on the search path), so both programs ask only for commands
// being shown, and cache by source.

#include <windows.h>

#include <string>
#include <string_view>

// The daemon's icon resource: service commands show it.
constexpr int kDaemonIconResource = 103;

struct IconSource {
    enum class Kind {
        kNone,      // no icon (a group: no command line)
        kFile,      // the icon the shell shows for a file, folder or URL
        kLocation,  // an icon picked from a file by index
    };
    Kind kind = Kind::kNone;
    std::string path;
    int index = 0;

    // Equal for sources that give the same icon: the cache key.
    std::string Key() const;
};

// The source for a command with that command line and icon key. A key that
// reads as "path,index" wins; else a service line shows the daemon's icon
// (the resource kDaemonIconResource of `daemonProgram`), a program its file's
// icon as the launch finds it, a document, folder or URL its own.
IconSource CommandIconSource(std::string_view cmdline, std::string_view iconKey, const std::string& daemonProgram);

// The small icon of the source (the caller destroys it), or null.
HICON LoadSmallIcon(const IconSource& source);
