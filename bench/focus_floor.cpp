// The reference of the focus bench: registers one hotkey and, on WM_HOTKEY,
// finds the first visible, unowned, non-tool top-level window whose process
// image is the given program, restores it and brings it to the front, with
// the platform's calls alone: the path is given in full, nothing is resolved. Its tray icon tells the bench it is ready;
// code 3 of the remote-control message ends it.
//
//   focus_floor.exe MODIFIERS KEY PROGRAM-PATH
#include "floor_window.h"
#include "platform/option_lock.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string g_program;

struct Search {
    HWND found = nullptr;
    std::vector<std::pair<DWORD, bool>> processes;  // one image query per process
};

bool IsProgram(Search& search, DWORD process)
{
    for (const auto& known : search.processes) {
        if (known.first == process) return known.second;
    }
    bool matches = false;
    if (HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process)) {
        char image[MAX_PATH];
        DWORD size = sizeof image;
        matches = QueryFullProcessImageNameA(handle, 0, image, &size) && lstrcmpiA(image, g_program.c_str()) == 0;
        CloseHandle(handle);
    }
    search.processes.emplace_back(process, matches);
    return matches;
}

BOOL CALLBACK OnWindow(HWND window, LPARAM context)
{
    Search& search = *reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window) || (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0 ||
        GetWindow(window, GW_OWNER) != nullptr) {
        return TRUE;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (!IsProgram(search, process)) return TRUE;
    search.found = window;
    return FALSE;
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY) {
        Search search;
        EnumWindows(OnWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
            SetForegroundWindow(search.found);
        }
        return 0;
    }
    return floor_window::DefaultProc(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const char* rest = nullptr;
    HWND window = floor_window::CreateHotkeyWindow(instance, commandLine, "Krvn_FocusFloor", FloorProc, &rest);
    if (window == nullptr) return 1;
    g_program = rest;
    floor_window::RunInTray(window, "focus floor");
    return 0;
}
