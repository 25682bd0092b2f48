#include "tree_icons.h"

#include "command_icon.h"
#include "command_tree.h"

TreeIcons::TreeIcons(HWND treeView) : treeView_(treeView)
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
    const auto known = byCommand_.find(commandKey);
    if (known != byCommand_.end()) return known->second;

    int image = I_IMAGENONE;
    const IconSource source = CommandIconSource(item->cmdline, iconKey, daemonProgram_);
    if (source.kind != IconSource::Kind::kNone) {
        const auto [entry, added] = bySource_.try_emplace(source.Key(), I_IMAGENONE);
        if (added) {
            if (HICON icon = LoadSmallIcon(source)) {
                const int index = ImageList_ReplaceIcon(images_, -1, icon);
                if (index >= 0) entry->second = index;
                DestroyIcon(icon);
            }
        }
        image = entry->second;
    }
    byCommand_.emplace(std::move(commandKey), image);
    return image;
}
