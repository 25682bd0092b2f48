#pragma once

#include <vector>

class CommandTable;

// For each command in table order, the position of its parent command by the
// parent rule, or -1 for the top level. Only commands earlier in the table
// count: a parent that comes later has no menu item yet at the child's turn,
// so the child stands at the top level.
std::vector<int> ParentPositions(const CommandTable& table);
