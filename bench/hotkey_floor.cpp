// The reference of the hotkey latency bench: registers one hotkey and starts
// one command line with CreateProcessA on WM_HOTKEY, nothing else. Its tray
// icon tells the bench it is ready; code 3 of the remote-control message ends it.
//
//   hotkey_floor.exe MODIFIERS KEY COMMAND-LINE
#include "floor_window.h"
#include "platform/option_lock.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

std::string g_commandLine;

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::string line = g_commandLine;
        if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
        return 0;
    }
    return floor_window::DefaultProc(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const char* rest = nullptr;
    HWND window = floor_window::CreateHotkeyWindow(instance, commandLine, "Krvn_HotkeyFloor", FloorProc, &rest);
    if (window == nullptr) return 1;
    g_commandLine = rest;
    floor_window::RunInTray(window, "hotkey floor");
    return 0;
}
