#pragma once

// What the floor programs of the benches share: the end of their window and,
// for the daemon's floors, the tray icon that tells the bench they are ready.

#include "platform/option_lock.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

namespace floor_window {

// The rest of a floor's window procedure: the bench's code 3 ends the
// window, as it ends the daemon, and the message loop ends with the window.
inline LRESULT DefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT remoteMessage = RegisterWindowMessageA(kRemoteControlMessageName);
    if (message == remoteMessage && wParam == kRemoteEndDaemon) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Shows the window in the tray, as the daemon does last in its start-up, and
// runs its messages until it goes.
inline void RunInTray(HWND window, const char* tip)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP;
    data.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpynA(data.szTip, tip, sizeof data.szTip);
    Shell_NotifyIconA(NIM_ADD, &data);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

// The hotkey floors' window: the command line is "<modifiers> <key> <rest>",
// and a hidden window of `className` holds that hotkey as identifier 1.
// Null when the hotkey cannot be registered; *rest points past the numbers.
inline HWND CreateHotkeyWindow(HINSTANCE instance, char* commandLine, const char* className, WNDPROC proc,
                               const char** rest)
{
    char* p = commandLine;
    const UINT modifiers = static_cast<UINT>(std::strtoul(p, &p, 10));
    const UINT key = static_cast<UINT>(std::strtoul(p, &p, 10));
    while (*p == ' ') ++p;
    *rest = p;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, className, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window != nullptr && !RegisterHotKey(window, 1, modifiers, key)) {
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

} // namespace floor_window
