#include "command_table_page.h"

#include "command_edit_dialog.h"
#include "commands/command_name.h"
#include "commands/command_table.h"
#include "platform/message_box.h"
#include "platform/ui_text.h"
#include "resource.h"
#include "restore_dialog.h"
#include "run_now.h"
#include "settings/settings_file.h"

#include <memory>
#include <string>

INT_PTR CALLBACK CommandTablePageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DialogObjectProc<CommandTablePage, false>(dialog, message, wParam, lParam);
}

CommandTablePage::CommandTablePage(HWND window, LPARAM param)
    : window_(window),
      treeView_(GetDlgItem(window, IDC_TREE)),
      icons_(window, treeView_),
      settings_(reinterpret_cast<SettingsFile*>(reinterpret_cast<const PROPSHEETPAGEA*>(param)->lParam)),
      model_(LoadResourceString(IDS_INVALID_GROUP))
{
    SetWindowSubclass(GetDlgItem(window, IDC_FILTER), FilterBoxProc, 0, 0);
    LoadTree();
}

LRESULT CALLBACK CommandTablePage::FilterBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR)
{
    const bool escape = wParam == VK_ESCAPE && GetWindowTextLengthA(box) > 0;
    switch (message) {
    case WM_GETDLGCODE:
        if (escape)
            return DefSubclassProc(box, message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (escape) {
            SetWindowTextA(box, "");
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == 0x1B)
            return 0;   // no beep for the Esc just handled
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(box, FilterBoxProc, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

CommandTablePage::~CommandTablePage()
{
    rebuilding_ = true;
    SendMessageA(treeView_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    if (dragImage_)
        ImageList_Destroy(dragImage_);
}

void CommandTablePage::LoadTree()
{
    CommandTable table;
    if (settings_)
        table.Load(*settings_);
    model_.Load(table);
    Rebuild(nullptr);
}

bool CommandTablePage::SaveTable()
{
    if (const CommandNode* bad = model_.FirstUnsavable()) {
        Select(const_cast<CommandNode*>(bad));
        ShowError(window_, IDS_TABLE_NOT_SAVABLE);
        return false;
    }
    if (const CommandNode* twice = model_.FirstRegrouped()) {
        Select(const_cast<CommandNode*>(twice));
        ShowError(window_, IDS_TABLE_NAME_TWICE, twice->Item()->name.c_str());
        return false;
    }
    CommandTable table;
    model_.ToTable(table);
    // A locked file or a missing folder must not pass for a save: the user
    // would lose the edits when the sheet closes.
    if (!settings_ || !table.Save(*settings_)) {
        ShowError(window_, IDS_TABLE_WRITE_FAILED, settings_ ? settings_->Path() : "");
        return false;
    }
    return true;
}

CommandNode* CommandTablePage::NodeOf(HTREEITEM item) const
{
    if (!item)
        return nullptr;
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!SendMessageA(treeView_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return nullptr;
    return reinterpret_cast<CommandNode*>(tv.lParam);
}

CommandNode* CommandTablePage::Selected() const
{
    return NodeOf(TreeView_GetSelection(treeView_));
}

void CommandTablePage::InsertView(CommandNode& node, HTREEITEM parent)
{
    const bool filtered = !filter_.Empty();
    if (node.hidden)
        return;
    const std::string label = model_.Label(node);
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(label.c_str());
    // Icons are read only for the items the view draws, after it drew them.
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(&node);
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(treeView_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    node.view = item;
    if (!item)
        return;
    for (const auto& child : node.Children())
        InsertView(*child, item);
    // Filtered, every match is in sight.
    if ((node.expanded || filtered) && TreeView_GetChild(treeView_, item))
        TreeView_Expand(treeView_, item, TVE_EXPAND);
}

void CommandTablePage::Rebuild(CommandNode* select)
{
    rebuilding_ = true;
    SendMessageA(treeView_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(treeView_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    // A node the filter hides has no item in the view: no old handle may stay.
    model_.ForEach([](const CommandNode& node) {
        const_cast<CommandNode&>(node).view = nullptr;
        return true;
    });
    filter_.Mark(model_);
    for (const auto& node : model_.Roots())
        InsertView(*node, nullptr);
    rebuilding_ = false;
    Select(select);
    SendMessageA(treeView_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(treeView_, nullptr, TRUE);
    // The old drop target went with the old items: the drop goes where the
    // cursor now points, as the highlight shows.
    dropTarget_ = nullptr;
    if (dragging_)
        TrackDropTarget();
}

void CommandTablePage::Select(CommandNode* node)
{
    TreeView_SelectItem(treeView_, node ? static_cast<HTREEITEM>(node->view) : nullptr);
}

void CommandTablePage::MoveUp(CommandNode* node)
{
    if (CommandNode* moved = model_.MoveUp(node ? node : Selected()))
        Rebuild(moved);
}

void CommandTablePage::MoveDown(CommandNode* node)
{
    if (CommandNode* moved = model_.MoveDown(node ? node : Selected()))
        Rebuild(moved);
}

// The caption as the table stores it: the levels from the top down.
static std::string CaptionOf(const CommandNode& node)
{
    std::string caption;
    for (const CommandNode* at = &node; at && at->Item(); at = at->Parent())
        caption = at->Item()->name + (caption.empty() ? "" : "/") + caption;
    return caption;
}

std::vector<TableHotkey> CommandTablePage::OtherHotkeys(const CommandNode* edited) const
{
    std::vector<TableHotkey> hotkeys;
    model_.ForEach([&](const CommandNode& node) {
        const CommandItem* item = node.Item();
        if (&node != edited && item && item->virtualKey != 0)
            hotkeys.push_back(TableHotkey{item->modifiers, item->virtualKey, CaptionOf(node)});
        return true;
    });
    return hotkeys;
}

void CommandTablePage::RunCommand(CommandNode* node)
{
    if (!node)
        node = Selected();
    if (!node || !node->Item())
        return;
    const RunNowResult result = RunCommandNow(*node->Item());
    // No dialog to hold the line: a box tells what went wrong.
    if (result.failed)
        MessageBoxA(window_, result.text.c_str(), LoadResourceString(kErrorTitleId).c_str(), MB_OK | MB_ICONERROR);
}

void CommandTablePage::NewCommand(CommandNode* after)
{
    if (!after)
        after = Selected();
    auto item = std::make_unique<CommandItem>();
    const CommandNode* parent = after ? after->Parent() : nullptr;
    if (RunCommandEditDialog(
            window_, item.get(), [&](const std::string& name) { return model_.NameTaken(parent, name); },
            OtherHotkeys(nullptr)) <= 0)
        return;
    CommandNode* keep = Selected();
    if (model_.InsertAfter(after, std::move(item)))
        Rebuild(keep);
}

void CommandTablePage::EditCommand(CommandNode* node)
{
    if (!node)
        node = Selected();
    if (!node || !node->Item())
        return;
    if (RunCommandEditDialog(
            window_, node->Item(), [&](const std::string& name) { return model_.NameTaken(node->Parent(), name, node); },
            OtherHotkeys(node)) <= 0)
        return;
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = static_cast<HTREEITEM>(node->view);
    tv.pszText = const_cast<char*>(node->Item()->name.c_str());
    SendMessageA(treeView_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

static bool IsWithin(const CommandNode* node, const CommandNode* ancestor)
{
    for (; node; node = node->Parent()) {
        if (node == ancestor)
            return true;
    }
    return false;
}

void CommandTablePage::DeleteCommand(CommandNode* node)
{
    if (!node)
        node = Selected();
    if (!node || !node->Item())
        return;
    CommandNode* select = model_.NeighbourAfterDelete(*node);
    if (dragging_ && IsWithin(dragNode_, node))
        dragNode_ = nullptr;
    if (model_.Delete(node)) {
        // The neighbour may have been the group, gone now that it is empty.
        bool present = false;
        model_.ForEach([&](const CommandNode& n) { present = present || &n == select; return !present; });
        Rebuild(present ? select : nullptr);
    }
}

void CommandTablePage::DuplicateCommand(CommandNode* node)
{
    if (!node)
        node = Selected();
    if (CommandNode* copy = model_.Duplicate(node, LoadResourceString(IDS_COPY_SUFFIX)))
        Rebuild(copy);
}

void CommandTablePage::SetFilter(const std::string& text)
{
    filter_ = CommandFilter(text);
    Rebuild(Selected());
}

void CommandTablePage::RestoreBackup()
{
    if (!settings_)
        return;
    CommandTable table;
    if (RunRestoreDialog(window_, settings_->Path(), table) <= 0)
        return;
    model_.Load(table);
    Rebuild(nullptr);
    PropSheet_Changed(GetParent(window_), window_);
}

HTREEITEM CommandTablePage::HitTest(UINT* flags) const
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    return HitTestAt(cursor, flags);
}

HTREEITEM CommandTablePage::HitTestAt(POINT screen, UINT* flags) const
{
    TVHITTESTINFO hit = {};
    hit.pt = screen;
    ScreenToClient(treeView_, &hit.pt);
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(treeView_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (flags)
        *flags = hit.flags;
    return item;
}

bool CommandTablePage::OnEndLabelEdit(const NMTVDISPINFOA& info)
{
    CommandNode* node = NodeOf(info.item.hItem);
    if (!info.item.pszText || !node || !node->Item())
        return false;
    // The box takes the focus from the label's edit box, and the tree (Wine's
    // at least) ends the edit once more from inside it: that end is refused
    // without a second box.
    if (refusingLabel_) {
        SetDialogResult(window_, FALSE);
        return true;
    }
    const std::string name = TrimCommandName(info.item.pszText);
    const bool valid = IsValidCommandName(name.c_str());
    if (!valid || model_.NameTaken(node->Parent(), name, node)) {
        refusingLabel_ = true;
        if (!valid)
            ShowError(window_, IDS_BAD_COMMAND_NAME);
        else
            ShowError(window_, IDS_NAME_TAKEN, name.c_str());
        refusingLabel_ = false;
        SetDialogResult(window_, FALSE);
    } else {
        node->Item()->name = name;
        if (name == info.item.pszText) {
            SetDialogResult(window_, TRUE);
        } else {
            // The view would keep the blanks: it shows the trimmed name instead.
            TVITEMA tv = {};
            tv.mask = TVIF_TEXT | TVIF_HANDLE;
            tv.hItem = info.item.hItem;
            tv.pszText = const_cast<char*>(name.c_str());
            SendMessageA(treeView_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
            SetDialogResult(window_, FALSE);
        }
    }
    return true;
}

void CommandTablePage::OnDoubleClick()
{
    UINT flags = 0;
    HTREEITEM item = HitTest(&flags);
    if (item && (flags & TVHT_ONITEMLABEL))
        EditCommand(NodeOf(item));
}

void CommandTablePage::OnContextMenu(LPARAM position)
{
    POINT pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    HTREEITEM item = nullptr;
    if (pt.x == -1 && pt.y == -1) {
        // From the keyboard: the selected node, at its label.
        item = TreeView_GetSelection(treeView_);
        RECT label = {};
        if (!item || !TreeView_GetItemRect(treeView_, item, &label, TRUE))
            return;
        pt = {label.left, label.bottom};
        ClientToScreen(treeView_, &pt);
    } else {
        item = HitTestAt(pt, nullptr);
        if (!item)
            return;
        // The menu's commands act on the selection: the node clicked becomes it.
        TreeView_SelectItem(treeView_, item);
    }
    HMENU menu = LoadUiMenu(IDM_CONTEXT);
    if (!menu)
        return;
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTBUTTON, pt.x, pt.y, 0, window_, nullptr);
    DestroyMenu(menu);
}

void CommandTablePage::OnBeginDrag(HTREEITEM item)
{
    CommandNode* node = NodeOf(item);
    if (!node)
        return;
    dragImage_ = reinterpret_cast<HIMAGELIST>(
        SendMessageA(treeView_, TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(item)));
    if (dragImage_) {
        ImageList_BeginDrag(dragImage_, 0, 0, 0);
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(treeView_, &pt);
        ImageList_DragEnter(treeView_, pt.x, pt.y);
    }
    SetCapture(window_);
    dropTarget_ = nullptr;
    dragNode_ = node;
    dragging_ = true;
}

void CommandTablePage::OnDragOver()
{
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(treeView_, &pt);
    if (dragImage_)
        ImageList_DragMove(pt.x, pt.y);
    TrackDropTarget();
}

void CommandTablePage::TrackDropTarget()
{
    HTREEITEM item = HitTest(nullptr);
    dropTarget_ = item;
    // Hide the image while the tree repaints, or it leaves trails behind.
    if (dragImage_)
        ImageList_DragShowNolock(FALSE);
    TreeView_SelectDropTarget(treeView_, item);
    if (dragImage_)
        ImageList_DragShowNolock(TRUE);
}

void CommandTablePage::OnDrop()
{
    dragging_ = false;
    CommandNode* target = NodeOf(dropTarget_);
    dropTarget_ = nullptr;
    TreeView_SelectDropTarget(treeView_, nullptr);
    if (dragImage_) {
        ImageList_DragLeave(treeView_);
        ImageList_EndDrag();
        ImageList_Destroy(dragImage_);
        dragImage_ = nullptr;
    }
    CommandNode* source = dragNode_;
    dragNode_ = nullptr;
    if (!source)
        return;
    if (model_.DropClashes(source, target)) {
        ShowError(window_, IDS_NAME_TAKEN, source->Item()->name.c_str());
        return;
    }
    if (CommandNode* moved = model_.Drop(source, target))
        Rebuild(moved);
}

bool CommandTablePage::OnNotify(const NMHDR& header)
{
    switch (header.code) {
    case TVN_KEYDOWN: {
        const WORD key = reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey;
        if (key == VK_DELETE)
            DeleteCommand(nullptr);
        else if (key == 'D' && GetKeyState(VK_CONTROL) < 0)
            DuplicateCommand(nullptr);
        return false;
    }
    case TVN_ENDLABELEDITA:
        return OnEndLabelEdit(reinterpret_cast<const NMTVDISPINFOA&>(header));
    case TVN_BEGINLABELEDITA: {
        CommandNode* node = NodeOf(reinterpret_cast<const NMTVDISPINFOA&>(header).item.hItem);
        SetDialogResult(window_, node && node->Item() ? FALSE : TRUE);
        return true;
    }
    case TVN_GETDISPINFOA: {
        auto& item = const_cast<NMTVDISPINFOA&>(reinterpret_cast<const NMTVDISPINFOA&>(header)).item;
        if (item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
            const auto* node = reinterpret_cast<const CommandNode*>(item.lParam);
            item.iImage = item.iSelectedImage = icons_.ImageOf(node ? node->Item() : nullptr);
        }
        return true;
    }
    case TVN_DELETEITEMA:
        // The model owns the items; the view's items only point at its nodes.
        return true;
    case TVN_ITEMEXPANDEDA: {
        const auto& tv = reinterpret_cast<const NMTREEVIEWA&>(header);
        if (CommandNode* node = NodeOf(tv.itemNew.hItem))
            node->expanded = (tv.itemNew.state & TVIS_EXPANDED) != 0;
        return false;
    }
    case TVN_BEGINDRAGA:
        OnBeginDrag(reinterpret_cast<const NMTREEVIEWA&>(header).itemNew.hItem);
        return false;
    case PSN_APPLY:
        SetDialogResult(window_, SaveTable() ? PSNRET_NOERROR : PSNRET_INVALID);
        return true;
    case NM_DBLCLK:
        if (header.hwndFrom != treeView_)
            return false;
        OnDoubleClick();
        SetDialogResult(window_, 1);   // never expand or collapse on a double click
        return true;
    default:
        return false;
    }
}

bool CommandTablePage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        OnContextMenu(lParam);
        return false;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NEW: NewCommand(nullptr); break;
        case IDC_EDIT: EditCommand(nullptr); break;
        case IDC_UP: MoveUp(nullptr); break;
        case IDC_DOWN: MoveDown(nullptr); break;
        case IDC_SAVE: SaveTable(); break;
        case IDC_DELETE: DeleteCommand(nullptr); break;
        case IDC_DUPLICATE: DuplicateCommand(nullptr); break;
        case IDC_RUN_NOW: RunCommand(nullptr); break;
        case IDC_RESTORE: RestoreBackup(); break;
        case IDC_FILTER:
            if (HIWORD(wParam) == EN_CHANGE) {
                char text[256] = {};
                GetWindowTextA(reinterpret_cast<HWND>(lParam), text, sizeof text);
                SetFilter(text);
            }
            break;
        default: break;
        }
        return false;
    case TreeIcons::kLoadMessage:
        icons_.LoadPending();
        return true;
    case WM_MOUSEMOVE:
        if (dragging_)
            OnDragOver();
        return false;
    case WM_LBUTTONUP:
        if (dragging_)
            ReleaseCapture();
        return false;
    case WM_CAPTURECHANGED:
        if (dragging_)
            OnDrop();
        return false;
    default:
        return false;
    }
}
