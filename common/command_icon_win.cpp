#include "command_icon.h"

#include "icon_location.h"
#include "program_candidates.h"
#include "program_resolve.h"
#include "service_line.h"

#include <shellapi.h>

std::string IconSource::Key() const
{
    switch (kind) {
    case Kind::kNone: return std::string();
    case Kind::kFile: return "f|" + path;
    case Kind::kLocation: return "l|" + path + ',' + std::to_string(index);
    }
    return std::string();
}

IconSource CommandIconSource(std::string_view cmdline, std::string_view iconKey, const std::string& daemonProgram)
{
    IconSource source;
    IconLocation location;
    if (ParseIconLocation(iconKey, location)) {
        source.kind = IconSource::Kind::kLocation;
        source.path = location.path;
        source.index = location.index;
        return source;
    }
    const std::string line(cmdline);
    if (line.find_first_not_of(" \t") == std::string::npos) return source;
    if (MatchServicePrefix(line.c_str()) != nullptr) {
        source.kind = IconSource::Kind::kLocation;
        source.path = daemonProgram;
        source.index = -kDaemonIconResource;
        return source;
    }
    source.kind = IconSource::Kind::kFile;
    // A document found on the path comes back here as well: the shell gives
    // it the icon of the program it opens with.
    source.path = ResolveProgram(line).program;
    if (source.path.empty()) {
        // A folder, a URL or a file that is not there: the first reading
        // names it, and the shell knows its icon by kind or extension.
        const std::vector<ProgramSplit> readings = ProgramCandidates(line);
        source.path = readings.empty() ? line : readings.back().program;
        for (const ProgramSplit& reading : readings) {
            if (GetFileAttributesA(reading.program.c_str()) != INVALID_FILE_ATTRIBUTES) {
                source.path = reading.program;
                break;
            }
        }
    }
    return source;
}

HICON LoadSmallIcon(const IconSource& source)
{
    HICON icon = nullptr;
    switch (source.kind) {
    case IconSource::Kind::kNone:
        break;
    case IconSource::Kind::kLocation:
        // ExtractIconEx reads a negative index as a resource identifier.
        if (ExtractIconExA(source.path.c_str(), source.index, nullptr, &icon, 1) == 0) icon = nullptr;
        break;
    case IconSource::Kind::kFile: {
        const bool exists = GetFileAttributesA(source.path.c_str()) != INVALID_FILE_ATTRIBUTES;
        SHFILEINFOA info = {};
        UINT flags = SHGFI_ICON | SHGFI_SMALLICON;
        if (!exists) flags |= SHGFI_USEFILEATTRIBUTES;
        if (SHGetFileInfoA(source.path.c_str(), exists ? 0 : FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags) != 0)
            icon = info.hIcon;
        if (icon == nullptr && exists && ExtractIconExA(source.path.c_str(), 0, nullptr, &icon, 1) == 0)
            icon = nullptr;
        break;
    }
    }
    return icon;
}
