// The floor of the daemon's start: what the platform costs for the same
// result. It reads the command table with one section read, creates the same
// menu items (each command under the first earlier one whose caption is its
// own less the last level), registers the same hotkeys, and shows its window
// to the tray like the daemon. Code 3 of the remote-control message ends it.
#include "floor_window.h"
#include "commands/hotkey_text.h"
#include "platform/option_lock.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Slot {
    HMENU container;
    int position;
    HMENU sub;
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    char dir[MAX_PATH];
    GetModuleFileNameA(nullptr, dir, MAX_PATH);
    *std::strrchr(dir, '\\') = '\0';
    const std::string main = std::string(dir) + "\\_setting.ini";
    char local[MAX_PATH];
    GetPrivateProfileStringA("LocalSetting", "Current", "", local, MAX_PATH, main.c_str());
    const std::string path = std::string(dir) + "\\" + local;

    // Only the menu, the window and the hotkeys outlive the start-up.
    DWORD size = 1 << 20;
    std::vector<char> block;
    for (;;) {
        block.resize(size);
        const DWORD n = GetPrivateProfileSectionA("CmdTable", block.data(), size, path.c_str());
        if (n < size - 2) break;
        size *= 2;
    }

    WNDCLASSA wc = {};
    wc.lpfnWndProc = floor_window::DefaultProc;
    wc.hInstance = instance;
    wc.lpszClassName = "Krvn_FloorWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                  nullptr);

    // The file as the bench writes it: caption, cmdline, showcmd, hotkey for
    // each command in order.
    HMENU root = CreatePopupMenu();
    std::unordered_map<std::string, Slot> byCaption;
    int identifier = 1;
    int hotkeyId = 1;
    std::string caption;
    for (const char* line = block.data(); *line != '\0'; line += std::strlen(line) + 1) {
        const char* eq = std::strchr(line, '=');
        if (eq == nullptr) continue;
        if (std::strncmp(eq - 8, ".caption", 8) == 0) {
            caption = eq + 1;
            continue;
        }
        if (std::strncmp(eq - 7, ".hotkey", 7) != 0) continue;
        const std::size_t slash = caption.rfind('/');
        HMENU target = root;
        if (slash != std::string::npos) {
            auto parent = byCaption.find(caption.substr(0, slash));
            if (parent != byCaption.end()) {
                Slot& slot = parent->second;
                if (slot.sub == nullptr) {
                    slot.sub = CreatePopupMenu();
                    MENUITEMINFOA info = {};
                    info.cbSize = sizeof info;
                    info.fMask = MIIM_SUBMENU;
                    info.hSubMenu = slot.sub;
                    SetMenuItemInfoA(slot.container, slot.position, TRUE, &info);
                }
                target = slot.sub;
            }
        }
        const std::string name = slash == std::string::npos ? caption : caption.substr(slash + 1);
        const std::string text = name + '\t' + (eq + 1);
        const int position = GetMenuItemCount(target);
        AppendMenuA(target, MF_STRING, identifier++, text.c_str());
        byCaption.emplace(caption, Slot{target, position, nullptr});
        int key = 0, modifiers = 0;
        if (eq[1] != '\0' && ParseHotkey(eq + 1, key, modifiers)) {
            RegisterHotKey(window, hotkeyId++, static_cast<UINT>(modifiers), static_cast<UINT>(key));
        }
    }
    std::vector<char>().swap(block);
    std::unordered_map<std::string, Slot>().swap(byCaption);

    floor_window::RunInTray(window, "floor");
    DestroyMenu(root);
    return 0;
}
