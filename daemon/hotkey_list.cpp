#include "hotkey_list.h"

const HotkeyEntry* HotkeyList::AddHotkey(const HotkeyEntry& entry)
{
    if (entries_.size() >= kMaxEntries) return nullptr;
    entries_.push_back(entry);
    entries_.back().identifier = static_cast<int>(entries_.size());
    return &entries_.back();
}

std::vector<int> HotkeyList::RegisterAll()
{
    std::vector<int> refused;
    for (const HotkeyEntry& entry : entries_) {
        if (!RegisterHotKey(entry.window, entry.identifier, entry.modifiers, entry.keyCode)) {
            refused.push_back(entry.identifier);
        }
    }
    return refused;
}

void HotkeyList::UnregisterAll()
{
    for (const HotkeyEntry& entry : entries_) UnregisterHotKey(entry.window, entry.identifier);
}

const HotkeyEntry* HotkeyList::EntryById(int identifier) const
{
    if (identifier < 1 || static_cast<std::size_t>(identifier) > entries_.size()) return nullptr;
    return &entries_[identifier - 1];
}
