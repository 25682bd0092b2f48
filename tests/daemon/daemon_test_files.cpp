#include "daemon_test_files.h"

#include "hotkey_text.h"

namespace daemon_test {

std::string LocalSettings(const std::vector<Row>& rows, const std::string& desktop)
{
    std::string text = "[CmdTable]\r\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string key = "cmd[" + std::to_string(i) + "]";
        text += key + ".caption=" + rows[i].caption + "\r\n";
        text += key + ".cmdline=" + rows[i].cmdline + "\r\n";
        text += key + ".cmdline.showcmd=SW_SHOWNORMAL\r\n";
        text += key + ".hotkey=" + rows[i].hotkey + "\r\n";
    }
    if (!desktop.empty()) text += "[Desktop]\r\n" + desktop;
    return text;
}

bool HotkeyTaken(UINT modifiers, UINT key)
{
    // Any window of any process holding the combination makes this fail.
    constexpr int kProbeId = 0xBFF0;
    if (!RegisterHotKey(nullptr, kProbeId, modifiers, key)) return true;
    UnregisterHotKey(nullptr, kProbeId);
    return false;
}

FreeHotkey FindFreeHotkeyText(int skip)
{
    const UINT modifierSets[] = {kModCtrl | kModAlt | kModShift, kModCtrl | kModShift, kModAlt | kModShift};
    for (UINT modifiers : modifierSets) {
        for (UINT key = 0x7C; key <= 0x87; ++key) {  // F13-F24
            if (HotkeyTaken(modifiers, key)) continue;
            if (skip-- > 0) continue;
            FreeHotkey free;
            free.found = FormatHotkey(static_cast<int>(key), static_cast<int>(modifiers), free.text);
            free.modifiers = modifiers;
            free.key = key;
            return free;
        }
    }
    return FreeHotkey();
}

HiddenWindow::HiddenWindow()
    : window_(CreateWindowExA(0, "STATIC", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr))
{
}

HiddenWindow::~HiddenWindow()
{
    if (window_ != nullptr) DestroyWindow(window_);
}

} // namespace daemon_test
