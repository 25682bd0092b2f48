#pragma once

// The images of the command tree's items: each command's small icon, read
// just after the view first asks for it and kept by icon source.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

struct CommandItem;

class TreeIcons {
public:
    // Posted to the owner when icons wait to be read; it calls LoadPending.
    static constexpr UINT kLoadMessage = WM_APP + 1;

    // Attaches an image list of small icons to the tree view.
    TreeIcons(HWND owner, HWND treeView);
    ~TreeIcons();
    TreeIcons(const TreeIcons&) = delete;
    TreeIcons& operator=(const TreeIcons&) = delete;

    // The image of a node's item, or I_IMAGENONE (a group, no icon, or an
    // icon not read yet: the view is drawn first, the icons follow).
    int ImageOf(const CommandItem* item);
    // Reads the icons asked for since the last call and redraws the view.
    void LoadPending();

private:
    struct Pending {
        std::string commandKey;
        std::string cmdline;
        std::string iconKey;
    };

    HWND owner_;
    HWND treeView_;
    HIMAGELIST images_ = nullptr;
    std::string daemonProgram_;
    // By command line and icon key, then by source: a repaint costs a lookup,
    // and commands of one program share one image.
    std::unordered_map<std::string, int> byCommand_;
    std::unordered_map<std::string, int> bySource_;
    std::vector<Pending> pending_;
};
