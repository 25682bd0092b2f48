#pragma once

// The images of the command tree's items: each command's small icon, read
// when the view first asks for it and kept by icon source.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>

struct CommandItem;

class TreeIcons {
public:
    // Attaches an image list of small icons to the tree view.
    explicit TreeIcons(HWND treeView);
    ~TreeIcons();
    TreeIcons(const TreeIcons&) = delete;
    TreeIcons& operator=(const TreeIcons&) = delete;

    // The image of a node's item, or I_IMAGENONE (a group, no icon).
    int ImageOf(const CommandItem* item);

private:
    HWND treeView_;
    HIMAGELIST images_ = nullptr;
    std::string daemonProgram_;
    // By command line and icon key, then by source: a repaint costs a lookup,
    // and commands of one program share one image.
    std::unordered_map<std::string, int> byCommand_;
    std::unordered_map<std::string, int> bySource_;
};
