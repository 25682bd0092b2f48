#include "commands/command_icon.h"

#include "commands/icon_location.h"
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

namespace {

// The shell's stock icons in shell32.dll, by resource identifier; the
// document's (1) by its place, the first: -1 asks ExtractIconEx for a count.
constexpr int kDocumentIcon = 0;
constexpr int kProgramIcon = -3;
constexpr int kFolderIcon = -4;

HICON Extract(const std::string& path, int index)
{
    HICON icon = nullptr;
    // ExtractIconEx reads a negative index as a resource identifier.
    if (ExtractIconExA(path.c_str(), index, nullptr, &icon, 1) == 0) return nullptr;
    return icon;
}

bool IsProgramType(const std::string& extension)
{
    for (const char* type : {".exe", ".com", ".scr", ".cpl", ".ico"}) {
        if (lstrcmpiA(extension.c_str(), type) == 0) return true;
    }
    return false;
}

// The default value of a key of the classes root, or empty.
std::string ClassValue(const std::string& key)
{
    char text[MAX_PATH * 2] = {};
    LONG size = sizeof text;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), text, &size) != ERROR_SUCCESS) return std::string();
    return text;
}

// The icon the registered type of an extension or a URL scheme names:
// its own DefaultIcon (schemes) or its class's. Read from the registry
// directly: the shell's association objects are COM objects, and the
// program runs no COM.
HICON AssociatedIcon(const std::string& type)
{
    if (type.empty()) return nullptr;
    std::string text = ClassValue(type + "\\DefaultIcon");
    if (text.empty()) {
        const std::string typeClass = ClassValue(type);
        if (!typeClass.empty()) text = ClassValue(typeClass + "\\DefaultIcon");
    }
    if (text.empty()) return nullptr;
    char expanded[MAX_PATH * 2] = {};
    const DWORD n = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
    IconLocation location;
    // "%1": a handler draws each file's own icon.
    if (n == 0 || n > sizeof expanded || !ParseIconLocation(expanded, location) || location.path == "%1")
        return nullptr;
    return Extract(location.path, location.index);
}

// The icon the shell shows for a file, a folder or a URL, read from the
// file and the registry: the shell's own lookup (SHGetFileInfo) sets up its
// image lists of every icon it knows, megabytes that a resident program
// would keep for good.
HICON FileIcon(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Extract("shell32.dll", kFolderIcon);
    std::string type;
    const std::size_t scheme = path.find(':');
    const std::size_t name = path.find_last_of("\\/");
    const std::size_t dot = path.rfind('.');
    if (!exists && scheme != std::string::npos && scheme > 1 && path.find_first_of("\\/") > scheme) {
        type = path.substr(0, scheme);  // a URL: its scheme's association
    } else if (dot != std::string::npos && (name == std::string::npos || dot > name)) {
        type = path.substr(dot);
    }
    const bool program = IsProgramType(type);
    HICON icon = nullptr;
    if (exists && program) icon = Extract(path, 0);
    if (icon == nullptr && !program) icon = AssociatedIcon(type);
    if (icon == nullptr) icon = Extract("shell32.dll", program ? kProgramIcon : kDocumentIcon);
    return icon;
}

} // namespace

HICON LoadSmallIcon(const IconSource& source)
{
    switch (source.kind) {
    case IconSource::Kind::kNone: return nullptr;
    case IconSource::Kind::kLocation: return Extract(source.path, source.index);
    case IconSource::Kind::kFile: return FileIcon(source.path);
    }
    return nullptr;
}
