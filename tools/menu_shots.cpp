// Drives the daemon's command menu for screenshots: starts korvaned in the
// program folder, opens the menu as a right click on its tray icon would,
// then the first item's sub-menu. For each view it writes "menu-shot-N" into
// the folder and waits for "menu-shot-N-done" (the script takes the picture
// in between). Ends the daemon with remote code 3.
//
//   menu_shots <program folder>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Shot(const std::string& folder, int n)
{
    Sleep(700);  // painting done
    const std::string name = folder + "menu-shot-" + std::to_string(n);
    CloseHandle(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (int i = 0; i < 300; ++i) {
        if (Exists(name + "-done")) return true;
        Sleep(50);
    }
    return false;
}

void Press(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
    Sleep(300);
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) return 2;
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';

    std::string line = "\"" + folder + "korvaned.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
        std::printf("shots: korvaned.exe could not be started\n");
        return 1;
    }
    CloseHandle(info.hThread);
    HWND daemon = nullptr;
    for (int i = 0; i < 200 && daemon == nullptr; ++i) {
        Sleep(50);
        daemon = FindWindowA("Krvn_CommandWindow", nullptr);
    }
    if (daemon == nullptr) {
        std::printf("shots: no daemon window\n");
        return 1;
    }
    Sleep(1000);  // the rest of the start-up
    SetCursorPos(20, 20);
    // The tray icon's right button (WM_USER + 1, icon 1) shows the menu.
    PostMessageA(daemon, WM_USER + 1, 1, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    for (int i = 0; i < 100 && menu == nullptr; ++i) {
        Sleep(50);
        menu = FindWindowA("#32768", nullptr);
        if (menu != nullptr && !IsWindowVisible(menu)) menu = nullptr;
    }
    bool ok = menu != nullptr;
    if (!ok) std::printf("shots: no menu\n");
    if (ok) ok = Shot(folder, 0);
    if (ok) {
        Press(VK_DOWN);
        Press(VK_RIGHT);
        ok = Shot(folder, 1);
    }
    Press(VK_ESCAPE);
    Press(VK_ESCAPE);
    SendMessageA(daemon, RegisterWindowMessageA("Korvane_RemoteControlMessage"), 3, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hProcess);
    if (ok) std::printf("shots: done\n");
    return ok ? 0 : 1;
}
