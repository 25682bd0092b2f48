#include "menu_placement.h"

#include "commands/command_table.h"

#include <string_view>
#include <unordered_map>

std::vector<int> ParentPositions(const CommandTable& table)
{
    // A parent has one level fewer and shares all of them: its whole path is
    // the child's path without the last level. The first command of each path
    // is kept, so a lookup finds the first such command in table order. The
    // keys are views of the paths' own packed levels, which the table keeps.
    std::unordered_map<std::string_view, int> firstByPath;
    firstByPath.reserve(table.Size());
    std::vector<int> parents;
    parents.reserve(table.Size());
    for (std::size_t j = 0; j < table.Size(); ++j) {
        const CommandPath& path = table[j].path;
        int parent = -1;
        if (path.Count() > 1) {
            auto found = firstByPath.find(path.Prefix(path.Count() - 1));
            if (found != firstByPath.end()) parent = found->second;
        }
        parents.push_back(parent);
        firstByPath.emplace(path.Prefix(path.Count()), static_cast<int>(j));
    }
    return parents;
}
