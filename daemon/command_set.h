#pragma once

#include "commands/command_table.h"
#include "hotkey_list.h"
#include "menu_icons.h"
#include "menu_tree.h"
#include "settings/shell_settings.h"
#include "shell_switch.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

class SettingsFile;

// What a build takes from the settings, all read before a running set lets
// its hotkeys go.
struct LoadedSettings {
    CommandTable commands;
    bool commandsLoaded = true;
    ShellSettings shell;
    bool shellLoaded = true;
};

// What a started daemon holds: the loaded commands, the command menu, the
// registered hotkeys and the applied shell-extension settings.
class CommandSet {
public:
    CommandSet() = default;
    // Restores the shell, unregisters the hotkeys, destroys the menu.
    ~CommandSet();
    CommandSet(const CommandSet&) = delete;
    CommandSet& operator=(const CommandSet&) = delete;

    // The first command in table order with that identifier, or null.
    Command* FindByMenuId(int identifier);
    Command* FindByHotkeyId(int identifier);

    CommandTable& Commands() { return commands_; }
    MenuTree& Menu() { return menu_; }
    // A pop-up of the menu is about to open: its items get their icons.
    void OnInitMenuPopup(HMENU popup);
    HotkeyList& Hotkeys() { return hotkeys_; }
    ShellSwitch& Shell() { return shell_; }

private:
    friend std::unique_ptr<CommandSet> BuildCommandSet(HWND, LoadedSettings&&, bool);

    CommandTable commands_;
    // Before the menu, so that the menu goes before the bitmaps it shows.
    MenuIcons icons_;
    MenuTree menu_;
    HotkeyList hotkeys_;
    // The position of the command each hotkey entry belongs to, in entry order.
    std::vector<std::size_t> hotkeyOwners_;
    ShellSwitch shell_;
};

// Builds a command set for the command window from the current local
// settings file, showing the build's error boxes on the way. Null only when
// memory for the object runs out.
std::unique_ptr<CommandSet> BuildCommandSet(HWND window);
// The same from a settings file already opened.
std::unique_ptr<CommandSet> BuildCommandSet(HWND window, const SettingsFile& file);
// The same from settings already read. `report` false builds without a box:
// a reload that nobody asked for interrupts nobody.
std::unique_ptr<CommandSet> BuildCommandSet(HWND window, LoadedSettings&& settings, bool report);
