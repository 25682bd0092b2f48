#pragma once

// Local settings files and hotkeys for the daemon's tests.

#include "test_support.h"

#include <windows.h>

#include <string>
#include <vector>

namespace daemon_test {

struct Row {
    std::string caption;
    std::string cmdline;
    std::string hotkey;  // hotkey text, may be empty
};

// The CmdTable section of the rows, and the Desktop section when given.
std::string LocalSettings(const std::vector<Row>& rows, const std::string& desktop = std::string());

// A combination nobody holds, as hotkey text and as values. The candidates
// are rare ones (Ctrl+Alt+Shift with F13-F24 and the like); `skip` free ones
// are passed over, so one test can ask for several different ones.
struct FreeHotkey {
    bool found = false;
    std::string text;
    UINT modifiers = 0;
    UINT key = 0;
};
FreeHotkey FindFreeHotkeyText(int skip = 0);

// True when the combination is registered by someone (this process or another).
bool HotkeyTaken(UINT modifiers, UINT key);

// Waits until the combination is taken (or free). Probes seldom: a probe that
// holds the key at the moment the daemon registers it would make the
// daemon's registration fail.
bool WaitForHotkeyState(const FreeHotkey& key, bool taken);

// A pop-up menu that the process shows, or null.
HWND FindPopupMenu(DWORD process);

// Waits for the process's pop-up menu, presses `key` in it (VK_DOWN: the
// first item, VK_UP: the last) and Enter, and waits for the menu to close.
bool ChooseMenuItem(DWORD process, UINT key);

// The daemon's command window, or null.
HWND FindDaemonWindow();

// True when the daemon's icon is in the tray: a tooltip change of it succeeds.
// The icon is added last in the daemon's start-up, after its services started.
bool TrayIconPresent(HWND daemon);

// The text of the tooltip shown now (the tray's balloon or an icon's tip),
// "" when none is shown.
std::string ShownTooltipText();

// Waits for the daemon's window and then for the end of its start-up, the
// tray icon, added after the services started. An answer to a sent message
// proves nothing: the daemon answers them while its own call to the tray
// waits, before the icon exists. The window, or null when the time is up.
HWND WaitForDaemonStartUp(DWORD timeoutMs = 15000);

// Sends a remote-control code to the daemon's window alone; true when it was
// handled (a broadcast gives no sign that the daemon got it).
bool SendRemoteCode(HWND daemon, unsigned code);

// Ends a daemon the test started, whether the test passed or not: code 3,
// then a kill when it has not ended in time (an open box may hold it).
void EndDaemon(testing_support::Process& daemon);

// A window class that does nothing, as the shell's windows the daemon looks for.
void RegisterPlainClass(const char* name);
bool HasStyle(HWND window, LONG bit, int index = GWL_STYLE);

// A hidden top-level window of this thread, destroyed with the object.
class HiddenWindow {
public:
    HiddenWindow();
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_;
};

} // namespace daemon_test
