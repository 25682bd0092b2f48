#include "menu_icons.h"

#include "commands/command_icon.h"
#include "daemon_resource.h"

#include <algorithm>
#include <cstdint>
#include <vector>

static_assert(kDaemonIconResource == IDI_KORVANED, "services show the daemon's own icon");

namespace {

// 32-bit top-down rows of the size.
BITMAPINFO TopDownInfo(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The pixels of a bitmap as 32-bit top-down rows.
bool ReadPixels(HDC dc, HBITMAP bitmap, int width, int height, std::uint32_t* pixels)
{
    BITMAPINFO info = TopDownInfo(width, height);
    return GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels, &info, DIB_RGB_COLORS) == height;
}

} // namespace

HBITMAP MenuBitmapFromIcon(HICON icon)
{
    ICONINFO parts = {};
    if (icon == nullptr || !GetIconInfo(icon, &parts)) return nullptr;
    HBITMAP result = nullptr;
    BITMAP shape = {};
    if (parts.hbmColor != nullptr && GetObjectA(parts.hbmColor, sizeof shape, &shape) == sizeof shape) {
        const int width = shape.bmWidth;
        const int height = shape.bmHeight;
        const BITMAPINFO info = TopDownInfo(width, height);
        void* bits = nullptr;
        HDC dc = GetDC(nullptr);
        HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        auto* pixels = static_cast<std::uint32_t*>(bits);
        if (dib != nullptr && ReadPixels(dc, parts.hbmColor, width, height, pixels)) {
            const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
            bool hasAlpha = false;
            for (std::size_t i = 0; i < count && !hasAlpha; ++i) hasAlpha = (pixels[i] >> 24) != 0;
            // Icons without an alpha channel say what is transparent in the mask.
            std::vector<std::uint32_t> mask;
            if (!hasAlpha) {
                mask.resize(count);
                if (!ReadPixels(dc, parts.hbmMask, width, height, mask.data())) mask.assign(count, 0);
            }
            for (std::size_t i = 0; i < count; ++i) {
                std::uint32_t p = pixels[i];
                const std::uint32_t alpha = hasAlpha ? p >> 24 : ((mask[i] & 0xFFFFFF) != 0 ? 0 : 255);
                const auto channel = [p, alpha](int shift) { return ((p >> shift & 0xFF) * alpha / 255) << shift; };
                pixels[i] = alpha << 24 | channel(16) | channel(8) | channel(0);
            }
            result = dib;
        } else if (dib != nullptr) {
            DeleteObject(dib);
        }
        ReleaseDC(nullptr, dc);
    }
    if (parts.hbmColor != nullptr) DeleteObject(parts.hbmColor);
    if (parts.hbmMask != nullptr) DeleteObject(parts.hbmMask);
    return result;
}

MenuIcons::~MenuIcons()
{
    for (auto& entry : bitmaps_) {
        if (entry.second != nullptr) DeleteObject(entry.second);
    }
}

HBITMAP MenuIcons::BitmapFor(const Command& command)
{
    if (daemonProgram_.empty()) {
        char path[MAX_PATH] = {};
        const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
        if (n > 0 && n < sizeof path) daemonProgram_ = path;
    }
    const IconSource source = CommandIconSource(command.cmdline, CommandOption(command, kIconField), daemonProgram_);
    if (source.kind == IconSource::Kind::kNone) return nullptr;
    const auto [entry, added] = bitmaps_.try_emplace(source.Key(), nullptr);
    if (added) {
        if (HICON icon = LoadSmallIcon(source)) {
            entry->second = MenuBitmapFromIcon(icon);
            DestroyIcon(icon);
        }
    }
    return entry->second;
}

void MenuIcons::OnInitMenuPopup(HMENU popup, const CommandOf& commandOf)
{
    if (popup == nullptr || std::find(done_.begin(), done_.end(), popup) != done_.end()) return;
    done_.push_back(popup);
    const int count = GetMenuItemCount(popup);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID;
        if (!GetMenuItemInfoA(popup, static_cast<UINT>(position), TRUE, &item)) continue;
        const Command* command = commandOf(static_cast<int>(item.wID));
        if (command == nullptr) continue;
        HBITMAP bitmap = BitmapFor(*command);
        if (bitmap == nullptr) continue;
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = bitmap;
        SetMenuItemInfoA(popup, static_cast<UINT>(position), TRUE, &item);
    }
}
