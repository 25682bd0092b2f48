#include "program_resolve.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

bool HasPathPart(const std::string& name)
{
    return name.find_first_of("\\/:") != std::string::npos;
}

bool IsFile(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A path with blanks in an App Paths value may stand in quotes.
std::string Unquoted(std::string text)
{
    if (text.size() >= 2 && text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        if (close != std::string::npos) return text.substr(1, close - 1);
    }
    return text;
}

std::string SearchProgram(const std::string& name)
{
    char found[MAX_PATH];
    char* filePart = nullptr;
    const DWORD n = SearchPathA(nullptr, name.c_str(), ".exe", sizeof found, found, &filePart);
    if (n == 0 || n >= sizeof found || !IsFile(found)) return std::string();
    return found;
}

std::string AppPath(HKEY root, const std::string& name)
{
    std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name;
    // The keys are named with the extension; CreateProcess would add ".exe" too.
    if (name.find('.') == std::string::npos) key += ".exe";
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return std::string();
    char value[MAX_PATH];
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    const LONG result = RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
    value[size] = '\0';
    std::string path = Unquoted(value);
    if (type == REG_EXPAND_SZ) {
        char expanded[MAX_PATH];
        const DWORD n = ExpandEnvironmentStringsA(path.c_str(), expanded, sizeof expanded);
        if (n == 0 || n > sizeof expanded) return std::string();
        path = expanded;
    }
    return IsFile(path.c_str()) ? path : std::string();
}

// The form QueryFullProcessImageName reports: full, long names.
std::string FullLongPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return std::string();
    // A short name always holds a tilde; the lookup of the long one reads
    // every folder of the path, a cost each press would pay.
    if (std::strchr(full, '~') == nullptr) return full;
    char longPath[MAX_PATH];
    n = GetLongPathNameA(full, longPath, sizeof longPath);
    return (n == 0 || n >= sizeof longPath) ? std::string(full) : std::string(longPath);
}

} // namespace

ProgramSplit ResolveProgram(std::string_view commandLine)
{
    const std::vector<ProgramSplit> candidates = ProgramCandidates(commandLine);
    for (const ProgramSplit& candidate : candidates) {
        const std::string found = SearchProgram(candidate.program);
        if (!found.empty()) return {FullLongPath(found), candidate.arguments};
    }
    // The shell's own register of programs off the search path.
    for (const ProgramSplit& candidate : candidates) {
        if (HasPathPart(candidate.program)) continue;
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            const std::string found = AppPath(root, candidate.program);
            if (!found.empty()) return {FullLongPath(found), candidate.arguments};
        }
    }
    return {std::string(), std::string()};
}
