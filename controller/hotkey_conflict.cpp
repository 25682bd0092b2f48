#include "hotkey_conflict.h"

namespace {
constexpr std::uint8_t kF12 = 0x7B;
}

bool IsReservedHotkey(std::uint32_t modifiers, std::uint8_t virtualKey)
{
    return modifiers == 0 && virtualKey == kF12;
}

const TableHotkey* FindTableHotkey(const std::vector<TableHotkey>& table, std::uint32_t modifiers,
                                   std::uint8_t virtualKey)
{
    for (const TableHotkey& entry : table) {
        if (entry.virtualKey == virtualKey && entry.modifiers == modifiers)
            return &entry;
    }
    return nullptr;
}
