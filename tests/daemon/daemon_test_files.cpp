#include "daemon_test_files.h"

#include "commands/hotkey_text.h"
#include "platform/option_lock.h"

#include <shellapi.h>

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

HWND FindDaemonWindow()
{
    return FindWindowA("Krvn_CommandWindow", nullptr);
}

bool TrayIconPresent(HWND daemon)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = daemon;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    lstrcpyA(data.szTip, "probe");
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

std::string ShownTooltipText()
{
    char text[512] = "";
    // Sent: a window of another process answers GetWindowText with its
    // title, and a tooltip's text is what it answers WM_GETTEXT with.
    DWORD_PTR copied = 0;
    if (HWND tip = testing_support::FindVisibleWindow("tooltips_class32")) {
        SendMessageTimeoutA(tip, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 1000, &copied);
    }
    return text;
}

bool WaitForHotkeyState(const FreeHotkey& key, bool taken)
{
    for (int i = 0; i < 100; ++i) {
        if (HotkeyTaken(key.modifiers, key.key) == taken) return true;
        testing_support::WaitFor([] { return false; }, 100);
    }
    return false;
}

HWND FindPopupMenu(DWORD process)
{
    return testing_support::FindVisibleWindow("#32768", process);
}

bool ChooseMenuItem(DWORD process, UINT key)
{
    using testing_support::WaitFor;
    if (!WaitFor([&] { return FindPopupMenu(process) != nullptr; })) return false;
    HWND menu = FindPopupMenu(process);
    PostMessageA(menu, WM_KEYDOWN, key, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return WaitFor([&] { return FindPopupMenu(process) == nullptr; });
}

HWND WaitForDaemonStartUp(DWORD timeoutMs)
{
    HWND window = nullptr;
    if (!testing_support::WaitFor([&] { return (window = FindDaemonWindow()) != nullptr; }, timeoutMs)) {
        return nullptr;
    }
    return testing_support::WaitFor([&] { return TrayIconPresent(window); }, timeoutMs) ? window : nullptr;
}

bool SendRemoteCode(HWND daemon, unsigned code)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(daemon, RegisterWindowMessageA(kRemoteControlMessageName), code, 0, SMTO_NORMAL,
                               10000, &result) != 0;
}

void EndDaemon(testing_support::Process& daemon)
{
    if (daemon.Handle() == nullptr || daemon.Wait(0) != STILL_ACTIVE) return;
    HWND window = FindDaemonWindow();
    DWORD owner = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &owner);
    if (owner == daemon.Id()) SendRemoteCode(window, kRemoteEndDaemon);
    if (daemon.Wait(5000) == STILL_ACTIVE) daemon.Kill();
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

void RegisterPlainClass(const char* name)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

bool HasStyle(HWND window, LONG bit, int index)
{
    return (GetWindowLongA(window, index) & bit) != 0;
}

} // namespace daemon_test
