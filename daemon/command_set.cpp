#include "command_set.h"

#include "daemon_resource.h"
#include "commands/hotkey_text.h"
#include "menu_placement.h"
#include "platform/message_box.h"
#include "settings/settings_file.h"
#include "settings/shell_settings.h"

#include <algorithm>
#include <new>
#include <string>

namespace {

std::string ItemText(const Command& command, const std::string& hotkeyText)
{
    return command.name + '\t' + hotkeyText;
}

// Gives every command its menu item and its hotkey entry. A failure is
// reported once (its first command) and the build goes on: the commands
// after it keep what they can still get, and every hotkey in the list is
// registered afterwards.
void FillMenuAndHotkeys(HWND window, CommandTable& commands, MenuTree& menu, HotkeyList& hotkeys,
                        std::vector<std::size_t>& hotkeyOwners, bool report)
{
    const std::vector<int> parents = ParentPositions(commands);
    std::string hotkeyText;
    bool menuFailed = false;
    bool listFull = false;
    for (std::size_t j = 0; j < commands.Size(); ++j) {
        Command& command = commands[j];
        FormatHotkey(command.virtualKey, command.modifiers, hotkeyText);

        int parent = MenuTree::kRoot;
        if (parents[j] >= 0) {
            // A parent that got no item (identifiers used up: 0; failed: -1,
            // which would read as the top level) leaves its children none.
            parent = commands[parents[j]].menuId > 0 ? commands[parents[j]].menuId : 0;
        }
        const int menuId = menu.AddItem(parent, ItemText(command, hotkeyText).c_str());
        command.menuId = menuId;
        if (menuId < 0 && !menuFailed) {
            menuFailed = true;
            if (report) ShowError(nullptr, IDS_MENU_ITEM_FAILED, command.name.c_str());
        }

        if (command.virtualKey != 0 && !listFull) {
            HotkeyEntry entry;
            entry.window = window;
            entry.keyCode = static_cast<unsigned char>(command.virtualKey);
            entry.modifiers = static_cast<unsigned>(command.modifiers);
            const HotkeyEntry* added = hotkeys.AddHotkey(entry);
            if (added == nullptr) {
                // Full: every later entry would be refused as well.
                listFull = true;
                if (report) ShowError(nullptr, IDS_HOTKEY_NOT_LOADED, command.name.c_str(), hotkeyText.c_str());
                continue;
            }
            command.hotkeyId = added->identifier;
            hotkeyOwners.push_back(j);
        }
    }
}

// The refused combinations, each once, in list order, joined for one box.
std::string RefusedCombinations(const HotkeyList& hotkeys, const std::vector<int>& refused)
{
    const std::string joiner = LoadResourceString(IDS_HOTKEY_JOINER);
    std::vector<std::string> seen;
    std::string text, combination;
    for (int identifier : refused) {
        const HotkeyEntry* entry = hotkeys.EntryById(identifier);
        if (entry == nullptr) continue;
        FormatHotkey(entry->keyCode, static_cast<int>(entry->modifiers), combination);
        if (std::find(seen.begin(), seen.end(), combination) != seen.end()) continue;
        if (!seen.empty()) text += joiner;
        text += combination;
        seen.push_back(combination);
    }
    return text;
}

// The platform keeps its parse of the last profile files read for as long as
// the process lives, several times the file's size; the daemon reads the file
// again only at its next build. The documented flush (all names null) lets it
// go without writing anything.
void ReleaseProfileCache(const SettingsFile& file)
{
    if (file.IsOpen() && file.Path()[0] != '\0') WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.Path());
}

} // namespace

CommandSet::~CommandSet()
{
    shell_.Restore();
    hotkeys_.UnregisterAll();
    // The menu destroys itself, then the commands are freed.
}

// A hotkey or a menu choice finds its command without walking a table of
// tens of thousands: identifiers are handed out once each, in table order.
Command* CommandSet::FindByMenuId(int identifier)
{
    // Identifiers start at 1 and the build gives the command at position p
    // identifier p + 1. Commands without an item hold kNoId, or 0 once the
    // identifiers ran out, and no lookup may match either.
    if (identifier <= 0) return nullptr;
    const std::size_t at = static_cast<std::size_t>(identifier) - 1;
    if (at >= commands_.Size() || commands_[at].menuId != identifier) return nullptr;
    return &commands_[at];
}

Command* CommandSet::FindByHotkeyId(int identifier)
{
    if (identifier <= 0 || static_cast<std::size_t>(identifier) > hotkeyOwners_.size()) return nullptr;
    Command& command = commands_[hotkeyOwners_[static_cast<std::size_t>(identifier) - 1]];
    return command.hotkeyId == identifier ? &command : nullptr;
}

void CommandSet::OnInitMenuPopup(HMENU popup)
{
    icons_.OnInitMenuPopup(popup, [this](int identifier) -> const Command* { return FindByMenuId(identifier); });
}

std::unique_ptr<CommandSet> BuildCommandSet(HWND window, LoadedSettings&& settings, bool report)
{
    std::unique_ptr<CommandSet> set(new (std::nothrow) CommandSet);
    if (!set) return nullptr;

    set->commands_ = std::move(settings.commands);
    if (!settings.commandsLoaded) {
        if (report) ShowError(nullptr, IDS_TABLE_NOT_LOADED);
    } else {
        FillMenuAndHotkeys(window, set->commands_, set->menu_, set->hotkeys_, set->hotkeyOwners_, report);
        const std::vector<int> refused = set->hotkeys_.RegisterAll();
        if (!refused.empty() && report) {
            ShowError(nullptr, IDS_HOTKEY_TAKEN, RefusedCombinations(set->hotkeys_, refused).c_str());
        }
    }

    if (!settings.shellLoaded && report) ShowError(nullptr, IDS_SHELL_SETTINGS_FAILED);
    set->shell_.Apply(settings.shell);
    return set;
}

std::unique_ptr<CommandSet> BuildCommandSet(HWND window, const SettingsFile& file)
{
    LoadedSettings settings;
    settings.commandsLoaded = settings.commands.Load(file);
    settings.shellLoaded = settings.shell.Load(file);
    ReleaseProfileCache(file);
    return BuildCommandSet(window, std::move(settings), true);
}

std::unique_ptr<CommandSet> BuildCommandSet(HWND window)
{
    SettingsFile file;
    file.OpenLocal(nullptr);
    return BuildCommandSet(window, file);
}
