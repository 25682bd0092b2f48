// A second process for the tests of the shared code: takes the option lock,
// listens for the remote-control message, or reports the main settings.
//
//   coordination_helper acquire <event>   Acquire; exit 1 if refused; else wait for the event, Release, exit 0
//   coordination_helper probe             exit 0 when the option mutex is free, 1 when held
//   coordination_helper listen <file> <ready-event>
//                                         a hidden top-level window appends each code to the file; code 3 ends it
//   coordination_helper main <file>       writes the main settings and the OpenLocal path to the file
//   coordination_helper save <file> <n>   saves [S] k=1 .. k=n to the settings file, one save each
//   coordination_helper savemain <path>   saves the main settings with <path> as the daemon's path
#include "platform/option_lock.h"
#include "settings/settings_file.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

UINT g_remoteMessage = 0;
const char* g_listenFile = nullptr;

void AppendLine(const char* file, const std::string& line)
{
    HANDLE h = CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD n = 0;
    const std::string text = line + "\r\n";
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(h);
}

LRESULT CALLBACK ListenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == g_remoteMessage && g_remoteMessage != 0) {
        AppendLine(g_listenFile, std::to_string(wParam));
        if (wParam == kRemoteEndDaemon) DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int Listen(const char* file, const char* readyEvent)
{
    g_listenFile = file;
    g_remoteMessage = RegisterWindowMessageA(kRemoteControlMessageName);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ListenProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneTestListener";
    RegisterClassA(&wc);
    // A hidden top-level window: message-only windows miss HWND_BROADCAST.
    CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyEvent);
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

int Acquire(const char* eventName)
{
    OptionLock lock;
    if (!lock.Acquire()) return 1;
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, eventName);
    if (event) {
        WaitForSingleObject(event, 30000);
        CloseHandle(event);
    }
    lock.Release();
    return 0;
}

int Main(const char* file)
{
    MainSettings main;
    main.Load();
    SettingsFile local;
    local.OpenLocal(nullptr);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    AppendLine(file, "current=" + main.current);
    AppendLine(file, "daemon=" + main.daemonPath);
    AppendLine(file, "controller=" + main.controllerPath);
    AppendLine(file, "switcher=" + main.switcherPath);
    AppendLine(file, std::string("local=") + local.Path());
    AppendLine(file, std::string("cwd=") + cwd);
    return 0;
}

int Save(const char* file, int saves)
{
    SettingsFile settings;
    settings.Open(file);
    for (int i = 1; i <= saves; ++i) {
        if (!settings.WriteInt("S", "k", i)) return 1;
    }
    return 0;
}

int SaveMain(const char* daemonPath)
{
    MainSettings main;
    main.Load();
    main.daemonPath = daemonPath;
    return main.Save() ? 0 : 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc >= 3 && std::strcmp(__argv[1], "acquire") == 0) return Acquire(__argv[2]);
    if (__argc >= 2 && std::strcmp(__argv[1], "probe") == 0) return ProbeOptionMutex() ? 0 : 1;
    if (__argc >= 4 && std::strcmp(__argv[1], "listen") == 0) return Listen(__argv[2], __argv[3]);
    if (__argc >= 3 && std::strcmp(__argv[1], "main") == 0) return Main(__argv[2]);
    if (__argc >= 4 && std::strcmp(__argv[1], "save") == 0) return Save(__argv[2], std::atoi(__argv[3]));
    if (__argc >= 3 && std::strcmp(__argv[1], "savemain") == 0) return SaveMain(__argv[2]);
    return 2;
}
