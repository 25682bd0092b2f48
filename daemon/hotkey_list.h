#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

// One registration of a command's hotkey with the system.
struct HotkeyEntry {
    int identifier = -1;    // -1 until the entry is in a list
    HWND window = nullptr;  // receives WM_HOTKEY
    unsigned char keyCode = 0;
    unsigned modifiers = 0; // MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4, MOD_WIN 8
};

// The hotkeys of a command set; the entry at position p has identifier p + 1.
class HotkeyList {
public:
    // The platform leaves identifiers 0x0000-0xBFFF to applications.
    static constexpr std::size_t kMaxEntries = 0xBFFF;

    // Numbers and appends the entry; null when the list is full.
    const HotkeyEntry* AddHotkey(const HotkeyEntry& entry);
    // Registers every entry in order, going on past refusals: one taken
    // combination must not cost the hotkeys after it. Returns the identifiers
    // of the refused entries in order; empty when all worked.
    std::vector<int> RegisterAll();
    // Unregisters every entry, registered or not; the entries stay.
    void UnregisterAll();
    // The entry for 1 <= identifier <= Count(), else null.
    const HotkeyEntry* EntryById(int identifier) const;

    std::size_t Count() const { return entries_.size(); }

private:
    std::vector<HotkeyEntry> entries_;
};
