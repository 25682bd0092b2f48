#pragma once

// The command table page: shows a CommandTree in the tree-view control and
// turns the user's actions into operations on the tree.

#include "command_filter.h"
#include "command_tree.h"
#include "dialog_object.h"
#include "hotkey_conflict.h"
#include "tree_icons.h"

#include <commctrl.h>

#include <vector>

class SettingsFile;

class CommandTablePage final : public DialogObject {
public:
    // param: the PROPSHEETPAGEA description, whose lParam is the SettingsFile.
    CommandTablePage(HWND window, LPARAM param);
    ~CommandTablePage();

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void LoadTree();
    bool SaveTable();
    // Null node: the selected one.
    void MoveUp(CommandNode* node);
    void MoveDown(CommandNode* node);
    void NewCommand(CommandNode* after);
    void EditCommand(CommandNode* node);
    void DeleteCommand(CommandNode* node);
    // A copy of the node and its children right below it, without hotkeys.
    void DuplicateCommand(CommandNode* node);
    // Runs the node's command as saved in the tree; a failure shows a box.
    void RunCommand(CommandNode* node);
    // Shows only the nodes that hold the text, with their parents; an empty
    // text shows the whole tree. What is saved never changes with it.
    void SetFilter(const std::string& text);
    // Offers the backups of the table's file; the one chosen replaces the
    // tree, to be written by the next save. Cancel leaves the tree as it was.
    void RestoreBackup();

    const CommandTree& Tree() const { return model_; }
    CommandNode* Selected() const;
    CommandNode* NodeOf(HTREEITEM item) const;

private:
    // The hotkeys of every command but `edited`, for the edit dialog.
    std::vector<TableHotkey> OtherHotkeys(const CommandNode* edited) const;
    bool OnNotify(const NMHDR& header);
    bool OnEndLabelEdit(const NMTVDISPINFOA& info);
    void OnDoubleClick();
    // position: the screen point of the click, or (-1, -1) from the keyboard.
    void OnContextMenu(LPARAM position);
    void OnBeginDrag(HTREEITEM item);
    void OnDragOver();
    // Makes the node under the cursor, or none, the drop target.
    void TrackDropTarget();
    void OnDrop();
    // Shows the model again, keeping expanded nodes, and selects `select`.
    void Rebuild(CommandNode* select);
    void InsertView(CommandNode& node, HTREEITEM parent);
    void Select(CommandNode* node);
    HTREEITEM HitTest(UINT* flags) const;
    // The same at a point of the screen.
    HTREEITEM HitTestAt(POINT screen, UINT* flags) const;
    // The filter box clears itself on Esc instead of closing the sheet.
    static LRESULT CALLBACK FilterBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data);

    HWND window_;
    HWND treeView_;
    TreeIcons icons_;
    bool dragging_ = false;
    SettingsFile* settings_;
    CommandTree model_;
    CommandNode* dragNode_ = nullptr;
    HIMAGELIST dragImage_ = nullptr;
    // The item under the cursor during a drag, kept here: the control's drop
    // highlight is only shown (Wine keeps it when cleared without a selection).
    HTREEITEM dropTarget_ = nullptr;
    bool rebuilding_ = false;
    bool refusingLabel_ = false;
    CommandFilter filter_;
};

INT_PTR CALLBACK CommandTablePageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
