#pragma once

// Which command of the table holds a combination, and which combinations the
// system keeps for itself.

#include <cstdint>
#include <string>
#include <vector>

// A hotkey another command of the table holds, and that command's caption.
struct TableHotkey {
    std::uint32_t modifiers;
    std::uint8_t virtualKey;
    std::string caption;
};

// F12 alone: the system keeps it for the debugger, and registering it fails
// on Windows whoever else holds it.
bool IsReservedHotkey(std::uint32_t modifiers, std::uint8_t virtualKey);

// The first entry with the combination, or null.
const TableHotkey* FindTableHotkey(const std::vector<TableHotkey>& table, std::uint32_t modifiers,
                                   std::uint8_t virtualKey);
