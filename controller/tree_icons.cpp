#include "tree_icons.h"

#include "commands/command_icon.h"
#include "command_tree.h"

TreeIcons::TreeIcons(HWND owner, HWND treeView) : owner_(owner), treeView_(treeView)
{
    images_ = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                               ILC_COLOR32 | ILC_MASK, 16, 16);
    if (images_ != nullptr) TreeView_SetImageList(treeView_, images_, TVSIL_NORMAL);
    // The daemon lives beside the controller.
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n > 0 && n < sizeof path) {
        daemonProgram_ = path;
        const std::size_t slash = daemonProgram_.find_last_of("\\/");
        daemonProgram_ = daemonProgram_.substr(0, slash == std::string::npos ? 0 : slash + 1) + "korvaned.exe";
    }
}

TreeIcons::~TreeIcons()
{
    if (images_ == nullptr) return;
    // The view never frees a normal image list itself.
    if (IsWindow(treeView_)) TreeView_SetImageList(treeView_, nullptr, TVSIL_NORMAL);
    ImageList_Destroy(images_);
}

int TreeIcons::ImageOf(const CommandItem* item)
{
    if (item == nullptr || images_ == nullptr) return I_IMAGENONE;
    const std::string_view iconKey = CommandOption(item->moreKeys, kIconField);
    std::string commandKey = item->cmdline;
    commandKey += '\n';
    commandKey.append(iconKey.data(), iconKey.size());
    const auto [known, added] = byCommand_.try_emplace(commandKey, I_IMAGENONE);
    if (added) {
        // Finding a program reads the disk: the page shows first.
        if (pending_.empty()) PostMessageA(owner_, kLoadMessage, 0, 0);
        pending_.push_back({std::move(commandKey), item->cmdline, std::string(iconKey)});
    }
    return known->second;
}

void TreeIcons::LoadPending()
{
    if (pending_.empty()) return;
    const std::vector<Pending> pending = std::move(pending_);
    pending_.clear();
    for (const Pending& p : pending) {
        const IconSource source = CommandIconSource(p.cmdline, p.iconKey, daemonProgram_);
        if (source.kind == IconSource::Kind::kNone) continue;
        const auto [entry, added] = bySource_.try_emplace(source.Key(), I_IMAGENONE);
        if (added) {
            if (HICON icon = LoadSmallIcon(source)) {
                entry->second = ImageList_ReplaceIcon(images_, -1, icon);
                if (entry->second < 0) entry->second = I_IMAGENONE;
                DestroyIcon(icon);
            }
        }
        byCommand_[p.commandKey] = entry->second;
    }
    InvalidateRect(treeView_, nullptr, FALSE);
}
