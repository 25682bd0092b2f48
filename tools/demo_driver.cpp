// Drives the demonstration: starts the daemon of the program folder, presses
// a command's hotkey, waits for what the command writes, opens the command
// menu for a screenshot, and ends the daemon with remote-control code 3
// (unless told to keep it). "demo-result.txt" in the folder says "ok" at the end.
//
//   demo_driver <program folder> [--keep]
#include "option_lock.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool WaitUntil(DWORD timeoutMs, bool (*pred)(const std::string&), const std::string& arg)
{
    const DWORD start = GetTickCount();
    while (!pred(arg)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

bool DaemonRunning(const std::string&)
{
    return FindWindowA("Krvn_CommandWindow", nullptr) != nullptr;
}

bool DaemonGone(const std::string&)
{
    return FindWindowA("Krvn_CommandWindow", nullptr) == nullptr;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MenuOpen(const std::string&)
{
    HWND menu = FindWindowA("#32768", nullptr);
    return menu != nullptr && IsWindowVisible(menu);
}

void Key(WORD vk, bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

void PressChord(std::initializer_list<WORD> keys)
{
    for (WORD k : keys) Key(k, true);
    for (auto it = keys.end(); it != keys.begin();) Key(*--it, false);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: demo_driver <program folder> [--keep]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    const bool keep = argc > 2 && std::strcmp(argv[2], "--keep") == 0;

    const std::string result = folder + "demo-result.txt";
    DeleteFileA(result.c_str());
    std::string daemonLine = "\"" + folder + "korvaned.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &daemonLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info)) {
        std::printf("demo: korvaned.exe could not be started (error %lu)\n", GetLastError());
        return 1;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    if (!WaitUntil(20000, DaemonRunning, "")) {
        std::printf("demo: the daemon did not start\n");
        return 1;
    }
    std::printf("demo: korvaned is running\n");

    const std::string ran = folder + "demo-ran.txt";
    DeleteFileA(ran.c_str());
    std::printf("demo: pressing Ctrl+Alt+K\n");
    PressChord({VK_CONTROL, VK_MENU, 'K'});
    if (!WaitUntil(10000, Exists, ran)) {
        std::printf("demo: the hotkey's command did not run\n");
        return 1;
    }
    Sleep(300);
    std::printf("demo: the command ran and wrote %s\n", ran.c_str());

    // A right-button press on the tray icon, as the shell reports it (version 3).
    HWND daemon = FindWindowA("Krvn_CommandWindow", nullptr);
    SetCursorPos(300, 200);
    PostMessageA(daemon, WM_USER + 1, 1, WM_RBUTTONDOWN);
    if (WaitUntil(5000, MenuOpen, "")) {
        std::printf("demo: the command menu is open\n");
        const std::string signal = folder + "menu-open";
        CloseHandle(CreateFileA(signal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        WaitUntil(10000, Exists, folder + "shot-done");
        PressChord({VK_ESCAPE});
        PressChord({VK_ESCAPE});
    } else {
        std::printf("demo: the command menu did not open\n");
        BroadcastRemoteControl(RegisterWindowMessageA(kRemoteControlMessageName), kRemoteEndDaemon);
        return 1;
    }

    if (!keep) {
        BroadcastRemoteControl(RegisterWindowMessageA(kRemoteControlMessageName), kRemoteEndDaemon);
        if (!WaitUntil(5000, DaemonGone, "")) {
            std::printf("demo: the daemon did not end\n");
            return 1;
        }
        std::printf("demo: code 3 ended the daemon\n");
    }
    HANDLE file = CreateFileA(result.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "ok", 2, &written, nullptr);
    CloseHandle(file);
    return 0;
}
