#pragma once

#include <windows.h>

#include <vector>

// The command menu: a pop-up root menu that owns every sub-menu.
class MenuTree {
public:
    // Identifiers run 1 ... 0xFFFE: the platform reports the chosen item in 16 bits.
    static constexpr int kLastIdentifier = 0xFFFE;
    static constexpr int kRoot = -1;

    MenuTree();
    ~MenuTree();
    MenuTree(const MenuTree&) = delete;
    MenuTree& operator=(const MenuTree&) = delete;

    // Appends a string item under `parent` (kRoot for the top level) and
    // returns its identifier; 0 when identifiers are used up (nothing added);
    // -1 when the parent is unknown or cannot receive a sub-menu.
    int AddItem(int parent, const char* text);

    // Shows the root (item <= 0) or the sub-menu of `item` at (x, y), or at the
    // cursor when x or y is negative; the choice arrives at `window` as
    // WM_COMMAND. Shows nothing for an unknown item or one without sub-menu.
    // A command run from the menu's loop (a hotkey's Stop) may destroy this
    // object: after the tracking returns nothing of it is used unless the menu
    // still exists. Remote codes close the menu first instead: Wine's menu
    // loop never returns from a menu that a sent message destroyed.
    void ShowMenu(HWND window, int x, int y, int item);

    HMENU Root() const { return root_; }
    // The sub-menu opened by `item`, or null.
    HMENU SubMenu(int item) const;

private:
    struct Slot {
        HMENU container = nullptr;  // the menu that holds the item
        int position = 0;           // its position there
        HMENU subMenu = nullptr;
    };

    HMENU root_ = nullptr;
    int nextIdentifier_ = 1;
    // Indexed by identifier: the platform's by-identifier search walks the
    // whole tree on every call, which tables of tens of thousands of commands
    // cannot afford.
    std::vector<Slot> slots_;
};
