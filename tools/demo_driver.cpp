// Drives make run: starts the daemon of the unpacked program folder, presses
// the hotkey of the example's Notepad command and closes the Notepad it
// opens, opens the command menu for a screenshot, and ends the daemon with
// remote-control code 3 (unless told to keep it). The script and the driver
// meet through files in the signal folder; "result.txt" there says "ok" at the end.
//
//   demo_driver <program folder> <signal folder> [--keep]
#include "platform/option_lock.h"

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

bool NotepadOpen(const std::string&)
{
    return FindWindowA("Notepad", nullptr) != nullptr;
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: demo_driver <program folder> <signal folder> [--keep]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    std::string signals = argv[2];
    if (signals.back() != '\\') signals += '\\';
    const bool keep = argc > 3 && std::strcmp(argv[3], "--keep") == 0;

    const std::string result = signals + "result.txt";
    DeleteFileA(result.c_str());
    std::string daemonLine = "\"" + folder + "korvaned.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &daemonLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info)) {
        std::printf("run: korvaned.exe could not be started (error %lu)\n", GetLastError());
        return 1;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    if (!WaitUntil(20000, DaemonRunning, "")) {
        std::printf("run: the daemon did not start\n");
        return 1;
    }
    std::printf("run: korvaned is running\n");

    std::printf("run: pressing Ctrl+Alt+N\n");
    PressChord({VK_CONTROL, VK_MENU, 'N'});
    if (!WaitUntil(15000, NotepadOpen, "")) {
        std::printf("run: the hotkey's command did not run\n");
        return 1;
    }
    std::printf("run: the hotkey opened Notepad\n");
    Sleep(500);
    PostMessageA(FindWindowA("Notepad", nullptr), WM_CLOSE, 0, 0);

    // A right-button press on the tray icon, as the shell reports it (version 3).
    HWND daemon = FindWindowA("Krvn_CommandWindow", nullptr);
    SetCursorPos(300, 200);
    PostMessageA(daemon, WM_USER + 1, 1, WM_RBUTTONDOWN);
    if (WaitUntil(5000, MenuOpen, "")) {
        std::printf("run: the command menu is open\n");
        const std::string signal = signals + "menu-open";
        CloseHandle(CreateFileA(signal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        WaitUntil(10000, Exists, signals + "shot-done");
        PressChord({VK_ESCAPE});
        PressChord({VK_ESCAPE});
    } else {
        std::printf("run: the command menu did not open\n");
        BroadcastRemoteControl(RegisterWindowMessageA(kRemoteControlMessageName), kRemoteEndDaemon);
        return 1;
    }

    if (!keep) {
        BroadcastRemoteControl(RegisterWindowMessageA(kRemoteControlMessageName), kRemoteEndDaemon);
        if (!WaitUntil(5000, DaemonGone, "")) {
            std::printf("run: the daemon did not end\n");
            return 1;
        }
        std::printf("run: code 3 ended the daemon\n");
    }
    HANDLE file = CreateFileA(result.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "ok", 2, &written, nullptr);
    CloseHandle(file);
    return 0;
}
