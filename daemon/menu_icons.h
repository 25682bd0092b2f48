#pragma once

#include "commands/command.h"

#include <windows.h>

#include <functional>
#include <unordered_map>
#include <string>
#include <vector>

// The icons of the command menu's items. Nothing is read when the menu is
// built: a pop-up gets its items' bitmaps when it is about to be shown, once,
// and the bitmaps are shared by every item with the same icon source. The
// bitmaps live as long as this object; the menu that shows them must go first.
class MenuIcons {
public:
    // The command an item identifier belongs to, or null.
    using CommandOf = std::function<const Command*(int identifier)>;

    MenuIcons() = default;
    ~MenuIcons();
    MenuIcons(const MenuIcons&) = delete;
    MenuIcons& operator=(const MenuIcons&) = delete;

    // Gives each item of `popup` its command's bitmap; a pop-up already done
    // costs a lookup.
    void OnInitMenuPopup(HMENU popup, const CommandOf& commandOf);

private:
    HBITMAP BitmapFor(const Command& command);

    // The pop-ups already given their icons; a few dozen even for big tables.
    std::vector<HMENU> done_;
    // By icon source; null for a source that gave no icon, so it is not read again.
    std::unordered_map<std::string, HBITMAP> bitmaps_;
    std::string daemonProgram_;
};

// A 32-bit top-down DIB with premultiplied alpha drawn from the icon, as
// menus take them (the menu keeps drawing its text and colours itself), or
// null. The icon stays the caller's.
HBITMAP MenuBitmapFromIcon(HICON icon);
