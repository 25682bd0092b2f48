#include "menu_tree.h"

MenuTree::MenuTree() : root_(CreatePopupMenu())
{
    slots_.emplace_back();  // identifier 0 stands for no item
}

MenuTree::~MenuTree()
{
    if (root_ != nullptr) DestroyMenu(root_);
}

int MenuTree::AddItem(int parent, const char* text)
{
    if (nextIdentifier_ > kLastIdentifier) return 0;
    const int identifier = nextIdentifier_++;
    // The identifier is used up even when the item cannot be added.
    slots_.resize(identifier + 1);

    HMENU target = root_;
    if (parent != kRoot) {
        if (parent <= 0 || parent >= identifier) return -1;
        Slot& owner = slots_[parent];
        if (owner.container == nullptr) return -1;
        if (owner.subMenu == nullptr) {
            HMENU sub = CreatePopupMenu();
            if (sub == nullptr) return -1;
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_SUBMENU;
            info.hSubMenu = sub;
            if (!SetMenuItemInfoA(owner.container, owner.position, TRUE, &info)) {
                DestroyMenu(sub);
                return -1;
            }
            owner.subMenu = sub;
        }
        target = owner.subMenu;
    }
    if (target == nullptr) return -1;

    const int position = GetMenuItemCount(target);
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_TYPE | MIIM_DATA;
    item.fType = MFT_STRING;
    item.wID = static_cast<UINT>(identifier);
    item.dwTypeData = const_cast<char*>(text);
    if (InsertMenuItemA(target, static_cast<UINT>(position), TRUE, &item)) {
        slots_[identifier] = Slot{target, position, nullptr};
    }
    return identifier;
}

HMENU MenuTree::SubMenu(int item) const
{
    if (item <= 0 || static_cast<std::size_t>(item) >= slots_.size()) return nullptr;
    return slots_[item].subMenu;
}

void MenuTree::ShowMenu(HWND window, int x, int y, int item)
{
    HMENU menu = item <= 0 ? root_ : SubMenu(item);
    if (menu == nullptr) return;
    if (x < 0 || y < 0) {
        POINT cursor = {};
        GetCursorPos(&cursor);
        x = cursor.x;
        y = cursor.y;
    }
    // Without the foreground the menu would not close when the user clicks
    // elsewhere (a documented quirk of menus tracked for a hidden window).
    SetForegroundWindow(window);
    TrackPopupMenu(menu, 0, x, y, 0, window, nullptr);
    // A hotkey's Stop run during tracking may have destroyed this object
    // together with the menu, so only the local handles are used from here.
    if (IsMenu(menu)) {
        // The same quirk: the next click would be swallowed without a message
        // posted to the owner after tracking.
        PostMessageA(window, WM_NULL, 0, 0);
    }
}
