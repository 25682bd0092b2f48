#include "menu_placement.h"

#include "command_table.h"

#include <cstring>
#include <string>
#include <unordered_map>

namespace {

// The first `levels` levels as one key, each level ended by a NUL, so that
// "a/b" and "a\0b" can never meet.
std::string PrefixKey(const CommandPath& path, std::uint32_t levels)
{
    std::string key;
    for (std::uint32_t n = 0; n < levels; ++n) {
        const char* level = path.Level(n);
        key.append(level, std::strlen(level));
        key.push_back('\0');
    }
    return key;
}

} // namespace

std::vector<int> ParentPositions(const CommandTable& table)
{
    // A parent has one level fewer and shares all of them: its whole path is
    // the child's path without the last level. The first command of each path
    // is kept, so a lookup finds the first such command in table order.
    std::unordered_map<std::string, int> firstByPath;
    std::vector<int> parents;
    parents.reserve(table.Size());
    for (std::size_t j = 0; j < table.Size(); ++j) {
        const CommandPath& path = table[j].path;
        int parent = -1;
        if (path.Count() > 1) {
            auto found = firstByPath.find(PrefixKey(path, path.Count() - 1));
            if (found != firstByPath.end()) parent = found->second;
        }
        parents.push_back(parent);
        firstByPath.emplace(PrefixKey(path, path.Count()), static_cast<int>(j));
    }
    return parents;
}
